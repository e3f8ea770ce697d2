// Damaged and hostile icon files: whatever they hold, the reader neither crashes nor hangs
// nor reads more than it needs, and such a file yields no icon, or no further ones.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
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
using fx::Put16;
using fx::Put32;

std::uint32_t Get32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(
      static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
      static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<unsigned char>(b[at + 3]) << 24);
}

// Icons 0 to 5 of the bytes as a container, each nullopt when there is none.
std::vector<std::optional<IconPixels>> Icons(const std::string& bytes) {
  const MemorySource source({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  std::vector<std::optional<IconPixels>> icons(6);
  const std::unique_ptr<IconContainer> container = ReadIconContainer(source);
  if (!container) return icons;
  for (int i = 0; i < 6; ++i) icons[i] = ExtractLargeIcon(*container, source, i);
  return icons;
}

bool NoIcons(const std::string& bytes) {
  for (const auto& icon : Icons(bytes)) {
    if (icon) return false;
  }
  return true;
}

std::vector<fx::Image> Images(std::uint32_t n) {
  return {fx::DibImage(fx::Pattern(16, 16, fx::Colours(3), n), 4),
          fx::DibImage(fx::Pattern(32, 32, fx::Colours(12), n + 1), 32),
          fx::PngImage(fx::Pattern(48, 48, fx::Colours(9), n + 2))};
}

std::vector<fx::Resource> TwoGroups() {
  std::vector<fx::Resource> resources = fx::IconResources("", 1, Images(0), 1);
  const auto more = fx::IconResources("", 2, Images(10), 4);
  resources.insert(resources.end(), more.begin(), more.end());
  return resources;
}

TEST(BadIconFiles, TruncatedFilesGiveTheSameIconsOrNone) {
  const std::pair<const char*, std::string> files[] = {
      {"ico", fx::Ico(Images(0))}, {"ne", fx::Ne(TwoGroups())}, {"pe", fx::Pe(TwoGroups())}};
  for (const auto& [what, full] : files) {
    const std::vector<std::optional<IconPixels>> whole = Icons(full);
    ASSERT_TRUE(whole[0]) << what;
    std::size_t cutsWithFewerIcons = 0;
    for (std::size_t cut = 0; cut < full.size(); cut += cut < 700 ? 1 : 13) {
      const std::vector<std::optional<IconPixels>> icons = Icons(full.substr(0, cut));
      bool fewer = false;
      for (std::size_t i = 0; i < icons.size(); ++i) {
        // Never another picture than the whole file gives: a cut image is no image.
        if (icons[i]) {
          ASSERT_EQ(*icons[i], *whole[i]) << what << " cut at " << cut;
        }
        fewer = fewer || (whole[i] && !icons[i]);
      }
      cutsWithFewerIcons += fewer;
    }
    EXPECT_GT(cutsWithFewerIcons, 0u) << what;
  }
}

TEST(BadIconFiles, FileCutShortAfterOpeningGivesNone) {
  test::TempDir dir;
  const std::string path = dir.File("shrinks.icl");
  test::WriteBytes(path, fx::Ne(TwoGroups()));
  IconFile file(path);
  EXPECT_TRUE(file.Extract(0));
  ASSERT_EQ(truncate(path.c_str(), 600), 0);
  EXPECT_FALSE(file.Extract(1));
}

TEST(BadIconFiles, IcoDirectoriesThatLie) {
  const std::string good = fx::Ico({fx::DibImage(fx::Pattern(32, 32, fx::Colours(5), 1), 8)});
  ASSERT_FALSE(NoIcons(good));
  const std::size_t entry = 6;
  const std::function<void(std::string&)> edits[] = {
      [&](std::string& b) { Put32(b, entry + 12, static_cast<std::uint32_t>(b.size())); },
      [&](std::string& b) { Put32(b, entry + 12, 0xFFFFFFF0u); },
      [&](std::string& b) { Put32(b, entry + 8, 0xFFFFFFFFu); },
      [&](std::string& b) { Put32(b, entry + 8, 0x20); },  // smaller than the image
      [&](std::string& b) { Put32(b, entry + 12, 0); },    // the directory itself as image
      [&](std::string& b) { Put16(b, 4, 4000); },          // entries past the end
      [&](std::string& b) { Put16(b, 4, 0xFFFF); },
      [&](std::string& b) { Put16(b, 4, 4097); },
      [&](std::string& b) { Put32(b, 22 + 8, 0); },   // DIB height zero
      [&](std::string& b) { Put32(b, 22 + 8, 63); },  // DIB height odd
      [&](std::string& b) { Put32(b, 22 + 4, 0x7FFFFFFF); },
      [&](std::string& b) { Put16(b, 22 + 14, 7); },            // bit count
      [&](std::string& b) { Put32(b, 22 + 32, 0xFFFFFFFFu); },  // colours used
  };
  for (std::size_t i = 0; i < std::size(edits); ++i) {
    std::string bytes = good;
    edits[i](bytes);
    EXPECT_TRUE(NoIcons(bytes)) << "edit " << i;
  }
}

TEST(BadIconFiles, NeTablesThatLie) {
  const std::string good = fx::Ne(TwoGroups());
  ASSERT_TRUE(Icons(good)[1]);
  const std::size_t table = 0x80;  // the writer puts the table right after the NE header
  // The records: shift, then the group type (2 records), then the icon type (6 records).
  const std::size_t groups = table + 2;
  const std::size_t icons = groups + 8 + 2 * 12;
  const std::function<void(std::string&)> edits[] = {
      [&](std::string& b) { Put16(b, table, 17); },           // shift
      [&](std::string& b) { Put16(b, groups + 2, 0xFFFF); },  // record count
      [&](std::string& b) { Put16(b, icons + 2, 4097); },
      [&](std::string& b) { Put16(b, 0x40 + 0x24, 0xFFF0); },  // table offset
      [&](std::string& b) { Put32(b, 0x3C, 0xFFFFFFF0u); },    // NE header offset
      [&](std::string& b) { Put16(b, groups + 8, 0xFFFF); },   // group 0 offset
      [&](std::string& b) { b.resize(icons + 8 + 5 * 12); },   // table cut short
  };
  for (std::size_t i = 0; i < std::size(edits); ++i) {
    std::string bytes = good;
    edits[i](bytes);
    const std::vector<std::optional<IconPixels>> got = Icons(bytes);
    EXPECT_FALSE(got[0]) << "edit " << i;
  }
  // A group that announces 0xFFFF images in its few bytes.
  std::string bytes = good;
  const std::size_t groupData =
      static_cast<std::size_t>(static_cast<unsigned char>(bytes[groups + 8]) |
                               static_cast<unsigned char>(bytes[groups + 9]) << 8)
      << 4;
  Put16(bytes, groupData + 4, 0xFFFF);
  const std::vector<std::optional<IconPixels>> got = Icons(bytes);
  EXPECT_FALSE(got[0]);
  EXPECT_TRUE(got[1]);
}

class BadPeFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    good_ = fx::Pe(TwoGroups());
    ASSERT_TRUE(Icons(good_)[0]);
    // The root lists types 3 and 14; follow type 14 down to its first name and language.
    root_ = fx::kResourceFileOffset;
    typeEntry_ = root_ + 16 + 8;
    groupDir_ = Get32(good_, typeEntry_ + 4) & 0x7FFFFFFF;
    nameEntry_ = root_ + groupDir_ + 16;
    languageDir_ = Get32(good_, nameEntry_ + 4) & 0x7FFFFFFF;
    languageEntry_ = root_ + languageDir_ + 16;
  }
  std::string good_;
  std::size_t root_ = 0, typeEntry_ = 0, nameEntry_ = 0, languageEntry_ = 0;
  std::uint32_t groupDir_ = 0, languageDir_ = 0;
};

