#include "platform/posix/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
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
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) close(fd_);
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
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

// Temporary files are named after the file they will replace: a leading dot, the name, and
// ".zendrel-" with six characters behind it.
std::string TemporaryPrefix(const std::string& path) {
  std::string prefix(1, '.');
  prefix.append(NameOf(path)).append(".zendrel-");
  return prefix;
}
constexpr std::size_t kTemporarySuffix = 6;
static_assert(sizeof(".") - 1 + sizeof(".zendrel-") - 1 + kTemporarySuffix == kTemporaryNameExtra);

// Every temporary file holds an exclusive lock for as long as its writer is at work, so a
// temporary file of ours that can be locked has been abandoned by a writer that died. Those of
// `path` are removed. Where the file system has no locks nothing is removed: a file in use
// could not be told from an abandoned one.
void RemoveAbandonedTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string prefix = TemporaryPrefix(path);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() != prefix.size() + kTemporarySuffix || !name.starts_with(prefix)) continue;
    const int fd = openat(dirfd(dir), entry->d_name,
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    struct stat held, now;
    if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(dirfd(dir), entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        now.st_dev == held.st_dev && now.st_ino == held.st_ino) {
      unlinkat(dirfd(dir), entry->d_name, 0);
    }
    close(fd);
  }
  closedir(dir);
}

// A temporary file being written: open, locked, and while it can be, without a name (a crash
// then leaves nothing behind). `name` is empty until it has one.
struct Temporary {
  Fd fd;
  std::string name;
};

// How a temporary file is made: without a name where the file system can (a crash then
// leaves nothing behind), or named from the start.
enum class Naming { kUnnamed, kNamed };

