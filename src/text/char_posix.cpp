// Characters under the Linux build's "ANSI code page", UTF-8.
#include "text/text.h"

namespace zendrel::text {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::string SystemText(std::string_view utf8) { return std::string(utf8); }

std::size_t CharLength(std::string_view s, std::size_t i) {
  if (i >= s.size()) return 1;
  const auto c = static_cast<unsigned char>(s[i]);
  std::size_t length = 1;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  }
  if (length == 1 || i + length > s.size()) return 1;
  const auto second = static_cast<unsigned char>(s[i + 1]);
  if (second < low || second > high) return 1;
  for (std::size_t k = 2; k < length; ++k) {
    if (!IsContinuation(static_cast<unsigned char>(s[i + k]))) return 1;
  }
  return length;
}

// UTF-8 byte order is code-point order, which is what the name order asks for under a code
// page without double-byte characters. char_traits<char> compares bytes as unsigned.
int CompareNames(std::string_view a, std::string_view b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace zendrel::text
