#include "platform/posix/mount_table.h"
#include "text/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unordered_set>

namespace zendrel::platform::posix {

namespace {

using Components = std::vector<std::string>;

std::vector<std::string_view> Split(std::string_view s, char separator) {
  std::vector<std::string_view> parts;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = s.find(separator, begin);
    parts.push_back(s.substr(begin, end == std::string_view::npos ? s.npos : end - begin));
    if (end == std::string_view::npos) return parts;
    begin = end + 1;
  }
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// The kernel writes a space, tab, newline or backslash inside a field as a backslash and
// three octal digits. Anything else after a backslash is taken literally. A field holding a
// NUL could only end up naming some other path, so it makes the line unusable.
std::optional<std::string> Unescape(std::string_view field) {
  if (field.find_first_of(std::string_view("\\\0", 2)) == std::string_view::npos) {
    return std::string(field);
  }
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size();) {
    if (field[i] == '\\' && field.size() - i >= 4 && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 4;
    } else {
      out += field[i++];
    }
  }
  if (out.find('\0') != std::string::npos) return std::nullopt;
  return out;
}

// mount ID, parent ID, major:minor, root, mount point, mount options, any number of optional
// fields, "-", file system type, source, super options.
std::optional<MountEntry> ParseLine(std::string_view line) {
  const std::vector<std::string_view> fields = Split(line, ' ');
  if (fields.size() < 10) return std::nullopt;
  std::size_t dash = 6;
  while (dash < fields.size() && fields[dash] != "-") ++dash;
  // A line cut short loses its super options first; one without them may have lost part of
  // its source too.
  if (fields.size() < dash + 4) return std::nullopt;
  const std::size_t colon = fields[2].find(':');
  if (!IsDigits(fields[0]) || !IsDigits(fields[1]) || colon == std::string_view::npos ||
      !IsDigits(fields[2].substr(0, colon)) || !IsDigits(fields[2].substr(colon + 1))) {
    return std::nullopt;
  }
  auto root = Unescape(fields[3]);
  auto mountPoint = Unescape(fields[4]);
  auto type = Unescape(fields[dash + 1]);
  auto source = Unescape(fields[dash + 2]);
  if (!root || !mountPoint || !type || !source) return std::nullopt;
  if (mountPoint->empty() || mountPoint->front() != '/') return std::nullopt;
  while (mountPoint->size() > 1 && mountPoint->back() == '/') mountPoint->pop_back();
  return MountEntry{std::move(*root), std::move(*mountPoint), std::move(*type), std::move(*source)};
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The non-empty pieces of a path between separators of either kind.
Components SplitPath(std::string_view path, bool backslashSeparates) {
  Components parts;
  std::string part;
  for (char c : path) {
    if (c == '/' || (backslashSeparates && c == '\\')) {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

bool IsDots(const std::string& component) { return component == "." || component == ".."; }

bool StartsWith(const Components& path, const Components& prefix) {
  if (prefix.size() > path.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (!text::SameAsciiName(path[i], prefix[i])) return false;
  }
  return true;
}

// Where an SMB mount's files are on the server: server, share, then the folder within the
// share. Nothing for any other mount, and nothing for one whose names could not be written
// back unchanged as a universal name.
//
// The folder comes from the source (//server/share/sub) and from the root field. The kernel
// usually keeps the whole share as the file system and shows a mount of //server/share/sub
// with the root /sub: the root then already holds the source's folders and must not add
// them a second time. When the share's top could not be opened, the file system starts at
// the source's folder and the root is counted from there.
std::optional<Components> RemoteFolder(const MountEntry& entry) {
  if (entry.type != "cifs" && entry.type != "smb3") return std::nullopt;
  const std::string& source = entry.source;
  if (source.size() < 3 || !IsSeparator(source[0]) || !IsSeparator(source[1]) ||
      IsSeparator(source[2])) {
    return std::nullopt;
  }
  Components remote = SplitPath(source, true);
  // \\?\ opens a different kind of name on Windows, never a server.
  if (remote.size() < 2 || remote[0].front() == '?') return std::nullopt;
  if (entry.root.empty() || entry.root.front() != '/') return std::nullopt;
  Components root = SplitPath(entry.root, false);
  const Components sourceFolder(remote.begin() + 2, remote.end());
  if (StartsWith(root, sourceFolder)) remote.resize(2);
  for (std::string& folder : root) {
    if (folder.find('\\') != std::string::npos) return std::nullopt;
    remote.push_back(std::move(folder));
  }
  for (const std::string& component : remote) {
    if (IsDots(component)) return std::nullopt;
  }
  return remote;
}

bool Covers(const std::string& mountPoint, std::string_view path) {
  if (mountPoint == "/") return true;
  return path.starts_with(mountPoint) &&
         (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

// A universal name as server, share and folders, with "." and ".." resolved inside the
// share; nothing for a name without a server and a share.
std::optional<Components> ParseUniversalName(std::string_view name) {
  if (name.size() < 3 || name[0] != '\\' || name[1] != '\\' || IsSeparator(name[2]) ||
      name[2] == '?' || name.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  Components parts;
  for (std::string& component : SplitPath(name.substr(2), true)) {
    if (parts.size() >= 2 && component == ".") continue;
    if (parts.size() >= 2 && component == "..") {
      if (parts.size() > 2) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(component));
  }
  if (parts.size() < 2) return std::nullopt;
  return parts;
}

// At most `limit` bytes of a regular file; a longer one is cut after its last whole line.
// Anything else (a folder, a pipe, a device) reads as nothing rather than blocking or never
// ending.
std::string ReadTableFile(const std::string& path, std::size_t limit) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {};
  std::string bytes;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // Grown as the table turns out to need: the kernel's table reports no size, and clearing
    // a buffer of the whole limit on every lookup would cost more than the read.
    bytes.resize(std::min<std::size_t>(limit + 1, 64 * 1024));
    std::size_t used = 0;
    for (;;) {
      if (used == bytes.size()) {
        if (bytes.size() > limit) break;
        bytes.resize(std::min(limit + 1, bytes.size() * 2));
      }
      const ssize_t n = read(fd, bytes.data() + used, bytes.size() - used);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    if (used > limit) {
      const std::size_t lastNewline = bytes.rfind('\n', limit - 1);
      bytes.resize(lastNewline == std::string::npos ? 0 : lastNewline + 1);
    }
  }
  close(fd);
  return bytes;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> table;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    if (std::optional<MountEntry> entry = ParseLine(text.substr(begin, end - begin))) {
      table.push_back(std::move(*entry));
    }
    begin = end + 1;
  }
  return table;
}

const MountEntry* HolderOf(const std::vector<MountEntry>& table, std::string_view resolvedPath) {
  const MountEntry* holder = nullptr;
  for (const MountEntry& entry : table) {
    if (Covers(entry.mountPoint, resolvedPath) &&
        (!holder || entry.mountPoint.size() >= holder->mountPoint.size())) {
      holder = &entry;
    }
  }
  return holder;
}

std::optional<std::string> UniversalNameOf(const std::vector<MountEntry>& table,
                                           std::string_view resolvedPath) {
  if (resolvedPath.empty() || resolvedPath.front() != '/' ||
      resolvedPath.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  const MountEntry* holder = HolderOf(table, resolvedPath);
  if (!holder) return std::nullopt;
  std::optional<Components> parts = RemoteFolder(*holder);
  if (!parts) return std::nullopt;
  const std::size_t skip = holder->mountPoint == "/" ? 0 : holder->mountPoint.size();
  for (std::string& component : SplitPath(resolvedPath.substr(skip), false)) {
    // A backslash is an ordinary character in a Linux name but a separator in a universal
    // name: such a name would lead to some other file.
    if (component.find('\\') != std::string::npos || IsDots(component)) return std::nullopt;
    parts->push_back(std::move(component));
  }
  std::string name = "\\";
  for (const std::string& component : *parts) name += "\\" + component;
  return name;
}

std::optional<std::string> LocalPathOf(const std::vector<MountEntry>& table,
                                       std::string_view universalName) {
  const std::optional<Components> parts = ParseUniversalName(universalName);
  if (!parts) return std::nullopt;
  const MountEntry* holder = nullptr;
  std::size_t matched = 0;
  // From the end of the table, so that a mount hidden by a later one at the same place is
  // known as such, and of two equal matches the later one wins.
  std::unordered_set<std::string_view> laterMountPoints;
  for (std::size_t k = table.size(); k-- > 0;) {
    if (!laterMountPoints.insert(table[k].mountPoint).second) continue;
    const std::optional<Components> remote = RemoteFolder(table[k]);
    if (!remote || remote->size() <= matched || !StartsWith(*parts, *remote)) continue;
    holder = &table[k];
    matched = remote->size();
  }
  if (!holder) return std::nullopt;
  std::string local = holder->mountPoint;
  for (std::size_t i = matched; i < parts->size(); ++i) {
    if (local.empty() || local.back() != '/') local += '/';
    local += (*parts)[i];
  }
  if (IsSeparator(universalName.back()) && (local.empty() || local.back() != '/')) local += '/';
  return local;
}

std::vector<MountEntry> ReadMountTable() {
  const char* fromEnvironment = std::getenv("ZENDREL_MOUNTINFO");
  const std::string path =
      fromEnvironment && *fromEnvironment ? fromEnvironment : "/proc/self/mountinfo";
  return ParseMountInfo(ReadTableFile(path, kMountTableReadLimit));
}

std::string ToLocalPath(const std::string& path) {
  if (path.size() < 2 || path[0] != '\\' || path[1] != '\\') return path;
  std::optional<std::string> local = LocalPathOf(ReadMountTable(), path);
  return local ? *local : kNoSuchShare;
}

}  // namespace zendrel::platform::posix
