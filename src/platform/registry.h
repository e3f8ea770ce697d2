// The registry: the few operations Zendrel needs, with the system's error codes (0 for
// success, 2 for a missing key or value, 5 for a refused change).
//
// Windows calls the real registry. Linux keeps a per-user store in the REGEDIT4 text format
// ($XDG_CONFIG_HOME/zendrel/registry.reg), with the keys Windows itself provides built in,
// and mirrors the folder verb into the desktop's file-manager menus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zendrel::platform {

// An open key, or one of the two roots. 0 is no key.
using RegHandle = std::uintptr_t;

RegHandle ClassesRoot();   // HKEY_CLASSES_ROOT
RegHandle LocalMachine();  // HKEY_LOCAL_MACHINE

inline constexpr long kRegSuccess = 0;
inline constexpr long kRegNotFound = 2;
inline constexpr long kRegAccessDenied = 5;
inline constexpr long kRegMoreData = 234;

enum class RegAccess { kRead, kWrite };

// Opens an existing key below `parent` (`subkey` may hold several levels, separated by
// backslashes). On success *key holds the new handle.
long RegOpen(RegHandle parent, const std::string& subkey, RegAccess access, RegHandle* key);

// Opens the key below `parent`, making it and any missing level on the way, with full access.
long RegCreate(RegHandle parent, const std::string& subkey, RegHandle* key);

// Closes a key opened or created above; the roots need no closing.
long RegClose(RegHandle key);

// Sets a string value ("" names the key's default value).
long RegSetString(RegHandle key, const std::string& valueName, const std::string& text);

// Reads a value into a buffer of `bufferSize` bytes, whatever its stored type. A value that
// does not fit (a string with its NUL) gives kRegMoreData, and *text is left alone.
long RegQueryString(RegHandle key, const std::string& valueName, std::string* text,
                    std::size_t bufferSize = 260);

// Deletes the subkey of `parent` with its values. A key that still has subkeys is not
// deleted: kRegAccessDenied, as on the NT family.
long RegDeleteSubkey(RegHandle parent, const std::string& subkey);

}  // namespace zendrel::platform
