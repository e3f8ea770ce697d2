// The lock file on Linux: an flock on the open file. The kernel lets go of it when the holder
// dies, and on an SMB mount the client turns it into a lock on the server, which Windows
// users of the same share respect.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_lock.h"
#include "platform/posix/mount_table.h"

namespace zendrel::platform::lock_file {

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether an open that failed with this error may succeed once another holder lets go: the
// lock file exists but is held open exclusively (by a Windows user of the same share). When
// there is no such file, the folder itself refuses it.
bool MayPassLater(int error, const std::string& path) {
  if (error == EINTR || error == EAGAIN || error == EBUSY || error == ETXTBSY) return true;
  struct stat st;
  return (error == EACCES || error == EPERM) && lstat(path.c_str(), &st) == 0 &&
         S_ISREG(st.st_mode);
}

}  // namespace

std::intptr_t TryTake(const std::string& lockFile, bool& busy) {
  const std::string path = posix::ToLocalPath(lockFile);
  // Read-only is enough for flock, so a lock file that another user left behind serves too.
  // Non-blocking, so that a FIFO in its place cannot stop us.
  const int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    busy = MayPassLater(errno, path);
    return kNone;
  }
  struct stat held, named;
  if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
    close(fd);
    return kNone;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    busy = errno == EWOULDBLOCK || errno == EINTR;
    close(fd);
    return kNone;
  }
  // The holder before us removed the file it locked, and the next writer makes a new one: a
  // lock on the old file guards nothing. Try again on whatever the name leads to now.
  if (lstat(path.c_str(), &named) != 0 || !SameFile(held, named)) {
    close(fd);
    busy = true;
    return kNone;
  }
  return fd;
}

void Release(std::intptr_t handle, const std::string& lockFile) {
  // Removed while still held, so that a writer who opened it meanwhile finds out (the name
  // no longer leads to it) rather than believing that it holds the lock.
  unlink(posix::ToLocalPath(lockFile).c_str());
  close(static_cast<int>(handle));
}

}  // namespace zendrel::platform::lock_file
