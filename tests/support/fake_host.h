// A machine of the test's making: platform family, program location, shell, other running
// instances, environment and network drives are whatever the test sets.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/host.h"

namespace zendrel::test {

class FakeHost final : public platform::Host {
 public:
  std::uint32_t platformId = 2;
  std::string moduleFileName;
  bool shellUsable = true;
  std::set<std::string> heldByOthers;              // instance tokens another process holds
  std::vector<std::string> tokensAsked;            // every TakeInstanceToken call
  std::map<std::string, std::string> environment;  // names in upper case
  // Network drives: a local prefix and the universal name it stands for.
  std::map<std::string, std::string> drives;
  // Ask the platform instead of `drives` (Linux tests point it at a mount table of theirs).
  bool platformNetworkNames = false;
  // The registry's standard folder icon value; empty: the registry names none.
  std::string standardFolderIcon;

  std::uint32_t PlatformId() const override { return platformId; }
  std::string ModuleFileName() const override { return moduleFileName; }
  bool ShellIsUsable() const override { return shellUsable; }
  bool TakeInstanceToken(const std::string& name) override {
    tokensAsked.push_back(name);
    return heldByOthers.count(name) == 0;
  }
  std::string ExpandEnvironment(const std::string& text, std::size_t bufferSize) const override;
  std::string ToUniversalName(const std::string& path) const override;
  std::string StandardFolderIconValue(std::size_t bufferSize) const override;
};

}  // namespace zendrel::test
