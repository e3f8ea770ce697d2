// What every icon container (an .ico file, an NE library, a PE file) offers: the images of
// the icon an index names, as a directory of sizes and places in the source.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/posix/icon_file_reader.h"

namespace zendrel::platform::posix {

// Directories with more entries than this are taken for damaged ones: no real icon file
// comes near it, and it keeps the work per file small.
inline constexpr std::uint32_t kMaxDirectoryEntries = 4096;

// Where an image's bytes lie in the source: at most `size` bytes from `offset`, of which the
// image's own header tells how many it uses.
struct ImagePlace {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// One image of an icon as its directory describes it. Width and height are as stored, a 0
// already turned into 256; `place` is empty when the directory names an image that the
// container does not hold.
struct IconImageEntry {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  std::optional<ImagePlace> place;
  // As stored, for the system's own choice among the images (Windows build).
  int colourCount = 0;  // 0 for 256 colours or more
  int planes = 0;
};

using IconImageDirectory = std::vector<IconImageEntry>;

class IconContainer {
 public:
  virtual ~IconContainer() = default;
  // The images of the icon `index` names; nullopt when it names none. The source is the
  // one the container was read from.
  virtual std::optional<IconImageDirectory> Images(const ByteSource& source, int index) const = 0;

  // From now on every image of a library's or DLL's icon gets its place, not only the one
  // shown at 32 x 32 (an .ico file gives every place anyway).
  void LocateEveryImage() { everyImage_ = true; }

 protected:
  // The source read through pages kept from one icon to the next, for the small structures
  // a library looks up for every icon (its resource tree, its groups). Images are read from
  // the source itself, so a file cut short since it was opened yields no image past its end.
  bool everyImage() const { return everyImage_; }
  const ByteSource& Pages(const ByteSource& source) const {
    if (!pages_ || &pages_->inner() != &source) pages_ = std::make_unique<PagedSource>(source);
    return *pages_;
  }

 private:
  mutable std::unique_ptr<PagedSource> pages_;
  bool everyImage_ = false;
};

// The container in `source`, or nullptr when it is no icon container: an .ico file ("\0\0"
// then type 1), or an "MZ" file whose new header is an NE or a PE one.
std::unique_ptr<IconContainer> ReadIconContainer(const ByteSource& source);

// The entries of a directory in the layout icon groups and .ico files share: a 6-byte head
// (0, type 1, count) and `entrySize`-byte entries that start with width, height, colour
// count, a reserved byte, planes and bit count. `place` gives an entry's image place from
// the entry's bytes (nullopt: not held). nullopt for a damaged or empty directory.
using PlaceOfEntry = std::function<std::optional<ImagePlace>(std::span<const std::uint8_t>)>;
std::optional<IconImageDirectory> ParseIconDirectory(std::span<const std::uint8_t> bytes,
                                                     std::size_t entrySize,
                                                     const PlaceOfEntry& place);
// The number of entries the head of such a directory announces, or nullopt when the head is
// not one of an icon directory or announces none or too many.
std::optional<std::uint16_t> IconDirectoryCount(std::span<const std::uint8_t> head);

// The group directory (an icon resource's list of images) at `place`. Only the entry that
// ChooseLargeImage picks gets its place, found by its 16-bit id through `iconById`, unless
// `everyImage`; the others are left without one. nullopt when the group is damaged.
using IconById = std::function<std::optional<ImagePlace>(std::uint16_t)>;
std::optional<IconImageDirectory> ReadGroupDirectory(const ByteSource& source, ImagePlace place,
                                                     const IconById& iconById,
                                                     bool everyImage = false);

// The entry to show at 32 x 32, as Windows picks it: the size nearest 32 x 32 (the sum of the
// two differences), then the bit count nearest 32, then the first. -1 for an empty directory.
int ChooseLargeImage(const IconImageDirectory& images);

}  // namespace zendrel::platform::posix
