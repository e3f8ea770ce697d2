#include "platform/host.h"

#include "platform/registry.h"

namespace zendrel::platform {

std::string Host::StandardFolderIconValue(std::size_t bufferSize) const {
  std::string value;
  RegHandle key = 0;
  if (RegOpen(ClassesRoot(), "Directory\\DefaultIcon", RegAccess::kRead, &key) == kRegSuccess) {
    if (RegQueryString(key, "", &value, bufferSize) != kRegSuccess) value.clear();
    RegClose(key);
  }
  return value;
}

}  // namespace zendrel::platform