TEST_F(BadPeFiles, CyclicAndDeepDirectoriesGiveNoIcon) {
  const std::function<void(std::string&)> edits[] = {
      // The type directory is the root.
      [&](std::string& b) { Put32(b, typeEntry_ + 4, 0x80000000u); },
      // The name's language directory is the type directory, or the root.
      [&](std::string& b) { Put32(b, nameEntry_ + 4, 0x80000000u | groupDir_); },
      [&](std::string& b) { Put32(b, nameEntry_ + 4, 0x80000000u); },
      // A language entry leads to a further directory: itself, or the root.
      [&](std::string& b) { Put32(b, languageEntry_ + 4, 0x80000000u | languageDir_); },
      [&](std::string& b) { Put32(b, languageEntry_ + 4, 0x80000000u); },
      // A type entry or a name entry that is a data entry.
      [&](std::string& b) { Put32(b, typeEntry_ + 4, Get32(b, languageEntry_ + 4)); },
      [&](std::string& b) { Put32(b, nameEntry_ + 4, Get32(b, languageEntry_ + 4)); },
  };
  for (std::size_t i = 0; i < std::size(edits); ++i) {
    std::string bytes = good_;
    edits[i](bytes);
    EXPECT_FALSE(Icons(bytes)[0]) << "edit " << i;
  }
}

