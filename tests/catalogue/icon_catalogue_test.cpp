#include "catalogue/icon_catalogue.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// These need windows.h first.
#include <commctrl.h>

#include "platform/win32/icons_win32.h"
#include "support/top_down_dib.h"
#endif

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace zendrel::catalogue {
namespace {

using test::IconImage;

const IconImage kRed{32, 0xFFC02020, 32};
const IconImage kGreen{32, 0xFF20C020, 32};
const IconImage kBlue{32, 0xFF2020C0, 24};

#ifdef _WIN32
const std::string kFullWidthSpace = "\x81\x40";
#else
const std::string kFullWidthSpace = "\xE3\x80\x80";
#endif

// The entries as "file|index|label|info tip" lines, easy to compare whole.
std::vector<std::string> Entries(const IconCatalogue& c) {
  std::vector<std::string> out;
  for (std::size_t k = 0; k < c.fileNames.size(); ++k) {
    out.push_back(c.fileNames[k] + "|" + std::to_string(c.iconIndexes[k]) + "|" + c.labels[k] +
                  "|" + c.infoTips[k]);
  }
  return out;
}

class CatalogueTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::string& bytes) {
    test::WriteBytes(dir_.File(name), bytes);
  }
  // Dog.ico, cat.ico and Animals.icl with five icons, as in the worked example.
  void Animals() {
    Write("Dog.ico", test::MakeIco({kRed}));
    Write("cat.ico", test::MakeIco({kGreen}));
    Write("Animals.icl", test::MakeIcl({{kBlue}, {kRed}, {kGreen}, {kBlue}, {kRed}}));
  }
  std::vector<std::string> Load() {
    const bool loaded = catalogue_.Load(dir_.path());
    EXPECT_EQ(loaded, !catalogue_.fileNames.empty());
    EXPECT_EQ(catalogue_.Count(), static_cast<int>(catalogue_.fileNames.size()));
    return Entries(catalogue_);
  }

  test::TempDir dir_;
  IconCatalogue catalogue_;
};

TEST_F(CatalogueTest, TheWorkedExample) {
  Animals();
  Write("Zendrel.ini",
        "[FolderIconConfig]\r\nReadIclFiles=1\r\n[FolderIconLabels]\r\nDog.ico=Dog\r\n");
  Write("Animals.ini",
        "[FolderIconLabels]\r\nAnimals.icl=Animal\r\nAnimals.icl,2=Horse\r\n"
        "[FolderIconInfoTip]\r\nAnimals.icl,2=Horses live here\r\n");
  EXPECT_EQ(Load(), (std::vector<std::string>{"Dog.ico|0|Dog|", "cat.ico|0|cat.ico|",
                                              "Animals.icl|0|Animal|", "Animals.icl|1|Animal|",
                                              "Animals.icl|2|Horse|Horses live here",
                                              "Animals.icl|3|Animal|", "Animals.icl|4|Animal|"}));
  // Each entry's image is its own, in slot order.
  EXPECT_EQ(catalogue_.imageList.Pixels(0)[31 * 32 + 31], kRed.colour);
  EXPECT_EQ(catalogue_.imageList.Pixels(1)[31 * 32 + 31], kGreen.colour);
  EXPECT_EQ(catalogue_.imageList.Pixels(3)[31 * 32 + 31], kRed.colour);
  EXPECT_EQ(catalogue_.imageList.Pixels(0)[0], 0u);  // the masked corner

  // Without a file label, icons without a key of their own take their icon key ...
  Write("Animals.ini",
        "[FolderIconLabels]\r\nAnimals.icl,2=Horse\r\n[FolderIconInfoTip]\r\nAnimals.icl,2=H\r\n");
  std::vector<std::string> entries = Load();
  EXPECT_EQ(
      std::vector<std::string>(entries.begin() + 2, entries.end()),
      (std::vector<std::string>{"Animals.icl|0|Animals.icl,0|", "Animals.icl|1|Animals.icl,1|",
                                "Animals.icl|2|Horse|H", "Animals.icl|3|Animals.icl,3|",
                                "Animals.icl|4|Animals.icl,4|"}));
  // ... or are left out when the companion switches default labels off.
  Write("Animals.ini",
        "[FolderIconConfig]\r\nDefaultLabel=0\r\n[FolderIconLabels]\r\nAnimals.icl,2=Horse\r\n");
  entries = Load();
  EXPECT_EQ(std::vector<std::string>(entries.begin() + 2, entries.end()),
            std::vector<std::string>{"Animals.icl|2|Horse|"});
  EXPECT_EQ(catalogue_.imageList.Pixels(2)[31 * 32 + 31], kGreen.colour);
}

