// The Linux build's registry store, a REGEDIT4 text held in memory. No I/O here: the registry
// functions read the store file, ask these functions, and write back what they return.
//
//   REGEDIT4
//
//   [HKEY_CLASSES_ROOT\Directory\shell\Zendrel]
//   @="Zendrel..."
//   "Name"="text with \\ and \" escaped"
//
// A key path is written whole, root first, its levels separated by backslashes; a key exists
// when a block names it or anything below it, as an import of the text would make it. Key
// paths and value names match without regard to ASCII case. Where a value is given more than
// once, the last one counts, again as an import would leave it. Besides strings, dword: and
// hex: / hex(n): values (continued over lines by a final backslash) are read, as their bytes.
//
// The text may be anything: a line that does not parse is skipped and kept as it is, and the
// lines after a damaged key line belong to no key. Edits keep every byte they do not change
// and write new lines with CRLF, in UTF-8 like the rest of the Linux build's text. Every
// function runs in time proportional to the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zendrel::platform::regedit {

inline constexpr std::uint32_t kString = 1;  // REG_SZ
inline constexpr std::uint32_t kBinary = 3;  // REG_BINARY, what a bare hex: holds
inline constexpr std::uint32_t kDword = 4;   // REG_DWORD

struct Value {
  std::uint32_t type = kString;
  std::string data;  // a string's text without a terminating NUL; otherwise the raw bytes
};

// `key` is a full path ("HKEY_CLASSES_ROOT\Directory\shell"); empty levels (doubled or
// trailing backslashes) are passed over, in the text and in the arguments alike.
bool KeyExists(std::string_view store, std::string_view key);
bool HasSubkeys(std::string_view store, std::string_view key);

// The value named `name` of the key; "" names the default value, written "@" in the text.
std::optional<Value> FindValue(std::string_view store, std::string_view key, std::string_view name);

// A key name the text can hold: no line break and no NUL in it, not empty, and not starting
// with '-' (an import reads "[-key]" as a deletion).
bool IsStorableKey(std::string_view key);

// The edits return the new text, or nullopt when it stays as it is. `store` is nullopt for a
// store that does not exist yet. `fixedLevels` says how many leading levels of `key` exist
// without being written (the root at least, and the keys the system provides): the levels
// after those that are missing get a block of their own, parents first.
std::optional<std::string> CreateKey(std::optional<std::string_view> store, std::string_view key,
                                     std::size_t fixedLevels = 1);

// Sets a string value, making the key and its missing parents first.
std::optional<std::string> SetString(std::optional<std::string_view> store, std::string_view key,
                                     std::string_view name, std::string_view text,
                                     std::size_t fixedLevels = 1);

// Removes every block of the key with its values (and the blank lines among them; comments
// and lines that do not parse stay). Nothing changes when the key has subkeys or no block.
// A parent that only existed through this key keeps existing: the key's first line then
// names the parent instead, unless the parent lies within `fixedLevels`.
std::optional<std::string> DeleteKey(std::optional<std::string_view> store, std::string_view key,
                                     std::size_t fixedLevels = 1);

// The path with its empty levels dropped.
std::string NormalKey(std::string_view key);

}  // namespace zendrel::platform::regedit
