// What customising one folder asks of the system besides INI files and attributes: the
// longest name the file functions take, finding the file an icon path names, deleting a
// file, and telling the shell that folders may look different now.
//
// Windows calls the shell's own functions. Linux maps universal names (\\server\share\...)
// to their mounts, as every file operation of that layer does. Nothing here changes the
// process's current directory: names inside a folder are resolved against it explicitly.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zendrel::platform {

// The longest full path, in bytes, that every file function of the platform accepts: 259 on
// Windows (the system's functions stop at MAX_PATH), the kernel's limit on Linux.
std::size_t LongestPath();

// The full path of the file an icon path names, as `folder`'s desktop.ini means it: a
// relative or bare name that lies in `folder` (a full path) is found there; a full path
// stays as it is. nullopt when no full path results (one longer than LongestPath() among
// them). Windows then also searches where the system looks for programs; Linux looks
// nowhere else, and a Windows drive path ("C:\x\y.ico") or a path from a drive's root
// ("\x\y.ico"), which cannot exist there, gives nullopt.
std::optional<std::string> SearchAndQualify(const std::string& folder, const std::string& name);

// The text after the last separator, as stripping a path to its bare name leaves it ("dir\"
// for "C:\dir\"). On Linux both '\' and '/' separate, since a desktop.ini written on Windows
// holds backslashes.
std::string BareFileName(const std::string& path);

// Whether the path names a regular file the program may read (on Linux, not a link to one).
bool IsReadableFile(const std::string& path);

// Deletes one file; false when it is missing or cannot be deleted. Never a folder.
bool RemoveFile(const std::string& path);

// Tells the shell that file associations changed, so that it draws folders afresh. On Linux
// there is nothing to tell: file managers watch the folder and see desktop.ini change.
void NotifyAssociationsChanged();

}  // namespace zendrel::platform