TEST_F(CatalogueTest, WhatIsReadWithAndWithoutTheMainCatalogue) {
  Animals();
  Write("Extra.dll", "MZ not really");
  // No catalogue file: .ico and .icl, labelled with their file names, no info tips.
  const std::vector<std::string> plain = {
      "Dog.ico|0|Dog.ico|",         "cat.ico|0|cat.ico|",         "Animals.icl|0|Animals.icl|",
      "Animals.icl|1|Animals.icl|", "Animals.icl|2|Animals.icl|", "Animals.icl|3|Animals.icl|",
      "Animals.icl|4|Animals.icl|"};
  EXPECT_EQ(Load(), plain);
  // With or without the trailing separator.
  EXPECT_TRUE(catalogue_.Load(text::AddTrailingSeparator(dir_.path())));
  EXPECT_EQ(Entries(catalogue_), plain);

  // An empty main catalogue: only the .ico files.
  Write("Zendrel.ini", "");
  EXPECT_EQ(Load(), (std::vector<std::string>{"Dog.ico|0|Dog.ico|", "cat.ico|0|cat.ico|"}));

  // No main catalogue but a companion: the library takes its labels from it.
  test::WriteBytes(dir_.File("Zendrel.ini"), "");
  std::remove(dir_.File("Zendrel.ini").c_str());
  Write("Animals.ini", "[FolderIconLabels]\r\nAnimals.icl=Animal\r\n");
  EXPECT_EQ(Load()[2], "Animals.icl|0|Animal|");
}

TEST_F(CatalogueTest, LabelsAndInfoTipsOfIconFiles) {
  Write("B.ico", test::MakeIco({kRed}));
  Write("a.ico", test::MakeIco({kGreen}));
  Write("c.ico", test::MakeIco({kBlue}));
  Write("d.ico", test::MakeIco({kRed}));
  Write("Zendrel.ini",
        "[FolderIconLabels]\r\nc.ico=\r\nd.ico=   \r\n[FolderIconInfoTip]\r\nB.ico=\"  tip  \"\r\n"
        "a.ico=" +
            kFullWidthSpace + "tip" + kFullWidthSpace + " \r\n");
  // Upper case before lower case; present-but-blank labels hide their files.
  EXPECT_EQ(Load(),
            (std::vector<std::string>{"B.ico|0|B.ico|  tip", "a.ico|0|a.ico|" + kFullWidthSpace +
                                                                 "tip" + kFullWidthSpace}));
  // Default labels off: only files with a label of their own.
  Write("Zendrel.ini",
        "[FolderIconConfig]\r\nDefaultLabel=0\r\n[FolderIconLabels]\r\na.ico= A \r\n");
  EXPECT_EQ(Load(), std::vector<std::string>{"a.ico|0|A|"});
  // A value of 300 bytes is read as its first 259.
  Write("Zendrel.ini", "[FolderIconLabels]\r\na.ico=" + std::string(300, 'L') + "\r\n");
  EXPECT_EQ(Load()[1], "a.ico|0|" + std::string(259, 'L') + "|");
  // Lines that are no keys of these files do not hide the keys after them.
  Write("Zendrel.ini",
        "[FolderIconLabels]\r\n=nameless\r\n; a.ico=comment\r\na.ico=A\r\n"
        "[FolderIconInfoTip]\r\n=\r\nB.ico=tip\r\n");
  EXPECT_EQ(Load(), (std::vector<std::string>{"B.ico|0|B.ico|tip", "a.ico|0|A|", "c.ico|0|c.ico|",
                                              "d.ico|0|d.ico|"}));
  // Empty sections, and sections only a later duplicate fills, give every file its name.
  Write("Zendrel.ini",
        "[FolderIconLabels]\r\n[FolderIconInfoTip]\r\n; none\r\n[FolderIconLabels]\r\n"
        "a.ico=A\r\n");
  EXPECT_EQ(Load(), (std::vector<std::string>{"B.ico|0|B.ico|", "a.ico|0|a.ico|", "c.ico|0|c.ico|",
                                              "d.ico|0|d.ico|"}));
}

