// The real registry (the test prefix's under Wine, the test's own store on Linux) with the
// access rights a standard user has: every change below a refused root is denied, as Windows
// denies it, while reading stays allowed. Counts the shell notifications too.
#pragma once

#include <map>
#include <set>

#include "platform/registry.h"

namespace zendrel::test {

class RefusingRegistry final : public platform::Registry {
 public:
  using Handle = platform::RegHandle;

  // The roots whose keys refuse every change.
  std::set<Handle> refusedRoots;
  int notifications = 0;

  long Open(Handle parent, const std::string& subkey, platform::RegAccess access,
            Handle* key) override {
    if (access == platform::RegAccess::kWrite && Refused(parent)) return platform::kRegAccessDenied;
    return Track(parent, Registry::Open(parent, subkey, access, key), key);
  }
  long Create(Handle parent, const std::string& subkey, Handle* key) override {
    if (Refused(parent)) return platform::kRegAccessDenied;
    return Track(parent, Registry::Create(parent, subkey, key), key);
  }
  long Close(Handle key) override {
    rootOf_.erase(key);
    return Registry::Close(key);
  }
  long SetString(Handle key, const std::string& name, const std::string& text) override {
    if (Refused(key)) return platform::kRegAccessDenied;
    return Registry::SetString(key, name, text);
  }
  long DeleteSubkey(Handle parent, const std::string& subkey) override {
    if (Refused(parent)) return platform::kRegAccessDenied;
    return Registry::DeleteSubkey(parent, subkey);
  }
  void NotifyShell() override { ++notifications; }

 private:
  Handle RootOf(Handle key) const {
    const auto it = rootOf_.find(key);
    return it == rootOf_.end() ? key : it->second;
  }
  bool Refused(Handle key) const { return refusedRoots.count(RootOf(key)) != 0; }
  long Track(Handle parent, long result, Handle* key) {
    if (result == platform::kRegSuccess) rootOf_[*key] = RootOf(parent);
    return result;
  }

  std::map<Handle, Handle> rootOf_;
};

}  // namespace zendrel::test
