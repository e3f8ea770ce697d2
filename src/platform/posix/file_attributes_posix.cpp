// File status and attributes on Linux. The type and the times come from the file system; the
// DOS attributes (read-only, hidden, system, archive) live where the file system keeps them
// for Windows (attribute_store.h): Samba's user.DOSATTRIB on a local disk, the client's
// attribute on a CIFS mount, NTFS's and FAT's own bits, so that Windows machines see what
// Zendrel wrote. Unlike Wine, read-only is kept on folders too, as Windows keeps it.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/file_attributes.h"
#include "platform/posix/attribute_store.h"
#include "platform/posix/mount_table.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
// What the stored record decides; the directory bit always follows the file type.
constexpr std::uint32_t kStoredBits = kReadOnly | kHidden | kSystem | kArchive;

// "." and ".." resolved by name, doubled separators merged, the trailing separator kept.
std::string Normalise(const std::string& absolute) {
  std::vector<std::string_view> parts;
  std::string_view rest(absolute);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string full;
  for (const std::string_view part : parts) {
    full += '/';
    full += part;
  }
  if (full.empty() || absolute.back() == '/') full += '/';
  return full;
}

// A universal name that names only a server or a share is a root, like a drive's.
bool IsShareRoot(std::string_view unc) {
  const std::string_view rest = unc.substr(2);
  const std::size_t server_end = text::FindChar(rest, '\\');
  if (server_end == std::string_view::npos) return true;
  return text::FindChar(rest.substr(server_end + 1), '\\') == std::string_view::npos;
}

// Samba hides names that start with a dot unless told otherwise.
bool IsDotName(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return name.size() > 1 && name[0] == '.' && name != "..";
}

// A link to a folder counts as a folder, as a directory link does on Windows.
bool IsDirectory(const std::string& local, const struct stat& status) {
  if (S_ISDIR(status.st_mode)) return true;
  struct stat target;
  return S_ISLNK(status.st_mode) && stat(local.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
}

std::uint32_t AttributesOf(const std::string& local, const struct stat& status) {
  const bool directory = IsDirectory(local, status);
  posix::AttributeCalls& calls = posix::SystemAttributeCalls();
  const std::optional<std::uint32_t> stored =
      posix::ReadStored(posix::StoreOf(local, calls), local, calls);
  std::uint32_t attributes = 0;
  if (stored) {
    attributes = *stored & kStoredBits;
  } else {
    // What Samba reports for an entry it has never given attributes.
    attributes = directory ? 0 : kArchive;
    if (IsDotName(local)) attributes |= kHidden;
  }
  if (directory) attributes |= kDirectory;
  return attributes;
}

std::optional<std::int64_t> BirthTime(const std::string& local) {
  struct statx extended;
  if (statx(AT_FDCWD, local.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &extended) != 0) {
    return std::nullopt;
  }
  if ((extended.stx_mask & STATX_BTIME) == 0) return std::nullopt;
  return extended.stx_btime.tv_sec;
}

}  // namespace

std::optional<std::string> QualifyPath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // A universal name is already a full name; the file operations map it to its mount.
  if (text::IsUNC(path)) return path;
  if (path.front() == '/') return Normalise(path);
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  if (error || current.empty()) return std::nullopt;
  return Normalise(current.string() + '/' + path);
}

std::optional<FoundEntry> FindEntry(const std::string& path) {
  if (path.empty() || path.back() == '/') return std::nullopt;
  if (text::IsUNC(path) && (path.back() == '\\' || IsShareRoot(path))) return std::nullopt;
  const std::string local = posix::ToLocalPath(path);
  // "/." and the like name the root as well.
  if (local.empty() || local.back() == '/' || QualifyPath(local) == "/") return std::nullopt;
  struct stat status;
  if (lstat(local.c_str(), &status) != 0) return std::nullopt;
  FoundEntry entry;
  entry.attributes = AttributesOf(local, status);
  entry.lastWriteTime = status.st_mtime;
  entry.creationTime = BirthTime(local).value_or(entry.lastWriteTime);
  return entry;
}

std::optional<std::uint32_t> ReadAttributes(const std::string& path) {
  const std::string local = posix::ToLocalPath(path);
  struct stat status;
  if (lstat(local.c_str(), &status) != 0) return std::nullopt;
  return AttributesOf(local, status);
}

bool WriteAttributes(const std::string& path, std::uint32_t attributes) {
  const std::string local = posix::ToLocalPath(path);
  struct stat status;
  if (lstat(local.c_str(), &status) != 0) return false;
  // A link to a folder stands for the folder, whose attributes it shows. A link to a file
  // is an entry of its own: its attributes must not reach the file behind it (a shared
  // desktop.ini, say), and Linux keeps no user attributes on a link, so the write is refused.
  if (S_ISLNK(status.st_mode) && !IsDirectory(local, status)) return false;
  // Samba, NTFS and FAT keep the directory bit with a folder's attributes; keep them alike.
  const std::uint32_t stored =
      (attributes & kStoredBits) | (IsDirectory(local, status) ? kDirectory : 0);
  // Where the file system keeps the bits depends on the file system; one that keeps them
  // nowhere refuses the write, so that the caller can say so.
  posix::AttributeCalls& calls = posix::SystemAttributeCalls();
  return posix::WriteStored(posix::StoreOf(local, calls), local, stored, calls);
}

}  // namespace zendrel::platform