TEST_F(CatalogueTest, LibrariesWithoutACompanionUseTheMainCatalogue) {
  Write("Animals.icl", test::MakeIcl({{kBlue}, {kRed}}));
  // DefaultLabel in the main catalogue does not reach the library's icons.
  Write("Zendrel.ini",
        "[FolderIconConfig]\r\nReadIclFiles=1\r\nReadIcoFiles=0\r\nDefaultLabel=0\r\n"
        "[FolderIconLabels]\r\nAnimals.icl,1=Cow\r\n"
        "[FolderIconInfoTip]\r\nAnimals.icl=Farm \r\n");
  EXPECT_EQ(Load(), (std::vector<std::string>{"Animals.icl|0|Animals.icl,0|Farm",
                                              "Animals.icl|1|Cow|Farm"}));
}

TEST_F(CatalogueTest, FilesWithoutIconsGiveNoEntries) {
  Write("text.ico", "just text");
  Write("empty.ico", "");
  ASSERT_TRUE(test::MakeFolder(dir_.File("folder.ico")));
  Write("broken.icl", "MZ");
  EXPECT_FALSE(catalogue_.Load(dir_.path()));
  EXPECT_TRUE(catalogue_.fileNames.empty());
  EXPECT_EQ(catalogue_.Count(), 0);

  Write("real.ico", test::MakeIco({kRed}));
  EXPECT_EQ(Load(), std::vector<std::string>{"real.ico|0|real.ico|"});
  EXPECT_FALSE(catalogue_.Load(dir_.File("missing")));
}

TEST_F(CatalogueTest, InsertFrontTakesSlotZero) {
  Write("a.ico", test::MakeIco({kRed}));
  Write("b.ico", test::MakeIco({kGreen}));
  Write("c.ico", test::MakeIco({{32, 0x80C08040, 32}}));  // translucent
  ASSERT_TRUE(catalogue_.Load(dir_.path()));
  std::vector<platform::IconPixels> loaded;
  for (int slot = 0; slot < catalogue_.Count(); ++slot) {
    loaded.push_back(catalogue_.imageList.Pixels(slot));
  }
  Write("front.ico", test::MakeIco({kBlue}));
  const platform::Icon icon = platform::ExtractIcon(dir_.File("front.ico"), 0);
  ASSERT_TRUE(icon);
  EXPECT_TRUE(catalogue_.InsertFront("*", 0, "standard", "", icon));
  // An icon the list cannot take leaves entries and images as they were, each beside its own.
  EXPECT_FALSE(catalogue_.InsertFront("lost", 9, "lost", "", platform::Icon()));
  EXPECT_TRUE(catalogue_.InsertFront("", 3, "current", "tip", icon));
  EXPECT_EQ(Entries(catalogue_),
            (std::vector<std::string>{"|3|current|tip", "*|0|standard|", "a.ico|0|a.ico|",
                                      "b.ico|0|b.ico|", "c.ico|0|c.ico|"}));
  ASSERT_EQ(catalogue_.Count(), 5);
  // Every loaded image moved on whole, translucent pixels too.
  for (std::size_t k = 0; k < loaded.size(); ++k) {
    EXPECT_EQ(catalogue_.imageList.Pixels(static_cast<int>(k) + 2), loaded[k]) << "slot " << k;
  }
  const std::uint32_t blue = 0xFF000000 | (kBlue.colour & 0xFFFFFF);
  EXPECT_EQ(catalogue_.imageList.Pixels(0)[31 * 32 + 31], blue);
  // Every image moves up whole, also under Wine, whose own swap of two slots blackens one.
  EXPECT_EQ(catalogue_.imageList.Pixels(1)[31 * 32 + 31], blue);
  EXPECT_EQ(catalogue_.imageList.Pixels(2)[31 * 32 + 31], kRed.colour);
  EXPECT_EQ(catalogue_.imageList.Pixels(3)[31 * 32 + 31], kGreen.colour);
}

