// One icon of any container (an .ico file, an .icl library, a DLL), written as an .ico file
// of its own, so that it can travel to where Windows looks for it.
#pragma once

#include <optional>
#include <string>

#include "platform/icon_copy.h"
#include "platform/posix/icon_file_reader.h"

namespace zendrel::platform::posix {

// The bytes of an .ico file holding icon `index` of the container in `source`, with every
// image of the icon's group that the container holds, in the group's order. An .ico file
// comes back as it is. nullopt when the index names no icon, none of its images can be
// read, or the result would pass kLargestIcoFile.
std::optional<std::string> IconAsIcoFile(const ByteSource& source, int index);
inline constexpr std::size_t kLargestIcoFile = kLargestIconCopy;

}  // namespace zendrel::platform::posix
