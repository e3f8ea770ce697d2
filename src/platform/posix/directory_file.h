// The Icon key of a folder's .directory file, the desktop-entry file in which Dolphin (and
// other KDE programs) look for a folder's own icon.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zendrel::platform::posix {

// What becomes of a .directory file.
struct DirectoryFileEdit {
  enum class Action { kKeep, kWrite, kRemove } action = Action::kKeep;
  std::string text;  // the new content, for kWrite
};

// The file (nullopt: there is none) with the Icon key of its [Desktop Entry] group set to
// `icon`, escaped as desktop files need, or removed when `icon` is nullopt. Every other line
// stays byte for byte; a file left with nothing but an empty [Desktop Entry] group goes.
DirectoryFileEdit EditDirectoryFile(std::optional<std::string_view> file,
                                    const std::optional<std::string>& icon);

}  // namespace zendrel::platform::posix
