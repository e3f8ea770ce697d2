// File status and attributes: the whole tasks Zendrel asks of the file system to learn
// whether an entry exists, what its attributes are, and to change them.
//
// Windows calls the system's own functions. Linux keeps the DOS attributes where Samba keeps
// them, so that a folder customised here looks customised to Windows machines on the share.
// Soft errors are handled here: a missing entry is "not found", a refused write is false.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zendrel::platform {

// The path as a full path: relative paths are taken from the current directory, "." and ".."
// components are resolved by name (links are not followed), doubled separators are merged and
// a trailing separator is kept. Nothing is asked of the file system beyond the current
// directory, so a missing entry has a full name too. On Linux a universal name
// (\\server\share\...) is already full and stays as it is. nullopt for an empty path or when
// the current directory cannot be learned.
std::optional<std::string> QualifyPath(const std::string& path);

// One directory entry as the system reports it.
struct FoundEntry {
  std::uint32_t attributes = 0;  // the system's attribute bits, unfiltered
  // Seconds since 1970-01-01 00:00:00 UTC. Where the file system keeps no creation time,
  // creationTime is 0 (Windows) or the last-write time (Linux).
  std::int64_t creationTime = 0;
  std::int64_t lastWriteTime = 0;
};

// The entry of exactly this name. A path that ends in a separator and a root (a share's
// universal name among them) find nothing, as does a missing entry. Wildcards are not
// patterns: on Windows, where no name can hold them, a name with '*' or '?' finds nothing
// rather than the first entry that matches. A symbolic link is an entry of its own; one that
// leads to a folder has the directory bit, as a directory link has on Windows.
std::optional<FoundEntry> FindEntry(const std::string& path);

// The attribute bits of the path; nullopt when it does not exist or cannot be read.
std::optional<std::uint32_t> ReadAttributes(const std::string& path);

// Sets the attribute bits of the path to exactly `attributes` (bits the system does not let
// a program set are ignored). No time stamp changes. False when the system refuses.
bool WriteAttributes(const std::string& path, std::uint32_t attributes);

}  // namespace zendrel::platform
