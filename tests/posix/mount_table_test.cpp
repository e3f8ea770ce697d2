#include "platform/posix/mount_table.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/network_names.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform::posix {
namespace {

namespace fs = std::filesystem;

std::string Entry(const std::string& root, const std::string& mountPoint, const std::string& type,
                  const std::string& source) {
  return "36 25 0:45 " + root + " " + mountPoint + " rw,relatime shared:7 - " + type + " " +
         source + " rw,vers=3.1.1\n";
}

TEST(ParseMountInfo, UnescapesFieldsAndSkipsWhatIsNoMountEntry) {
  constexpr char kRawNul[] = "47 22 0:48 / /mnt/raw\0nul rw - ext4 x rw\n";
  const std::string text =
      "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "40 22 0:45 /a\\040b /mnt/sp\\040ace\\011tab\\012nl\\134bs rw shared:1 master:2 - cifs "
      "//srv/sh\\040are rw\n"
      "41 22 0:46 / /mnt/trailing/ rw - tmpfs  rw\n"
      "42 22 0:47 / /mnt/odd\\9\\400\\ rw - ext4 x rw\n"
      "garbage\n\n"
      "43 22 0:48 / /mnt/nodash rw shared:1 cifs //s/h rw\n"
      "44 22 0:48 / mnt/relative rw - ext4 x rw\n"
      "x4 22 0:48 / /mnt/badid rw - ext4 x rw\n"
      "45 22 048 / /mnt/baddev rw - ext4 x rw\n"
      "46 22 0:48 / /mnt/nul\\000 rw - ext4 x rw\n" +
      std::string(kRawNul, sizeof kRawNul - 1) +
      "48 22 0:48 / /mnt/cut rw shared:1 - cifs //srv/sh";
  const std::vector<MountEntry> table = ParseMountInfo(text);
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(table[0].mountPoint, "/");
  EXPECT_EQ(table[1].root, "/a b");
  EXPECT_EQ(table[1].mountPoint, "/mnt/sp ace\ttab\nnl\\bs");
  EXPECT_EQ(table[1].type, "cifs");
  EXPECT_EQ(table[1].source, "//srv/sh are");
  EXPECT_EQ(table[2].mountPoint, "/mnt/trailing");
  EXPECT_EQ(table[2].source, "");
  EXPECT_EQ(table[3].mountPoint, "/mnt/odd\\9\\400\\");
}

// Each path and the universal name it must get ("" for none); every name found must lead
// back to its path.
TEST(UniversalNames, MapBothWaysThroughTheTable) {
  const std::vector<MountEntry> table = ParseMountInfo(
      Entry("/", "/", "ext4", "/dev/sda1") + Entry("/", "/mnt/share", "cifs", "//srv/share") +
      Entry("/", "/mnt/smb3", "smb3", "//Srv2/Data") + Entry("/", "/mnt/nfs", "nfs4", "srv:/x") +
      Entry("/", "/mnt/share/local", "ext4", "/dev/sdb1") +
      Entry("/projects/2024", "/home/u/proj", "cifs", "//srv/share") +
      Entry("/sub", "/mnt/prefixed", "cifs", "//srv/share/sub") +
      Entry("/", "/mnt/subonly", "cifs", "//srv/share/top/sub") +
      Entry("/deeper", "/mnt/deeper", "cifs", "//srv/share/top") +
      Entry("/", "/mnt/日本\\040語", "cifs", "//srv/共有\\040フォルダ") +
      Entry("/", "/mnt/over", "cifs", "//srv/hidden") + Entry("/", "/mnt/over", "ext4", "/dev/c") +
      Entry("/", "/mnt/back", "ext4", "/dev/d") + Entry("/", "/mnt/back", "cifs", "//srv/back") +
      Entry("/", "/mnt/bad1", "cifs", "//srv") + Entry("/", "/mnt/bad2", "cifs", "srv/share") +
      Entry("/", "/mnt/bad3", "cifs", "//srv/../etc") +
      Entry("/a\\134b", "/mnt/bad4", "cifs", "//srv/share") +
      Entry("net:[4026]", "/mnt/bad5", "cifs", "//srv/share"));
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"/mnt/share", R"(\\srv\share)"},
      {"/mnt/share/a/b.txt", R"(\\srv\share\a\b.txt)"},
      {"/mnt/shared/x", ""},
      {"/mnt/smb3/x", R"(\\Srv2\Data\x)"},
      {"/mnt/nfs/x", ""},
      {"/mnt/share/local/x", ""},
      {"/home/u/proj/a", R"(\\srv\share\projects\2024\a)"},
      {"/mnt/prefixed/a", R"(\\srv\share\sub\a)"},
      {"/mnt/subonly/a", R"(\\srv\share\top\sub\a)"},
      {"/mnt/deeper/a", R"(\\srv\share\top\deeper\a)"},
      {"/mnt/日本 語/資料 1", R"(\\srv\共有 フォルダ\資料 1)"},
      {"/mnt/over/x", ""},
      {"/mnt/back/x", R"(\\srv\back\x)"},
      {"/mnt/bad1/x", ""},
      {"/mnt/bad2/x", ""},
      {"/mnt/bad3/x", ""},
      {"/mnt/bad4/x", ""},
      {"/mnt/bad5/x", ""},
      {"/mnt/share/a\\b", ""},
      {"mnt/share", ""},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> name = UniversalNameOf(table, c.path);
    EXPECT_EQ(name.value_or(""), c.name) << c.path;
    if (name) {
      EXPECT_EQ(LocalPathOf(table, *name), c.path) << *name;
    }
  }

  const struct {
    const char* name;
    const char* path;
  } back[] = {
      {R"(\\SRV\Share\a)", "/mnt/share/a"},
      {R"(\\srv\share\x\..\..\..\etc)", "/mnt/share/etc"},
      {R"(\\srv\share\.\a\)", "/mnt/share/a/"},
      {R"(\\srv\share/a/b)", "/mnt/share/a/b"},
      {R"(\\srv\share\)", "/mnt/share/"},
      {R"(\\srv\share\sub\..\top\sub\x)", "/mnt/subonly/x"},
      {R"(\\srv\hidden\x)", ""},
      {R"(\\srv\sharex\a)", ""},
      {R"(\\srv)", ""},
      {R"(\\srv\)", ""},
      {R"(\\\srv\share)", ""},
      {R"(\\?\UNC\srv\share)", ""},
  };
  for (const auto& c : back) {
    EXPECT_EQ(LocalPathOf(table, c.name).value_or(""), c.path) << c.name;
  }
}

