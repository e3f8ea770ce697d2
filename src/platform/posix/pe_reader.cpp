#include "platform/posix/pe_reader.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace zendrel::platform::posix {

namespace {

constexpr std::uint32_t kIconType = 3;
constexpr std::uint32_t kGroupIconType = 14;
constexpr std::uint32_t kResourceDataDirectory = 2;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
// The format allows no more sections than this.
constexpr std::uint16_t kMaxSections = 96;
constexpr std::size_t kDirectoryHeadSize = 16;
constexpr std::size_t kDirectoryEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;

struct Section {
  std::uint32_t address;
  std::uint32_t rawSize;
  std::uint32_t rawOffset;
};

// An entry of a resource directory: its name or id word, and the offset it points to
// (the high bit set for a subdirectory), both as stored.
struct DirectoryEntry {
  std::uint32_t name;
  std::uint32_t target;
};

class ResourceTree {
 public:
  ResourceTree(const ByteSource& source, std::vector<Section> sections, std::uint64_t root)
      : source_(source), sections_(std::move(sections)), root_(root) {}

  std::optional<std::uint64_t> FileOffset(std::uint32_t rva) const {
    for (const Section& section : sections_) {
      if (rva >= section.address && rva - section.address < section.rawSize)
        return std::uint64_t{section.rawOffset} + (rva - section.address);
    }
    return std::nullopt;
  }

  // The entries of the directory at `offset` from the root; nullopt when it cannot be read
  // or holds more entries than any real file.
  std::optional<std::vector<DirectoryEntry>> Directory(std::uint32_t offset) const {
    const std::optional<Bytes> head = source_.Read(root_ + offset, kDirectoryHeadSize);
    if (!head) return std::nullopt;
    const std::uint32_t count = std::uint32_t{Le16(*head, 12)} + Le16(*head, 14);
    if (count > kMaxDirectoryEntries) return std::nullopt;
    const std::optional<Bytes> bytes = source_.Read(root_ + offset + kDirectoryHeadSize,
                                                    std::uint64_t{count} * kDirectoryEntrySize);
    if (!bytes) return std::nullopt;
    std::vector<DirectoryEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i) {
      entries[i] = {Le32(*bytes, i * kDirectoryEntrySize),
                    Le32(*bytes, i * kDirectoryEntrySize + 4)};
    }
    return entries;
  }

  // The data of a name entry (the second level) in its first language. The language
  // directory may be neither the root nor the type directory above it: that would be a
  // circle.
  std::optional<ImagePlace> FirstLanguage(const DirectoryEntry& entry,
                                          std::uint32_t typeDirectory) const {
    if (!(entry.target & kHighBit)) return std::nullopt;
    const std::uint32_t languages = entry.target & ~kHighBit;
    if (languages == 0 || languages == typeDirectory) return std::nullopt;
    const std::optional<std::vector<DirectoryEntry>> list = Directory(languages);
    // A third level that points to yet another directory is deeper than the format goes.
    if (!list || list->empty() || ((*list)[0].target & kHighBit)) return std::nullopt;
    const std::optional<Bytes> data = source_.Read(root_ + (*list)[0].target, kDataEntrySize);
    if (!data) return std::nullopt;
    const std::optional<std::uint64_t> offset = FileOffset(Le32(*data, 0));
    if (!offset) return std::nullopt;
    return ImagePlace{*offset, Le32(*data, 4)};
  }

 private:
  const ByteSource& source_;
  std::vector<Section> sections_;
  std::uint64_t root_;
};

class PeContainer final : public IconContainer {
 public:
  PeContainer(std::vector<Section> sections, std::uint64_t root, std::uint32_t groupDirectory,
              std::vector<DirectoryEntry> groups, std::uint32_t iconDirectory,
              std::vector<DirectoryEntry> icons)
      : sections_(std::move(sections)),
        root_(root),
        groupDirectory_(groupDirectory),
        groups_(std::move(groups)),
        iconDirectory_(iconDirectory),
        icons_(std::move(icons)),
        iconOrder_(icons_.size()) {
    for (std::size_t i = 0; i < icons_.size(); ++i) iconOrder_[i] = i;
    std::stable_sort(iconOrder_.begin(), iconOrder_.end(), [this](std::size_t a, std::size_t b) {
      return icons_[a].name < icons_[b].name;
    });
  }

  std::optional<IconImageDirectory> Images(const ByteSource& source, int index) const override {
    const DirectoryEntry* group = nullptr;
    if (index >= 0) {
      if (static_cast<std::size_t>(index) < groups_.size()) group = &groups_[index];
    } else if (-static_cast<std::int64_t>(index) <= 0xFFFF) {
      group = FindId(groups_, static_cast<std::uint32_t>(-index));
    }
    if (!group) return std::nullopt;
    const ResourceTree tree(Pages(source), sections_, root_);
    const std::optional<ImagePlace> place = tree.FirstLanguage(*group, groupDirectory_);
    if (!place) return std::nullopt;
    return ReadGroupDirectory(
        Pages(source), *place,
        [&](std::uint16_t id) -> std::optional<ImagePlace> {
          const DirectoryEntry* icon = FindIcon(id);
          if (!icon) return std::nullopt;
          return tree.FirstLanguage(*icon, iconDirectory_);
        },
        everyImage());
  }

