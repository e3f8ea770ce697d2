#include "platform/posix/icon_image.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/posix/png_image.h"

namespace zendrel::platform::posix {

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// The largest header of the family (the version 5 one); its fields past the first 40 bytes
// do not matter for an uncompressed image.
constexpr std::uint32_t kMaxHeaderSize = 124;
constexpr std::uint32_t kMaxPaletteSize = 256;
// Enough for a 48 x 48 image of 32 bits with its mask, or a 64 x 64 one of 8 bits.
constexpr std::uint64_t kFirstImageRead = 16384;

struct DibLayout {
  int width = 0;
  int height = 0;  // of the image, half the header's
  int bitCount = 0;
  std::uint32_t paletteAt = 0;
  std::uint32_t paletteCount = 0;
  std::uint32_t paletteEntrySize = 0;
  std::uint64_t colourAt = 0;
  std::uint64_t colourStride = 0;
  std::uint64_t maskAt = 0;
  std::uint64_t maskStride = 0;
  std::uint64_t length = 0;
};

std::uint64_t RowStride(std::uint64_t width, std::uint64_t bits) {
  return (width * bits + 31) / 32 * 4;
}

std::optional<DibLayout> Layout(std::span<const std::uint8_t> head) {
  if (head.size() < 4) return std::nullopt;
  const std::uint32_t headerSize = Le32(head, 0);
  std::int64_t width = 0;
  std::int64_t doubledHeight = 0;
  std::uint32_t used = 0;
  DibLayout layout;
  if (headerSize == kCoreHeaderSize) {
    if (head.size() < kCoreHeaderSize) return std::nullopt;
    width = Le16(head, 4);
    doubledHeight = Le16(head, 6);
    layout.bitCount = Le16(head, 10);
    layout.paletteEntrySize = 3;
  } else if (headerSize >= kInfoHeaderSize && headerSize <= kMaxHeaderSize) {
    if (head.size() < kInfoHeaderSize) return std::nullopt;
    width = static_cast<std::int32_t>(Le32(head, 4));
    doubledHeight = static_cast<std::int32_t>(Le32(head, 8));
    layout.bitCount = Le16(head, 14);
    if (Le32(head, 16) != 0) return std::nullopt;  // compressed or bit fields
    used = Le32(head, 32);
    layout.paletteEntrySize = 4;
  } else {
    return std::nullopt;
  }
  // A height of zero, an odd one or a negative one (top-down rows) is no icon's.
  if (width <= 0 || width > kMaxImageSide || doubledHeight <= 0 || doubledHeight % 2 != 0 ||
      doubledHeight / 2 > kMaxImageSide)
    return std::nullopt;
  switch (layout.bitCount) {
    case 1:
    case 4:
    case 8:
      layout.paletteCount = used != 0 ? used : 1u << layout.bitCount;
      break;
    case 16:
    case 24:
    case 32:
      // A palette may still be there, as a hint for displays with few colours; it is skipped.
      layout.paletteCount = used;
      break;
    default:
      return std::nullopt;
  }
  if (layout.paletteCount > kMaxPaletteSize) return std::nullopt;
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(doubledHeight / 2);
  layout.paletteAt = headerSize;
  layout.colourAt = headerSize + std::uint64_t{layout.paletteCount} * layout.paletteEntrySize;
  layout.colourStride = RowStride(layout.width, layout.bitCount);
  layout.maskAt = layout.colourAt + layout.colourStride * layout.height;
  layout.maskStride = RowStride(layout.width, 1);
  layout.length = layout.maskAt + layout.maskStride * layout.height;
  return layout;
}

std::uint32_t Opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return 0xFF000000u | r << 16 | g << 8 | b;
}

// The palette as opaque colours, all 256 places filled: an index past the stored palette
// shows black, so the row loops need no check.
std::array<std::uint32_t, kMaxPaletteSize> OpaquePalette(std::span<const std::uint8_t> palette,
                                                         const DibLayout& layout) {
  std::array<std::uint32_t, kMaxPaletteSize> colours;
  colours.fill(Opaque(0, 0, 0));
  for (std::size_t i = 0; i < layout.paletteCount; ++i) {
    const std::size_t at = i * layout.paletteEntrySize;
    colours[i] = Opaque(palette[at + 2], palette[at + 1], palette[at]);
  }
  return colours;
}

