// Characters under the ANSI code page of the running Windows system.
#include <windows.h>

#include "text/text.h"

namespace zendrel::text {

std::size_t CharLength(std::string_view s, std::size_t i) {
  if (i + 1 < s.size() && IsDBCSLeadByte(static_cast<BYTE>(s[i]))) return 2;
  return 1;
}

int CompareNames(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto code = [](std::string_view s, std::size_t k) {
      unsigned value = static_cast<unsigned char>(s[k]);
      if (CharLength(s, k) == 2) value = value * 256 + static_cast<unsigned char>(s[k + 1]);
      return value;
    };
    const unsigned ca = code(a, i), cb = code(b, j);
    if (ca != cb) return ca < cb ? -1 : 1;
    i = NextChar(a, i);
    j = NextChar(b, j);
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace zendrel::text
