// The profile (INI file) functions: the only way Zendrel reads or writes an INI file.
//
// Windows calls the system's own profile functions; Linux has its own engine that follows
// the same rules (names match without regard to case, values lose surrounding blanks and one
// pair of quotes, untouched lines stay byte for byte, UTF-16LE files stay UTF-16LE).
// Soft errors are handled here: a missing file reads as defaults, a refused write returns
// false and changes nothing.
#pragma once

#include <string>

namespace zendrel::platform {

// The value of `key` in `section`, through a 260-byte buffer; `fallback` (trailing spaces
// removed) when the file, the section or the key is missing.
std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& fallback);

// The leading number of the value (wrapping modulo 2^32); 0 for a value that is present but
// no number; `fallback` when the file, the section or the key is missing, or the value empty.
int ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
               int fallback);

// Sets a key, creating the file, the section and the key as needed.
bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);

// Removes one key; removing a key that is not there succeeds and changes nothing.
bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key);

// Removes a section's header and its key lines.
bool DeleteIniSection(const std::string& file, const std::string& section);

// Whether the first section of that name lists any key.
bool IniSectionHasKeys(const std::string& file, const std::string& section);

// Whether the file lists any section.
bool IniHasSections(const std::string& file);

}  // namespace zendrel::platform
