// Icon images: which image of an icon is shown, DIBs of every depth with their masks, PNGs,
// and the scaling to 32 x 32.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/icons.h"
#include "platform/posix/icon_container.h"
#include "platform/posix/icon_image.h"
#include "platform/posix/png_image.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

namespace zendrel::platform::posix {
namespace {

namespace fx = test::icons;

std::span<const std::uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

IconPixels ExtractIco(const std::vector<fx::Image>& images) {
  test::TempDir dir;
  test::WriteBytes(dir.File("x.ico"), fx::Ico(images));
  return ExtractIcon(dir.File("x.ico"), 0).Pixels();
}

TEST(ChooseLargeImage, NearestSizeThenNearestDepthThenFirst) {
  struct Case {
    const char* what;
    IconImageDirectory images;
    int chosen;
  };
  auto e = [](int w, int h, int bits) { return IconImageEntry{w, h, bits, std::nullopt}; };
  const Case cases[] = {
      {"exact size wins over depth", {e(16, 16, 32), e(32, 32, 4), e(48, 48, 32)}, 1},
      {"nearest depth to 32", {e(32, 32, 4), e(32, 32, 24), e(32, 32, 32), e(32, 32, 8)}, 2},
      {"depth above 32 is as far as below", {e(32, 32, 40), e(32, 32, 24)}, 0},
      {"first of equals", {e(32, 32, 8), e(32, 32, 8)}, 0},
      {"256 (stored as 0) is far", {e(256, 256, 32), e(48, 48, 8)}, 1},
      {"smaller and larger at equal distance: first", {e(24, 24, 32), e(40, 40, 32)}, 0},
      {"equal distance, better depth later", {e(24, 24, 8), e(40, 40, 32)}, 1},
      // The depth only decides between entries as far off in width and height alike as the
      // first nearest one, as Windows decides.
      {"same sum, other shape", {e(32, 48, 8), e(40, 24, 32), e(24, 40, 32)}, 0},
      {"empty", {}, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseLargeImage(c.images), c.chosen) << c.what;
}

TEST(IconDirectory, ChosenImageOfAnIcoIsTheOneShown) {
  const fx::Picture small = fx::Pattern(16, 16, fx::Colours(3), 1);
  const fx::Picture exact4 = fx::Pattern(32, 32, fx::Colours(16), 2);
  const fx::Picture exact32 = fx::Pattern(32, 32, fx::Colours(40), 3);
  const fx::Picture big = fx::Pattern(48, 48, fx::Colours(5), 4);
  const IconPixels pixels = ExtractIco({fx::DibImage(small, 8), fx::DibImage(exact4, 4),
                                        fx::DibImage(exact32, 32), fx::DibImage(big, 32)});
  EXPECT_EQ(pixels, fx::Expected(exact32));
  // The directory's size decides the choice; the image's own header decides the decoding.
  fx::Image mislabelled = fx::DibImage(big, 32);
  mislabelled.width = mislabelled.height = 32;
  EXPECT_EQ(ExtractIco({fx::DibImage(exact4, 4), mislabelled}),
            ScaleToIconSize({48, 48, fx::Expected(big)}));
}

TEST(DibDecoding, EveryDepthWithItsMask) {
  struct Case {
    int bits;
    fx::Header header;
    int colours;
    bool fiveBits;
  };
  const Case cases[] = {
      {1, fx::Header::kInfo, 2, false},    {4, fx::Header::kInfo, 16, false},
      {8, fx::Header::kInfo, 200, false},  {16, fx::Header::kInfo, 300, true},
      {24, fx::Header::kInfo, 500, false}, {32, fx::Header::kInfo, 500, false},
      {1, fx::Header::kCore, 2, false},    {4, fx::Header::kCore, 11, false},
      {8, fx::Header::kCore, 256, false},  {24, fx::Header::kCore, 70, false},
  };
  // Odd widths exercise row padding and masks that end inside a byte.
  for (const int width : {32, 13}) {
    for (const Case& c : cases) {
      const fx::Picture picture =
          fx::Pattern(width, 32, fx::Colours(c.colours, c.fiveBits), c.bits);
      const std::string dib = fx::Dib(picture, c.bits, c.header);
      const std::optional<DecodedImage> image = DecodeDib(AsBytes(dib));
      ASSERT_TRUE(image) << c.bits << " bits, width " << width;
      EXPECT_EQ(image->width, width);
      EXPECT_EQ(image->height, 32);
      EXPECT_EQ(image->pixels, fx::Expected(picture)) << c.bits << " bits, width " << width;
      EXPECT_EQ(DibLength(AsBytes(dib)), dib.size());
    }
  }
}

TEST(DibDecoding, AlphaChannelOrMask) {
  // A 32-bit image with alpha: the alpha counts, the mask does not.
  fx::Picture picture{32, 32, {}};
  for (int i = 0; i < 32 * 32; ++i)
    picture.pixels.push_back(static_cast<std::uint32_t>(i % 256) << 24 | 0x123456u);
  std::string dib = fx::Dib(picture, 32);
  // Mask everything off: pixels with alpha still show.
  const std::size_t maskAt = dib.size() - 32 * 4;
  for (std::size_t i = maskAt; i < dib.size(); ++i) dib[i] = '\0';
  std::optional<DecodedImage> image = DecodeDib(AsBytes(dib));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, fx::Expected(picture));

  // All alpha bytes 0: the mask decides, and shown pixels are opaque.
  const fx::Picture masked = fx::Pattern(32, 32, fx::Colours(9), 7);
  image = DecodeDib(AsBytes(fx::Dib(masked, 32, fx::Header::kInfo, /*alphaChannel=*/false)));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, fx::Expected(masked));