#ifdef _WIN32
// The pixels of one of the system's icons of `pixels` x `pixels` as IconPixels gives them: the
// alpha where the colour image has any, the mask otherwise; an icon of two colours has its
// picture under its mask.
platform::IconPixels HandlePixels(HICON icon, int pixels) {
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  const auto n = static_cast<std::size_t>(pixels);
  const std::size_t row = (n + 31) / 32 * 4;
  const bool twoColour = info.hbmColor == nullptr;
  std::vector<std::uint32_t> colour(n * n);
  std::vector<std::uint8_t> mask(row * n * 2);
  test::TopDownDib dib(pixels, pixels, 32);
  HDC screen = GetDC(nullptr);
  if (info.hbmColor) {
    GetDIBits(screen, info.hbmColor, 0, n, colour.data(), dib.info(), DIB_RGB_COLORS);
  }
  dib = test::TopDownDib(pixels, twoColour ? 2 * pixels : pixels, 1);
  GetDIBits(screen, info.hbmMask, 0, twoColour ? 2 * n : n, mask.data(), dib.info(),
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  const auto bit = [&](std::size_t y, std::size_t x) {
    return (mask[y * row + x / 8] & (0x80 >> (x % 8))) != 0;
  };
  if (twoColour) {
    for (std::size_t i = 0; i < n * n; ++i) colour[i] = bit(n + i / n, i % n) ? 0xFFFFFF : 0;
  }
  const bool hasAlpha =
      std::any_of(colour.begin(), colour.end(), [](std::uint32_t p) { return p >> 24; });
  platform::IconPixels result(n * n);
  for (std::size_t i = 0; i < n * n; ++i) {
    const std::uint32_t alpha = hasAlpha ? colour[i] >> 24 : (bit(i / n, i % n) ? 0 : 0xFF);
    result[i] = alpha == 0 ? 0 : (alpha << 24) | (colour[i] & 0xFFFFFF);
  }
  return result;
}

// The Windows build draws the plain images of icon files itself instead of having the system
// make an icon of each, and fills its image list from those pixels. Against the system's own
// extraction of the same files, over images of every depth, size and mix: the same pixels in
// the icon, and in the list as the icon gave them, in every slot after the list is reordered.
TEST_F(CatalogueTest, IconsDrawnFromFilesAreTheSystemsOwn) {
  namespace icons = test::icons;
  const auto withAlpha = [](icons::Picture picture) {
    // Every opaque pixel made translucent to some degree, down to nearly clear.
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
      std::uint32_t& p = picture.pixels[i];
      if (p >> 24) p = (p & 0xFFFFFF) | static_cast<std::uint32_t>(1 + i * 37 % 255) << 24;
    }
    return picture;
  };
  std::vector<std::string> paths;
  std::uint32_t seed = 7;
  for (int bitCount : {1, 4, 8, 16, 24, 32}) {
    const int colours = bitCount == 1 ? 2 : bitCount == 4 ? 14 : 60;
    for (int size : {16, 24, 32, 48}) {
      const icons::Picture picture =
          icons::Pattern(size, size, icons::Colours(colours, bitCount == 16), seed++);
      std::vector<icons::Image> images{icons::DibImage(picture, bitCount)};
      if (bitCount == 32) {
        images = {icons::DibImage(withAlpha(picture), 32)};
        // Alpha bytes all 0: only the mask tells.
        paths.push_back(dir_.File("plain" + std::to_string(size) + ".ico"));
        Write("plain" + std::to_string(size) + ".ico",
              icons::Ico({{icons::Dib(picture, 32, icons::Header::kInfo, false), size, size, 32}}));
      }
      const std::string name = std::to_string(bitCount) + "-" + std::to_string(size) + ".ico";
      Write(name, icons::Ico(images));
      paths.push_back(dir_.File(name));
    }
  }
  // Several images for the system to choose among, and the kinds it makes itself.
  const icons::Picture big = icons::Pattern(48, 48, icons::Colours(60), 3);
  const icons::Picture small = icons::Pattern(32, 32, icons::Colours(14), 4);
  Write("mixed.ico", icons::Ico({icons::DibImage(small, 4), icons::DibImage(withAlpha(big), 32),
                                 icons::DibImage(small, 24)}));
  Write("png.ico", icons::Ico({icons::PngImage(withAlpha(small))}));
  Write("core.ico", icons::Ico({{icons::Dib(small, 8, icons::Header::kCore), 32, 32, 8}}));
  for (const char* name : {"mixed.ico", "png.ico", "core.ico"}) paths.push_back(dir_.File(name));
  // The shipped icons, whose masks leave out pixels of little alpha.
  const std::string shipped = test::HostPath(ZENDREL_SHIPPED_ICONS);
  IconCatalogue shippedCatalogue;
  ASSERT_TRUE(shippedCatalogue.Load(shipped));
  for (std::size_t k = 0; k < shippedCatalogue.fileNames.size(); ++k) {
    if (shippedCatalogue.iconIndexes[k] == 0)
      paths.push_back(shipped + "\\" + shippedCatalogue.fileNames[k]);
  }

  platform::ImageList list;
  std::vector<platform::IconPixels> expected;
  std::vector<std::pair<std::string, int>> sources;  // slot for slot
  for (const std::string& path : paths) {
    platform::IconFile file(path);
    for (int index = 0;; ++index) {
      const platform::Icon drawn = file.Extract(index);
      const platform::Icon system = platform::ExtractIcon(path, index);
      ASSERT_EQ(static_cast<bool>(drawn), static_cast<bool>(system)) << path << "," << index;
      if (!drawn) break;
      const platform::IconPixels pixels = system.Pixels();
      EXPECT_EQ(drawn.Pixels(), pixels) << path << "," << index;
      ASSERT_EQ(list.Append(drawn), static_cast<int>(expected.size()));
      expected.push_back(pixels);
      sources.emplace_back(path, index);
    }
  }
  ASSERT_GT(expected.size(), 40u);
  const auto check = [&](const char* when) {
    ASSERT_EQ(list.Count(), static_cast<int>(expected.size()));
    for (int slot = 0; slot < list.Count(); ++slot) {
      EXPECT_EQ(list.Pixels(slot), expected[static_cast<std::size_t>(slot)]) << when << " " << slot;
    }
  };
  check("appended");
  list.MoveLastToFront();
  std::rotate(expected.begin(), expected.end() - 1, expected.end());
  std::rotate(sources.begin(), sources.end() - 1, sources.end());
  list.Swap(3, 1);
  std::swap(expected[3], expected[1]);
  std::swap(sources[3], sources[1]);
  check("reordered");

  // For a window of another DPI the list is drawn again from the files at that size, as the
  // system extracts each icon at it; the list keeps its own images meanwhile.
  for (const int pixels : {40, 48, 64}) {
    HIMAGELIST sized = platform::ImageListAtSize(list, pixels);
    ASSERT_NE(sized, nullptr);
    ASSERT_EQ(ImageList_GetImageCount(sized), list.Count());
    for (int slot = 0; slot < list.Count(); ++slot) {
      const auto& [path, index] = sources[static_cast<std::size_t>(slot)];
      HICON system = nullptr;
      UINT id = 0;
      ASSERT_EQ(PrivateExtractIconsA(path.c_str(), index, pixels, pixels, &system, &id, 1, 0), 1u);
      HICON shown = ImageList_GetIcon(sized, slot, ILD_NORMAL);
      EXPECT_EQ(HandlePixels(shown, pixels), HandlePixels(system, pixels))
          << pixels << " px, " << path << "," << index;
      DestroyIcon(system);
      if (shown) DestroyIcon(shown);
    }
    ImageList_Destroy(sized);
  }
  check("drawn at other sizes");
}
#endif

}  // namespace
}  // namespace zendrel::catalogue

