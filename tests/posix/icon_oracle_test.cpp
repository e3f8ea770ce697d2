// Our reader against independent tools on the same files: icoutils (wrestool, icotool) and
// a DLL built by the MinGW resource compiler and linker. Each test is skipped when its tools
// are not installed.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/icons.h"
#include "platform/posix/icon_container.h"
#include "platform/posix/icon_file_reader.h"
#include "platform/posix/icon_image.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

namespace zendrel::platform::posix {
namespace {

namespace fx = test::icons;

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The standard output of a shell command, and whether it succeeded.
bool Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
  if (output) *output = text;
  return pclose(pipe) == 0;
}

// A PNG file's pixels as 0xAARRGGBB, transparent ones 0, read by libpng alone.
std::vector<std::uint32_t> ReadPngFile(const std::string& path, int* width, int* height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return {};
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  std::vector<std::uint32_t> pixels;
  for (std::size_t i = 0; i < rgba.size(); i += 4) {
    const std::uint32_t a = rgba[i + 3];
    pixels.push_back(a == 0 ? 0
                            : a << 24 | std::uint32_t{rgba[i]} << 16 |
                                  std::uint32_t{rgba[i + 1]} << 8 | rgba[i + 2]);
  }
  return pixels;
}

// The group names wrestool lists for type 14, in its order (which is the indexing order).
std::vector<std::string> WrestoolGroups(const std::string& path) {
  std::string listing;
  EXPECT_TRUE(Shell("wrestool -l " + Quote(path) + " 2>/dev/null", &listing));
  std::vector<std::string> names;
  const std::regex line(R"(--type=14 --name='?([^' ]+)'?)");
  std::istringstream in(listing);
  for (std::string text; std::getline(in, text);) {
    std::smatch m;
    if (std::regex_search(text, m, line)) names.push_back(m[1]);
  }
  return names;
}

// Every group wrestool finds, rebuilt as an .ico by wrestool, gives the icon our reader
// gives for the same index.
void ExpectSameGroupsAsWrestool(const test::TempDir& dir, const std::string& path,
                                std::size_t groups) {
  const std::vector<std::string> names = WrestoolGroups(path);
  ASSERT_EQ(names.size(), groups) << path;
  IconFile file(path);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string ico = dir.File("group" + std::to_string(i) + ".ico");
    ASSERT_TRUE(Shell("wrestool -x -t14 -n " + Quote(names[i]) + " -o " + Quote(ico) + " " +
                      Quote(path) + " 2>/dev/null"));
    const IconPixels theirs = ExtractIcon(ico, 0).Pixels();
    ASSERT_FALSE(theirs.empty()) << names[i];
    EXPECT_EQ(file.Extract(static_cast<int>(i)).Pixels(), theirs) << path << " group " << names[i];
  }
  EXPECT_FALSE(file.Extract(static_cast<int>(names.size())));
}

std::vector<fx::Image> MixedImages(std::uint32_t n) {
  return {fx::DibImage(fx::Pattern(16, 16, fx::Colours(3), n), 4),
          fx::DibImage(fx::Pattern(32, 32, fx::Colours(12), n + 1), 32),
          fx::DibImage(fx::Pattern(32, 32, fx::Colours(100), n + 2), 8),
          fx::PngImage(fx::Pattern(48, 48, fx::Colours(9), n + 3))};
}

