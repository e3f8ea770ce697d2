#include "platform/posix/ico_writer.h"

#include <vector>

#include "platform/posix/icon_container.h"

namespace zendrel::platform::posix {

namespace {

constexpr std::size_t kHeadSize = 6;
constexpr std::size_t kEntrySize = 16;

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8 & 0xFF);
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

bool IsIcoFile(const ByteSource& source) {
  const std::optional<Bytes> head = source.Read(0, 4);
  return head && (*head)[0] == 0 && (*head)[1] == 0 && (*head)[2] == 1 && (*head)[3] == 0;
}

}  // namespace

std::optional<std::string> IconAsIcoFile(const ByteSource& source, int index) {
  const std::unique_ptr<IconContainer> container = ReadIconContainer(source);
  if (!container) return std::nullopt;
  container->LocateEveryImage();
  const std::optional<IconImageDirectory> directory = container->Images(source, index);
  if (!directory) return std::nullopt;
  if (IsIcoFile(source)) {
    if (source.size() > kLargestIcoFile) return std::nullopt;
    const std::optional<Bytes> whole = source.Read(0, source.size());
    if (!whole) return std::nullopt;
    return std::string(whole->begin(), whole->end());
  }
  struct Image {
    const IconImageEntry* entry;
    Bytes bytes;
  };
  std::vector<Image> images;
  std::uint64_t total = 0;
  for (const IconImageEntry& entry : *directory) {
    if (!entry.place) continue;
    std::optional<Bytes> bytes = source.ReadUpTo(entry.place->offset, entry.place->size);
    if (!bytes || bytes->empty()) continue;
    total += bytes->size() + kEntrySize;
    if (total > kLargestIcoFile) return std::nullopt;
    images.push_back({&entry, std::move(*bytes)});
  }
  if (images.empty()) return std::nullopt;
  std::string ico;
  ico.reserve(kHeadSize + total);
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(kHeadSize + kEntrySize * images.size());
  for (const Image& image : images) {
    const IconImageEntry& entry = *image.entry;
    // 256 is written as 0; a palette's size follows from the depth, as the group leaves it.
    ico += static_cast<char>(entry.width >= 256 ? 0 : entry.width);
    ico += static_cast<char>(entry.height >= 256 ? 0 : entry.height);
    ico += static_cast<char>(entry.bitCount > 0 && entry.bitCount < 8 ? 1 << entry.bitCount : 0);
    ico += '\0';
    Put16(ico, 1);
    Put16(ico, static_cast<std::uint32_t>(entry.bitCount));
    Put32(ico, static_cast<std::uint32_t>(image.bytes.size()));
    Put32(ico, offset);
    offset += static_cast<std::uint32_t>(image.bytes.size());
  }
  for (const Image& image : images) ico.append(image.bytes.begin(), image.bytes.end());
  return ico;
}

}  // namespace zendrel::platform::posix
