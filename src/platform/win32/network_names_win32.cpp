#include <windows.h>
#include <winnetwk.h>

#include "platform/network_names.h"
#include "text/text.h"

namespace zendrel::platform {

std::string ToUniversalName(const std::string& path) {
  // The structure comes first in the buffer and points at the name stored after it, so the
  // name itself gets the 260 bytes less the structure.
  alignas(UNIVERSAL_NAME_INFOA) char buffer[text::kBufferSize];
  DWORD size = sizeof buffer;
  if (WNetGetUniversalNameA(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer, &size) != NO_ERROR) {
    return path;
  }
  const auto* info = reinterpret_cast<const UNIVERSAL_NAME_INFOA*>(buffer);
  return info->lpUniversalName ? std::string(info->lpUniversalName) : path;
}

}  // namespace zendrel::platform
