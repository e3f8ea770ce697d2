// The file-status query and the attribute-byte write: how Zendrel learns whether a file or
// folder exists, what its attributes are and when it was made, and how it changes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_attributes.h"

namespace zendrel::folder {

// Bits of the attribute byte that Zendrel tests or changes.
inline constexpr std::uint8_t kReadOnly = 0x01;
inline constexpr std::uint8_t kHidden = 0x02;
inline constexpr std::uint8_t kSystem = 0x04;
inline constexpr std::uint8_t kDirectory = 0x10;
inline constexpr std::uint8_t kArchive = 0x20;  // reported, never changed

struct FileStatus {
  // The low seven attribute bits; the normal-file bit 0x80 and everything above are dropped.
  std::uint8_t attributes = 0;
  // Seconds since 1970-01-01 00:00:00 UTC, held in 32 bits (earlier times read as 0, later
  // than 32 bits can hold as the largest value). Where the file system keeps no creation
  // time, the last-write time stands in for it.
  std::uint32_t creationTime = 0;
  std::uint32_t lastWriteTime = 0;
  std::string fullName;  // the path qualified to a full path, at most 259 bytes
};

// The status of the entry of exactly this name. nullopt when there is none (a missing entry,
// a path that ends in a separator, a root) or when its full name does not fit 259 bytes.
std::optional<FileStatus> QueryStatus(const std::string& path);

// The record made from one found entry and its full name; QueryStatus in the small, so that
// its rules can be checked for values no file system will produce on demand.
FileStatus MakeFileStatus(const platform::FoundEntry& entry, std::string fullName);

// Makes `attributes` the path's attributes: written only when they differ from the present
// ones, bits outside the byte not carried over, no time stamp changed. True when the path
// has those attributes afterwards; false when they cannot be read or the write is refused.
bool WriteAttributeByte(const std::string& path, std::uint8_t attributes);

}  // namespace zendrel::folder
