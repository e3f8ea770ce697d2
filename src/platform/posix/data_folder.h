// The user's own data folder on Linux, which stands in for the Windows directory: the local
// change log lives there.
#pragma once

#include <optional>
#include <string>

namespace zendrel::platform::posix {

// $XDG_DATA_HOME/zendrel, else $HOME/.local/share/zendrel, each only from an absolute path,
// made with its missing levels (private to the user) when needed. nullopt without either
// variable: a shared fallback such as /tmp could be planted by another user.
std::optional<std::string> UserDataFolder();

// Makes the folder with each missing level, private to the user, as a user's base folders
// should be; an existing level is fine.
void MakePrivateFolders(const std::string& folder);

}  // namespace zendrel::platform::posix