TEST(IcoutilsOracle, DibDecodingMatchesIcotool) {
  if (!Have("icotool")) GTEST_SKIP() << "icotool (icoutils) not installed";
  test::TempDir dir;
  std::vector<fx::Image> images;
  for (const int bits : {1, 4, 8, 24, 32}) {
    const int colours = bits == 1 ? 2 : bits == 4 ? 16 : 150;
    images.push_back(fx::DibImage(fx::Pattern(20, 23, fx::Colours(colours), bits), bits));
  }
  const std::string path = dir.File("depths.ico");
  test::WriteBytes(path, fx::Ico(images));

  // The directory as icotool lists it.
  std::string listing;
  ASSERT_TRUE(Shell("icotool -l " + Quote(path), &listing));
  const std::string file = *test::ReadBytes(path);
  const MemorySource source({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
  const std::unique_ptr<IconContainer> container = ReadIconContainer(source);
  ASSERT_TRUE(container);
  const std::optional<IconImageDirectory> ours = container->Images(source, 0);
  ASSERT_TRUE(ours);
  std::string expectedListing;
  for (std::size_t i = 0; i < ours->size(); ++i) {
    expectedListing += "--index=" + std::to_string(i + 1) +
                       " --width=" + std::to_string((*ours)[i].width) +
                       " --height=" + std::to_string((*ours)[i].height) +
                       " --bit-depth=" + std::to_string((*ours)[i].bitCount) + "\n";
  }
  std::string theirListing;
  const std::regex field(R"(--index=\d+ --width=\d+ --height=\d+ --bit-depth=\d+)");
  for (std::sregex_iterator it(listing.begin(), listing.end(), field), end; it != end; ++it)
    theirListing += it->str() + "\n";
  EXPECT_EQ(theirListing, expectedListing);

  // Each image decoded by icotool, against ours.
  ASSERT_TRUE(Shell("icotool -x -o " + Quote(dir.path()) + " " + Quote(path)));
  for (std::size_t i = 0; i < ours->size(); ++i) {
    const std::string png = dir.File("depths_" + std::to_string(i + 1) + "_20x23x" +
                                     std::to_string((*ours)[i].bitCount) + ".png");
    int width = 0, height = 0;
    const std::vector<std::uint32_t> theirs = ReadPngFile(png, &width, &height);
    ASSERT_EQ(width, 20) << png;
    ASSERT_EQ(height, 23) << png;
    const std::optional<DecodedImage> decoded = ReadIconImage(source, *(*ours)[i].place);
    ASSERT_TRUE(decoded) << png;
    EXPECT_EQ(decoded->pixels, theirs) << png;
  }
}

TEST(IcoutilsOracle, GroupOrderOfOurNeAndPeFixturesMatchesWrestool) {
  if (!Have("wrestool")) GTEST_SKIP() << "wrestool (icoutils) not installed";
  test::TempDir dir;
  std::vector<fx::Resource> resources;
  const std::pair<std::string, std::uint16_t> groups[] = {
      {"ZEBRA", 0}, {"", 7}, {"APPLE", 0}, {"", 3}, {"MID", 0}};
  std::uint16_t nextIcon = 1;
  for (std::uint32_t n = 0; n < 5; ++n) {
    const auto more =
        fx::IconResources(groups[n].first, groups[n].second, MixedImages(n * 10), nextIcon);
    resources.insert(resources.end(), more.begin(), more.end());
    nextIcon = static_cast<std::uint16_t>(nextIcon + 4);
  }
  test::WriteBytes(dir.File("lib.icl"), fx::Ne(resources));
  test::WriteBytes(dir.File("lib.dll"), fx::Pe(resources));
  test::WriteBytes(dir.File("lib64.dll"), fx::Pe(resources, true));
  EXPECT_EQ(WrestoolGroups(dir.File("lib.icl")),
            (std::vector<std::string>{"ZEBRA", "7", "APPLE", "3", "MID"}));
  EXPECT_EQ(WrestoolGroups(dir.File("lib.dll")),
            (std::vector<std::string>{"APPLE", "MID", "ZEBRA", "3", "7"}));
  for (const char* name : {"lib.icl", "lib.dll", "lib64.dll"})
    ExpectSameGroupsAsWrestool(dir, dir.File(name), 5);
}

// A real DLL: windres numbers the icons, upper-cases names, sorts the directory and writes
// both languages; the linker lays out the sections.
TEST(MingwOracle, DllBuiltByWindresAndLinker) {
  if (!Have("i686-w64-mingw32-windres") || !Have("i686-w64-mingw32-gcc-posix"))
    GTEST_SKIP() << "MinGW-w64 tools not installed";
  test::TempDir dir;
  const char* const files[] = {"zebra.ico", "seven.ico", "apple.ico", "three.ico", "german.ico"};
  std::vector<IconPixels> faces;
  for (std::uint32_t n = 0; n < 5; ++n) {
    const std::vector<fx::Image> images = MixedImages(n * 10);
    test::WriteBytes(dir.File(files[n]), fx::Ico(images));
    faces.push_back(ExtractIcon(dir.File(files[n]), 0).Pixels());
    ASSERT_FALSE(faces.back().empty());
  }
  test::WriteBytes(dir.File("icons.rc"),
                   "LANGUAGE 9, 1\n"
                   "zebra ICON \"zebra.ico\"\n"
                   "7 ICON \"seven.ico\"\n"
                   "Apple ICON \"apple.ico\"\n"
                   "3 ICON \"three.ico\"\n"
                   "LANGUAGE 7, 1\n"
                   "7 ICON \"german.ico\"\n");
  test::WriteBytes(dir.File("main.c"),
                   "int __stdcall DllMain(void* h, unsigned r, void* p) {\n"
                   "  (void)h; (void)r; (void)p; return 1;\n}\n");
  const std::string in = "cd " + Quote(dir.path()) + " && ";
  ASSERT_TRUE(Shell(in + "i686-w64-mingw32-windres icons.rc -O coff -o icons.o 2>&1"));
  ASSERT_TRUE(Shell(in + "i686-w64-mingw32-gcc-posix -shared -nostdlib -Wl,--entry,_DllMain@12 " +
                    "-o icons.dll main.c icons.o 2>&1"));
  const std::string dll = dir.File("icons.dll");
  IconFile file(dll);
  // APPLE, ZEBRA, 3, 7; group 7 in its first language, German (0x407) before English.
  EXPECT_EQ(file.Extract(0).Pixels(), faces[2]);
  EXPECT_EQ(file.Extract(1).Pixels(), faces[0]);
  EXPECT_EQ(file.Extract(2).Pixels(), faces[3]);
  EXPECT_EQ(file.Extract(3).Pixels(), faces[4]);
  EXPECT_FALSE(file.Extract(4));
  EXPECT_EQ(file.Extract(-3).Pixels(), faces[3]);
  EXPECT_EQ(file.Extract(-7).Pixels(), faces[4]);
  if (Have("wrestool")) {
    EXPECT_EQ(WrestoolGroups(dll), (std::vector<std::string>{"APPLE", "ZEBRA", "3", "7", "7"}));
  }
}

}  // namespace
}  // namespace zendrel::platform::posix
