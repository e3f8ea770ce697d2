// One icon folder, made here byte by byte, must give the same catalogue on both builds: the
// same entries, labels and info tips, and the same pictures but for small differences where
// a platform scales or converts colours its own way.
//
// The expected results in fixture_expected.txt were written once by the Windows build under
// Wine, whose ExtractIconA and image lists are the reference. From the repository root, with
// BUILD the Windows build folder:
//   export ZENDREL_WRITE_CATALOGUE_EXPECTED=$PWD/tests/catalogue/fixture_expected.txt
//   scripts/wine-run BUILD/wine-prefix BUILD/tests/catalogue_test.exe --gtest_filter=*Contract*
// With that variable set the test writes the file instead of comparing. Both builds compare
// against it.
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/icon_catalogue.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace zendrel::catalogue {
namespace {

namespace fx = test::icons;

// How far a block's average may stray in any channel from the reference: rounding where a
// platform weighs colours by their alpha and back.
constexpr int kTolerance = 2;

// Wine shrinks a larger image its own way, combining the colours and the mask bits of the
// pixels it merges bit by bit, which neither Windows nor our reader does: the pixels of a
// shrunk image are not compared (the reader's scaling has exact tests of its own), its entry
// is.
constexpr char kShrunk[] = "j-larger.ico";

// The pictures, each a pattern of its own colours with a quarter of it transparent.
fx::Picture Drawing(int size, int colours, std::uint32_t seed, bool fiveBits = false) {
  return fx::Pattern(size, size, fx::Colours(colours, fiveBits), seed);
}

// A picture whose alpha runs from clear to opaque, with a few fully clear pixels.
fx::Picture Translucent(int size) {
  fx::Picture picture = Drawing(size, 7, 77);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      std::uint32_t& p = picture.pixels[static_cast<std::size_t>(y) * size + x];
      if (p != 0) p = (p & 0xFFFFFF) | static_cast<std::uint32_t>(0x40 + 6 * y) << 24;
    }
  }
  return picture;
}

std::vector<fx::Resource> LibraryIcons(std::uint32_t seed) {
  std::vector<fx::Resource> all;
  const std::vector<std::vector<fx::Image>> groups = {
      {fx::DibImage(Drawing(32, 12, seed), 8), fx::DibImage(Drawing(16, 5, seed), 4)},
      {fx::DibImage(Drawing(32, 40, seed + 1), 24)},
      {fx::DibImage(Drawing(48, 30, seed + 2), 32), fx::DibImage(Drawing(32, 2, seed + 2), 1)},
  };
  std::uint16_t icon = 1;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    // The last group has a name, which puts it first in a DLL and leaves it last in an NE file.
    const std::vector<fx::Resource> group = fx::IconResources(
        g == 2 ? "NAMED" : "", static_cast<std::uint16_t>(g + 1), groups[g], icon);
    all.insert(all.end(), group.begin(), group.end());
    icon = static_cast<std::uint16_t>(icon + groups[g].size());
  }
  return all;
}

// Every depth and form of image the readers take, the choice of the 32 x 32 image among
// several, scaling both ways, libraries of both kinds, catalogue files with labels and tips
// in Japanese, and a file that is no icon at all.
void WriteFixture(const test::TempDir& dir) {
  auto ico = [&](const std::string& name, const std::vector<fx::Image>& images) {
    test::WriteBytes(dir.File(name), fx::Ico(images));
  };
  ico("a-depth1.ico", {fx::DibImage(Drawing(32, 2, 1), 1)});
  ico("b-depth4.ico", {fx::DibImage(Drawing(32, 16, 2), 4)});
  ico("c-depth8.ico", {fx::DibImage(Drawing(32, 200, 3), 8)});
  ico("d-depth16.ico", {fx::DibImage(Drawing(32, 60, 4, true), 16)});
  ico("e-depth24.ico", {fx::DibImage(Drawing(32, 90, 5), 24)});
  ico("f-depth32.ico", {fx::DibImage(Drawing(32, 90, 6), 32)});
  ico("g-mask-only.ico", {{fx::Dib(Drawing(32, 90, 7), 32, fx::Header::kInfo, false), 32, 32, 32}});
  ico("h-core-header.ico", {{fx::Dib(Drawing(32, 16, 8), 4, fx::Header::kCore), 32, 32, 4}});
  ico("i-translucent.ico", {fx::DibImage(Translucent(32), 32)});
  ico("j-larger.ico", {fx::DibImage(Drawing(48, 50, 9), 32)});
  ico("k-smaller.ico", {fx::DibImage(Drawing(16, 50, 10), 24)});
  ico("l-png.ico", {fx::PngImage(Drawing(32, 50, 11))});
  ico("m-choice.ico", {fx::DibImage(Drawing(16, 9, 12), 32), fx::DibImage(Drawing(32, 9, 13), 8),
                       fx::DibImage(Drawing(32, 9, 14), 32), fx::DibImage(Drawing(48, 9, 15), 32)});
  ico("n-hidden.ico", {fx::DibImage(Drawing(32, 4, 16), 32)});
  test::WriteBytes(dir.File("o-text.ico"), "no icon here");
  test::WriteBytes(dir.File("Library.icl"), fx::Ne(LibraryIcons(100)));
  test::WriteBytes(dir.File("Library.dll"), fx::Pe(LibraryIcons(200)));
  test::WriteBytes(dir.File("Zendrel.ini"),
                   text::SystemText("[FolderIconConfig]\r\nReadIclFiles=1\r\nReadDllFiles=1\r\n"
                                    "[FolderIconLabels]\r\na-depth1.ico=白黒\r\n"
                                    "c-depth8.ico=  256 色  \r\nn-hidden.ico=\r\n"
                                    "[FolderIconInfoTip]\r\na-depth1.ico=二色の絵\r\n"
                                    "l-png.ico=\"PNG の画像 \"\r\n"));
  test::WriteBytes(dir.File("Library.ini"),
                   text::SystemText("[FolderIconLabels]\r\nLibrary.icl=ライブラリ\r\n"
                                    "Library.icl,1=二番目\r\nLibrary.dll,0=名前付き\r\n"
                                    "[FolderIconInfoTip]\r\nLibrary.dll=DLL の中\r\n"));
}

