#include "platform/posix/icon_container.h"

#include <algorithm>
#include <cstdlib>

#include "platform/icons.h"
#include "platform/posix/ico_reader.h"
#include "platform/posix/ne_reader.h"
#include "platform/posix/pe_reader.h"

namespace zendrel::platform::posix {

namespace {

constexpr std::size_t kIconDirectoryHead = 6;
constexpr int kDisplayDepth = 32;

}  // namespace

std::unique_ptr<IconContainer> ReadIconContainer(const ByteSource& source) {
  const std::optional<Bytes> head = source.ReadUpTo(0, 0x40);
  if (!head || head->size() < kIconDirectoryHead) return nullptr;
  if (IconDirectoryCount(*head)) return ReadIcoContainer(source);
  if (head->size() < 0x40 || (*head)[0] != 'M' || (*head)[1] != 'Z') return nullptr;
  const std::uint32_t newHeader = Le32(*head, 0x3C);
  const std::optional<Bytes> signature = source.Read(newHeader, 2);
  if (!signature) return nullptr;
  if ((*signature)[0] == 'N' && (*signature)[1] == 'E') return ReadNeContainer(source, newHeader);
  if ((*signature)[0] == 'P' && (*signature)[1] == 'E') return ReadPeContainer(source, newHeader);
  return nullptr;
}

std::optional<std::uint16_t> IconDirectoryCount(std::span<const std::uint8_t> head) {
  if (head.size() < kIconDirectoryHead) return std::nullopt;
  // Type 2 would be a cursor, which is no icon.
  if (Le16(head, 0) != 0 || Le16(head, 2) != 1) return std::nullopt;
  const std::uint16_t count = Le16(head, 4);
  if (count == 0 || count > kMaxDirectoryEntries) return std::nullopt;
  return count;
}

std::optional<IconImageDirectory> ParseIconDirectory(std::span<const std::uint8_t> bytes,
                                                     std::size_t entrySize,
                                                     const PlaceOfEntry& place) {
  const std::optional<std::uint16_t> count = IconDirectoryCount(bytes);
  if (!count || (bytes.size() - kIconDirectoryHead) / entrySize < *count) return std::nullopt;
  IconImageDirectory images;
  images.reserve(*count);
  for (std::size_t i = 0; i < *count; ++i) {
    const std::span<const std::uint8_t> entry =
        bytes.subspan(kIconDirectoryHead + i * entrySize, entrySize);
    IconImageEntry image;
    image.width = entry[0] == 0 ? 256 : entry[0];
    image.height = entry[1] == 0 ? 256 : entry[1];
    image.colourCount = entry[2];
    image.planes = Le16(entry, 4);
    image.bitCount = Le16(entry, 6);
    image.place = place(entry);
    images.push_back(image);
  }
  return images;
}

std::optional<IconImageDirectory> ReadGroupDirectory(const ByteSource& source, ImagePlace place,
                                                     const IconById& iconById, bool everyImage) {
  constexpr std::size_t kGroupEntrySize = 14;
  if (place.size < kIconDirectoryHead || place.offset > source.size() ||
      place.size > source.size() - place.offset)
    return std::nullopt;
  // A group is never longer than its largest possible directory: one read takes it whole.
  constexpr std::uint64_t kLongestGroup =
      kIconDirectoryHead + std::uint64_t{kGroupEntrySize} * kMaxDirectoryEntries;
  std::optional<Bytes> bytes = source.Read(place.offset, std::min(place.size, kLongestGroup));
  if (!bytes) return std::nullopt;
  const std::optional<std::uint16_t> count = IconDirectoryCount(*bytes);
  if (!count) return std::nullopt;
  const std::uint64_t length = kIconDirectoryHead + std::uint64_t{kGroupEntrySize} * *count;
  if (length > place.size) return std::nullopt;
  bytes->resize(static_cast<std::size_t>(length));
  // Only the image that will be shown is looked up: in a DLL every look-up walks resource
  // directories, and a group holds many images.
  std::optional<IconImageDirectory> images =
      ParseIconDirectory(*bytes, kGroupEntrySize,
                         [](std::span<const std::uint8_t>) { return std::optional<ImagePlace>(); });
  if (!images) return std::nullopt;
  const int best = ChooseLargeImage(*images);
  for (std::size_t k = 0; k < images->size(); ++k) {
    if (!everyImage && static_cast<int>(k) != best) continue;
    const std::size_t entry = kIconDirectoryHead + k * kGroupEntrySize;
    (*images)[k].place = iconById(Le16(*bytes, entry + 12));
  }
  return images;
}

int ChooseLargeImage(const IconImageDirectory& images) {
  // Two passes, as Windows makes them: the first finds the nearest size, the second the best
  // depth among the entries that are exactly as far off in width and in height.
  int bestTotal = -1;
  int bestDx = 0;
  int bestDy = 0;
  for (const IconImageEntry& image : images) {
    const int dx = std::abs(kIconSize - image.width);
    const int dy = std::abs(kIconSize - image.height);
    if (bestTotal < 0 || dx + dy < bestTotal) {
      bestTotal = dx + dy;
      bestDx = dx;
      bestDy = dy;
    }
  }
  int best = -1;
  int bestDepthDiff = 0;
  for (std::size_t i = 0; i < images.size(); ++i) {
    const IconImageEntry& image = images[i];
    if (std::abs(kIconSize - image.width) != bestDx || std::abs(kIconSize - image.height) != bestDy)
      continue;
    const int depthDiff = std::abs(kDisplayDepth - image.bitCount);
    if (best < 0 || depthDiff < bestDepthDiff) {
      best = static_cast<int>(i);
      bestDepthDiff = depthDiff;
    }
  }
  return best;
}

}  // namespace zendrel::platform::posix