// One row of colours, the alpha byte kept as stored for 32-bit images and opaque otherwise.
// One loop per depth: this runs for every pixel of every icon in the catalogue.
void DecodeRow(const std::uint8_t* row, int width, int bitCount,
               const std::array<std::uint32_t, kMaxPaletteSize>& palette, std::uint32_t* out) {
  switch (bitCount) {
    case 1:
      for (int x = 0; x < width; ++x) out[x] = palette[row[x / 8] >> (7 - x % 8) & 1];
      break;
    case 4:
      for (int x = 0; x < width; ++x) out[x] = palette[row[x / 2] >> (x % 2 == 0 ? 4 : 0) & 0xF];
      break;
    case 8:
      for (int x = 0; x < width; ++x) out[x] = palette[row[x]];
      break;
    case 16:
      for (int x = 0; x < width; ++x) {
        // Five bits each of red, green and blue, widened to eight as the display does.
        const std::uint32_t v = static_cast<std::uint32_t>(row[x * 2] | row[x * 2 + 1] << 8);
        auto widen = [](std::uint32_t c) { return c << 3 | c >> 2; };
        out[x] = Opaque(widen(v >> 10 & 31), widen(v >> 5 & 31), widen(v & 31));
      }
      break;
    case 24:
      for (int x = 0; x < width; ++x) out[x] = Opaque(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
      break;
    default:  // 32
      // Blue, green, red and alpha bytes are already 0xAARRGGBB to a little-endian reader.
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, row, static_cast<std::size_t>(width) * 4);
        break;
      }
      for (int x = 0; x < width; ++x) {
        out[x] = static_cast<std::uint32_t>(row[x * 4 + 3]) << 24 |
                 static_cast<std::uint32_t>(row[x * 4 + 2]) << 16 |
                 static_cast<std::uint32_t>(row[x * 4 + 1]) << 8 | row[x * 4];
      }
      break;
  }
}

}  // namespace

std::optional<std::uint64_t> DibLength(std::span<const std::uint8_t> head) {
  const std::optional<DibLayout> layout = Layout(head);
  if (!layout) return std::nullopt;
  return layout->length;
}

std::optional<DecodedImage> DecodeDib(std::span<const std::uint8_t> bytes) {
  const std::optional<DibLayout> layout = Layout(bytes);
  if (!layout || layout->length > bytes.size()) return std::nullopt;
  const std::span<const std::uint8_t> palette =
      bytes.subspan(layout->paletteAt, layout->paletteCount * layout->paletteEntrySize);
  const std::array<std::uint32_t, kMaxPaletteSize> colours = OpaquePalette(palette, *layout);
  DecodedImage image;
  image.width = layout->width;
  image.height = layout->height;
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  const std::uint8_t* const data = bytes.data();
  for (int y = 0; y < image.height; ++y) {
    // Rows are stored bottom up.
    const std::size_t stored = static_cast<std::size_t>(image.height - 1 - y);
    DecodeRow(data + layout->colourAt + stored * layout->colourStride, image.width,
              layout->bitCount, colours, &image.pixels[static_cast<std::size_t>(y) * image.width]);
  }
  // Only a 32-bit image can carry alpha, and only one that uses it; any other takes its
  // transparency from the mask (a set bit is transparent).
  std::uint32_t alphaBits = 0;
  if (layout->bitCount == 32) {
    for (const std::uint32_t pixel : image.pixels) alphaBits |= pixel;
  }
  if (alphaBits >> 24 != 0) {
    // Written without a branch, which the edge of every picture would mispredict.
    for (std::uint32_t& pixel : image.pixels) pixel = pixel >> 24 != 0 ? pixel : 0;
    return image;
  }
  for (int y = 0; y < image.height; ++y) {
    const std::size_t stored = static_cast<std::size_t>(image.height - 1 - y);
    const std::uint8_t* const mask = data + layout->maskAt + stored * layout->maskStride;
    std::uint32_t* const out = &image.pixels[static_cast<std::size_t>(y) * image.width];
    for (int x = 0; x < image.width; ++x) {
      out[x] = mask[x / 8] >> (7 - x % 8) & 1 ? 0 : out[x] | 0xFF000000u;
    }
  }
  return image;
}

std::optional<DecodedImage> ReadIconImage(const ByteSource& source, ImagePlace place) {
  // A size that runs past the end of the file is a lie, however little of it the image uses.
  if (place.offset > source.size() || place.size > source.size() - place.offset)
    return std::nullopt;
  // One read takes in the whole of most images; a larger one is read again at its length.
  std::optional<Bytes> bytes =
      source.Read(place.offset, std::min<std::uint64_t>(place.size, kFirstImageRead));
  if (!bytes) return std::nullopt;
  if (IsPng(*bytes)) {
    // A PNG tells its length only by its chunks, so it is read whole, within the read limit.
    if (bytes->size() < place.size) bytes = source.Read(place.offset, place.size);
    if (!bytes) return std::nullopt;
    return DecodePng(*bytes);
  }
  const std::optional<std::uint64_t> length = DibLength(*bytes);
  if (!length || *length > place.size) return std::nullopt;
  if (bytes->size() < *length) bytes = source.Read(place.offset, *length);
  if (!bytes) return std::nullopt;
  return DecodeDib(*bytes);
}

