#include "text/text.h"

namespace zendrel::text {

namespace {

// Where a path's components are split: a universal name always uses backslashes, whatever
// the build; any other path uses the build's own separator.
char SeparatorOf(std::string_view path) { return IsUNC(path) ? '\\' : kSeparator; }

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

std::string TrimEnd(std::string_view s) { return std::string(s.substr(0, EndWithoutBlanks(s))); }

std::string TrimBoth(std::string_view s) {
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
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); i = NextChar(out, i)) {
    if (out[i] == from && CharLength(out, i) == 1) out[i] = to;
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
  const std::size_t last = FindLastChar(path, sep);
  if (last == std::string_view::npos) {
#ifdef _WIN32
    // "C:file" keeps its drive.
    if (path.size() >= 2 && path[1] == ':' && CharLength(path, 0) == 1) {
      return std::string(path.substr(0, 2));
    }
#endif
    return {};
  }
  // A root keeps its separator: "\" or "/", "C:\", and the leading pair of a network name.
  if (last == 0) return std::string(1, sep);
  if (last == 1 && sep == '\\' && path[0] == '\\') return "\\\\";
#ifdef _WIN32
  if (last == 2 && path[1] == ':' && CharLength(path, 0) == 1) {
    return std::string(path.substr(0, 3));
  }
#endif
  return std::string(path.substr(0, last));
}

std::string FileNamePart(std::string_view path) {
  const std::size_t last = FindLastChar(path, SeparatorOf(path));
  if (last == std::string_view::npos) return std::string(path);
  return std::string(path.substr(last + 1));
}

std::string UnquoteSpaces(std::string_view s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
    // The closing quote must be a character of its own, not the trail byte of one.
    std::size_t last = 0;
    for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) last = i;
    if (last == s.size() - 1) return std::string(s.substr(1, s.size() - 2));
  }
  return std::string(s);
}

bool IsUNC(std::string_view path) {
  return path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\' &&
         path[2] != '?';
}

}  // namespace zendrel::text
