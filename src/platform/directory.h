// The directory test the paths rely on.
#pragma once

#include <string>

namespace zendrel::platform {

// Whether the path names an existing directory (links followed; a trailing separator and a
// root are fine; a relative path is taken from the current directory). False for "".
bool IsDirectory(const std::string& path);

}  // namespace zendrel::platform
