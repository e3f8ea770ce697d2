// The DOS attribute record in user.DOSATTRIB: every form Samba and Wine leave behind, and the
// Linux file layer that keeps Zendrel's attributes in it.
#include "platform/posix/dos_attrib.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/file_attributes.h"
#include "platform/posix/mount_table.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform::posix {
namespace {

namespace fs = std::filesystem;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

void PutLE(std::string& bytes, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A binary record laid out by hand: hex string and NUL, padding to 2, the version twice,
// padding to 4, then the body.
std::string Binary(const std::string& hex, int version, const std::string& body) {
  std::string record = hex + '\0';
  while (record.size() % 2 != 0) record.push_back('\0');
  PutLE(record, version, 2);
  PutLE(record, version, 2);
  while (record.size() % 4 != 0) record.push_back('\0');
  return record + body;
}

// Bodies with every field but the attrib set to something recognisable.
std::string BodyV3(std::uint32_t flags, std::uint32_t attrib) {
  std::string body;
  PutLE(body, flags, 4);
  PutLE(body, attrib, 4);
  PutLE(body, 0x0BADCAFE, 4);             // ea_size
  PutLE(body, 0x1122334455667788ULL, 8);  // size
  PutLE(body, 0x99AABBCCDDEEFF00ULL, 8);  // alloc_size
  PutLE(body, 0x01D0A1B2C3D4E5F6ULL, 8);  // create_time
  PutLE(body, 0x01D1020304050607ULL, 8);  // change_time
  return body;
}

std::string BodyV4(std::uint32_t flags, std::uint32_t attrib) {
  std::string body;
  PutLE(body, flags, 4);
  PutLE(body, attrib, 4);
  PutLE(body, 0x01D9111111111111ULL, 8);  // itime
  PutLE(body, 0x01D9222222222222ULL, 8);  // create_time
  return body;
}

std::string BodyV5(std::uint32_t flags, std::uint32_t attrib) {
  std::string body;
  PutLE(body, flags, 4);
  PutLE(body, attrib, 4);
  PutLE(body, 0x01DA333333333333ULL, 8);  // create_time
  return body;
}

// A record as Samba 4.17 and later write it for a hidden file: valid flags 0x11 (attrib and
// creation time), attrib 0x22 (hidden, archive), the creation time.
const std::string kSambaV5 =
    Bytes({0x00, 0x00, 0x05, 0x00, 0x05, 0x00, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00,
           0x22, 0x00, 0x00, 0x00, 0x80, 0x3e, 0xd5, 0xde, 0xb1, 0x9d, 0xd9, 0x01});

struct Sample {
  const char* name;
  std::string record;
  std::size_t attrib_offset;  // where the attrib field lies
};

std::vector<Sample> BinarySamples() {
  return {
      {"v3", Binary("0x20", 3, BodyV3(0x11, 0x21)), 16},
      {"v4", Binary("", 4, BodyV4(0x11, 0x06)), 12},
      {"v5", Binary("", 5, BodyV5(0x01, 0x27)), 12},
      {"samba v5", kSambaV5, 12},
  };
}

TEST(DosAttribParse, ReadsLegacyHexStrings) {
  EXPECT_EQ(ParseDosAttrib("0x22"), 0x22u);
  EXPECT_EQ(ParseDosAttrib(std::string("0x22\0", 5)), 0x22u);
  EXPECT_EQ(ParseDosAttrib("0X5"), 0x5u);
  EXPECT_EQ(ParseDosAttrib("0x0000002f"), 0x2Fu);
  EXPECT_EQ(ParseDosAttrib("26"), 0x26u);
  EXPECT_EQ(ParseDosAttrib("0x12 and more"), 0x12u);
  EXPECT_EQ(ParseDosAttrib("0xffffffff"), 0xFFFFFFFFu);
  // No digit, or more than 32 bits: nothing to trust.
  EXPECT_EQ(ParseDosAttrib(""), std::nullopt);
  EXPECT_EQ(ParseDosAttrib("0x"), std::nullopt);
  EXPECT_EQ(ParseDosAttrib("hidden"), std::nullopt);
  EXPECT_EQ(ParseDosAttrib("0x123456789"), std::nullopt);
}

TEST(DosAttribParse, ReadsTheAttribFieldOfEachBinaryVersion) {
  EXPECT_EQ(ParseDosAttrib(kSambaV5), 0x22u);
  EXPECT_EQ(ParseDosAttrib(Binary("", 5, BodyV5(0x01, 0x07))), 0x07u);
  EXPECT_EQ(ParseDosAttrib(Binary("", 4, BodyV4(0x01, 0x16))), 0x16u);
  // The binary field wins over the (older) hex string in front of it.
  EXPECT_EQ(ParseDosAttrib(Binary("0x20", 3, BodyV3(0x01, 0x21))), 0x21u);
  // Hex strings of odd and even length move the version and the body.
  EXPECT_EQ(ParseDosAttrib(Binary("0x2", 3, BodyV3(0x01, 0x23))), 0x23u);
  EXPECT_EQ(ParseDosAttrib(Binary("0x120", 3, BodyV3(0x01, 0x24))), 0x24u);
}

TEST(DosAttribParse, AttribNotMarkedValidFallsBackToTheHexString) {
  EXPECT_EQ(ParseDosAttrib(Binary("", 5, BodyV5(0x10, 0x22))), std::nullopt);
  EXPECT_EQ(ParseDosAttrib(Binary("0x26", 3, BodyV3(0x00, 0x21))), 0x26u);
}

TEST(DosAttribParse, DamagedRecordsReadAsFarAsTheyAreValid) {
  for (const Sample& sample : BinarySamples()) {
    SCOPED_TRACE(sample.name);
    const std::optional<std::uint32_t> whole = ParseDosAttrib(sample.record);
    const std::size_t nul = sample.record.find('\0');
    const std::optional<std::uint32_t> hex = ParseDosAttrib(sample.record.substr(0, nul));
    // Cut anywhere after the hex string: what is whole is read, the rest ignored.
    for (std::size_t size = nul + 1; size < sample.record.size(); ++size) {
      SCOPED_TRACE(size);
      const std::optional<std::uint32_t> got = ParseDosAttrib(sample.record.substr(0, size));
      if (size >= sample.attrib_offset + 4) {
        EXPECT_EQ(got, whole);  // flags and attrib are there
      } else {
        EXPECT_EQ(got, hex);
      }
    }
  }
  // The version stored twice must agree; an unknown version has no known body.
  std::string mismatch = Binary("0x24", 3, BodyV3(0x01, 0x21));
  mismatch[8] = 4;
  EXPECT_EQ(ParseDosAttrib(mismatch), 0x24u);
  EXPECT_EQ(ParseDosAttrib(Binary("", 9, BodyV5(0x01, 0x21))), std::nullopt);
  EXPECT_EQ(ParseDosAttrib(Binary("0x2", 2, BodyV5(0x01, 0x21))), 0x2u);
}

TEST(DosAttribParse, AnyBytesReadBackWhatWasWrittenOverThem) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 20000; ++round) {
    std::string bytes(random() % 64, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() % 8 == 0 ? 0 : random());
    ParseDosAttrib(bytes);
    const std::uint32_t attrib = static_cast<std::uint32_t>(random());
    EXPECT_EQ(ParseDosAttrib(UpdateDosAttrib(bytes, attrib)), attrib);
  }
}

