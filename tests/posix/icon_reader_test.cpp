// Which icon each index names in .ico files, NE libraries and PE files, and the glue that
// hands icons and image lists to the rest of the program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/icons.h"
#include "platform/posix/icon_file_reader.h"
#include "platform/posix/icon_image.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

namespace fx = test::icons;

// A 32 x 32 picture per icon, each different, so the pixels tell which icon came back.
fx::Picture Face(std::uint32_t n) { return fx::Pattern(32, 32, fx::Colours(12), 100 + n); }

std::vector<fx::Image> Images(std::uint32_t n) {
  // The 32 x 32 one is not first, so the choice inside the group is exercised too.
  return {fx::DibImage(fx::Pattern(16, 16, fx::Colours(3), 200 + n), 4), fx::DibImage(Face(n), 32),
          fx::PngImage(fx::Pattern(48, 48, fx::Colours(9), 300 + n))};
}

// The icons the file gives for index 0, 1, ... until the first empty one.
std::vector<IconPixels> AllIcons(const std::string& path) {
  IconFile file(path);
  std::vector<IconPixels> icons;
  for (int i = 0; i < 100; ++i) {
    const Icon icon = file.Extract(i);
    if (!icon) break;
    icons.push_back(icon.Pixels());
  }
  return icons;
}

// Resources in the order named ZEBRA, 7, APPLE, 3: the file's own order for NE, sorted
// (APPLE, ZEBRA, 3, 7) in a PE file. The faces are numbered as declared.
std::vector<fx::Resource> FourGroups() {
  std::vector<fx::Resource> all;
  const std::pair<std::string, std::uint16_t> groups[] = {
      {"ZEBRA", 0}, {"", 7}, {"APPLE", 0}, {"", 3}};
  std::uint16_t nextIcon = 1;
  for (std::uint32_t n = 0; n < 4; ++n) {
    const auto more = fx::IconResources(groups[n].first, groups[n].second, Images(n), nextIcon);
    all.insert(all.end(), more.begin(), more.end());
    nextIcon = static_cast<std::uint16_t>(nextIcon + 3);
  }
  return all;
}

class IconFiles : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.File(name);
    test::WriteBytes(path, bytes);
    return path;
  }
  test::TempDir dir_;
};

TEST_F(IconFiles, IcoHasOneIconAtIndexZeroAndNegativeIndexes) {
  const std::string path = Write("a.ico", fx::Ico(Images(0)));
  IconFile file(path);
  EXPECT_EQ(file.Extract(0).Pixels(), fx::Expected(Face(0)));
  EXPECT_EQ(file.Extract(-2).Pixels(), fx::Expected(Face(0)));
  // -1 asks Windows for the number of icons: never an icon.
  EXPECT_FALSE(file.Extract(-1));
  EXPECT_FALSE(file.Extract(1));
  EXPECT_FALSE(file.Extract(2));
  EXPECT_EQ(ExtractIcon(path, 0).Pixels(), fx::Expected(Face(0)));
  // The extension does not matter, the content does.
  EXPECT_EQ(ExtractIcon(Write("ico.dll", fx::Ico(Images(0))), 0).Pixels(), fx::Expected(Face(0)));
}

TEST_F(IconFiles, NeGroupsInTableOrderAndByNegativeId) {
  for (const int shift : {0, 4, 9}) {
    const std::string path = Write("lib.icl", fx::Ne(FourGroups(), shift));
    const std::vector<IconPixels> icons = AllIcons(path);
    ASSERT_EQ(icons.size(), 4u) << shift;
    for (std::uint32_t n = 0; n < 4; ++n) EXPECT_EQ(icons[n], fx::Expected(Face(n))) << shift;
    IconFile file(path);
    EXPECT_EQ(file.Extract(-7).Pixels(), fx::Expected(Face(1)));
    EXPECT_EQ(file.Extract(-3).Pixels(), fx::Expected(Face(3)));
    EXPECT_FALSE(file.Extract(-4));
    EXPECT_FALSE(file.Extract(-0x8000 - 7));
  }
}

