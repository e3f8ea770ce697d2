// The INI rules of the Linux build, on a file's bytes held in memory. No I/O here: the
// profile functions read the file, ask these functions, and write back what they return.
//
// A file is UTF-16LE when it starts with FF FE, UTF-8 when it starts with UTF-8's byte-order
// mark, and otherwise ANSI: UTF-8 when its bytes are UTF-8 throughout, else text in the code
// page of the Windows machines it came from. Lookups see the text as UTF-8; edits keep every
// line they do not change byte for byte and write the lines they add or change in the file's
// own encoding.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zendrel::platform::posix {
class CodePage;
}

namespace zendrel::platform::ini {

// How a file without a byte-order mark is taken.
struct Ansi {
  // The Windows code page of files that are not UTF-8; none: such files are read as they
  // stand.
  posix::CodePage* codePage = nullptr;
  // Whether the file is in the code page whatever its bytes, and new text goes in in the code
  // page: a file that Windows and Linux users write alike.
  bool alwaysCodePage = false;
};

// In a file in the code page, the names and values an edit or lookup is given stand for what
// the code page makes of them (a character it cannot hold is '?'), as they would for a
// Windows program.

// The value of the key in the first section of that name, blanks and one pair of quotes
// removed, cut at a NUL; nullopt when the section or the key is missing. Section and key
// are matched without regard to ASCII case, after losing their surrounding blanks (space,
// tab, vertical tab) as names in the file do; every edit trims them alike.
std::optional<std::string> FindValue(std::string_view file, std::string_view section,
                                     std::string_view key, const Ansi& ansi = {});

// Every header and key line of the file in order, in one pass: `onSection` with each
// header's name, returning whether the keys that follow it are wanted; `onKey` with the name
// and value of each wanted key line, both as FindValue reads them. Key lines before the first
// header belong to no section and are left out.
void ForEachKey(std::string_view file, const Ansi& ansi,
                const std::function<bool(std::string_view)>& onSection,
                const std::function<void(std::string_view, std::string_view)>& onKey);

bool SectionHasKeys(std::string_view file, std::string_view section, const Ansi& ansi = {});
bool HasSections(std::string_view file, const Ansi& ansi = {});

// The number GetPrivateProfileInt reads from a value: optional sign, a 0x / 0o / 0b base
// prefix, then digits up to the first that does not belong, wrapping modulo 2^32.
int ParseInt(std::string_view value);

// Each edit returns the new bytes of the file, or nullopt when the file stays as it is.
// `file` is nullopt for a file that does not exist.
std::optional<std::string> SetValue(std::optional<std::string_view> file, std::string_view section,
                                    std::string_view key, std::string_view value,
                                    const Ansi& ansi = {});
std::optional<std::string> DeleteKey(std::optional<std::string_view> file, std::string_view section,
                                     std::string_view key, const Ansi& ansi = {});
std::optional<std::string> DeleteSection(std::optional<std::string_view> file,
                                         std::string_view section, const Ansi& ansi = {});

// SetValue and DeleteKey on bytes held in a string, changed where they are: the bytes after
// the change move, and nothing is copied or allocated while the string has room. False when
// the file stays as it is.
bool SetValueInPlace(std::string& file, std::string_view section, std::string_view key,
                     std::string_view value, const Ansi& ansi = {});
bool DeleteKeyInPlace(std::string& file, std::string_view section, std::string_view key,
                      const Ansi& ansi = {});

// Whether the text holds a byte outside ASCII.
bool HasNonAscii(std::string_view text);

// Whether the bytes are UTF-8 throughout.
bool IsUtf8(std::string_view bytes);

// The text of a file without a byte-order mark, as UTF-8: what it really holds, in whichever
// of its two encodings. nullopt for a file with a mark, and for one holding bytes that are
// text in neither, which could not be converted without loss.
std::optional<std::string> DecodeAnsi(std::string_view file, const Ansi& ansi);

// A file without a byte-order mark, whose bytes are UTF-8 throughout, as UTF-16LE with a
// byte-order mark: the same text in the form Windows' profile functions read as Unicode.
// nullopt for a file that has a mark, and for one that holds bytes that are no UTF-8 (text of
// another code page, binary data), which could not be converted without loss.
std::optional<std::string> AnsiToUtf16(std::string_view file);

}  // namespace zendrel::platform::ini
