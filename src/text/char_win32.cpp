// Characters under the ANSI code page of the running Windows system.
#include <windows.h>

#include "text/text.h"

namespace zendrel::text {

// The platform's own stepping: a lead byte takes the next byte with it, whatever that byte is,
// except the end of the text (a NUL ends a string for every Windows function).
std::size_t CharLength(std::string_view s, std::size_t i) {
  if (i + 1 < s.size() && s[i + 1] != '\0' && IsDBCSLeadByte(static_cast<BYTE>(s[i]))) return 2;
  return 1;
}

namespace {

// The weight of the character at s[i] in the name order: its byte, or lead*256+trail.
unsigned CodeAt(std::string_view s, std::size_t i) {
  unsigned code = static_cast<unsigned char>(s[i]);
  if (CharLength(s, i) == 2) code = code * 256 + static_cast<unsigned char>(s[i + 1]);
  return code;
}

}  // namespace

std::string SystemText(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring unicode(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, unicode.data(), wide);
  const int bytes =
      WideCharToMultiByte(CP_ACP, 0, unicode.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, unicode.data(), wide, ansi.data(), bytes, nullptr, nullptr);
  return ansi;
}

// Not byte order: a single byte such as 0xA1 (half-width katakana) weighs less than any
// double-byte character, even one whose lead byte is smaller.
int CompareNames(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned ca = CodeAt(a, i), cb = CodeAt(b, j);
    if (ca != cb) return ca < cb ? -1 : 1;
    i = NextChar(a, i);
    j = NextChar(b, j);
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace zendrel::text
