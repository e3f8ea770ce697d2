// Folder operations on Linux. A universal name is reached through the mount behind it.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_attributes.h"
#include "platform/folder_ops.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/mount_table.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

bool IsWindowsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:\x", "C:x" and "\x" are tied to a Windows drive, which Linux does not have.
bool IsDrivePath(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') {
    const char letter = text::LowerAscii(path[0]);
    return letter >= 'a' && letter <= 'z';
  }
  return !path.empty() && path[0] == '\\' && !text::IsUNC(path);
}

}  // namespace

// The kernel's limit, less the room a rewrite needs for its temporary file beside the file.
std::size_t LongestPath() { return PATH_MAX - 1 - posix::kTemporaryNameExtra; }

std::optional<std::string> SearchAndQualify(const std::string& folder, const std::string& name) {
  if (name.empty() || IsDrivePath(name)) return std::nullopt;
  std::optional<std::string> full;
  if (text::IsUNC(name)) {
    full = name;  // already full; the icon reader opens it through its mount
  } else if (name.front() == '/') {
    full = QualifyPath(name);
  } else {
    // A relative name written on Windows separates its folders with backslashes. UTF-8 never
    // has a backslash inside a character, so the bytes can be replaced as they are. The
    // folder may be a universal name: its mount is what the name is relative to.
    full = QualifyPath(text::AddTrailingSeparator(posix::ToLocalPath(folder)) +
                       text::ReplaceChar(name, '\\', '/'));
  }
  if (!full || full->size() > LongestPath()) return std::nullopt;
  return full;
}

std::string BareFileName(const std::string& path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    // A separator at the end, or one doubled, starts no name.
    if (IsWindowsSeparator(path[i]) && !IsWindowsSeparator(path[i + 1])) start = i + 1;
  }
  return path.substr(start);
}

bool IsReadableFile(const std::string& path) {
  // Non-blocking, so that a FIFO is not waited on; a link is not the file itself (removing
  // an emptied desktop.ini must never take a user's link).
  const int fd =
      open(posix::ToLocalPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat status;
  const bool regular = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  close(fd);
  return regular;
}

bool RemoveFile(const std::string& path) {
  const std::string local = posix::ToLocalPath(path);
  struct stat status;
  // unlink would take a folder's entry on some systems; DeleteFile never does.
  if (lstat(local.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return false;
  return unlink(local.c_str()) == 0;
}

// File managers watch the folder themselves and redraw it when desktop.ini changes.
void NotifyAssociationsChanged() {}

}  // namespace zendrel::platform
