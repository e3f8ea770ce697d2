#include "text/text.h"

namespace zendrel::text {

namespace {

// Where a path's components are split: a universal name always uses backslashes, whatever
// the build; any other path uses the build's own separator.
char SeparatorOf(std::string_view path) { return IsUNC(path) ? '\\' : kSeparator; }

// A byte that separates directories. Windows also accepts '/' here, as its shell does when it
// looks for a file name; a universal name on Linux is split at backslashes only.
bool IsSeparator(char c, char sep) {
#ifdef _WIN32
  (void)sep;
  return c == '\\' || c == '/';
#else
  return c == sep;
#endif
}

// A byte after which a file name may start: a separator, or on Windows a drive's colon.
bool EndsComponent(char c, char sep) {
#ifdef _WIN32
  if (c == ':') return true;
#endif
  return IsSeparator(c, sep);
}

// Length of the drive prefix ("C:") that opens the path, or 0. Linux paths have none.
std::size_t DriveLength(std::string_view path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':' && CharLength(path, 0) == 1) return 2;
#else
  (void)path;
#endif
  return 0;
}

// Offset just past the last non-blank character; blanks are single bytes, so a scan that
// steps over whole characters is enough to keep trail bytes out of it.
std::size_t EndWithoutBlanks(std::string_view s) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (!IsBlank(s[i])) end = NextChar(s, i);
  }
  return end;
}

}  // namespace

// Compared from the end: names that differ mostly differ there (paths share their start).
bool SameAsciiName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = a.size(); i-- > 0;) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string TrimEnd(std::string_view s) { return std::string(s.substr(0, EndWithoutBlanks(s))); }

std::string TrimBoth(std::string_view s) {
  // Every byte before the first non-blank is a blank, hence a character of its own.
  std::size_t begin = 0;
  while (begin < s.size() && IsBlank(s[begin])) ++begin;
  return TrimEnd(s.substr(begin));
}

std::string CutToBuffer(std::string_view s, std::size_t size) {
  if (size == 0) return {};
  std::size_t keep = 0;
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (NextChar(s, i) > size - 1) break;
    keep = NextChar(s, i);
  }
  return std::string(s.substr(0, keep));
}

std::string ReplaceChar(std::string_view s, char from, char to) {
  // Step through the original: a replacement that happens to be a lead byte must not change
  // how the rest of the text divides into characters.
  std::string out(s);
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (s[i] == from && CharLength(s, i) == 1) out[i] = to;
  }
  return out;
}

std::size_t FindChar(std::string_view s, char c) {
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (s[i] == c && CharLength(s, i) == 1) return i;
  }
  return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view s, char c) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (s[i] == c && CharLength(s, i) == 1) found = i;
  }
  return found;
}

std::string AddTrailingSeparator(std::string_view path) {
  std::string out(path);
  if (out.empty()) return out;
  const char sep = SeparatorOf(path);
  if (FindLastChar(path, sep) != path.size() - 1) out += sep;
  return out;
}

std::string RemoveFileSpec(std::string_view path) {
  const char sep = SeparatorOf(path);
  // The root, which always stays: a drive with its separator, or up to two leading separators
  // (the top of the tree, or the pair that opens a network name).
  std::size_t root = DriveLength(path);
  if (root > 0) {
    if (root < path.size() && path[root] == sep) ++root;
  } else {
    while (root < 2 && root < path.size() && path[root] == sep) ++root;
  }
  const std::size_t last = FindLastChar(path.substr(root), sep);
  if (last == std::string_view::npos || last == 0) return std::string(path.substr(0, root));
  return std::string(path.substr(0, root + last));
}

std::string FileNamePart(std::string_view path) {
  const char sep = SeparatorOf(path);
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); i = NextChar(path, i)) {
    if (!EndsComponent(path[i], sep)) continue;
    // A separator at the end, or one doubled, starts no name.
    const std::size_t next = i + 1;
    if (next < path.size() && !IsSeparator(path[next], sep)) start = next;
  }
  return std::string(path.substr(start));
}

std::string UnquoteSpaces(std::string_view s) {
  // A double quote is never part of a multibyte character (trail bytes lie above it in every
  // code page Zendrel meets), so the bytes at the two ends can be tested as they are.
  if (s.empty() || s.front() != '"' || s.back() != '"') return std::string(s);
  if (s.size() == 1) return {};
  return std::string(s.substr(1, s.size() - 2));
}

bool IsUNC(std::string_view path) { return path.size() >= 2 && path[0] == '\\' && path[1] == '\\'; }

std::string HexNumber(std::uint32_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kHexDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

std::string OneLine(std::string_view text, char joint) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += joint;
    } else {
      line += text[i];
    }
  }
  return line;
}

}  // namespace zendrel::text