TEST(DosAttribUpdate, ChangesOnlyTheAttribFieldOfAWholeBinaryRecord) {
  for (Sample sample : BinarySamples()) {
    SCOPED_TRACE(sample.name);
    for (const std::string& tail : {std::string(), std::string("\x01\x02tail", 6)}) {
      const std::string before = sample.record + tail;
      const std::string after = UpdateDosAttrib(before, 0x13);
      ASSERT_EQ(after.size(), before.size());
      std::string expected = before;
      expected.replace(sample.attrib_offset, 4, Bytes({0x13, 0, 0, 0}));
      EXPECT_EQ(after, expected);
      EXPECT_EQ(ParseDosAttrib(after), 0x13u);
    }
  }
}

TEST(DosAttribUpdate, MarksTheAttribValidWhereItWasNot) {
  const std::string before = Binary("", 4, BodyV4(0x10, 0x00));
  std::string expected = Binary("", 4, BodyV4(0x11, 0x02));
  EXPECT_EQ(UpdateDosAttrib(before, 0x02), expected);
}

TEST(DosAttribUpdate, KeepsTheLegacyForm) {
  EXPECT_EQ(UpdateDosAttrib("0x4", 0x16), "0x16");
  EXPECT_EQ(UpdateDosAttrib(std::string("0x22\0", 5), 0x0), std::string("0x0\0", 4));
  EXPECT_EQ(UpdateDosAttrib("0X5", 0x2F), "0x2f");
  EXPECT_EQ(UpdateDosAttrib("0x20", 0xFFFFFFFF), "0xffffffff");
}

