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

#include "platform/folder_ops.h"

namespace zendrel::platform {

// An open key, or one of the two roots. 0 is no key.
using RegHandle = std::uintptr_t;

RegHandle ClassesRoot();   // HKEY_CLASSES_ROOT
RegHandle LocalMachine();  // HKEY_LOCAL_MACHINE
RegHandle CurrentUser();   // HKEY_CURRENT_USER

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

// The same operations through one object, for code whose outcome depends on what the
// registry allows: a test stands in for the system's registry and refuses what a standard
// user is refused (Wine keeps no access rights on its registry, Linux's store none either).
// This class itself is the system's registry.
class Registry {
 public:
  virtual ~Registry() = default;
  virtual long Open(RegHandle parent, const std::string& subkey, RegAccess access, RegHandle* key) {
    return RegOpen(parent, subkey, access, key);
  }
  virtual long Create(RegHandle parent, const std::string& subkey, RegHandle* key) {
    return RegCreate(parent, subkey, key);
  }
  virtual long Close(RegHandle key) { return RegClose(key); }
  virtual long SetString(RegHandle key, const std::string& valueName, const std::string& text) {
    return RegSetString(key, valueName, text);
  }
  virtual long QueryString(RegHandle key, const std::string& valueName, std::string* text) {
    return RegQueryString(key, valueName, text);
  }
  virtual long DeleteSubkey(RegHandle parent, const std::string& subkey) {
    return RegDeleteSubkey(parent, subkey);
  }
  // Tells the shell that its verbs changed, so that Explorer shows them without a new logon.
  virtual void NotifyShell() { NotifyAssociationsChanged(); }
};

// The system's registry, for callers that are not handed another. It holds no state.
inline Registry& SystemRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace zendrel::platform