// The real lookups, through a mount table file that shows a temporary folder as a share.
class NetworkNames : public testing::Test {
 protected:
  void SetUp() override {
    char* resolved = realpath(dir_.path().c_str(), nullptr);
    ASSERT_NE(resolved, nullptr);
    base_ = resolved;
    free(resolved);
    fs::create_directories(base_ + "/mnt/docs");
    table_ = base_ + "/mountinfo";
    WriteTable("//srv/share");
    test::UseMountTable(table_);
  }
  void TearDown() override { test::UseMountTable(""); }

  void WriteTable(const std::string& source) {
    test::WriteBytes(
        table_, Entry("/", "/", "ext4", "/dev/sda1") + Entry("/", base_ + "/mnt", "cifs", source));
  }

  test::TempDir dir_;
  std::string base_;
  std::string table_;
};

TEST_F(NetworkNames, ResolvePathsOnTheShareAndLeaveOthers) {
  fs::create_directory_symlink(base_ + "/mnt/docs", base_ + "/link");
  fs::create_directory(base_ + "/local");
  EXPECT_EQ(ToUniversalName(base_ + "/mnt/docs"), R"(\\srv\share\docs)");
  EXPECT_EQ(ToUniversalName(base_ + "/link/"), R"(\\srv\share\docs\)");
  EXPECT_EQ(ToUniversalName(base_ + "/mnt/missing"), base_ + "/mnt/missing");
  EXPECT_EQ(ToUniversalName(base_ + "/local"), base_ + "/local");
  EXPECT_EQ(ToUniversalName(R"(\\srv\share\docs)"), R"(\\srv\share\docs)");
  EXPECT_EQ(ToLocalPath(ToUniversalName(base_ + "/link")), base_ + "/mnt/docs");
  EXPECT_EQ(ToLocalPath(base_ + "/local"), base_ + "/local");
  EXPECT_EQ(ToLocalPath("relative"), "relative");
}

