#include <dirent.h>
#include <sys/stat.h>

#include "platform/directory.h"
#include "platform/posix/mount_table.h"
#include "text/text.h"

namespace zendrel::platform {

bool IsDirectory(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  return stat(posix::ToLocalPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> ListByExtension(const std::string& directory,
                                         const std::string& extension) {
  std::vector<std::string> names;
  DIR* dir = opendir(posix::ToLocalPath(directory).c_str());
  if (!dir) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() > extension.size() &&
        text::SameAsciiName(name.substr(name.size() - extension.size()), extension)) {
      names.emplace_back(name);
    }
  }
  closedir(dir);
  return names;
}

}  // namespace zendrel::platform