// A new temporary file in the folder of `path`, locked; an unnamed one is asked for, a named
// one results where the file system cannot make that.
std::unique_ptr<Temporary> OpenTemporary(const std::string& path, Naming naming) {
  auto temp = std::make_unique<Temporary>();
  if (naming == Naming::kUnnamed) {
    temp->fd = Fd(open(FolderOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  }
  if (temp->fd.ok()) {
    flock(temp->fd.get(), LOCK_EX | LOCK_NB);
    return temp;
  }
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    std::string name = FolderOf(path) + "/" + TemporaryPrefix(path) + "XXXXXX";
    temp->fd = Fd(mkostemp(name.data(), O_CLOEXEC));
    if (!temp->fd.ok()) return nullptr;
    flock(temp->fd.get(), LOCK_EX | LOCK_NB);
    // Another writer's clean-up may have taken the name between its making and its lock.
    struct stat held, now;
    if (fstat(temp->fd.get(), &held) == 0 && lstat(name.c_str(), &now) == 0 &&
        now.st_ino == held.st_ino && now.st_dev == held.st_dev) {
      temp->name = std::move(name);
      return temp;
    }
  }
  return nullptr;
}

// Gives an unnamed temporary file the name `target`; false when that name is taken (EEXIST)
// or the system cannot do it.
bool LinkUnnamed(const Temporary& temp, const std::string& target) {
  const std::string self = "/proc/self/fd/" + std::to_string(temp.fd.get());
  return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// A name for the temporary file, beside the file it will replace, for the moment between its
// linking and the rename.
bool NameUnnamed(Temporary& temp, const std::string& path) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uint32_t seed = static_cast<std::uint32_t>(getpid()) * 2654435761u ^
                       static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&temp));
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    std::string name = FolderOf(path) + "/" + TemporaryPrefix(path);
    for (std::size_t i = 0; i < kTemporarySuffix; ++i) {
      seed = seed * 1664525u + 1013904223u;
      name += kLetters[(seed >> 16) % (sizeof kLetters - 1)];
    }
    if (LinkUnnamed(temp, name)) {
      temp.name = std::move(name);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

void Discard(Temporary& temp) {
  if (!temp.name.empty()) unlink(temp.name.c_str());
  temp.name.clear();
}

// A flushed temporary file for `path` holding `bytes`, or nullptr when it could not be made.
// With `original` (the open file it replaces) it must take over the old file's identity, and
// is nullptr when it cannot.
std::unique_ptr<Temporary> WriteTemporary(const std::string& path, const std::string& bytes,
                                          const int* original, Naming naming) {
  std::unique_ptr<Temporary> temp = OpenTemporary(path, naming);
  if (!temp) return nullptr;
  bool ok = true;
  if (original) {
    struct stat st;
    ok = fstat(*original, &st) == 0 && TakeOverIdentity(st, *original, temp->fd.get());
  } else {
    // A new file gets the permissions an ordinary create would give it.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(temp->fd.get(), 0666 & ~mask);
  }
  ok = ok && WriteAll(temp->fd.get(), bytes) && fsync(temp->fd.get()) == 0;
  if (!ok) {
    Discard(*temp);
    return nullptr;
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

// The file does not exist: create it whole, or not at all. Linking refuses to replace a file
// another writer created meanwhile; that writer's content is then edited afresh.
Outcome CreateFile(const std::string& path, const FileEdit& edit) {
  const std::optional<std::string> bytes = edit(std::nullopt);
  if (!bytes) return Outcome::kDone;
  RemoveAbandonedTemporaries(path);
  std::unique_ptr<Temporary> temp = WriteTemporary(path, *bytes, nullptr, Naming::kUnnamed);
  if (!temp) return Outcome::kFailed;
  if (temp->name.empty()) {
    if (LinkUnnamed(*temp, path)) {
      SyncFolder(path);
      return Outcome::kDone;
    }
    if (errno == EEXIST) return Outcome::kRetry;
    // The system could not link the unnamed file (no /proc): the file is made again, named.
    temp = WriteTemporary(path, *bytes, nullptr, Naming::kNamed);
    if (!temp) return Outcome::kFailed;
  }
  Outcome outcome = Outcome::kDone;
  if (link(temp->name.c_str(), path.c_str()) != 0) {
    if (errno == EEXIST) {
      outcome = Outcome::kRetry;
    } else if (rename(temp->name.c_str(), path.c_str()) != 0) {
      // A file system without hard links: a plain rename, which cannot refuse an existing file.
      outcome = Outcome::kFailed;
    } else {
      SyncFolder(path);
      return Outcome::kDone;
    }
  }
  Discard(*temp);
  if (outcome == Outcome::kDone) SyncFolder(path);
  return outcome;
}

FileIdentity IdentityOf(const struct stat& status) {
  return {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

bool Same(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec &&
         a.changed.tv_sec == b.changed.tv_sec && a.changed.tv_nsec == b.changed.tv_nsec;
}

Outcome ReplaceFile(const std::string& path, int fd, const FileEdit& edit,
                    const UnchangedFile* unchanged) {
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
  struct stat locked;
  std::optional<std::string> bytes;
  if (unchanged && fstat(fd, &locked) == 0 && Same(IdentityOf(locked), unchanged->readAs)) {
    bytes = unchanged->bytes();
  }
  if (!bytes) {
    const std::optional<FileBytes> current = ReadFd(fd);
    if (!current) return Outcome::kFailed;
    bytes = edit(current->view());
  }
  if (!bytes) return Outcome::kDone;
  RemoveAbandonedTemporaries(path);
  std::unique_ptr<Temporary> temp = WriteTemporary(path, *bytes, &fd, Naming::kUnnamed);
  if (temp && temp->name.empty() && !NameUnnamed(*temp, path)) {
    temp = WriteTemporary(path, *bytes, &fd, Naming::kNamed);
  }
  if (!temp) return RewriteInPlace(fd, *bytes) ? Outcome::kDone : Outcome::kFailed;
  // Where the file system keeps Windows' attribute bits outside the extended attributes the
  // temporary file took over (NTFS, FAT, a CIFS mount), the new file starts with bits of its
  // own: the old ones (hidden and system on a desktop.ini) are put back after the rename.
  const std::optional<std::uint32_t> windowsBits = ReadAttributes(path);
  if (rename(temp->name.c_str(), path.c_str()) != 0) {
    Discard(*temp);
    return Outcome::kFailed;
  }
  if (windowsBits && ReadAttributes(path) != windowsBits) WriteAttributes(path, *windowsBits);
  // The new bytes are on disk before the rename, so after a crash the name holds the old
  // file or the new one, whole; the folder need not be flushed for that.
  return Outcome::kDone;
}

}  // namespace

namespace {

// A regular file opened for a whole read, once its writer is done with it (a file rewritten
// in place is locked meanwhile; a file system without locks is read as it is). `status` is the
// file's as the lock was had, when asked for.
Fd OpenForWholeRead(const std::string& path, struct stat* status) {
  // Non-blocking, so that a FIFO where a file should be is refused rather than waited on.
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return fd;
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return Fd();
  while (flock(fd.get(), LOCK_SH) != 0 && errno == EINTR) {
  }
  if (status && fstat(fd.get(), status) != 0) return Fd();
  return fd;
}

}  // namespace

std::optional<FileBytes> ReadWholeFile(const std::string& path) {
  const Fd fd = OpenForWholeRead(path, nullptr);
  if (!fd.ok()) return std::nullopt;
  return ReadFd(fd.get());
}

std::optional<std::string> ReadWholeFileWithRoom(const std::string& path, FileIdentity* identity,
                                                 std::size_t room) {
  struct stat st;
  const Fd fd = OpenForWholeRead(path, &st);
  if (!fd.ok()) return std::nullopt;
  if (identity) *identity = IdentityOf(st);
  const std::size_t expected = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  constexpr std::size_t kStep = 64 * 1024;
  std::string bytes;
  bytes.reserve(expected + std::max(room, kStep));
  bytes.resize(expected);
  std::size_t used = 0;
  for (;;) {
    // The end shows as a read of nothing; a file that grows meanwhile is read on to its end.
    if (used == bytes.size()) bytes.resize(used + kStep);
    const ssize_t n = read(fd.get(), bytes.data() + used, bytes.size() - used);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    used += static_cast<std::size_t>(n);
  }
  bytes.resize(used);
  return bytes;
}

bool RewriteFile(const std::string& path, const FileEdit& edit, const UnchangedFile* unchanged) {
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    // Opened for writing so that a file we may not write is refused, as on Windows.
    Fd fd(open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    Outcome outcome;
    if (fd.ok()) {
      outcome = ReplaceFile(path, fd.get(), edit, unchanged);
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
