// The directory test the paths rely on.
#pragma once

#include <string>
#include <vector>

namespace zendrel::platform {

// Whether the path names an existing directory (links followed; a trailing separator and a
// root are fine; a relative path is taken from the current directory). False for "".
bool IsDirectory(const std::string& path);

}  // namespace zendrel::platform

namespace zendrel::platform {

// The names (without folder) of the entries of `directory` whose name ends in `extension`
// (".ico"), compared without regard to ASCII case; in no particular order. Empty when the
// folder cannot be listed. `directory` ends in a separator.
std::vector<std::string> ListByExtension(const std::string& directory,
                                         const std::string& extension);

}  // namespace zendrel::platform
