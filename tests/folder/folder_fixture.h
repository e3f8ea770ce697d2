// A target folder in a fresh temp folder, for the tests that read and customise it: its
// desktop.ini and Thumbs.db, its attributes, and the bytes a desktop.ini of a given text has
// on each build.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

namespace zendrel::test {

// "表" in the build's code page: Shift-JIS on Windows, where its second byte is a
// backslash, UTF-8 on Linux.
#ifdef _WIN32
inline constexpr std::string_view kHyo = "\x95\x5C";
#else
inline constexpr std::string_view kHyo = "\xE8\xA1\xA8";
#endif

// The bytes of a desktop.ini that holds `text` (in the build's code page) as the program
// writes it: on Linux a file with text outside ASCII is UTF-16LE with a byte-order mark, so
// that Windows machines read it; Windows writes it in its code page.
std::string SettingsFileBytes(const std::string& text);

// Files that stand where a desktop.ini should be and are none: 64 KiB of random bytes, and
// 10 MiB of lines with a key but no section.
std::vector<std::string> NoSettingsFiles();

class FolderTest : public ::testing::Test {
 protected:
  FolderTest();
  ~FolderTest() override;

  // The attribute byte of the folder or of its desktop.ini; 0xFF when it cannot be queried.
  std::uint8_t FolderAttributes() const;
  std::uint8_t SettingsFileAttributes() const;
  void SetFolderAttributes(std::uint8_t attributes);

  // What a folder keeps of the attributes written to it: Wine does not keep read-only on
  // folders, Windows and our Linux layer do.
  static std::uint8_t AsKept(std::uint8_t folderAttributes);

  void WriteSettings(const std::string& bytes) { WriteBytes(settings_, bytes); }
  std::string Settings() const { return ReadBytes(settings_).value_or("(no file)"); }
  // A file named so in the target folder.
  std::string InFolder(const std::string& name) const;

  TempDir dir_;
  const std::string folder_;    // "<temp>/Target", as the command line gives it
  const std::string prefix_;    // the folder with a trailing separator
  const std::string settings_;  // its desktop.ini
  const std::string thumbs_;    // its Thumbs.db

 private:
  std::filesystem::path savedDirectory_;
};

// Makes a file unreadable to this process while it lives: on Windows by holding it open
// without sharing, on Linux by taking away its permissions (leaving `mode`) and, when the
// tests run as root, the capabilities that would pass them anyway.
class Unreadable {
 public:
  explicit Unreadable(const std::string& path, unsigned mode = 0);
  ~Unreadable();
  Unreadable(const Unreadable&) = delete;
  Unreadable& operator=(const Unreadable&) = delete;

 private:
  std::string path_;
#ifdef _WIN32
  void* handle_;
#else
  unsigned mode_ = 0;
  bool dropped_ = false;
  std::uint32_t effective_[2] = {};
#endif
};

#ifndef _WIN32
// While it lives, the universal name \\server\share leads to `folder`: a CIFS mount in a mount
// table of the test's own, written to `table`.
class ServerShare {
 public:
  ServerShare(const std::string& folder, const std::string& table);
  ~ServerShare();
  ServerShare(const ServerShare&) = delete;
  ServerShare& operator=(const ServerShare&) = delete;
};
#endif

}  // namespace zendrel::test
