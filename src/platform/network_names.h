// Universal (UNC) names: the one name under which every user reaches a file on a network
// share, whatever drive letter or mount point brought it to their machine. A universal name
// is written the Windows way, \\server\share\folder\..., on every build, so that Windows and
// Linux users of one shared change log use the same keys.
#pragma once

#include <string>

namespace zendrel::platform {

// The universal name of a path on a network drive (Windows: a redirected drive letter;
// Linux: an SMB mount). Any other path comes back unchanged: a local path, a path that
// already is a universal name, the empty path, a path that cannot be looked up, and a name
// too long for the 260-byte buffer the Windows build receives it in. Nothing is reported.
std::string ToUniversalName(const std::string& path);

}  // namespace zendrel::platform
