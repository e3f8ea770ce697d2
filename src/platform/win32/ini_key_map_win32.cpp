// The key map of the Windows build, from the system's own profile functions: the names of the
// sections, then each section's lines once. The system keeps the file it read last parsed, so
// the calls after the first cost little.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/ini_key_map.h"

namespace zendrel::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A list of NUL-terminated strings that `read` fills into a buffer of the given size, the
// buffer grown until the list fits (the functions give size - 2 when it was cut).
template <typename Read>
std::vector<std::string> ReadList(Read&& read) {
  std::vector<char> buffer(64 * 1024);
  DWORD n = 0;
  for (;;) {
    n = read(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n + 2 < buffer.size() || buffer.size() >= (256u << 20)) break;
    buffer.resize(buffer.size() * 4);
  }
  std::vector<std::string> list;
  for (DWORD at = 0; at < n && buffer[at] != '\0';) {
    const std::string item(buffer.data() + at);
    at += static_cast<DWORD>(item.size()) + 1;
    list.push_back(item);
  }
  return list;
}

// The value as GetPrivateProfileString gives it: without its blanks and one pair of quotes.
std::string_view Unquoted(std::string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

// The system compares names as text of its code page, letter case folded throughout
// (full-width letters too): the same folding, on the UTF-16 form of the name.
std::string FoldIniName(std::string_view name) {
  name = Trim(name);
  if (name.empty()) return {};
  const int units =
      MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), units);
  CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

IniKeyMap ReadIniKeyMap(const std::string& file, const IniText&) {
  IniKeyMap map;
  const std::vector<std::string> sections = ReadList([&](char* buffer, DWORD size) {
    return GetPrivateProfileSectionNamesA(buffer, size, file.c_str());
  });
  for (const std::string& section : sections) {
    // The system's section functions answer from the first section of the name.
    if (!map.BeginSection(section)) continue;
    const std::vector<std::string> lines = ReadList([&](char* buffer, DWORD size) {
      return GetPrivateProfileSectionA(section.c_str(), buffer, size, file.c_str());
    });
    for (const std::string& line : lines) {
      const std::size_t equals = line.find('=');
      // A line without '=' is no key, nor is a comment: the lookup functions never find them.
      if (equals == std::string::npos || Trim(line).substr(0, 1) == ";") continue;
      const std::string_view text(line);
      map.Add(Trim(text.substr(0, equals)), Unquoted(text.substr(equals + 1)));
    }
  }
  return map;
}

}  // namespace zendrel::platform
