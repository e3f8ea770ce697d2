#include "folder/folder_fixture.h"

#include <algorithm>
#include <random>

#include "folder/file_status.h"
#include "support/scoped_env.h"
#include "text/text.h"

#ifndef _WIN32
#include "platform/posix/mount_table.h"
#endif

#ifdef _WIN32
#include <windows.h>
#else
#include <limits.h>
#include <linux/capability.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace zendrel::test {

std::string SettingsFileBytes(const std::string& text) {
#ifdef _WIN32
  return text;
#else
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii ? text : "\xFF\xFE" + Utf16Le(text);
#endif
}

std::vector<std::string> NoSettingsFiles() {
  std::mt19937 random(20240607);
  std::string binary(64 * 1024, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  std::string large;
  large.reserve(10u << 20);
  while (large.size() < (10u << 20)) large += "IconFile=nothing to see here, no section yet\r\n";
  return {binary, large};
}

FolderTest::FolderTest()
    : folder_(dir_.File("Target")),
      prefix_(text::AddTrailingSeparator(folder_)),
      settings_(prefix_ + "desktop.ini"),
      thumbs_(prefix_ + "Thumbs.db"),
      savedDirectory_(std::filesystem::current_path()) {
  std::filesystem::create_directory(folder_);
}

// The program leaves the folder as the current directory, and Windows will not remove a
// current directory or a read-only file.
FolderTest::~FolderTest() {
  std::filesystem::current_path(savedDirectory_);
  platform::WriteAttributes(settings_, 0);
  platform::WriteAttributes(folder_, 0);
}

std::uint8_t FolderTest::FolderAttributes() const {
  const auto status = folder::QueryStatus(folder_);
  return status ? status->attributes : 0xFF;
}

std::uint8_t FolderTest::SettingsFileAttributes() const {
  const auto status = folder::QueryStatus(settings_);
  return status ? status->attributes : 0xFF;
}

void FolderTest::SetFolderAttributes(std::uint8_t attributes) {
  ASSERT_TRUE(folder::WriteAttributeByte(folder_, attributes));
  ASSERT_EQ(FolderAttributes(), AsKept(attributes));
}

std::uint8_t FolderTest::AsKept(std::uint8_t folderAttributes) {
  return UnderWine() ? folderAttributes & ~folder::kReadOnly : folderAttributes;
}

std::string FolderTest::InFolder(const std::string& name) const { return prefix_ + name; }

#ifdef _WIN32
Unreadable::Unreadable(const std::string& path, unsigned)
    : path_(path),
      handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
  EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << path;
}

Unreadable::~Unreadable() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}
#else
namespace {

constexpr std::uint32_t kReadAnyway = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// The calling thread's capabilities; the tests run on one thread.
bool Capabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capget, &header, data) == 0;
}

void SetCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  EXPECT_EQ(syscall(SYS_capset, &header, data), 0);
}

}  // namespace

Unreadable::Unreadable(const std::string& path, unsigned mode) : path_(path) {
  struct stat status;
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  mode_ = status.st_mode & 07777;
  EXPECT_EQ(chmod(path.c_str(), mode), 0);
  __user_cap_data_struct data[2] = {};
  if (Capabilities(data)) {
    effective_[0] = data[0].effective;
    effective_[1] = data[1].effective;
    data[0].effective &= ~kReadAnyway;
    SetCapabilities(data);
    dropped_ = true;
  }
  if ((mode & 0444) == 0) {
    EXPECT_FALSE(ReadBytes(path)) << "still readable: " << path;
  }
}

Unreadable::~Unreadable() {
  __user_cap_data_struct data[2] = {};
  if (dropped_ && Capabilities(data)) {
    data[0].effective = effective_[0];
    data[1].effective = effective_[1];
    SetCapabilities(data);
  }
  chmod(path_.c_str(), mode_);
}

ServerShare::ServerShare(const std::string& folder, const std::string& table) {
  char resolved[PATH_MAX];
  EXPECT_NE(realpath(folder.c_str(), resolved), nullptr) << folder;
  WriteBytes(table, "36 1 0:40 / / rw - ext4 /dev/sda1 rw\n90 36 0:55 / " + std::string(resolved) +
                        " rw - cifs //server/share rw\n");
  test::UseMountTable(table);
}

ServerShare::~ServerShare() { test::UseMountTable(""); }
#endif

}  // namespace zendrel::test
