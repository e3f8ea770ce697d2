// Icon containers made by the tests themselves: .ico files and 16-bit NE icon libraries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zendrel::test {

// One image of an icon: a square of one colour (0xAARRGGBB) with a transparent corner, so
// that both the colour and the mask can be checked.
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

}  // namespace zendrel::test