  // A 24-bit image has no alpha: the mask alone decides.
  image = DecodeDib(AsBytes(fx::Dib(masked, 24)));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, fx::Expected(masked));
}

TEST(DibDecoding, PaletteIndexPastTheColoursUsedIsBlack) {
  fx::Picture picture{8, 2, std::vector<std::uint32_t>(16, 0xFF0000FFu)};
  std::string dib = fx::Dib(picture, 8);  // one colour: biClrUsed 1
  const std::size_t pixelsAt = 40 + 4;
  dib[pixelsAt + 3] = 7;  // bottom row, x = 3
  const std::optional<DecodedImage> image = DecodeDib(AsBytes(dib));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels[8 + 3], 0xFF000000u);
  EXPECT_EQ(image->pixels[8 + 2], 0xFF0000FFu);
}

TEST(DibDecoding, DamagedHeadersAreRefused) {
  const fx::Picture picture = fx::Pattern(16, 16, fx::Colours(4), 9);
  const std::string good = fx::Dib(picture, 8);
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    bool word;
  };
  const Case cases[] = {
      {"zero height", 8, 0, false},
      {"odd height", 8, 31, false},
      {"negative height", 8, 0xFFFFFFE0u, false},
      {"zero width", 4, 0, false},
      {"too wide", 4, 257, false},
      {"too tall", 8, 514, false},
      {"bit count 3", 14, 3, true},
      {"bit count 0", 14, 0, true},
      {"palette of 257", 32, 257, false},
      {"compressed", 16, 1, false},
      {"header size 20", 0, 20, false},
      {"header size 0x7fffffff", 0, 0x7FFFFFFF, false},
  };
  for (const Case& c : cases) {
    std::string dib = good;
    if (c.word)
      fx::Put16(dib, c.at, static_cast<std::uint16_t>(c.value));
    else
      fx::Put32(dib, c.at, c.value);
    EXPECT_FALSE(DecodeDib(AsBytes(dib))) << c.what;
    EXPECT_FALSE(DibLength(AsBytes(dib))) << c.what;
  }
  // One byte short of the mask.
  EXPECT_FALSE(DecodeDib(AsBytes(good).first(good.size() - 1)));
  EXPECT_TRUE(DecodeDib(AsBytes(good)));
}

TEST(PngDecoding, DecodesAndRefusesLargeOrBrokenOnes) {
  fx::Picture picture = fx::Pattern(32, 32, fx::Colours(30), 11);
  picture.pixels[5] = 0x80FF8000u;  // half transparent: alpha is kept as it is
  const std::optional<DecodedImage> image = DecodePng(AsBytes(fx::Png(picture)));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, fx::Expected(picture));

  EXPECT_FALSE(DecodePng(AsBytes(fx::PngHeaderOnly(60000, 60000))));
  EXPECT_FALSE(DecodePng(AsBytes(fx::PngHeaderOnly(257, 16))));
  EXPECT_FALSE(DecodePng(AsBytes(fx::PngHeaderOnly(0, 16))));
  // A header that is fine, but no image data follows.
  EXPECT_FALSE(DecodePng(AsBytes(fx::PngHeaderOnly(16, 16))));
  const std::string png = fx::Png(picture);
  EXPECT_FALSE(DecodePng(AsBytes(png).first(png.size() / 2)));
  std::string corrupt = png;
  for (std::size_t i = 40; i < corrupt.size() - 20; i += 7)
    corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
  EXPECT_FALSE(DecodePng(AsBytes(corrupt)));
}

