// Network names on Linux: which local paths lie on an SMB/CIFS mount, and under which
// universal name (\\server\share\...) Windows machines know them.
//
// The mount table is the kernel's /proc/self/mountinfo, or the file the environment variable
// ZENDREL_MOUNTINFO names: tests and test runs of the real program point the layer at a
// table of their own that way. The table is read afresh on every lookup, since
// shares come and go while the program runs.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zendrel::platform::posix {

// One line of the mount table, its fields unescaped (\040 space, \011 tab, \012 newline,
// \134 backslash).
struct MountEntry {
  std::string root;        // directory of the mounted file system that shows at mountPoint
  std::string mountPoint;  // absolute local path, without a trailing '/' unless it is "/"
  std::string type;        // file system type: "cifs", "ext4", ...
  std::string source;      // for an SMB share: //server/share[/sub/dir]
};

// The entries of a mountinfo text, in table order. A line that does not have the shape of a
// mount entry (too few fields, no "-" separator, a mount point that is not absolute, a NUL
// inside a field) is skipped; nothing in the text can make this fail.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The mount that holds an absolute, resolved path: the one with the longest mount point that
// covers it; of two with the same mount point the later one. nullptr when none does.
const MountEntry* HolderOf(const std::vector<MountEntry>& table, std::string_view resolvedPath);

// The universal name of an absolute path that is already resolved (no symbolic links, no
// "." or ".." components), or nullopt when the mount that holds it is not an SMB share or
// the path has no name there. The mount with the longest matching mount point holds the
// path; of two with the same mount point the later one, which covers the earlier.
std::optional<std::string> UniversalNameOf(const std::vector<MountEntry>& table,
                                           std::string_view resolvedPath);

// The local path behind a universal name, or nullopt when no SMB mount of the table holds
// it. The share's remote folder (source and root together) that matches the most leading
// components wins; server, share and folder names match without regard to ASCII case, as
// SMB servers compare them. A mount hidden by a later one at the same mount point is passed
// over. "." and ".." components are resolved the Windows way, within the share: ".." at the
// share's top stays there. A trailing separator is kept.
std::optional<std::string> LocalPathOf(const std::vector<MountEntry>& table,
                                       std::string_view universalName);

// The table the layer consults: the one named by ZENDREL_MOUNTINFO, else
// /proc/self/mountinfo. Only a regular file is read, and at most
// kMountTableReadLimit bytes of it (a longer table is read up to its last whole line);
// an unreadable table is empty, so that every path counts as local.
std::vector<MountEntry> ReadMountTable();
inline constexpr std::size_t kMountTableReadLimit = 16u << 20;

// Where a universal name with no mount behind it leads: a place below /dev/null, which is no
// folder, so every lookup, open or create there fails. Such a name must not be left as it
// is: to Linux, "\\server\share\x" is a relative file name that could exist in the current
// folder.
inline constexpr const char* kNoSuchShare = "/dev/null/no-such-share";

// The local path behind a universal name, through the mount table; kNoSuchShare when no
// mount is behind it (this holds for any path that starts with two backslashes). Any other
// path is returned unchanged. Every file operation of the Linux layer passes its path
// through this first.
std::string ToLocalPath(const std::string& path);

}  // namespace zendrel::platform::posix