namespace zendrel::catalogue {
namespace {

// The icon folder that ships beside the program.
std::string ShippedFolder() { return test::HostPath(ZENDREL_SHIPPED_ICONS); }

TEST(ShippedCatalogue, EveryIconLoadsWithItsJapaneseLabelAndInfoTip) {
  IconCatalogue catalogue;
  ASSERT_TRUE(catalogue.Load(ShippedFolder()));
  ASSERT_EQ(catalogue.Count(), 34);
  ASSERT_EQ(catalogue.fileNames.size(), 34u);
  for (int k = 0; k < catalogue.Count(); ++k) {
    SCOPED_TRACE(catalogue.fileNames[k]);
    // The .ico files first, in name order, then the ten icons of the library.
    if (k < 24) {
      EXPECT_EQ(catalogue.fileNames[k].substr(catalogue.fileNames[k].size() - 4), ".ico");
      if (k > 0) {
        EXPECT_LT(text::CompareNames(catalogue.fileNames[k - 1], catalogue.fileNames[k]), 0);
      }
      EXPECT_EQ(catalogue.iconIndexes[k], 0);
    } else {
      EXPECT_EQ(catalogue.fileNames[k], "Extras.icl");
      EXPECT_EQ(catalogue.iconIndexes[k], k - 24);
    }
    // Every label and tip comes from the catalogue file, in Japanese (a multibyte text).
    EXPECT_NE(catalogue.labels[k], catalogue.fileNames[k]);
    EXPECT_GE(static_cast<unsigned char>(catalogue.labels[k][0]), 0x80u);
    EXPECT_FALSE(catalogue.infoTips[k].empty());
    // A folder picture: transparent at the top corner, opaque in the middle.
    const platform::IconPixels pixels = catalogue.imageList.Pixels(k);
    ASSERT_EQ(pixels.size(), 32u * 32u);
    EXPECT_EQ(pixels[0] >> 24, 0u);
    EXPECT_EQ(pixels[20 * 32 + 16] >> 24, 0xFFu);
  }
}

}  // namespace
}  // namespace zendrel::catalogue

