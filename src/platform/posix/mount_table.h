// Network names on Linux: which local paths lie on an SMB/CIFS mount, and under which
// universal name (\\server\share\...) Windows machines know them.
#pragma once

#include <string>

namespace zendrel::platform::posix {

// The local path behind a universal name, through the mount table (longest matching source
// wins); any other path is returned unchanged. Every file operation of the Linux layer
// passes its path through this first.
std::string ToLocalPath(const std::string& path);

}  // namespace zendrel::platform::posix
