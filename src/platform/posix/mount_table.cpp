#include "platform/posix/mount_table.h"

namespace zendrel::platform::posix {

std::string ToLocalPath(const std::string& path) { return path; }

}  // namespace zendrel::platform::posix
