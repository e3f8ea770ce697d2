#include "folder/file_status.h"

#include <limits>
#include <utility>

#include "platform/folder_ops.h"

namespace zendrel::folder {

namespace {

std::uint32_t ToStamp(std::int64_t seconds) {
  if (seconds < 0) return 0;
  if (seconds > std::numeric_limits<std::uint32_t>::max()) {
    return std::numeric_limits<std::uint32_t>::max();
  }
  return static_cast<std::uint32_t>(seconds);
}

}  // namespace

FileStatus MakeFileStatus(const platform::FoundEntry& entry, std::string fullName) {
  FileStatus status;
  status.attributes = static_cast<std::uint8_t>(entry.attributes & 0x7F);
  const std::int64_t creation = entry.creationTime != 0 ? entry.creationTime : entry.lastWriteTime;
  status.creationTime = ToStamp(creation);
  status.lastWriteTime = ToStamp(entry.lastWriteTime);
  status.fullName = std::move(fullName);
  return status;
}

std::optional<FileStatus> QueryStatus(const std::string& path) {
  std::optional<std::string> fullName = platform::QualifyPath(path);
  // A full name longer than the file functions take is not cut short, since a shortened name
  // would name some other entry.
  if (!fullName || fullName->size() > platform::LongestPath()) return std::nullopt;
  const std::optional<platform::FoundEntry> entry = platform::FindEntry(path);
  if (!entry) return std::nullopt;
  return MakeFileStatus(*entry, std::move(*fullName));
}

bool WriteAttributeByte(const std::string& path, std::uint8_t attributes) {
  const std::optional<std::uint32_t> present = platform::ReadAttributes(path);
  if (!present) return false;
  if (*present == attributes) return true;
  return platform::WriteAttributes(path, attributes);
}

}  // namespace zendrel::folder
