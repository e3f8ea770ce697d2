// The DOS attribute record that Samba keeps in the extended attribute user.DOSATTRIB (Wine
// uses the same name). Pure functions over the record's bytes, so that every form can be
// tested and fuzzed without a file system.
//
// Forms, all little-endian:
// - legacy: an ASCII hex string such as "0x22", with or without a final NUL, nothing after;
// - binary: a NUL-terminated hex string (empty in versions 4 and 5), padding to 2 bytes, the
//   version as a 16-bit number twice, padding to 4, then a body that depends on the version:
//   32-bit valid flags, the 32-bit attrib field, then sizes and times. Versions 3, 4 and 5
//   are understood.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zendrel::platform::posix {

inline constexpr const char* kDosAttribName = "user.DOSATTRIB";

// The attributes the record holds, or nullopt when it holds none that can be trusted. A
// damaged binary record is read as far as it is valid: its attrib field when that is whole
// and marked valid, else its leading hex string when that holds a number.
std::optional<std::uint32_t> ParseDosAttrib(std::string_view record);

// The record to store so that it holds `attrib`, made from the record stored now (empty when
// there is none). A whole binary record of a known version keeps every byte but the attrib
// field and its valid flag; a legacy string stays a legacy string (its final NUL kept or left
// out as before); anything else becomes a new version-5 record with only the attrib marked
// valid, from which Samba works out the creation time itself.
std::string UpdateDosAttrib(std::string_view record, std::uint32_t attrib);

}  // namespace zendrel::platform::posix
