// File status and attributes on Windows: the system's own directory search and attribute
// functions.
#include <windows.h>

#include <vector>

#include "platform/file_attributes.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

// File times count 100-nanosecond ticks from 1601; the program counts seconds from 1970.
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

std::int64_t ToUnixSeconds(const FILETIME& time) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  // A zero file time is how a file system says it keeps no such time.
  if (ticks == 0) return 0;
  return static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
}

// The directory search treats '*' and '?' in the last component as a pattern and would
// report whatever entry matches first; a real name never holds them.
bool HasWildcard(const std::string& path) {
  const std::size_t back = text::FindLastChar(path, '\\');
  const std::size_t slash = text::FindLastChar(path, '/');
  std::size_t start = 0;
  if (back != std::string::npos) start = back + 1;
  if (slash != std::string::npos && slash + 1 > start) start = slash + 1;
  const std::string_view name = std::string_view(path).substr(start);
  return text::FindChar(name, '*') != std::string_view::npos ||
         text::FindChar(name, '?') != std::string_view::npos;
}

}  // namespace

std::optional<std::string> QualifyPath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) return std::string(buffer.data(), length);
    // Too small: `length` is the size needed, terminator included.
    buffer.resize(length);
  }
}

std::optional<FoundEntry> FindEntry(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return std::nullopt;
  WIN32_FIND_DATAA data;
  const HANDLE search = FindFirstFileA(path.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  FoundEntry entry;
  entry.attributes = data.dwFileAttributes;
  entry.creationTime = ToUnixSeconds(data.ftCreationTime);
  entry.lastWriteTime = ToUnixSeconds(data.ftLastWriteTime);
  return entry;
}

std::optional<std::uint32_t> ReadAttributes(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool WriteAttributes(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

}  // namespace zendrel::platform
