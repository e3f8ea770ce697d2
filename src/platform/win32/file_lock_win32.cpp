// The lock file on Windows: the file opened with no sharing at all, so that nobody else can
// open it, and deleted by the system when it is closed, also when its holder dies.
#include <windows.h>

#include "platform/file_lock.h"

namespace zendrel::platform::lock_file {

namespace {

// Whether a lock file stands there, or one on its way out that cannot even be looked at.
bool Exists(const std::string& lockFile) {
  const DWORD attributes = GetFileAttributesA(lockFile.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

HANDLE OpenExclusively(const std::string& lockFile, DWORD flags) {
  const DWORD access = GENERIC_READ | ((flags & FILE_FLAG_DELETE_ON_CLOSE) ? DELETE : 0);
  return CreateFileA(lockFile.c_str(), access, 0, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL | flags, nullptr);
}

}  // namespace

std::intptr_t TryTake(const std::string& lockFile, bool& busy) {
  HANDLE handle = OpenExclusively(lockFile, FILE_FLAG_DELETE_ON_CLOSE);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    busy = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    if (error == ERROR_ACCESS_DENIED && Exists(lockFile)) {
      // Either the file is on its way out (its holder has just closed it) or it may not be
      // deleted (a read-only leftover); the latter still makes a lock while it is held open
      // with no sharing.
      handle = OpenExclusively(lockFile, 0);
      busy = handle == INVALID_HANDLE_VALUE;
    }
  }
  return handle == INVALID_HANDLE_VALUE ? kNone : reinterpret_cast<std::intptr_t>(handle);
}

void Release(std::intptr_t handle, const std::string&) {
  CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace zendrel::platform::lock_file
