// Whole-file reads and locked, atomic rewrites for the Linux platform layer.
#pragma once

#include <sys/stat.h>
#include <cstddef>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zendrel::platform::posix {

// A whole file in memory. The buffer is not cleared before the read fills it: for a large
// file, clearing costs as much as the read.
class FileBytes {
 public:
  FileBytes(std::unique_ptr<char[]> data, std::size_t size) : data_(std::move(data)), size_(size) {}
  std::string_view view() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_;
};

// What a file was when it was read: which file, how long, and when it last changed. A file
// that still shows the same has not been written since, as far as its times can tell.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified = {};
  timespec changed = {};
};

// The bytes of a regular file, or nullopt when it cannot be read. Waits while a writer holds
// the file's lock.
std::optional<FileBytes> ReadWholeFile(const std::string& path);

// The same into a string with room for `room` more bytes, for a caller that edits the bytes
// where they are; also tells what the file was as it was read.
std::optional<std::string> ReadWholeFileWithRoom(const std::string& path, FileIdentity* identity,
                                                 std::size_t room);

// How much longer than the file's own path the name of its temporary file is: a leading dot
// and ".zendrel-" with six characters behind the name.
inline constexpr std::size_t kTemporaryNameExtra = 16;

// Given the file's present bytes (nullopt when it does not exist), returns its new bytes, or
// nullopt to leave it as it is.
using FileEdit = std::function<std::optional<std::string>(std::optional<std::string_view>)>;

// Runs `edit` on the file and writes what it returns. The whole read-modify-write holds an
// advisory lock, so concurrent writers lose no update; the new content goes to a temporary
// file in the same folder that takes over the old one's owner, group, mode and extended
// attributes (ACLs among them) and is renamed over it, so a crash leaves the old file or the
// new one. Where the old file's identity cannot be carried over (another user's file on a
// shared folder) or the folder takes no new file, the file is rewritten in place under the
// lock instead: it keeps its owner and access, and readers (ReadWholeFile waits for the
// lock) never meet it half written. A symbolic link is never written through: the call fails
// and leaves the link alone. Returns false when the file could not be written; true when it
// was written or needed no change.
//
// A writer that already holds the new bytes of the file as it read it passes `unchanged`:
// while the file still shows `readAs`, its bytes are taken from `bytes` instead of reading
// the file again and editing it (`bytes` gives nullopt when it has none to give any more).
struct UnchangedFile {
  FileIdentity readAs;
  std::function<std::optional<std::string>()> bytes;
};
bool RewriteFile(const std::string& path, const FileEdit& edit,
                 const UnchangedFile* unchanged = nullptr);

}  // namespace zendrel::platform::posix
