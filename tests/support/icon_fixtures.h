// Icon files made by the tests themselves, byte by byte, the same on both builds: pictures,
// DIBs of every depth, PNGs, .ico files, NE icon libraries and PE files; and, on top of them,
// the plain one-colour icons most tests need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zendrel::test {

// One image of an icon: a square of one colour (0xAARRGGBB, opaque) with a transparent
// corner, so that both the colour and the mask can be checked.
struct IconImage {
  int size = 32;
  std::uint32_t colour = 0xFF2060C0;
  int bitCount = 32;  // 32 (with alpha) or 24 (mask only)
};

// The bytes of an .ico file holding these images.
std::string MakeIco(const std::vector<IconImage>& images);

// The bytes of an NE icon library (.icl): one icon group per element, in this order.
std::string MakeIcl(const std::vector<std::vector<IconImage>>& groups);

// The pixel the images above have at (x, y) of a 32 x 32 rendering: transparent (0) in the
// top-left corner's 8 x 8 square, the colour elsewhere.
std::uint32_t ExpectedPixel(const IconImage& image, int x, int y);

// The largest difference of one channel (alpha, red, green or blue) of one pixel between two
// pictures of 0xAARRGGBB pixels; 256 when they differ in size.
int LargestChannelDifference(const std::vector<std::uint32_t>& a,
                             const std::vector<std::uint32_t>& b);

}  // namespace zendrel::test

namespace zendrel::test::icons {

// Pixels 0xAARRGGBB, rows top to bottom; alpha 0 marks a transparent pixel.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A picture with about a quarter of its pixels transparent, its colours drawn from
// `palette` (all opaque) in a pattern that `seed` varies.
Picture Pattern(int width, int height, const std::vector<std::uint32_t>& palette,
                std::uint32_t seed);
// `count` distinct opaque colours; with `fiveBits`, each channel is one a 5-bit depth keeps.
std::vector<std::uint32_t> Colours(int count, bool fiveBits = false);
// The picture as the reader must give it: transparent pixels all 0.
std::vector<std::uint32_t> Expected(const Picture& picture);

enum class Header { kInfo, kCore };
// The picture as an icon DIB of `bitCount` (1, 4, 8, 16, 24 or 32): a palette of its
// colours for 8 bits or fewer, the mask from its transparent pixels. A 32-bit DIB keeps the
// alpha unless `alphaChannel` is false (then every alpha byte is 0 and only the mask tells).
std::string Dib(const Picture& picture, int bitCount, Header header = Header::kInfo,
                bool alphaChannel = true);
// A PNG of the picture: 8-bit RGBA, its image data stored without compression, which
// every reader takes and which needs no library to write.
std::string Png(const Picture& picture);
// A PNG that is only a signature and a header chunk announcing width x height.
std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height);

// One image of an icon and what its directory entry says of it (0 stands for 256).
struct Image {
  std::string data;
  int width = 32;
  int height = 32;
  int bitCount = 32;
};
Image DibImage(const Picture& picture, int bitCount);
Image PngImage(const Picture& picture);

std::string Ico(const std::vector<Image>& images);
// The group directory of a resource file: the images' entries, their ids from `firstId` on.
std::string GroupDirectory(const std::vector<Image>& images, std::uint16_t firstId);

// A resource of an NE or PE file; `name` empty means the numeric `id`.
struct Resource {
  std::uint16_t type = 0;
  std::string name;
  std::uint16_t id = 0;
  std::uint16_t language = 0;
  std::string data;
};
inline constexpr std::uint16_t kIconType = 3;
inline constexpr std::uint16_t kGroupIconType = 14;
// The resources of one icon: its group (named or numbered) and its images, numbered from
// `firstIconId`.
std::vector<Resource> IconResources(const std::string& name, std::uint16_t id,
                                    const std::vector<Image>& images, std::uint16_t firstIconId,
                                    std::uint16_t language = 0x409);

// An NE library whose resource table lists the resources in the order given, each type's
// records where the type first appears; data aligned to 1 << shift.
std::string Ne(const std::vector<Resource>& resources, int shift = 4);

// A PE file whose only section is the resource section, its directory sorted as the format
// wants (named entries by name, then ids ascending, at each level).
std::string Pe(const std::vector<Resource>& resources, bool pe32Plus = false);
// A PE file around a resource section given as raw bytes, at kResourceRva.
std::string PeAroundSection(const std::string& section, bool pe32Plus = false);
inline constexpr std::uint32_t kResourceRva = 0x1000;
inline constexpr std::uint32_t kResourceFileOffset = 0x200;

// Little-endian helpers for tests that edit bytes.
void Put16(std::string& bytes, std::size_t at, std::uint16_t value);
void Put32(std::string& bytes, std::size_t at, std::uint32_t value);
std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);

}  // namespace zendrel::test::icons
