// The pixels of one icon image, a DIB with its mask or a PNG, brought to 32 x 32.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/icons.h"
#include "platform/posix/icon_container.h"

namespace zendrel::platform::posix {

// No image larger than this is decoded: it is the largest an icon directory can describe.
inline constexpr int kMaxImageSide = 256;

// Pixels as 0xAARRGGBB with straight alpha, rows top to bottom; a transparent pixel is 0.
struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// Icon `index` of the container at 32 x 32: the chosen image of its group, decoded and
// scaled; nullopt when the index names no icon or its image cannot be read.
std::optional<IconPixels> ExtractLargeIcon(const IconContainer& container, const ByteSource& source,
                                           int index);

// The image at `place`, which must lie inside the source: only as many bytes are read as its header
// says it uses.
std::optional<DecodedImage> ReadIconImage(const ByteSource& source, ImagePlace place);

// A DIB as icons store it: header (40 bytes or a 12-byte core header), palette, colour rows
// bottom up and the AND mask, the header's height being twice the image's. `bytes` may go
// on past the image. nullopt for a damaged or unsupported one.
std::optional<DecodedImage> DecodeDib(std::span<const std::uint8_t> bytes);

// The number of bytes the DIB whose header starts `head` occupies, or nullopt when the
// header is damaged or unsupported. `head` needs at most the first 40 bytes.
std::optional<std::uint64_t> DibLength(std::span<const std::uint8_t> head);

// The image at 32 x 32: averaged over the covered area along an axis that shrinks, the
// nearest source pixel along one that grows. Colours are weighted by their alpha, so
// transparent pixels lend no colour to their neighbours.
IconPixels ScaleToIconSize(const DecodedImage& image);

}  // namespace zendrel::platform::posix