TEST(DosAttribUpdate, WritesVersion5WhereNothingUsableIsStored) {
  const std::string fresh =
      Bytes({0x00, 0x00, 0x05, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
             0x26, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(UpdateDosAttrib("", 0x26), fresh);
  EXPECT_EQ(UpdateDosAttrib("hidden", 0x26), fresh);
  EXPECT_EQ(UpdateDosAttrib(std::string("0x22\0\0", 6), 0x26), fresh);  // a stub of a record
  EXPECT_EQ(UpdateDosAttrib(Binary("", 9, BodyV5(0x01, 0x21)), 0x26), fresh);
  const std::string v3 = Binary("0x20", 3, BodyV3(0x01, 0x21));
  EXPECT_EQ(UpdateDosAttrib(v3.substr(0, v3.size() - 1), 0x26), fresh);
}

// The attributes of the entry of exactly this name.
std::optional<std::uint32_t> Found(const std::string& path) {
  const std::optional<FoundEntry> entry = FindEntry(path);
  if (!entry) return std::nullopt;
  return entry->attributes;
}

// The Linux file layer over real extended attributes in a temp folder.
class DosAttribFiles : public testing::Test {
 protected:
  void SetUp() override {
    const std::string probe = dir_.File("probe");
    test::WriteBytes(probe, "");
    if (setxattr(probe.c_str(), "user.zendrel-probe", "1", 1, 0) != 0) {
      GTEST_SKIP() << dir_.path() << " keeps no user extended attributes: " << strerror(errno)
                   << " (set TMPDIR to a folder on ext4, xfs, btrfs or tmpfs)";
    }
    fs::create_directory(folder_);
    test::WriteBytes(file_, "text");
  }

  static void Store(const std::string& path, const std::string& record) {
    ASSERT_EQ(setxattr(path.c_str(), kDosAttribName, record.data(), record.size(), 0), 0) << path;
  }
  static std::optional<std::string> Stored(const std::string& path) {
    char buffer[256];
    const ssize_t size = getxattr(path.c_str(), kDosAttribName, buffer, sizeof buffer);
    if (size < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(size));
  }

  test::TempDir dir_;
  const std::string folder_ = dir_.File("Work");
  const std::string file_ = dir_.File("note.txt");
};

TEST_F(DosAttribFiles, ReadsWhatSambaAndWineStored) {
  Store(file_, kSambaV5);
  EXPECT_EQ(ReadAttributes(file_), 0x22u);
  EXPECT_EQ(Found(file_), 0x22u);
  // A folder that Samba shows as "RSD": read-only and system, kept on the folder.
  Store(folder_, "0x5");
  EXPECT_EQ(Found(folder_), 0x15u);
  // The directory bit follows the file type, whatever the record says.
  Store(file_, "0x16");
  EXPECT_EQ(ReadAttributes(file_), 0x06u);
}

TEST_F(DosAttribFiles, WithoutARecordReportsSambasDefaults) {
  EXPECT_EQ(ReadAttributes(file_), 0x20u);
  EXPECT_EQ(ReadAttributes(folder_), 0x10u);
  fs::create_directory(dir_.File(".cache"));
  test::WriteBytes(dir_.File(".profile"), "");
  EXPECT_EQ(ReadAttributes(dir_.File(".cache")), 0x12u);
  EXPECT_EQ(Found(dir_.File(".profile")), 0x22u);
  // A record that holds nothing usable counts as none.
  Store(file_, "garbage");
  EXPECT_EQ(ReadAttributes(file_), 0x20u);
  Store(dir_.File(".profile"), "");
  EXPECT_EQ(ReadAttributes(dir_.File(".profile")), 0x22u);
}

TEST_F(DosAttribFiles, WritesInTheFormAlreadyStored) {
  ASSERT_TRUE(WriteAttributes(file_, 0x23));
  EXPECT_EQ(Stored(file_), UpdateDosAttrib("", 0x23));
  // Samba keeps the directory bit in a folder's record; so do we.
  ASSERT_TRUE(WriteAttributes(folder_, 0x06));
  EXPECT_EQ(Stored(folder_), UpdateDosAttrib("", 0x16));

  Store(folder_, "0x4");  // as Wine writes it
  ASSERT_TRUE(WriteAttributes(folder_, 0x07));
  EXPECT_EQ(Stored(folder_), "0x17");
  EXPECT_EQ(ReadAttributes(folder_), 0x17u);

  const std::string v3 = Binary("0x20", 3, BodyV3(0x11, 0x20));
  Store(file_, v3);
  ASSERT_TRUE(WriteAttributes(file_, 0x21));
  EXPECT_EQ(Stored(file_), UpdateDosAttrib(v3, 0x21));
  EXPECT_EQ(Stored(file_)->size(), v3.size());

  // A record longer than a first small read, with bytes after it that are not ours.
  const std::string long_record = Binary("", 5, BodyV5(0x11, 0x20)) + std::string(150, 'z');
  Store(file_, long_record);
  EXPECT_EQ(ReadAttributes(file_), 0x20u);
  ASSERT_TRUE(WriteAttributes(file_, 0x22));
  EXPECT_EQ(Stored(file_), UpdateDosAttrib(long_record, 0x22));
}

TEST_F(DosAttribFiles, WritingKeepsEveryTimeButTheChangeTime) {
  for (const std::string& path : {folder_, file_}) {
    SCOPED_TRACE(path);
    const struct timespec past[2] = {{981173106, 123}, {981173106, 456}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
    struct statx before {};
    ASSERT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_ALL, &before), 0);
    usleep(30000);  // so that a moved time would show
    ASSERT_TRUE(WriteAttributes(path, 0x07));
    struct statx after {};
    ASSERT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_ALL, &after), 0);
    EXPECT_EQ(after.stx_atime.tv_sec, 981173106);
    EXPECT_EQ(after.stx_atime.tv_nsec, 123u);
    EXPECT_EQ(after.stx_mtime.tv_sec, 981173106);
    EXPECT_EQ(after.stx_mtime.tv_nsec, 456u);
    EXPECT_EQ(after.stx_btime.tv_sec, before.stx_btime.tv_sec);
    EXPECT_EQ(after.stx_btime.tv_nsec, before.stx_btime.tv_nsec);
    // The write did happen.
    EXPECT_NE(after.stx_ctime.tv_nsec + after.stx_ctime.tv_sec * 1'000'000'000LL,
              before.stx_ctime.tv_nsec + before.stx_ctime.tv_sec * 1'000'000'000LL);
  }
}