TEST_F(BadPeFiles, HugeCountsAndLyingPlaces) {
  const std::size_t pe = 0x40;
  const std::size_t optional = pe + 24;
  const std::size_t dataDirectory = optional + 96 + 2 * 8;
  const std::size_t section = optional + 224;
  const std::size_t dataEntry = root_ + (Get32(good_, languageEntry_ + 4));
  const std::function<void(std::string&)> edits[] = {
      [&](std::string& b) { Put32(b, root_ + 12, 0xFFFFFFFFu); },            // root counts
      [&](std::string& b) { Put16(b, root_ + groupDir_ + 14, 4097); },       // group names
      [&](std::string& b) { Put16(b, root_ + languageDir_ + 12, 0xFFFF); },  // languages
      [&](std::string& b) { Put16(b, pe + 6, 0xFFFF); },                     // sections
      [&](std::string& b) { Put16(b, pe + 20, 0); },                         // optional size
      [&](std::string& b) { Put16(b, pe + 20, 0xFFFF); },
      [&](std::string& b) { Put32(b, optional + 92, 2); },            // directories
      [&](std::string& b) { Put16(b, optional, 0x107); },             // magic
      [&](std::string& b) { Put32(b, dataDirectory, 0x7FFFF000u); },  // resource RVA
      [&](std::string& b) { Put32(b, section + 16, 0); },             // raw size
      [&](std::string& b) { Put32(b, section + 20, 0xFFFFFE00u); },   // raw offset
      [&](std::string& b) { Put32(b, dataEntry, 0x0FFFFFFFu); },      // group RVA
      [&](std::string& b) { Put32(b, dataEntry + 4, 0xFFFFFFFFu); },  // group size
      [&](std::string& b) { Put32(b, dataEntry + 4, 10); },
      [&](std::string& b) { b[pe + 2] = 'X'; },  // signature
  };
  for (std::size_t i = 0; i < std::size(edits); ++i) {
    std::string bytes = good_;
    edits[i](bytes);
    EXPECT_FALSE(Icons(bytes)[0]) << "edit " << i;
  }
}

// The bytes this process has read so far, as the kernel counts them.
std::uint64_t BytesReadSoFar() {
  const std::string io = test::ReadBytes("/proc/self/io").value_or("");
  const std::size_t at = io.find("rchar: ");
  return at == std::string::npos ? 0 : std::stoull(io.substr(at + 7));
}

TEST(BadIconFiles, HugeSparseFileIsNotRead) {
  test::TempDir dir;
  const std::uint64_t size = 2ull << 30;
  const std::string image = fx::Dib(fx::Pattern(32, 32, fx::Colours(5), 3), 8);
  const std::uint64_t imageAt = size - 4096;
  auto make = [&](const std::string& name, const std::string& head, std::uint64_t dataAt,
                  const std::string& data) {
    const std::string path = dir.File(name);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
    EXPECT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    EXPECT_EQ(pwrite(fd, data.data(), data.size(), static_cast<off_t>(dataAt)),
              static_cast<ssize_t>(data.size()));
    close(fd);
    return path;
  };
  auto ico = [&](std::uint32_t offset, std::uint32_t bytes) {
    return fx::Le16(0) + fx::Le16(1) + fx::Le16(1) + std::string("\x20\x20\0\0", 4) + fx::Le16(1) +
           fx::Le16(8) + fx::Le32(bytes) + fx::Le32(offset);
  };
  const std::uint64_t readBefore = BytesReadSoFar();
  ASSERT_GT(readBefore, 0u) << "/proc/self/io cannot be read";
  // An image far into the file is found where it is, without the zeros before it.
  const std::string far = make(
      "far.ico", ico(static_cast<std::uint32_t>(imageAt), static_cast<std::uint32_t>(image.size())),
      imageAt, image);
  EXPECT_TRUE(ExtractIcon(far, 0));
  // An entry that claims nearly all of the file, or an image of zeros.
  EXPECT_FALSE(ExtractIcon(make("claims.ico", ico(64, 0x7FFFFFFF), imageAt, image), 0));
  EXPECT_FALSE(ExtractIcon(make("zeros.ico", ico(0x40000000, 0x40000000), imageAt, image), 0));
  EXPECT_FALSE(ExtractIcon(make("zero.ico", "", imageAt, ""), 0));
  // An NE header far away, with a table of zeros.
  std::string mz(0x40, '\0');
  mz[0] = 'M';
  mz[1] = 'Z';
  Put32(mz, 0x3C, 0x7FFF0000);
  std::string ne(0x40, '\0');
  ne[0] = 'N';
  ne[1] = 'E';
  Put16(ne, 0x24, 0x40);
  EXPECT_FALSE(ExtractIcon(make("far.icl", mz, 0x7FFF0000, ne), 0));
  // The work counted, not timed: the readers took a few pages of files of 2 GB each.
  EXPECT_LT(BytesReadSoFar() - readBefore, 16u << 20);
}

TEST(BadIconFiles, FoldersFifosAndDevicesAreNoIconFiles) {
  test::TempDir dir;
  ASSERT_TRUE(test::MakeFolder(dir.File("folder.ico")));
  ASSERT_EQ(mkfifo(dir.File("fifo.ico").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", dir.File("zero.ico").c_str()), 0);
  ASSERT_EQ(symlink("/dev/null", dir.File("null.dll").c_str()), 0);
  // A link to a real icon file is read like the file.
  test::WriteBytes(dir.File("real.ico"), fx::Ico(Images(0)));
  ASSERT_EQ(symlink(dir.File("real.ico").c_str(), dir.File("link.ico").c_str()), 0);
  for (const char* name : {"folder.ico", "fifo.ico", "zero.ico", "null.dll"}) {
    IconFile file(dir.File(name));
    EXPECT_FALSE(file.Extract(0)) << name;
    EXPECT_FALSE(file.Extract(1)) << name;
  }
  EXPECT_TRUE(ExtractIcon(dir.File("link.ico"), 0));
}

}  // namespace
}  // namespace zendrel::platform::posix
