#include "platform/posix/folder_icon_png.h"

#include <glib.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>

#include "platform/posix/atomic_file.h"

namespace zendrel::platform::posix {

std::vector<DecodedImage> IconImages(const std::string& localPath, int index) {
  std::vector<DecodedImage> images;
  const std::unique_ptr<FileSource> source = FileSource::Open(localPath);
  if (!source) return images;
  const std::unique_ptr<IconContainer> container = ReadIconContainer(*source);
  if (!container) return images;
  container->LocateEveryImage();
  const std::optional<IconImageDirectory> directory = container->Images(*source, index);
  if (!directory) return images;
  // Per size the entry with the most bits per pixel; the first of equals.
  std::map<std::pair<int, int>, const IconImageEntry*> best;
  for (const IconImageEntry& entry : *directory) {
    if (!entry.place) continue;
    const IconImageEntry*& kept = best[{entry.width, entry.height}];
    if (!kept || entry.bitCount > kept->bitCount) kept = &entry;
  }
  for (const auto& [size, entry] : best) {
    std::optional<DecodedImage> image = ReadIconImage(*source, *entry->place);
    if (!image || image->width <= 0 || image->height <= 0) continue;
    // The directory's size may be wrong; the image's own header decides.
    const bool seen = std::any_of(images.begin(), images.end(), [&](const DecodedImage& other) {
      return other.width == image->width && other.height == image->height;
    });
    if (!seen) images.push_back(std::move(*image));
  }
  std::stable_sort(images.begin(), images.end(), [](const DecodedImage& a, const DecodedImage& b) {
    return a.width * a.height > b.width * b.height;
  });
  return images;
}

std::optional<std::string> EncodePng(const DecodedImage& image) {
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  if (image.width <= 0 || image.height <= 0 || image.pixels.size() != count) return std::nullopt;
  std::vector<std::uint8_t> rgba(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = image.pixels[i];
    rgba[i * 4] = static_cast<std::uint8_t>(p >> 16);
    rgba[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
    rgba[i * 4 + 2] = static_cast<std::uint8_t>(p);
    rgba[i * 4 + 3] = static_cast<std::uint8_t>(p >> 24);
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgba.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  std::string bytes(size, '\0');
  const bool written =
      png_image_write_to_memory(&png, bytes.data(), &size, 0, rgba.data(), 0, nullptr);
  png_image_free(&png);
  if (!written) return std::nullopt;
  bytes.resize(size);
  return bytes;
}

std::optional<std::string> StoreIconPngs(const std::vector<DecodedImage>& images,
                                         const std::string& folder) {
  std::vector<std::pair<const DecodedImage*, std::string>> pngs;
  GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
  for (const DecodedImage& image : images) {
    std::optional<std::string> png = EncodePng(image);
    if (!png) continue;
    const std::string length = std::to_string(png->size()) + ":";
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(length.data()),
                      static_cast<gssize>(length.size()));
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(png->data()),
                      static_cast<gssize>(png->size()));
    pngs.emplace_back(&image, std::move(*png));
  }
  const std::string digest = std::string(g_checksum_get_string(checksum)).substr(0, 32);
  g_checksum_free(checksum);
  if (pngs.empty()) return std::nullopt;

  std::error_code error;
  std::filesystem::create_directories(folder, error);
  std::optional<std::string> largest;
  for (const auto& entry : pngs) {
    const DecodedImage& image = *entry.first;
    const std::string& png = entry.second;
    const std::string path = folder + "/" + digest + "-" + std::to_string(image.width) + "x" +
                             std::to_string(image.height) + ".png";
    const bool stored = RewriteFile(path, [&](std::optional<std::string_view> current) {
      return current && *current == png ? std::nullopt : std::optional<std::string>(png);
    });
    if (stored && !largest) largest = path;
  }
  return largest;
}

}  // namespace zendrel::platform::posix
