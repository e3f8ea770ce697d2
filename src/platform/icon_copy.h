// The copies of icons the program keeps inside folders (see icon_placement.h) are named after
// their own bytes, so that either build can tell them from the user's files and remove them
// when the folder no longer names them.
#pragma once

#include <string>
#include <string_view>

namespace zendrel::platform {

// "zendrel-icon-<16 hex digits>.ico", the digits a digest of the bytes.
std::string IconCopyName(std::string_view icoBytes);

// Whether the name has the shape of a copy's name (cheap: no bytes needed).
bool HasIconCopyName(std::string_view name);

// Whether a file of this name and these bytes is a copy the program made: its name is the one
// its bytes give, and its bytes start as an icon file's (reserved 0, type 1, some images).
bool IsIconCopy(std::string_view name, std::string_view bytes);

// No copy is larger; a larger file of such a name is not read at all.
inline constexpr std::size_t kLargestIconCopy = 16u << 20;

}  // namespace zendrel::platform
