// Small helpers the tests of both builds share: a private temporary folder and raw file bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zendrel::test {

// A fresh folder under the system's temp folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // `name` inside the folder, joined with the build's separator.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Writes the bytes exactly as given (binary mode), replacing the file.
void WriteBytes(const std::string& path, const std::string& bytes);
// The file's bytes, or nullopt when it does not exist.
std::optional<std::string> ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// Makes a folder whose name is in the ANSI code page (std::filesystem would not take such a
// name on Windows); true when it exists afterwards.
bool MakeFolder(const std::string& path);

// UTF-8 text as UTF-16LE code units, without a byte-order mark.
std::string Utf16Le(std::string_view utf8);

// A path of the build machine as the program under test sees it: unchanged on Linux, on its
// Z: drive under Wine.
std::string HostPath(const std::string& unixPath);

// True when the Windows build runs under Wine rather than on Windows; false on Linux.
bool UnderWine();

}  // namespace zendrel::test
