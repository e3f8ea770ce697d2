#include <shlwapi.h>
#include <windows.h>

#include "platform/directory.h"

namespace zendrel::platform {

bool IsDirectory(const std::string& path) {
  return !path.empty() && PathIsDirectoryA(path.c_str()) != FALSE;
}

}  // namespace zendrel::platform