namespace zendrel::catalogue {
namespace {

std::string FixtureDll() { return *test::ReadBytes(test::HostPath(ZENDREL_FIXTURE_DLL)); }

TEST_F(CatalogueTest, DllsOnlyWhenSwitchedOnAndLast) {
  Write("Animals.icl", test::MakeIcl({{kBlue}, {kRed}}));
  Write("Animals.dll", FixtureDll());
  Write("a.ico", test::MakeIco({kGreen}));
  // Without a main catalogue, a DLL is never read, companion file or not.
  Write("Animals.ini", "[FolderIconLabels]\r\nAnimals.icl,1=Cow\r\nAnimals.dll,1=Heart\r\n");
  EXPECT_EQ(Load(), (std::vector<std::string>{"a.ico|0|a.ico|", "Animals.icl|0|Animals.icl,0|",
                                              "Animals.icl|1|Cow|"}));
  Write("Zendrel.ini", "[FolderIconConfig]\r\nReadIclFiles=1\r\n");
  EXPECT_EQ(Load().size(), 3u);
  // Switched on: after every library, its icons in resource order (the named group first),
  // labelled from the companion file the library shares, the keys kept apart.
  Write("Zendrel.ini", "[FolderIconConfig]\r\nReadIclFiles=1\r\nReadDllFiles=1\r\n");
  EXPECT_EQ(Load(),
            (std::vector<std::string>{"a.ico|0|a.ico|", "Animals.icl|0|Animals.icl,0|",
                                      "Animals.icl|1|Cow|", "Animals.dll|0|Animals.dll,0|",
                                      "Animals.dll|1|Heart|", "Animals.dll|2|Animals.dll,2|"}));
}

}  // namespace
}  // namespace zendrel::catalogue

namespace zendrel::catalogue {
namespace {

TEST(ProgramIcons, AreTheShippedIcoFilesAtTheLargeSize) {
  const std::string assets = std::string(ZENDREL_SHIPPED_ICONS) + "/..";
  for (const auto& [id, file] : {std::pair{128, "app.ico"}, std::pair{131, "unknown.ico"}}) {
    SCOPED_TRACE(file);
    const platform::Icon icon = platform::LoadProgramIcon(id);
    ASSERT_TRUE(icon);
    const platform::IconPixels pixels = icon.Pixels();
    ASSERT_EQ(pixels.size(), 32u * 32u);
    const platform::Icon fromFile = platform::ExtractIcon(test::HostPath(assets + "/" + file), 0);
    ASSERT_TRUE(fromFile);
    // Both are the file's own 32 x 32 image, unscaled: equal, but for rounding in the display
    // conversion on Windows.
#ifdef _WIN32
    EXPECT_LE(test::LargestChannelDifference(pixels, fromFile.Pixels()), 2);
#else
    EXPECT_EQ(pixels, fromFile.Pixels());
#endif
    // The two icons are not the same picture.
    if (id == 128) {
      EXPECT_GT(test::LargestChannelDifference(pixels, platform::LoadProgramIcon(131).Pixels()),
                64);
    }
  }
  for (int unknown : {0, 1, 127, 129, 130, 132, -128, 65536}) {
    EXPECT_FALSE(platform::LoadProgramIcon(unknown)) << unknown;
  }
}

}  // namespace
}  // namespace zendrel::catalogue