TEST(PngDecoding, PngInsideAnIcoIsChosenAndScaled) {
  const fx::Picture large = fx::Pattern(64, 64, fx::Colours(6), 12);
  const fx::Picture exact = fx::Pattern(32, 32, fx::Colours(6), 13);
  EXPECT_EQ(ExtractIco({fx::PngImage(large), fx::PngImage(exact)}), fx::Expected(exact));
  EXPECT_EQ(ExtractIco({fx::PngImage(large)}), ScaleToIconSize({64, 64, fx::Expected(large)}));
  fx::Image huge = fx::PngImage(exact);
  huge.data = fx::PngHeaderOnly(60000, 60000);
  EXPECT_TRUE(ExtractIco({huge}).empty());
}

// The scaling checked against a plain floating-point area average.
std::uint32_t AreaAverage(const DecodedImage& image, int dx, int dy) {
  const double sx = image.width / 32.0, sy = image.height / 32.0;
  double a = 0, r = 0, g = 0, b = 0, total = 0;
  for (int y = 0; y < image.height; ++y) {
    const double oy =
        std::max(0.0, std::min((dy + 1) * sy, y + 1.0) - std::max(dy * sy, double(y)));
    for (int x = 0; x < image.width; ++x) {
      const double ox =
          std::max(0.0, std::min((dx + 1) * sx, x + 1.0) - std::max(dx * sx, double(x)));
      const double w = ox * oy;
      if (w == 0) continue;
      const std::uint32_t p = image.pixels[y * image.width + x];
      const double pa = w * (p >> 24);
      total += w;
      a += pa;
      r += pa * (p >> 16 & 0xFF);
      g += pa * (p >> 8 & 0xFF);
      b += pa * (p & 0xFF);
    }
  }
  if (a == 0) return 0;
  auto q = [](double v) { return static_cast<std::uint32_t>(std::lround(v)); };
  return q(a / total) << 24 | q(r / a) << 16 | q(g / a) << 8 | q(b / a);
}

TEST(Scaling, ShrinksByAreaAverageAndGrowsByNearestPixel) {
  for (const int size : {48, 64, 256, 33, 100}) {
    const DecodedImage image{size, size,
                             fx::Expected(fx::Pattern(size, size, fx::Colours(50), size))};
    const IconPixels scaled = ScaleToIconSize(image);
    ASSERT_EQ(scaled.size(), 32u * 32u);
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const std::uint32_t want = AreaAverage(image, x, y);
        const std::uint32_t got = scaled[y * 32 + x];
        for (int shift = 0; shift < 32; shift += 8) {
          ASSERT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 1)
              << size << " at " << x << "," << y;
        }
      }
    }
  }
  // Growing: 16 x 16 doubles every pixel; 20 x 20 repeats some.
  const DecodedImage small{16, 16, fx::Expected(fx::Pattern(16, 16, fx::Colours(7), 5))};
  const IconPixels grown = ScaleToIconSize(small);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(grown[y * 32 + x], small.pixels[y / 2 * 16 + x / 2]);
  }
  // Growing across, shrinking down: vertical stripes stay stripes, every column shows.
  const std::vector<std::uint32_t> colours = fx::Colours(20);
  DecodedImage stripes{20, 40, {}};
  for (int y = 0; y < 40; ++y)
    stripes.pixels.insert(stripes.pixels.end(), colours.begin(), colours.end());
  const IconPixels mixed = ScaleToIconSize(stripes);
  std::vector<bool> seen(20);
  for (int x = 0; x < 32; ++x) {
    const auto column = std::find(colours.begin(), colours.end(), mixed[x]);
    ASSERT_NE(column, colours.end()) << x;
    seen[column - colours.begin()] = true;
    for (int y = 0; y < 32; ++y) ASSERT_EQ(mixed[y * 32 + x], mixed[x]);
  }
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 20);
  // Transparent neighbours lend no colour: half transparent red stays pure red.
  DecodedImage half{64, 64, std::vector<std::uint32_t>(64 * 64, 0)};
  for (int i = 0; i < 64 * 64; i += 2) half.pixels[i] = 0xFFFF0000u;
  for (const std::uint32_t p : ScaleToIconSize(half)) ASSERT_EQ(p, 0x80FF0000u);
}

}  // namespace
}  // namespace zendrel::platform::posix