std::optional<IconPixels> ExtractLargeIcon(const IconContainer& container, const ByteSource& source,
                                           int index) {
  const std::optional<IconImageDirectory> images = container.Images(source, index);
  if (!images) return std::nullopt;
  const int chosen = ChooseLargeImage(*images);
  // The group names an image the file does not hold: Windows gives no icon either.
  if (chosen < 0 || !(*images)[chosen].place) return std::nullopt;
  std::optional<DecodedImage> image = ReadIconImage(source, *(*images)[chosen].place);
  if (!image) return std::nullopt;
  if (image->width == kIconSize && image->height == kIconSize) return std::move(image->pixels);
  return ScaleToIconSize(*image);
}

namespace {

// The source pixels that make up each of the 32 destination pixels along one axis, with
// their weights; `total` is the sum of the weights of every destination pixel.
struct AxisWeights {
  struct Tap {
    int source;
    std::uint32_t weight;
  };
  std::vector<std::vector<Tap>> taps;
  std::uint32_t total = 1;
};

AxisWeights Weights(int sourceSize) {
  AxisWeights axis;
  axis.taps.resize(kIconSize);
  const std::uint32_t n = static_cast<std::uint32_t>(sourceSize);
  if (n < static_cast<std::uint32_t>(kIconSize)) {
    // Growing: the source pixel under the destination pixel's centre.
    for (std::uint32_t d = 0; d < static_cast<std::uint32_t>(kIconSize); ++d) {
      axis.taps[d].push_back({static_cast<int>((2 * d + 1) * n / (2 * kIconSize)), 1});
    }
    return axis;
  }
  // Shrinking: in units of 1/32 source pixel, destination pixel d covers [d*n, (d+1)*n) and
  // source pixel s covers [s*32, (s+1)*32); each source pixel weighs by the overlap.
  axis.total = n;
  for (std::uint32_t d = 0; d < static_cast<std::uint32_t>(kIconSize); ++d) {
    const std::uint32_t begin = d * n;
    const std::uint32_t end = begin + n;
    for (std::uint32_t s = begin / kIconSize; s * kIconSize < end; ++s) {
      const std::uint32_t overlap =
          std::min(end, (s + 1) * kIconSize) - std::max(begin, s * kIconSize);
      if (overlap != 0) axis.taps[d].push_back({static_cast<int>(s), overlap});
    }
  }
  return axis;
}

}  // namespace

IconPixels ScaleToIconSize(const DecodedImage& image) {
  if (image.width == kIconSize && image.height == kIconSize) return image.pixels;
  const AxisWeights xs = Weights(image.width);
  const AxisWeights ys = Weights(image.height);
  const std::uint64_t total = std::uint64_t{xs.total} * ys.total;
  IconPixels out(static_cast<std::size_t>(kIconSize) * kIconSize);
  for (int dy = 0; dy < kIconSize; ++dy) {
    for (int dx = 0; dx < kIconSize; ++dx) {
      std::uint64_t alpha = 0, red = 0, green = 0, blue = 0;
      for (const AxisWeights::Tap& ty : ys.taps[dy]) {
        for (const AxisWeights::Tap& tx : xs.taps[dx]) {
          const std::uint32_t p =
              image.pixels[static_cast<std::size_t>(ty.source) * image.width + tx.source];
          const std::uint64_t a = std::uint64_t{ty.weight} * tx.weight * (p >> 24);
          alpha += a;
          red += a * (p >> 16 & 0xFF);
          green += a * (p >> 8 & 0xFF);
          blue += a * (p & 0xFF);
        }
      }
      const std::uint64_t a = (alpha + total / 2) / total;
      if (a == 0) continue;  // stays 0, transparent
      auto channel = [&](std::uint64_t sum) { return (sum + alpha / 2) / alpha; };
      out[static_cast<std::size_t>(dy) * kIconSize + dx] = static_cast<std::uint32_t>(
          a << 24 | channel(red) << 16 | channel(green) << 8 | channel(blue));
    }
  }
  return out;
}

}  // namespace zendrel::platform::posix