// The coarse picture of a slot: the 32 x 32 pixels averaged over 4 x 4 blocks, each channel
// on its own, as 64 values 0xAARRGGBB.
std::vector<std::uint32_t> Coarse(const platform::IconPixels& pixels) {
  std::vector<std::uint32_t> blocks;
  for (int by = 0; by < 8; ++by) {
    for (int bx = 0; bx < 8; ++bx) {
      std::uint32_t block = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        unsigned sum = 0;
        for (int y = by * 4; y < by * 4 + 4; ++y) {
          for (int x = bx * 4; x < bx * 4 + 4; ++x) {
            if (pixels.size() == 32u * 32u) sum += (pixels[y * 32 + x] >> shift) & 0xFF;
          }
        }
        block |= ((sum + 8) / 16) << shift;
      }
      blocks.push_back(block);
    }
  }
  return blocks;
}

std::string Hex(const std::vector<std::uint32_t>& values) {
  std::string out;
  char digits[9];
  for (std::uint32_t v : values) {
    std::snprintf(digits, sizeof digits, "%08X", v);
    out += digits;
  }
  return out;
}

std::vector<std::uint32_t> FromHex(const std::string& hex) {
  std::vector<std::uint32_t> values;
  for (std::size_t at = 0; at + 8 <= hex.size(); at += 8) {
    values.push_back(static_cast<std::uint32_t>(std::stoul(hex.substr(at, 8), nullptr, 16)));
  }
  return values;
}

// A text of the system's code page in UTF-8, the expected results' own encoding.
std::string Utf8(const std::string& system) {
#ifdef _WIN32
  const int wide =
      MultiByteToWideChar(CP_ACP, 0, system.data(), static_cast<int>(system.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, system.data(), static_cast<int>(system.size()), w.data(), wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
#else
  return system;
#endif
}

// One entry as a line of the expected results: file, index, label and info tip.
std::string EntryLine(const IconCatalogue& c, std::size_t k) {
  return c.fileNames[k] + "|" + std::to_string(c.iconIndexes[k]) + "|" + c.labels[k] + "|" +
         c.infoTips[k];
}

struct Expected {
  std::vector<std::string> entries;                // in the system's code page
  std::vector<std::vector<std::uint32_t>> coarse;  // per slot
};

// The file's lines: "entry TEXT" (UTF-8) and "coarse HEX", in slot order; '#' starts a comment.
Expected Parse(const std::string& file) {
  Expected expected;
  std::istringstream lines(file);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("entry ", 0) == 0) expected.entries.push_back(text::SystemText(line.substr(6)));
    if (line.rfind("coarse ", 0) == 0) expected.coarse.push_back(FromHex(line.substr(7)));
  }
  return expected;
}

TEST(CatalogueContract, FixtureFolderLoadsAsTheReferenceDid) {
  test::TempDir dir;
  WriteFixture(dir);
  IconCatalogue catalogue;
  ASSERT_TRUE(catalogue.Load(dir.path()));
  ASSERT_EQ(catalogue.Count(), static_cast<int>(catalogue.fileNames.size()));

  if (const char* out = std::getenv("ZENDREL_WRITE_CATALOGUE_EXPECTED")) {
    // Only the reference build writes the file; its text is UTF-8 whatever the code page.
    ASSERT_TRUE(test::UnderWine()) << "the expected results come from the Windows build";
    std::string file =
        "# Written by the Windows build under Wine; see catalogue_contract_test.cpp.\n";
    for (int k = 0; k < catalogue.Count(); ++k) {
      file += "entry " + Utf8(EntryLine(catalogue, k)) + "\n";
      file += "coarse " + Hex(Coarse(catalogue.imageList.Pixels(k))) + "\n";
    }
    test::WriteBytes(test::HostPath(out), file);
    GTEST_SKIP() << "expected results written; nothing compared";
  }

  const std::optional<std::string> file =
      test::ReadBytes(test::HostPath(ZENDREL_CATALOGUE_EXPECTED));
  ASSERT_TRUE(file);
  const Expected expected = Parse(*file);
  ASSERT_EQ(expected.entries.size(), expected.coarse.size());
  std::vector<std::string> entries;
  for (int k = 0; k < catalogue.Count(); ++k) entries.push_back(EntryLine(catalogue, k));
  EXPECT_EQ(entries, expected.entries);
  ASSERT_EQ(static_cast<std::size_t>(catalogue.Count()), expected.coarse.size());
  for (int k = 0; k < catalogue.Count(); ++k) {
    SCOPED_TRACE(catalogue.fileNames[k] + "," + std::to_string(catalogue.iconIndexes[k]));
    if (catalogue.fileNames[k] == kShrunk) continue;
    EXPECT_LE(
        test::LargestChannelDifference(Coarse(catalogue.imageList.Pixels(k)), expected.coarse[k]),
        kTolerance);
  }
}

}  // namespace
}  // namespace zendrel::catalogue
