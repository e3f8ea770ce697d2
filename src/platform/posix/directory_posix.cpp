#include <sys/stat.h>

#include "platform/directory.h"
#include "platform/posix/mount_table.h"

namespace zendrel::platform {

bool IsDirectory(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  return stat(posix::ToLocalPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace zendrel::platform
