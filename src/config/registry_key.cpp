#include "config/registry_key.h"

namespace zendrel::config {

// Any operation on a key that could not be opened fails like the system's own call on an
// invalid handle, with no effect.
namespace {
constexpr long kInvalidHandle = 6;
}

long RegistryKey::Close() {
  if (key_ == 0) return 0;
  const long result = registry_.Close(key_);
  key_ = 0;
  return result;
}

long RegistryKey::Hold(long result, platform::RegHandle opened) {
  if (result == platform::kRegSuccess) {
    Close();
    key_ = opened;
  }
  return result;
}

long RegistryKey::Open(platform::RegHandle parent, const std::string& subkey,
                       platform::RegAccess access) {
  platform::RegHandle opened = 0;
  if (parent == 0) return kInvalidHandle;
  const long result = registry_.Open(parent, subkey, access, &opened);
  return Hold(result, opened);
}

long RegistryKey::CreateSubkey(platform::RegHandle parent, const std::string& subkey) {
  platform::RegHandle created = 0;
  if (parent == 0) return kInvalidHandle;
  const long result = registry_.Create(parent, subkey, &created);
  return Hold(result, created);
}

long RegistryKey::SetString(const std::string& valueName, const std::string& text) const {
  if (key_ == 0) return kInvalidHandle;
  return registry_.SetString(key_, valueName, text);
}

long RegistryKey::SetSubkeyString(const std::string& subkey, const std::string& valueName,
                                  const std::string& text) const {
  if (key_ == 0) return kInvalidHandle;
  RegistryKey child(registry_);
  const long created = child.CreateSubkey(key_, subkey);
  if (created != platform::kRegSuccess) return created;
  return child.SetString(valueName, text);
}

long RegistryKey::QueryString(const std::string& valueName, std::string* text) const {
  if (key_ == 0) return kInvalidHandle;
  return registry_.QueryString(key_, valueName, text);
}

long RegistryKey::DeleteSubkey(const std::string& subkey) const {
  if (key_ == 0) return kInvalidHandle;
  return registry_.DeleteSubkey(key_, subkey);
}

}  // namespace zendrel::config