// The Windows build gets the name in a 260-byte buffer that also holds a 4-byte pointer.
TEST_F(NetworkNames, NameLongerThanTheWindowsBufferHoldsStaysLocal) {
  const std::string folder = base_ + "/mnt";
  WriteTable("//srv/" + std::string(249, 's'));  // \\srv\ and 249 bytes: 255 in all
  EXPECT_EQ(ToUniversalName(folder).size(), 255u);
  WriteTable("//srv/" + std::string(250, 's'));
  EXPECT_EQ(ToUniversalName(folder), folder);
}

// To Linux a universal name is a relative file name; one without a share behind it must not
// reach such a file in the current folder.
TEST_F(NetworkNames, NameWithoutAShareReachesNothing) {
  const std::string name = R"(\\nosrv\share\x)";
  test::WriteBytes(base_ + "/" + name, "decoy");
  const fs::path before = fs::current_path();
  fs::current_path(base_);
  const std::string local = ToLocalPath(name);
  fs::current_path(before);
  EXPECT_EQ(local, kNoSuchShare);
  EXPECT_FALSE(test::Exists(local));
  EXPECT_THROW(test::WriteBytes(local + "/desktop.ini", "x"), std::runtime_error);
}

TEST_F(NetworkNames, EnvironmentNamesTheTableUnlessATestSetOne) {
  test::UseMountTable("");
  setenv("ZENDREL_MOUNTINFO", table_.c_str(), 1);
  struct Unset {
    ~Unset() { unsetenv("ZENDREL_MOUNTINFO"); }
  } unset;
  EXPECT_EQ(ToLocalPath(R"(\\srv\share\docs)"), base_ + "/mnt/docs");
  test::UseMountTable(base_ + "/none");
  EXPECT_EQ(ToLocalPath(R"(\\srv\share\docs)"), kNoSuchShare);
}

TEST_F(NetworkNames, UnusableTablesCountAsEmptyAndHugeOnesAreCut) {
  std::string noise;
  for (unsigned i = 0, x = 7; i < 1 << 16; ++i, x = x * 1103515245 + 12345) noise += char(x >> 16);
  for (const std::string& bad : {noise, std::string()}) {
    test::WriteBytes(table_, bad);
    EXPECT_EQ(ToUniversalName(base_ + "/mnt/docs"), base_ + "/mnt/docs");
  }
  for (const std::string& notAFile : {base_, std::string("/dev/zero"), base_ + "/none"}) {
    test::UseMountTable(notAFile);
    EXPECT_TRUE(ReadMountTable().empty()) << notAFile;
  }

  // A table past the read limit is read up to the last line that ends within it; the line
  // the limit cuts would otherwise parse, with its super options shortened.
  const std::string first = Entry("/", "/first", "cifs", "//srv/a");
  const std::string filler = Entry("/", "/filler/" + std::string(4000, 'f'), "ext4", "/dev/a");
  const std::string straddles = Entry("/", "/straddles", "cifs", "//srv/b");
  std::string huge = first;
  while (huge.size() + filler.size() + straddles.size() < kMountTableReadLimit) huge += filler;
  huge += std::string(kMountTableReadLimit + 3 - straddles.size() - huge.size(), '\n');
  huge += straddles + Entry("/", "/after", "cifs", "//srv/c");
  test::WriteBytes(table_, huge);
  test::UseMountTable(table_);
  const std::vector<MountEntry> table = ReadMountTable();
  ASSERT_FALSE(table.empty());
  EXPECT_EQ(table.front().mountPoint, "/first");
  EXPECT_EQ(table.back().mountPoint, "/filler/" + std::string(4000, 'f'));
}

}  // namespace
}  // namespace zendrel::platform::posix
