#include "platform/ini_key_map.h"

#include "text/text.h"

namespace zendrel::platform {

namespace {

std::string Joined(const std::string& foldedSection, std::string_view key) {
  // No name holds a line break, so the pair cannot be taken for another.
  return foldedSection + '\n' + FoldIniName(key);
}

}  // namespace

bool IniKeyMap::BeginSection(std::string_view section) {
  section_ = FoldIniName(section);
  return sections_.insert(section_).second;
}

void IniKeyMap::Add(std::string_view key, std::string_view value) {
  values_.emplace(Joined(section_, key), std::string(value));
}

const std::string* IniKeyMap::Find(std::string_view section, std::string_view key) const {
  const auto found = values_.find(Joined(FoldIniName(section), key));
  return found == values_.end() ? nullptr : &found->second;
}

std::string IniKeyMap::ReadString(std::string_view section, std::string_view key,
                                  std::string_view fallback) const {
  if (const std::string* value = Find(section, key)) return text::CutToBuffer(*value);
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return text::CutToBuffer(fallback);
}

}  // namespace zendrel::platform