TEST_F(DosAttribFiles, FileSystemWithoutUserAttributesRefusesQuietly) {
  // procfs keeps no user extended attributes at all.
  const std::string proc_file = "/proc/self/status";
  EXPECT_EQ(ReadAttributes(proc_file), 0x20u);
  EXPECT_FALSE(WriteAttributes(proc_file, 0x02));
  // Nor does Linux allow them on a FIFO.
  const std::string fifo = dir_.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadAttributes(fifo), 0x20u);
  EXPECT_FALSE(WriteAttributes(fifo, 0x02));
}

TEST_F(DosAttribFiles, LinkToAFolderIsAFolder) {
  const std::string link = dir_.File("link");
  ASSERT_EQ(symlink(folder_.c_str(), link.c_str()), 0);
  EXPECT_EQ(Found(link), 0x10u);
  // Attributes live on the folder the link leads to.
  ASSERT_TRUE(WriteAttributes(link, 0x02));
  EXPECT_EQ(ReadAttributes(folder_), 0x12u);
  // A dangling link is still an entry of that name, as on Windows.
  const std::string dangling = dir_.File("dangling");
  ASSERT_EQ(symlink(dir_.File("nowhere").c_str(), dangling.c_str()), 0);
  EXPECT_TRUE(FindEntry(dangling));
  EXPECT_FALSE(WriteAttributes(dangling, 0x02));
}

TEST_F(DosAttribFiles, LinkToAFileKeepsItsAttributesOffTheFile) {
  const std::string file = dir_.File("shared.ini");
  test::WriteBytes(file, "x");
  const std::string link = dir_.File("desktop.ini");
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  const std::optional<std::uint32_t> before = ReadAttributes(file);
  EXPECT_FALSE(WriteAttributes(link, 0x22));
  EXPECT_EQ(ReadAttributes(file), before);
}

TEST_F(DosAttribFiles, UniversalNamesGoThroughTheMountTable) {
  // The folder Work lies on a share mounted at dir/mnt.
  const std::string mount = dir_.File("mnt");
  fs::create_directory(mount);
  fs::create_directory(mount + "/Work");
  const std::string table = dir_.File("mountinfo");
  test::WriteBytes(table, "40 1 0:50 / " + mount + " rw - cifs //server/share rw\n");
  const test::ScopedVariable mounts("ZENDREL_MOUNTINFO", table.c_str());

  EXPECT_EQ(Found("\\\\server\\share\\Work"), 0x10u);
  ASSERT_TRUE(WriteAttributes("\\\\server\\share\\Work", 0x06));
  EXPECT_EQ(ReadAttributes(mount + "/Work"), 0x16u);
  EXPECT_EQ(ReadAttributes("\\\\server\\share\\Work"), 0x16u);
  // The share itself is a root, like a drive's, and a trailing separator finds nothing.
  EXPECT_FALSE(FindEntry("\\\\server\\share"));
  EXPECT_FALSE(FindEntry("\\\\server\\share\\Work\\"));
  // A share with no mount behind it does not exist.
  EXPECT_FALSE(FindEntry("\\\\other\\share\\Work"));
  EXPECT_FALSE(ReadAttributes("\\\\other\\share\\Work"));
  EXPECT_FALSE(WriteAttributes("\\\\other\\share\\Work", 0x02));
}

}  // namespace
}  // namespace zendrel::platform::posix
