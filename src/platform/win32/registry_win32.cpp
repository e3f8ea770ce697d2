#include <windows.h>

#include "platform/registry.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

HKEY Key(RegHandle handle) { return reinterpret_cast<HKEY>(handle); }
RegHandle Handle(HKEY key) { return reinterpret_cast<RegHandle>(key); }

}  // namespace

RegHandle ClassesRoot() { return Handle(HKEY_CLASSES_ROOT); }
RegHandle LocalMachine() { return Handle(HKEY_LOCAL_MACHINE); }
RegHandle CurrentUser() { return Handle(HKEY_CURRENT_USER); }

long RegOpen(RegHandle parent, const std::string& subkey, RegAccess access, RegHandle* key) {
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(Key(parent), subkey.c_str(), 0,
                                    access == RegAccess::kRead ? KEY_READ : KEY_WRITE, &opened);
  if (result == ERROR_SUCCESS) *key = Handle(opened);
  return result;
}

long RegCreate(RegHandle parent, const std::string& subkey, RegHandle* key) {
  HKEY created = nullptr;
  const LONG result =
      RegCreateKeyExA(Key(parent), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &created, nullptr);
  if (result == ERROR_SUCCESS) *key = Handle(created);
  return result;
}

long RegClose(RegHandle key) { return RegCloseKey(Key(key)); }

long RegSetString(RegHandle key, const std::string& valueName, const std::string& text) {
  // The stored length counts the terminating NUL.
  return RegSetValueExA(Key(key), valueName.empty() ? nullptr : valueName.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

long RegQueryString(RegHandle key, const std::string& valueName, std::string* text,
                    std::size_t bufferSize) {
  // The value's bytes, and one more for a NUL the stored data may lack.
  std::string buffer(bufferSize + 1, '\0');
  DWORD size = bufferSize;
  const LONG result =
      RegQueryValueExA(Key(key), valueName.empty() ? nullptr : valueName.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (result == ERROR_SUCCESS) *text = buffer.c_str();
  return result;
}

long RegDeleteSubkey(RegHandle parent, const std::string& subkey) {
  return RegDeleteKeyA(Key(parent), subkey.c_str());
}

}  // namespace zendrel::platform
