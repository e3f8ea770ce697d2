// The file status and attribute services behave alike on both builds: the Windows build runs
// these against the system's functions (under Wine here), the Linux build against our layer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/file_attributes.h"
#include "support/temp_dir.h"
#include "text/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace zendrel::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::UnderWine;

// 2001-02-03 04:05:06 UTC, a time no test run can produce by itself.
constexpr std::int64_t kPast = 981173106;

// Every time stamp of an entry, at the system's full precision.
struct Times {
  std::int64_t creation = -1;  // -1 where the file system keeps none
  std::int64_t access = 0;
  std::int64_t write = 0;
  bool operator==(const Times&) const = default;
};

#ifdef _WIN32
HANDLE OpenForAttributes(const std::string& path, DWORD access) {
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

Times ReadTimes(const std::string& path) {
  const HANDLE handle = OpenForAttributes(path, FILE_READ_ATTRIBUTES);
  EXPECT_NE(handle, INVALID_HANDLE_VALUE) << path;
  FILE_BASIC_INFO info{};
  EXPECT_TRUE(GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info));
  CloseHandle(handle);
  return Times{info.CreationTime.QuadPart, info.LastAccessTime.QuadPart,
               info.LastWriteTime.QuadPart};
}

// Access and write time; the creation time stays as the system made it, as on Linux.
void SetTimes(const std::string& path, std::int64_t unix_seconds) {
  const std::uint64_t ticks = (static_cast<std::uint64_t>(unix_seconds) + 11644473600u) * 10000000u;
  FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const HANDLE handle = OpenForAttributes(path, FILE_WRITE_ATTRIBUTES);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE) << path;
  EXPECT_TRUE(SetFileTime(handle, nullptr, &time, &time));
  CloseHandle(handle);
}
#else
std::int64_t Nanoseconds(const struct statx_timestamp& time) {
  return time.tv_sec * 1'000'000'000LL + time.tv_nsec;
}

Times ReadTimes(const std::string& path) {
  struct statx status {};
  EXPECT_EQ(statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW,
                  STATX_ATIME | STATX_MTIME | STATX_BTIME, &status),
            0)
      << path;
  Times times;
  if (status.stx_mask & STATX_BTIME) times.creation = Nanoseconds(status.stx_btime);
  times.access = Nanoseconds(status.stx_atime);
  times.write = Nanoseconds(status.stx_mtime);
  return times;
}

// Access and write time (Linux offers no way to set a birth time).
void SetTimes(const std::string& path, std::int64_t unix_seconds) {
  const struct timespec times[2] = {{unix_seconds, 0}, {unix_seconds, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}
#endif

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The attribute bits Zendrel looks at, through the exact-name lookup.
std::optional<std::uint32_t> FoundBits(const std::string& path) {
  const std::optional<FoundEntry> entry = FindEntry(path);
  if (!entry) return std::nullopt;
  return entry->attributes & 0x7F;
}

std::optional<std::uint32_t> ReadBits(const std::string& path) {
  const std::optional<std::uint32_t> attributes = ReadAttributes(path);
  if (!attributes) return std::nullopt;
  return *attributes & 0x7F;
}

// A folder and a file in a fresh temp folder, their attributes reset at the end: Windows
// will not delete a read-only file, and a temp folder must not outlive its test.
class FileAttributesContract : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(folder_);
    test::WriteBytes(file_, "text");
  }
  void TearDown() override {
    WriteAttributes(folder_, 0);
    WriteAttributes(file_, 0);
  }

  TempDir dir_;
  const std::string folder_ = dir_.File("Work");
  const std::string file_ = dir_.File("note.txt");
};

// Restores the current directory when it goes.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& path) : saved_(fs::current_path()) {
    fs::current_path(path);
  }
  ~CurrentDirectory() { fs::current_path(saved_); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  fs::path saved_;
};

TEST_F(FileAttributesContract, FindsExactlyTheNamedEntry) {
  EXPECT_EQ(FoundBits(folder_), 0x10u);
  EXPECT_EQ(FoundBits(file_), 0x20u);

  // The directory search is for one name: a trailing separator, the root and wildcard
  // patterns find nothing, even though each would lead to an existing entry.
  EXPECT_FALSE(FindEntry(text::AddTrailingSeparator(folder_)));
  EXPECT_FALSE(FindEntry(fs::path(dir_.path()).root_path().string()));
  EXPECT_FALSE(FindEntry(dir_.File("Wo?k")));
  EXPECT_FALSE(FindEntry(dir_.File("*")));
  EXPECT_FALSE(FindEntry(dir_.File("Missing")));
  EXPECT_FALSE(FindEntry(""));

  // Reading attributes is not a directory search: the folder behind a trailing separator
  // has them.
  EXPECT_EQ(ReadBits(text::AddTrailingSeparator(folder_)), 0x10u);
}

