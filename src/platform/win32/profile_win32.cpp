#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::platform {

// The files are in this system's own code page, which the profile functions know: the text
// setting of the Linux build has nothing to say here.

namespace {

// Room for a key or section list; only its first byte is looked at.
constexpr DWORD kListSize = 4096;

}  // namespace

std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& fallback, const IniText&) {
  char buffer[text::kBufferSize] = {};
  const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                           sizeof buffer, file.c_str());
  // A double-byte character cut at the buffer's end can leave its lead byte's place empty:
  // the text ends at the first NUL whatever count came back.
  return std::string(buffer, std::min<std::size_t>(n, std::strlen(buffer)));
}

int ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
               int fallback, const IniText&) {
  return static_cast<int>(
      GetPrivateProfileIntA(section.c_str(), key.c_str(), fallback, file.c_str()));
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value, const IniText&) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
         FALSE;
}

bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key,
                  const IniText&) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str()) != FALSE;
}

bool DeleteIniSection(const std::string& file, const std::string& section, const IniText&) {
  return WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str()) != FALSE;
}

bool IniSectionHasKeys(const std::string& file, const std::string& section, const IniText&) {
  char list[kListSize] = {};
  GetPrivateProfileStringA(section.c_str(), nullptr, "", list, kListSize, file.c_str());
  return list[0] != '\0';
}

bool IniHasSections(const std::string& file, const IniText&) {
  char list[kListSize] = {};
  GetPrivateProfileStringA(nullptr, nullptr, "", list, kListSize, file.c_str());
  return list[0] != '\0';
}

}  // namespace zendrel::platform
