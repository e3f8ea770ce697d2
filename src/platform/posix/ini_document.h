// The INI rules of the Linux build, on a file's bytes held in memory. No I/O here: the
// profile functions read the file, ask these functions, and write back what they return.
//
// A file is ANSI (UTF-8 on Linux), UTF-8 with a byte-order mark, or UTF-16LE when it starts
// with FF FE. Lookups see the text as UTF-8; edits keep every line they do not change byte
// for byte and write the lines they add or change in the file's own encoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zendrel::platform::ini {

// The value of the key in the first section of that name, blanks and one pair of quotes
// removed, cut at a NUL; nullopt when the section or the key is missing. Section and key
// are matched without regard to ASCII case, after losing their surrounding spaces.
std::optional<std::string> FindValue(std::string_view file, std::string_view section,
                                     std::string_view key);

bool SectionHasKeys(std::string_view file, std::string_view section);
bool HasSections(std::string_view file);

// The number GetPrivateProfileInt reads from a value: optional sign, a 0x / 0o / 0b base
// prefix, then digits up to the first that does not belong, wrapping modulo 2^32.
int ParseInt(std::string_view value);

// Each edit returns the new bytes of the file, or nullopt when the file stays as it is.
// `file` is nullopt for a file that does not exist.
std::optional<std::string> SetValue(std::optional<std::string_view> file, std::string_view section,
                                    std::string_view key, std::string_view value);
std::optional<std::string> DeleteKey(std::optional<std::string_view> file, std::string_view section,
                                     std::string_view key);
std::optional<std::string> DeleteSection(std::optional<std::string_view> file,
                                         std::string_view section);

// Whether the text holds a byte outside ASCII.
bool HasNonAscii(std::string_view text);

// A file without a byte-order mark, whose bytes are UTF-8 throughout, as UTF-16LE with a
// byte-order mark: the same text in the form Windows' profile functions read as Unicode.
// nullopt for a file that has a mark, and for one that holds bytes that are no UTF-8 (text of
// another code page, binary data), which could not be converted without loss.
std::optional<std::string> AnsiToUtf16(std::string_view file);

}  // namespace zendrel::platform::ini
