// The key map of the Linux build: one read of the file, one pass of our INI engine.
#include "platform/ini_key_map.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/code_page.h"
#include "platform/posix/ini_document.h"
#include "platform/posix/mount_table.h"
#include "text/text.h"

namespace zendrel::platform {

std::string FoldIniName(std::string_view name) {
  while (!name.empty() && (name.front() == ' ' || name.front() == '\t' || name.front() == '\v'))
    name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\v'))
    name.remove_suffix(1);
  std::string folded(name);
  for (char& c : folded) c = text::LowerAscii(c);
  return folded;
}

IniKeyMap ReadIniKeyMap(const std::string& file, const IniText& text) {
  IniKeyMap map;
  const std::optional<posix::FileBytes> bytes = posix::ReadWholeFile(posix::ToLocalPath(file));
  if (!bytes) return map;
  posix::CodePage codePage(text.windowsCodePage);
  const ini::Ansi ansi{&codePage, text.sharedWithWindows};
  ini::ForEachKey(
      bytes->view(), ansi, [&](std::string_view section) { return map.BeginSection(section); },
      [&](std::string_view key, std::string_view value) { map.Add(key, value); });
  return map;
}

}  // namespace zendrel::platform