 private:
  // The first icon entry with this id, as a walk through the list would find it, by
  // halving: a library may hold thousands of images.
  const DirectoryEntry* FindIcon(std::uint32_t id) const {
    const auto found = std::lower_bound(
        iconOrder_.begin(), iconOrder_.end(), id,
        [this](std::size_t i, std::uint32_t value) { return icons_[i].name < value; });
    if (found == iconOrder_.end() || icons_[*found].name != id) return nullptr;
    return &icons_[*found];
  }

  static const DirectoryEntry* FindId(const std::vector<DirectoryEntry>& list, std::uint32_t id) {
    for (const DirectoryEntry& entry : list) {
      if (entry.name == id) return &entry;  // a named entry has the high bit set
    }
    return nullptr;
  }

  std::vector<Section> sections_;
  std::uint64_t root_;
  std::uint32_t groupDirectory_;
  std::vector<DirectoryEntry> groups_;
  std::uint32_t iconDirectory_;
  std::vector<DirectoryEntry> icons_;
  std::vector<std::size_t> iconOrder_;  // icons_ by id, equal ids in list order
};

std::optional<std::vector<Section>> ReadSections(const ByteSource& source, std::uint64_t at,
                                                 std::uint16_t count) {
  if (count > kMaxSections) return std::nullopt;
  const std::optional<Bytes> bytes = source.Read(at, std::uint64_t{count} * kSectionHeaderSize);
  if (!bytes) return std::nullopt;
  std::vector<Section> sections;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t header = i * kSectionHeaderSize;
    sections.push_back(
        {Le32(*bytes, header + 12), Le32(*bytes, header + 16), Le32(*bytes, header + 20)});
  }
  return sections;
}

}  // namespace

std::unique_ptr<IconContainer> ReadPeContainer(const ByteSource& source, std::uint64_t peHeader) {
  const std::optional<Bytes> coff = source.Read(peHeader, 4 + kCoffHeaderSize);
  if (!coff || (*coff)[2] != 0 || (*coff)[3] != 0) return nullptr;
  const std::uint16_t sectionCount = Le16(*coff, 6);
  const std::uint16_t optionalSize = Le16(*coff, 20);
  const std::uint64_t optionalAt = peHeader + 4 + kCoffHeaderSize;
  const std::optional<Bytes> optional = source.Read(optionalAt, optionalSize);
  if (!optional || optional->size() < 2) return nullptr;

  std::size_t countAt = 0;
  switch (Le16(*optional, 0)) {
    case 0x10B:  // PE32
      countAt = 92;
      break;
    case 0x20B:  // PE32+
      countAt = 108;
      break;
    default:
      return nullptr;
  }
  const std::size_t resourceAt = countAt + 4 + kResourceDataDirectory * 8;
  if (optional->size() < resourceAt + 8 || Le32(*optional, countAt) <= kResourceDataDirectory)
    return nullptr;
  const std::uint32_t resourceRva = Le32(*optional, resourceAt);
  if (resourceRva == 0) return nullptr;

  std::optional<std::vector<Section>> sections =
      ReadSections(source, optionalAt + optionalSize, sectionCount);
  if (!sections) return nullptr;
  const std::optional<std::uint64_t> root =
      ResourceTree(source, *sections, 0).FileOffset(resourceRva);
  if (!root) return nullptr;
  const ResourceTree tree(source, *sections, *root);

  const std::optional<std::vector<DirectoryEntry>> types = tree.Directory(0);
  if (!types) return nullptr;
  // The type directories, found by id; a type directory that is the root itself would lead
  // round in a circle.
  auto typeDirectory = [&](std::uint32_t type) -> std::optional<std::uint32_t> {
    for (const DirectoryEntry& entry : *types) {
      if (entry.name != type) continue;
      if (!(entry.target & kHighBit) || (entry.target & ~kHighBit) == 0) return std::nullopt;
      return entry.target & ~kHighBit;
    }
    return std::nullopt;
  };
  const std::optional<std::uint32_t> groupDirectory = typeDirectory(kGroupIconType);
  if (!groupDirectory) return nullptr;
  std::optional<std::vector<DirectoryEntry>> groups = tree.Directory(*groupDirectory);
  if (!groups) return nullptr;
  const std::optional<std::uint32_t> iconDirectory = typeDirectory(kIconType);
  std::vector<DirectoryEntry> icons;
  if (iconDirectory && *iconDirectory != *groupDirectory) {
    if (std::optional<std::vector<DirectoryEntry>> list = tree.Directory(*iconDirectory))
      icons = std::move(*list);
  }
  return std::make_unique<PeContainer>(std::move(*sections), *root, *groupDirectory,
                                       std::move(*groups), iconDirectory.value_or(0),
                                       std::move(icons));
}

}  // namespace zendrel::platform::posix