TEST_F(IconFiles, PeGroupsNamedFirstThenIdsAscending) {
  for (const bool pe32Plus : {false, true}) {
    const std::string path = Write("lib.dll", fx::Pe(FourGroups(), pe32Plus));
    const std::vector<IconPixels> icons = AllIcons(path);
    ASSERT_EQ(icons.size(), 4u) << pe32Plus;
    // APPLE, ZEBRA, 3, 7.
    EXPECT_EQ(icons[0], fx::Expected(Face(2)));
    EXPECT_EQ(icons[1], fx::Expected(Face(0)));
    EXPECT_EQ(icons[2], fx::Expected(Face(3)));
    EXPECT_EQ(icons[3], fx::Expected(Face(1)));
    IconFile file(path);
    EXPECT_EQ(file.Extract(-7).Pixels(), fx::Expected(Face(1)));
    EXPECT_EQ(file.Extract(-3).Pixels(), fx::Expected(Face(3)));
    EXPECT_FALSE(file.Extract(-1));
    EXPECT_FALSE(file.Extract(-65536 - 3));
    EXPECT_FALSE(file.Extract(std::numeric_limits<int>::min()));
  }
}

TEST_F(IconFiles, PeTakesTheFirstLanguage) {
  std::vector<fx::Resource> resources = fx::IconResources("", 1, Images(0), 1, 0x409);
  const auto german = fx::IconResources("", 1, Images(1), 1, 0x407);
  resources.insert(resources.end(), german.begin(), german.end());
  EXPECT_EQ(ExtractIcon(Write("lang.dll", fx::Pe(resources)), 0).Pixels(), fx::Expected(Face(1)));
}

TEST_F(IconFiles, GroupNamingAMissingIconGivesNone) {
  // The chosen image's id is not in the file: no icon, as on Windows, even though others
  // of the group exist.
  std::vector<fx::Resource> resources = fx::IconResources("", 1, Images(0), 1);
  resources.erase(resources.begin() + 2);  // icon 2, the 32 x 32 one
  EXPECT_FALSE(ExtractIcon(Write("gap.dll", fx::Pe(resources)), 0));
  EXPECT_FALSE(ExtractIcon(Write("gap.icl", fx::Ne(resources)), 0));
  resources.erase(resources.begin());  // now no group at all
  EXPECT_FALSE(ExtractIcon(Write("nogroup.dll", fx::Pe(resources)), 0));
}

TEST_F(IconFiles, FileIsReadOnceForAllIndexes) {
  const std::string path = Write("once.dll", fx::Pe(FourGroups()));
  IconFile file(path);
  EXPECT_TRUE(file.Extract(0));
  // Wipe the resource directory in place: the open file already knows its groups.
  const int fd = open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  const std::string zeros(64, '\0');
  ASSERT_EQ(pwrite(fd, zeros.data(), zeros.size(), fx::kResourceFileOffset), 64);
  close(fd);
  EXPECT_EQ(file.Extract(3).Pixels(), fx::Expected(Face(1)));
  EXPECT_FALSE(ExtractIcon(path, 3));
}

TEST_F(IconFiles, NotIconContainersGiveNoIconAtIndexZero) {
  const fx::Picture face = Face(0);
  std::string cursor = fx::Ico(Images(0));
  cursor[2] = 2;
  const std::pair<const char*, std::string> files[] = {
      {"empty.ico", ""},
      {"text.ico", "[FolderIconConfig]\r\nReadIcoFiles=1\r\n"},
      {"mz.dll", "MZ"},
      {"mz64.dll", "MZ" + std::string(62, '\0')},
      {"bmp.ico", "BM" + fx::Dib(face, 24)},
      {"png.ico", fx::Png(face)},
      {"cur.ico", cursor},
      {"zero.ico", fx::Le16(0) + fx::Le16(1) + fx::Le16(0)},
      {"nores.dll", fx::PeAroundSection(std::string(16, '\0'))},
  };
  for (const auto& [name, bytes] : files) {
    EXPECT_FALSE(ExtractIcon(Write(name, bytes), 0)) << name;
  }
  EXPECT_FALSE(ExtractIcon(dir_.File("missing.ico"), 0));
}

