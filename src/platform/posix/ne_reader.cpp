#include "platform/posix/ne_reader.h"

#include <algorithm>
#include <vector>

namespace zendrel::platform::posix {

namespace {

constexpr std::uint16_t kNumericId = 0x8000;
constexpr std::uint16_t kIconType = kNumericId | 3;
constexpr std::uint16_t kGroupIconType = kNumericId | 14;
constexpr std::size_t kTypeInfoSize = 8;
constexpr std::size_t kNameInfoSize = 12;
constexpr std::uint16_t kMaxShift = 16;
// The table's offsets are 16-bit, so it cannot be longer than this.
constexpr std::uint64_t kMaxTableSize = 0x10000;

struct Resource {
  std::uint16_t id;
  ImagePlace place;
};

class NeContainer final : public IconContainer {
 public:
  NeContainer(std::vector<Resource> groups, std::vector<Resource> icons)
      : groups_(std::move(groups)), icons_(std::move(icons)) {}

  std::optional<IconImageDirectory> Images(const ByteSource& source, int index) const override {
    const Resource* group = nullptr;
    if (index >= 0) {
      if (static_cast<std::size_t>(index) < groups_.size()) group = &groups_[index];
    } else if (-static_cast<std::int64_t>(index) < kNumericId) {
      group = Find(groups_, static_cast<std::uint16_t>(-index) | kNumericId);
    }
    if (!group) return std::nullopt;
    return ReadGroupDirectory(
        Pages(source), group->place,
        [this](std::uint16_t id) {
          const Resource* icon = Find(icons_, id | kNumericId);
          return icon ? std::optional<ImagePlace>(icon->place) : std::nullopt;
        },
        everyImage());
  }

 private:
  static const Resource* Find(const std::vector<Resource>& list, std::uint16_t id) {
    for (const Resource& resource : list) {
      if (resource.id == id) return &resource;
    }
    return nullptr;
  }

  std::vector<Resource> groups_;
  std::vector<Resource> icons_;
};

}  // namespace

std::unique_ptr<IconContainer> ReadNeContainer(const ByteSource& source, std::uint64_t neHeader) {
  const std::optional<Bytes> header = source.Read(neHeader, 0x40);
  if (!header) return nullptr;
  const std::uint16_t tableOffset = Le16(*header, 0x24);
  const std::uint16_t namesOffset = Le16(*header, 0x26);
  if (tableOffset == 0) return nullptr;
  // The resident-name table follows the resource table and so ends it.
  const std::uint64_t tableLimit =
      namesOffset > tableOffset ? std::uint64_t{namesOffset} - tableOffset : kMaxTableSize;
  const std::optional<Bytes> table = source.ReadUpTo(neHeader + tableOffset, tableLimit);
  if (!table || table->size() < 2) return nullptr;
  const std::uint16_t shift = Le16(*table, 0);
  if (shift > kMaxShift) return nullptr;

  std::vector<Resource> groups;
  std::vector<Resource> icons;
  bool sawGroups = false;
  bool sawIcons = false;
  std::size_t at = 2;
  for (;;) {
    if (table->size() - at < 2) return nullptr;
    const std::uint16_t type = Le16(*table, at);
    if (type == 0) break;
    if (table->size() - at < kTypeInfoSize) return nullptr;
    const std::uint16_t count = Le16(*table, at + 2);
    at += kTypeInfoSize;
    if (count > kMaxDirectoryEntries || (table->size() - at) / kNameInfoSize < count)
      return nullptr;
    // Only the first record of a type counts, should a damaged table repeat one.
    std::vector<Resource>* list = nullptr;
    if (type == kGroupIconType && !sawGroups) {
      list = &groups;
      sawGroups = true;
    } else if (type == kIconType && !sawIcons) {
      list = &icons;
      sawIcons = true;
    }
    for (std::size_t i = 0; i < count; ++i, at += kNameInfoSize) {
      if (!list) continue;
      const std::uint64_t offset = std::uint64_t{Le16(*table, at)} << shift;
      // Lengths are rounded up to whole units, and the last resource of a file need not
      // be padded to its unit: the length ends at the end of the file.
      const std::uint64_t units = std::uint64_t{Le16(*table, at + 2)} << shift;
      const std::uint64_t length =
          offset <= source.size() ? std::min(units, source.size() - offset) : units;
      list->push_back({Le16(*table, at + 6), ImagePlace{offset, length}});
    }
  }
  return std::make_unique<NeContainer>(std::move(groups), std::move(icons));
}

}  // namespace zendrel::platform::posix
