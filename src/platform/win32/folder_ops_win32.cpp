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

std::size_t LongestPath() { return MAX_PATH - 1; }

std::optional<std::string> SearchAndQualify(const std::string& folder, const std::string& name) {
  char buffer[text::kBufferSize] = {};
  if (name.empty()) return std::nullopt;
  if (!PathIsRelativeA(name.c_str())) {
    if (!PathSearchAndQualifyA(name.c_str(), buffer, sizeof buffer)) return std::nullopt;
    return std::string(buffer);
  }
  // A relative name means the folder's own file. The shell's search would take it from the
  // process's current directory, which is not the folder; only a bare name that the folder
  // lacks is looked for where the system keeps its own icon libraries.
  const std::string inFolder = text::AddTrailingSeparator(folder) + name;
  const DWORD length = GetFullPathNameA(inFolder.c_str(), sizeof buffer, buffer, nullptr);
  if (length == 0 || length >= sizeof buffer) return std::nullopt;
  const std::string full(buffer, length);
  if (!IsExistingFile(full) && PathIsFileSpecA(name.c_str())) {
    const UINT system = GetSystemDirectoryA(buffer, sizeof buffer);
    if (system > 0 && system < sizeof buffer) {
      const std::string inSystem = text::AddTrailingSeparator(buffer) + name;
      if (inSystem.size() < sizeof buffer && IsExistingFile(inSystem)) return inSystem;
    }
  }
  return full;
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
