#include "platform/posix/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/file_attributes.h"

namespace zendrel::platform::posix {

namespace {

// A writer that keeps finding the file replaced under it gives up rather than spin forever.
constexpr int kMaxAttempts = 1000;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Reads into a buffer of the file's size; a file that grows meanwhile is read on to its end.
std::optional<FileBytes> ReadFd(int fd) {
  struct stat st;
  std::size_t capacity = 1 << 16;
  if (fstat(fd, &st) == 0 && st.st_size > 0) capacity = static_cast<std::size_t>(st.st_size) + 1;
  auto data = std::make_unique_for_overwrite<char[]>(capacity);
  std::size_t used = 0;
  for (;;) {
    if (used == capacity) {
      auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
      std::memcpy(larger.get(), data.get(), used);
      data = std::move(larger);
      capacity *= 2;
    }
    const ssize_t n = read(fd, data.get() + used, capacity - used);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    used += static_cast<std::size_t>(n);
  }
  return FileBytes(std::move(data), used);
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Extended attributes travel with the content: Samba keeps the DOS attributes and its NT ACL
// there, and POSIX ACLs live there too. False when one of them could not be copied.
bool CopyExtendedAttributes(int from, int to) {
  ssize_t size = flistxattr(from, nullptr, 0);
  if (size == 0) return true;
  if (size < 0) return errno == ENOTSUP;  // a file system without them has none to lose
  std::vector<char> names(static_cast<std::size_t>(size));
  size = flistxattr(from, names.data(), names.size());
  if (size < 0) return false;
  std::vector<char> value;
  for (ssize_t i = 0; i < size;) {
    const char* name = names.data() + i;
    i += static_cast<ssize_t>(std::char_traits<char>::length(name)) + 1;
    const ssize_t valueSize = fgetxattr(from, name, nullptr, 0);
    if (valueSize < 0) return false;
    value.resize(static_cast<std::size_t>(valueSize));
    const ssize_t got = fgetxattr(from, name, value.data(), value.size());
    if (got < 0 || fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0) != 0) {
      return false;
    }
  }
  return true;
}

// Makes the new file `to` what the old one was apart from its bytes: owner, group, mode and
// extended attributes (ACLs among them). False when any of it could not be carried over, as
// for a file of another user on a shared folder: replacing it would take it from its owner.
bool TakeOverIdentity(const struct stat& original, int from, int to) {
  if (fchown(to, original.st_uid, original.st_gid) != 0) {
    struct stat now;
    if (fstat(to, &now) != 0 || now.st_uid != original.st_uid || now.st_gid != original.st_gid) {
      return false;
    }
  }
  if (fchmod(to, original.st_mode & 07777) != 0) return false;
  if (!CopyExtendedAttributes(from, to)) return false;
  // Changing the owner may have dropped set-id bits; the mode is checked as it now stands.
  struct stat now;
  return fstat(to, &now) == 0 && (now.st_mode & 07777) == (original.st_mode & 07777);
}

// A flushed temporary file beside `path` holding `bytes`; returns its path, or "" when it
// could not be made. With `original` (the open file it replaces) it must take over the old
// file's identity, and gives "" when it cannot.
std::string WriteTemporary(const std::string& path, const std::string& bytes, const int* original) {
  std::string temp = FolderOf(path) + "/." + NameOf(path) + ".zendrel-XXXXXX";
  static_assert(sizeof(".") - 1 + sizeof(".zendrel-XXXXXX") - 1 == kTemporaryNameExtra);
  Fd fd(mkostemp(temp.data(), O_CLOEXEC));
  if (!fd.ok()) return {};
  bool ok = true;
  if (original) {
    struct stat st;
    ok = fstat(*original, &st) == 0 && TakeOverIdentity(st, *original, fd.get());
  } else {
    // A new file gets the permissions an ordinary create would give it.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd.get(), 0666 & ~mask);
  }
  ok = ok && WriteAll(fd.get(), bytes) && fsync(fd.get()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return {};
  }
  return temp;
}

// The file rewritten where it is, for when it cannot be replaced: its folder takes no new
// file, or a new file could not be its owner's. The caller holds the file's lock, so no
// other writer meets the file half written and readers wait for the lock.
bool RewriteInPlace(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && fsync(fd) == 0;
}

void SyncFolder(const std::string& path) {
  Fd dir(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.ok()) fsync(dir.get());
}

enum class Outcome { kDone, kFailed, kRetry };

// The file does not exist: create it whole, or not at all. link() refuses to replace a file
// another writer created meanwhile; that writer's content is then edited afresh.
Outcome CreateFile(const std::string& path, const FileEdit& edit) {
  const std::optional<std::string> bytes = edit(std::nullopt);
  if (!bytes) return Outcome::kDone;
  const std::string temp = WriteTemporary(path, *bytes, nullptr);
  if (temp.empty()) return Outcome::kFailed;
  Outcome outcome = Outcome::kDone;
  if (link(temp.c_str(), path.c_str()) != 0) {
    if (errno == EEXIST) {
      outcome = Outcome::kRetry;
    } else if (rename(temp.c_str(), path.c_str()) != 0) {
      // A file system without hard links: a plain rename, which cannot refuse an existing file.
      outcome = Outcome::kFailed;
    } else {
      SyncFolder(path);
      return Outcome::kDone;
    }
  }
  unlink(temp.c_str());
  if (outcome == Outcome::kDone) SyncFolder(path);
  return outcome;
}

Outcome ReplaceFile(const std::string& path, int fd, const FileEdit& edit) {
  struct stat held, now;
  if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) return Outcome::kFailed;
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return Outcome::kFailed;
  }
  // The lock belongs to the file we opened; when another writer replaced it meanwhile, the
  // name now points elsewhere and we start again on the new file.
  if (lstat(path.c_str(), &now) != 0 || now.st_dev != held.st_dev || now.st_ino != held.st_ino) {
    return Outcome::kRetry;
  }
  const std::optional<FileBytes> current = ReadFd(fd);
  if (!current) return Outcome::kFailed;
  const std::optional<std::string> bytes = edit(current->view());
  if (!bytes) return Outcome::kDone;
  const std::string temp = WriteTemporary(path, *bytes, &fd);
  if (temp.empty()) return RewriteInPlace(fd, *bytes) ? Outcome::kDone : Outcome::kFailed;
  // Where the file system keeps Windows' attribute bits outside the extended attributes the
  // temporary file took over (NTFS, FAT, a CIFS mount), the new file starts with bits of its
  // own: the old ones (hidden and system on a desktop.ini) are put back after the rename.
  const std::optional<std::uint32_t> windowsBits = ReadAttributes(path);
  if (rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return Outcome::kFailed;
  }
  if (windowsBits && ReadAttributes(path) != windowsBits) WriteAttributes(path, *windowsBits);
  // The new bytes are on disk before the rename, so after a crash the name holds the old
  // file or the new one, whole; the folder need not be flushed for that.
  return Outcome::kDone;
}

}  // namespace

std::optional<FileBytes> ReadWholeFile(const std::string& path) {
  // Non-blocking, so that a FIFO where a file should be is refused rather than waited on.
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return std::nullopt;
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  // A file rewritten in place is read once its writer is done with it. A file system without
  // locks is read as it is.
  while (flock(fd.get(), LOCK_SH) != 0 && errno == EINTR) {
  }
  return ReadFd(fd.get());
}

bool RewriteFile(const std::string& path, const FileEdit& edit) {
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    // Opened for writing so that a file we may not write is refused, as on Windows.
    Fd fd(open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    Outcome outcome;
    if (fd.ok()) {
      outcome = ReplaceFile(path, fd.get(), edit);
    } else if (errno == ENOENT) {
      outcome = CreateFile(path, edit);
    } else {
      return false;  // a symbolic link (ELOOP), no permission, not a file
    }
    if (outcome != Outcome::kRetry) return outcome == Outcome::kDone;
  }
  return false;
}

}  // namespace zendrel::platform::posix
