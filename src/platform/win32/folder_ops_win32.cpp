// Folder operations on Windows: the kernel's and the shell's own functions.
#include <windows.h>

// These need windows.h first.
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/folder_ops.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

bool IsExistingFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

bool EnterFolder(const std::string& folder) { return SetCurrentDirectoryA(folder.c_str()) != 0; }

std::optional<std::string> SearchAndQualify(const std::string& name) {
  char buffer[text::kBufferSize] = {};
  // The shell's search looks in the program's own folder and the system folders before the
  // current one, so a name that lies in the customised folder would lose to a file of the
  // same name there. The folder's own file comes first.
  if (PathIsRelativeA(name.c_str())) {
    const DWORD length = GetFullPathNameA(name.c_str(), sizeof buffer, buffer, nullptr);
    if (length > 0 && length < sizeof buffer && IsExistingFile(buffer)) return std::string(buffer);
  }
  if (!PathSearchAndQualifyA(name.c_str(), buffer, sizeof buffer)) return std::nullopt;
  return std::string(buffer);
}

std::string BareFileName(const std::string& path) {
  std::string buffer = path;
  buffer.push_back('\0');
  PathStripPathA(buffer.data());
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return buffer;
}

bool IsReadableFile(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

void NotifyAssociationsChanged() {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
}

}  // namespace zendrel::platform
