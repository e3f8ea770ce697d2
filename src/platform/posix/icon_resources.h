// The program's own .ico files, built into the executable (see src/platform/icons.cmake).
#pragma once

#include <cstdint>
#include <span>

namespace zendrel::platform::posix {

// The bytes of the .ico file with this resource id (128 the application icon, 131 the
// unknown folder); empty for any other id.
std::span<const std::uint8_t> ProgramIconBytes(int resourceId);

}  // namespace zendrel::platform::posix
