// String rules shared by every part of Zendrel.
//
// Strings hold bytes in the system's multibyte code page: the ANSI code page on Windows
// (double-byte in Japan), UTF-8 on Linux. Every scan steps over a multibyte character whole,
// so a trail byte is never mistaken for '=', ',', '\\', '/' or a blank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zendrel::text {

// The text on one line: a CR LF pair, a lone CR and a lone LF each become `joint`. (Neither
// byte occurs inside a multibyte character.) A line break inside an INI value would end the
// value's line early, and the rest would become lines of their own, even keys or sections.
std::string OneLine(std::string_view text, char joint);

// Lower-case hexadecimal digits, by value.
inline constexpr char kHexDigits[] = "0123456789abcdef";

// "0x" and the value in lower-case hexadecimal without leading zeros ("0x0", "0x5f3a").
std::string HexNumber(std::uint32_t value);

// Paths and INI values pass through buffers of this many bytes, the last one for the NUL.
inline constexpr std::size_t kBufferSize = 260;

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// A UTF-8 text (the program's own texts are kept in UTF-8) in the system's multibyte code
// page: unchanged on Linux, converted to the ANSI code page on Windows ('?' for a character
// the code page lacks).
std::string SystemText(std::string_view utf8);

// Length in bytes of the character that starts at s[i] (1 at least, never past the end).
// Windows: two bytes after a lead byte of the ANSI code page, unless the lead byte is the last
// byte or is followed by a NUL. Linux: one whole UTF-8 sequence; a byte that does not start a
// valid sequence is a character of its own.
std::size_t CharLength(std::string_view s, std::size_t i);

// Byte offset of the character that follows the one at i.
inline std::size_t NextChar(std::string_view s, std::size_t i) { return i + CharLength(s, i); }

// The single-byte blanks: space, tab, line feed, vertical tab, form feed, carriage return.
inline constexpr bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// ASCII letters folded to lower case; every other byte as it is. Names in INI files, the
// registry, the environment and on SMB servers match this way.
inline constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether two names are equal but for the case of ASCII letters.
bool SameAsciiName(std::string_view a, std::string_view b);

// Removes blanks from both ends / from the end only. A multibyte blank (such as the
// ideographic space) is a character like any other and stays.
std::string TrimBoth(std::string_view s);
std::string TrimEnd(std::string_view s);

// What survives a trip through a buffer of `size` bytes: at most size-1 bytes, never a part
// of a character.
std::string CutToBuffer(std::string_view s, std::size_t size = kBufferSize);

// Name order: character by character, a double-byte character weighing lead*256+trail, the
// shorter name first when one is a prefix of the other. Upper case sorts before lower case.
// On Linux this is byte order, which for UTF-8 is code-point order. Returns <0, 0 or >0.
int CompareNames(std::string_view a, std::string_view b);

// Every character `from` replaced by `to`; bytes inside multibyte characters are left alone.
// The characters are those of `s` as given, whatever `to` is.
std::string ReplaceChar(std::string_view s, char from, char to);

// Index of the first / last character equal to c, or npos. Trail bytes never match.
std::size_t FindChar(std::string_view s, char c);
std::size_t FindLastChar(std::string_view s, char c);

// --- paths (each build's separator; a universal name always uses backslashes) ---
//
// These behave as the Windows shell's path functions do (PathAddBackslashA,
// PathRemoveFileSpecA, PathFindFileNameA, PathUnquoteSpacesA, PathIsUNCA), so that both builds
// derive the same folders and file names from the same text.

// Appends the separator unless the path already ends in one. An empty path stays empty.
std::string AddTrailingSeparator(std::string_view path);

// Drops the last component and the separator before it. A root stays whole: "\" or "/",
// the leading pair of a network name, and on Windows "C:\" and "C:".
std::string RemoveFileSpec(std::string_view path);

// The last component of the path, which is also what stripping a path to its bare name
// keeps. A separator that ends the path stays with the component before it ("C:\dir\" gives
// "dir\"), and a path with no component is returned whole. On Windows '/' and a drive's ':'
// also end a component.
std::string FileNamePart(std::string_view path);

// One pair of double quotes around the whole text removed, anything else left as it is. A
// lone quote leaves nothing.
std::string UnquoteSpaces(std::string_view s);

// A network name: the path starts with two backslashes.
bool IsUNC(std::string_view path);

}  // namespace zendrel::text
