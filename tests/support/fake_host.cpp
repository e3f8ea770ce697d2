#include "support/fake_host.h"

#include <cctype>

#include "platform/network_names.h"
#include "text/text.h"

namespace zendrel::test {

std::string FakeHost::ExpandEnvironment(const std::string& text, std::size_t bufferSize) const {
  std::string out = text;
  for (const auto& [name, value] : environment) {
    const std::string reference = "%" + name + "%";
    for (std::size_t at = 0; at + reference.size() <= out.size(); ++at) {
      bool same = true;
      for (std::size_t k = 0; k < reference.size() && same; ++k) {
        same = std::toupper(static_cast<unsigned char>(out[at + k])) ==
               std::toupper(static_cast<unsigned char>(reference[k]));
      }
      if (same) {
        out.replace(at, reference.size(), value);
        at += value.size() - 1;
      }
    }
  }
  return text::CutToBuffer(out, bufferSize);
}

std::string FakeHost::StandardFolderIconValue(std::size_t bufferSize) const {
  return text::CutToBuffer(standardFolderIcon, bufferSize);
}

std::string FakeHost::ToUniversalName(const std::string& path) const {
  if (platformNetworkNames) return platform::ToUniversalName(path);
  for (const auto& [local, universal] : drives) {
    if (path.compare(0, local.size(), local) == 0) {
      std::string rest = path.substr(local.size());
      for (char& c : rest) {
        if (c == '/') c = '\\';
      }
      return universal + rest;
    }
  }
  return path;
}

}  // namespace zendrel::test