TEST_F(IconFiles, NetworkNameWithoutMountGivesNone) {
  EXPECT_FALSE(ExtractIcon("\\\\nosuchserver\\share\\a.ico", 0));
}

TEST(ImageList, AppendsSwapsAndReleases) {
  test::TempDir dir;
  test::WriteBytes(dir.File("a.ico"), fx::Ico(Images(0)));
  test::WriteBytes(dir.File("b.ico"), fx::Ico(Images(1)));
  ImageList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Append(Icon()), -1);
  {
    const Icon a = ExtractIcon(dir.File("a.ico"), 0);
    EXPECT_EQ(list.Append(a), 0);
  }  // the list keeps its own copy
  EXPECT_EQ(list.Append(ExtractIcon(dir.File("b.ico"), 0)), 1);
  EXPECT_EQ(list.Count(), 2);
  list.Swap(0, 1);
  EXPECT_EQ(list.Pixels(0), fx::Expected(Face(1)));
  EXPECT_EQ(list.Pixels(1), fx::Expected(Face(0)));
  list.Swap(0, 5);  // out of range: nothing happens
  EXPECT_EQ(list.Pixels(0), fx::Expected(Face(1)));
  EXPECT_TRUE(list.Pixels(2).empty());
  EXPECT_TRUE(list.Pixels(-1).empty());

  ImageList moved(std::move(list));
  EXPECT_EQ(moved.Count(), 2);
  EXPECT_EQ(moved.Release(), 0u);
  EXPECT_EQ(moved.Count(), 0);
}

// The readers see a file through several layers: a file source that holds its first bytes,
// pages kept for the small structures of a library. Every layer gives the same bytes, or the
// same refusal, for every range: inside the head, across its end, across pages, the last short
// page, ranges larger than a page, and enough places to make pages give way to others.
TEST(ByteSources, EveryLayerGivesTheFileBytes) {
  using posix::Bytes;
  std::string content(100'000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<char>((i * 2654435761u) >> 13);
  test::TempDir dir;
  test::WriteBytes(dir.File("bytes.bin"), content);
  const std::unique_ptr<posix::FileSource> file = posix::FileSource::Open(dir.File("bytes.bin"));
  ASSERT_TRUE(file);
  const posix::MemorySource memory(
      {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});
  const posix::PagedSource pagedFile(*file);
  const posix::PagedSource pagedMemory(memory);
  const posix::ByteSource* const sources[] = {file.get(), &pagedFile, &pagedMemory};

  std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges = {
      {0, 0},       {0, 6},       {8190, 4},     {8192, 1},    {4095, 2},
      {4000, 9000}, {99'990, 10}, {99'999, 1},   {100'000, 0}, {99'990, 11},
      {100'000, 1}, {100'001, 0}, {12, 100'000}, {0, 100'000}, {~0ull, 2}};
  // Small reads scattered over 25 pages, twice over, so that pages are dropped and read again.
  for (int round = 0; round < 2; ++round) {
    for (std::uint64_t at = 17; at < 100'000; at += 4093) ranges.push_back({at, 24});
  }
  for (const auto& [offset, count] : ranges) {
    SCOPED_TRACE(std::to_string(offset) + "+" + std::to_string(count));
    const std::optional<Bytes> expected = memory.Read(offset, count);
    EXPECT_EQ(expected.has_value(), offset <= content.size() && count <= content.size() - offset);
    for (const posix::ByteSource* source : sources) {
      EXPECT_EQ(source->size(), content.size());
      EXPECT_EQ(source->Read(offset, count), expected);
    }
  }
}

}  // namespace
}  // namespace zendrel::platform