TEST_F(FileAttributesContract, ReportsTheEntrysTimes) {
  const std::int64_t before = Now();
  test::WriteBytes(dir_.File("fresh.txt"), "x");
  SetTimes(dir_.File("fresh.txt"), kPast);
  const std::optional<FoundEntry> entry = FindEntry(dir_.File("fresh.txt"));
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->lastWriteTime, kPast);
  if (UnderWine()) {
    // Wine (8.0) reports the last-write time as the creation time, birth time or not.
    EXPECT_EQ(entry->creationTime, kPast);
    return;
  }
  // Just made, so made now: neither the last-write time nor some zero point stands in.
  EXPECT_GE(entry->creationTime, before - 2);
  EXPECT_LE(entry->creationTime, Now() + 2);
}

TEST_F(FileAttributesContract, FolderKeepsReadOnlyAndSystem) {
  ASSERT_TRUE(WriteAttributes(folder_, 0x05));
  // Wine does not keep read-only on a folder (0x11 reads back as 0x10); Windows does, and so
  // does our Linux layer.
  const std::uint32_t expected = UnderWine() ? 0x14 : 0x15;
  EXPECT_EQ(FoundBits(folder_), expected);
  EXPECT_EQ(ReadBits(folder_), expected);
}

TEST_F(FileAttributesContract, HiddenSystemAndReadOnlyRoundTrip) {
  for (const std::uint32_t bits : {0x02u, 0x04u, 0x06u, 0x00u}) {
    SCOPED_TRACE(bits);
    ASSERT_TRUE(WriteAttributes(folder_, bits));
    EXPECT_EQ(FoundBits(folder_), bits | 0x10);
    EXPECT_EQ(ReadBits(folder_), bits | 0x10);
  }
  for (const std::uint32_t bits : {0x22u, 0x24u, 0x26u, 0x21u, 0x27u, 0x20u}) {
    SCOPED_TRACE(bits);
    ASSERT_TRUE(WriteAttributes(file_, bits));
    EXPECT_EQ(FoundBits(file_), bits);
    EXPECT_EQ(ReadBits(file_), bits);
  }
}

TEST_F(FileAttributesContract, ArchiveBitCanBeCleared) {
  ASSERT_TRUE(WriteAttributes(file_, 0x02));
  // Wine gives every regular file the archive bit and cannot clear it; Windows can.
  EXPECT_EQ(FoundBits(file_), UnderWine() ? 0x22u : 0x02u);
}

TEST_F(FileAttributesContract, WritingAttributesLeavesEveryTimeAlone) {
  for (const std::string& path : {folder_, file_}) {
    SCOPED_TRACE(path);
    SetTimes(path, kPast);
    const Times before = ReadTimes(path);
    ASSERT_TRUE(WriteAttributes(path, 0x07));
    ASSERT_TRUE(WriteAttributes(path, 0x02));
    EXPECT_EQ(ReadTimes(path), before);
    const std::optional<FoundEntry> entry = FindEntry(path);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->lastWriteTime, kPast);
  }
}

TEST_F(FileAttributesContract, MissingEntryHasNoAttributes) {
  const std::string missing = dir_.File("missing");
  EXPECT_FALSE(FindEntry(missing));
  EXPECT_FALSE(ReadAttributes(missing));
  EXPECT_FALSE(WriteAttributes(missing, 0x02));
  EXPECT_FALSE(test::Exists(missing));
}

TEST_F(FileAttributesContract, QualifiesFromTheCurrentDirectory) {
  const CurrentDirectory inside(dir_.path());
  const std::string here = text::AddTrailingSeparator(fs::current_path().string());
  const std::string sep(1, text::kSeparator);

  // Nothing needs to exist to have a full name.
  EXPECT_EQ(QualifyPath("missing"), here + "missing");
  EXPECT_EQ(QualifyPath("Work"), here + "Work");
  EXPECT_EQ(QualifyPath("Work" + sep), here + "Work" + sep);
  EXPECT_EQ(QualifyPath("a" + sep + ".." + sep + "." + sep + "Work"), here + "Work");
  EXPECT_EQ(QualifyPath("a" + sep + sep + "b"), here + "a" + sep + "b");
  EXPECT_EQ(QualifyPath(folder_), folder_);
  EXPECT_FALSE(QualifyPath(""));
}

}  // namespace
}  // namespace zendrel::platform
