#include <shlwapi.h>
#include <windows.h>

#include "platform/directory.h"
#include "text/text.h"

namespace zendrel::platform {

bool IsDirectory(const std::string& path) {
  return !path.empty() && PathIsDirectoryA(path.c_str()) != FALSE;
}

std::vector<std::string> ListByExtension(const std::string& directory,
                                         const std::string& extension) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "*" + extension).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    // The pattern also matches through 8.3 short names ("x.icon" is "X~1.ICO"); only a
    // name that really ends in the extension counts.
    const std::string name = found.cFileName;
    if (name.size() > extension.size() &&
        text::SameAsciiName(std::string_view(name).substr(name.size() - extension.size()),
                            extension)) {
      names.push_back(name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

}  // namespace zendrel::platform
