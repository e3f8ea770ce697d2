#include "platform/posix/png_image.h"

#include <png.h>

#include <algorithm>
#include <cstring>

namespace zendrel::platform::posix {

namespace {

std::uint32_t Be32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
         static_cast<std::uint32_t>(b[at + 2]) << 8 | static_cast<std::uint32_t>(b[at + 3]);
}

// Frees libpng's state on every way out.
struct ImageGuard {
  png_image* image;
  ~ImageGuard() { png_image_free(image); }
};

}  // namespace

bool IsPng(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= sizeof kPngSignature &&
         std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin());
}

std::optional<DecodedImage> DecodePng(std::span<const std::uint8_t> bytes) {
  // The first chunk must be the header; its size decides whether we decode at all.
  if (!IsPng(bytes) || bytes.size() < 24 || Be32(bytes, 8) != 13 ||
      std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
    return std::nullopt;
  const std::uint32_t width = Be32(bytes, 16);
  const std::uint32_t height = Be32(bytes, 20);
  if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide)
    return std::nullopt;

  // The simplified interface keeps libpng's error jumps inside libpng.
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  const ImageGuard guard{&image};
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  if (image.width != width || image.height != height) return std::nullopt;
  image.format = PNG_FORMAT_BGRA;
  std::vector<std::uint8_t> buffer(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) return std::nullopt;

  DecodedImage decoded;
  decoded.width = static_cast<int>(width);
  decoded.height = static_cast<int>(height);
  decoded.pixels.resize(std::size_t{width} * height);
  for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
    const std::uint8_t* p = buffer.data() + i * 4;
    decoded.pixels[i] = p[3] == 0 ? 0
                                  : static_cast<std::uint32_t>(p[3]) << 24 |
                                        static_cast<std::uint32_t>(p[2]) << 16 |
                                        static_cast<std::uint32_t>(p[1]) << 8 | p[0];
  }
  return decoded;
}

}  // namespace zendrel::platform::posix
