// An owner of at most one open registry key, closed when the owner goes.
#pragma once

#include <string>

#include "platform/registry.h"

namespace zendrel::config {

class RegistryKey {
 public:
  RegistryKey() : RegistryKey(platform::SystemRegistry()) {}
  // Works through `registry`, which must outlive the key.
  explicit RegistryKey(platform::Registry& registry) : registry_(registry) {}
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Closes the held key, if any; 0 when none was held.
  long Close();

  // Opens `subkey` of `parent` for reading or writing; on success the new key replaces the
  // one held before, on failure the held key stays.
  long Open(platform::RegHandle parent, const std::string& subkey, platform::RegAccess access);

  // Creates (or opens) `subkey` of `parent` with full access; held on success as Open.
  long CreateSubkey(platform::RegHandle parent, const std::string& subkey);

  // Sets a string value of the held key ("" is the default value). The arguments go in the
  // order of platform::RegSetString: the value's name, then its text.
  long SetString(const std::string& valueName, const std::string& text) const;

  // Sets a string value of a subkey of the held key, creating the subkey when needed.
  long SetSubkeyString(const std::string& subkey, const std::string& valueName,
                       const std::string& text) const;

  // Reads a value of the held key through a 260-byte buffer; *text stays on failure.
  long QueryString(const std::string& valueName, std::string* text) const;

  // Deletes a subkey of the held key that has no subkeys of its own.
  long DeleteSubkey(const std::string& subkey) const;

  platform::RegHandle handle() const { return key_; }

 private:
  long Hold(long result, platform::RegHandle opened);

  platform::Registry& registry_;
  platform::RegHandle key_ = 0;
};

}  // namespace zendrel::config
