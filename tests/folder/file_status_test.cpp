#include "folder/file_status.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/temp_dir.h"
#include "text/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace zendrel::folder {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The entry's change time at full precision: it moves with every metadata write, so an
// unchanged value shows that nothing was written.
std::int64_t ChangeTime(const std::string& path) {
#ifdef _WIN32
  const HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  EXPECT_NE(handle, INVALID_HANDLE_VALUE) << path;
  FILE_BASIC_INFO info{};
  EXPECT_TRUE(GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info));
  CloseHandle(handle);
  return info.ChangeTime.QuadPart;
#else
  struct statx status {};
  EXPECT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_CTIME, &status), 0) << path;
  return status.stx_ctime.tv_sec * 1'000'000'000LL + status.stx_ctime.tv_nsec;
#endif
}

// Long enough for the clock behind change times to move on.
void LetTheClockTick() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

platform::FoundEntry Entry(std::uint32_t attributes, std::int64_t creation,
                           std::int64_t last_write) {
  platform::FoundEntry entry;
  entry.attributes = attributes;
  entry.creationTime = creation;
  entry.lastWriteTime = last_write;
  return entry;
}

TEST(FileStatusRecord, KeepsTheLowSevenAttributeBits) {
  const struct {
    std::uint32_t raw;
    std::uint8_t byte;
  } cases[] = {
      {0x80, 0x00},        // the normal-file bit
      {0xA1, 0x21},        // normal beside read-only and archive
      {0x2016, 0x16},      // not-indexed, hidden, system, directory
      {0x410, 0x10},       // a directory reached through a link
      {0xFFFFFFFF, 0x7F},  // everything
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeFileStatus(Entry(c.raw, 1, 1), "x").attributes, c.byte) << std::hex << c.raw;
  }
}

TEST(FileStatusRecord, LastWriteTimeStandsInForAMissingCreationTime) {
  const FileStatus none = MakeFileStatus(Entry(0x20, 0, 1000), "x");
  EXPECT_EQ(none.creationTime, 1000u);
  EXPECT_EQ(none.lastWriteTime, 1000u);
  const FileStatus both = MakeFileStatus(Entry(0x20, 500, 1000), "x");
  EXPECT_EQ(both.creationTime, 500u);
  EXPECT_EQ(both.lastWriteTime, 1000u);
}

TEST(FileStatusRecord, TimesOutside32BitsAreHeldAtTheEnds) {
  const FileStatus early = MakeFileStatus(Entry(0x20, -86400, -1), "x");
  EXPECT_EQ(early.creationTime, 0u);
  EXPECT_EQ(early.lastWriteTime, 0u);
  const FileStatus late = MakeFileStatus(Entry(0x20, 0x1'0000'0005LL, 0xFFFFFFFFLL), "x");
  EXPECT_EQ(late.creationTime, 0xFFFFFFFFu);
  EXPECT_EQ(late.lastWriteTime, 0xFFFFFFFFu);
}

TEST(QueryStatus, FindsAFolderUnderItsOwnNameOnly) {
  TempDir dir;
  const std::string work = dir.File("Work");
  fs::create_directory(work);
  const auto before = std::chrono::system_clock::now() - std::chrono::seconds(2);

  const std::optional<FileStatus> status = QueryStatus(work);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->attributes, kDirectory);
  EXPECT_EQ(status->fullName, work);
  const auto made =
      std::chrono::system_clock::time_point(std::chrono::seconds(status->creationTime));
  EXPECT_GE(made, before);
  EXPECT_GE(status->lastWriteTime, status->creationTime);

  EXPECT_FALSE(QueryStatus(text::AddTrailingSeparator(work)));
  EXPECT_FALSE(QueryStatus(fs::path(work).root_path().string()));
  EXPECT_FALSE(QueryStatus(dir.File("Missing")));
}

TEST(QueryStatus, FullNameFillsAPathBufferToTheLastByte) {
  TempDir dir;
  // Nest folders until a single name can bring the full path to 259 bytes.
  std::string base = dir.path();
  if (base.size() + 2 >= text::kBufferSize) GTEST_SKIP() << "temp folder path too long";
  while (text::kBufferSize - 2 - base.size() > 200) {
    base = text::AddTrailingSeparator(base) + std::string(100, 'd');
    fs::create_directory(base);
  }
  const std::string longest =
      text::AddTrailingSeparator(base) + std::string(text::kBufferSize - 2 - base.size(), 'n');
  ASSERT_EQ(longest.size(), text::kBufferSize - 1);
  test::WriteBytes(longest, "x");
  const std::optional<FileStatus> status = QueryStatus(longest);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->fullName, longest);

#ifndef _WIN32
  // Linux names have no such buffer: a folder far deeper is found under its whole name, as
  // every other file function of the build takes it.
  std::string deep = base;
  while (deep.size() < 3 * text::kBufferSize) {
    deep = text::AddTrailingSeparator(deep) + std::string(200, 'e');
    fs::create_directory(deep);
  }
  const std::optional<FileStatus> deepStatus = QueryStatus(deep);
  ASSERT_TRUE(deepStatus);
  EXPECT_EQ(deepStatus->fullName, deep);
  EXPECT_TRUE(deepStatus->attributes & kDirectory);
#endif
}

TEST(WriteAttributeByte, FolderTakesReadOnlySystemWithItsDirectoryBit) {
  TempDir dir;
  const std::string work = dir.File("Work");
  fs::create_directory(work);
  EXPECT_TRUE(WriteAttributeByte(work, kDirectory | kReadOnly | kSystem));
  const std::optional<FileStatus> status = QueryStatus(work);
  ASSERT_TRUE(status);
  // Wine does not keep read-only on a folder; Windows does, and so does our Linux layer.
  EXPECT_EQ(status->attributes, test::UnderWine() ? 0x14 : 0x15);
  WriteAttributeByte(work, kDirectory);
}

TEST(WriteAttributeByte, SameByteWritesNothing) {
  TempDir dir;
  const std::string work = dir.File("Work");
  fs::create_directory(work);
  const std::uint8_t present = QueryStatus(work)->attributes;

  LetTheClockTick();
  const std::int64_t unchanged = ChangeTime(work);
  EXPECT_TRUE(WriteAttributeByte(work, present));
  EXPECT_EQ(ChangeTime(work), unchanged);

  // A different byte is written, and the change time shows it.
  LetTheClockTick();
  EXPECT_TRUE(WriteAttributeByte(work, present | kHidden));
  EXPECT_NE(ChangeTime(work), unchanged);
  EXPECT_EQ(QueryStatus(work)->attributes, present | kHidden);
}

TEST(WriteAttributeByte, MissingEntryIsRefused) {
  TempDir dir;
  EXPECT_FALSE(WriteAttributeByte(dir.File("missing"), kHidden));
  EXPECT_FALSE(test::Exists(dir.File("missing")));
}

}  // namespace
}  // namespace zendrel::folder
