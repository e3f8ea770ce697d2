// Icon files on Linux: a descriptor opened without blocking, read with pread.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/icon_file_reader.h"

namespace zendrel::platform::posix {

// A read costs little more than the bytes it copies: the head holds the headers, and the
// images are read as they are needed.
const std::uint64_t FileSource::kHeadSize = 8192;

bool FileSource::OpenFile(const std::string& localPath, std::intptr_t& file, std::uint64_t& size) {
  // Look before opening: opening some devices already has an effect.
  struct stat st;
  if (stat(localPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // Non-blocking, so that a FIFO put in the file's place meanwhile cannot stall the open.
  const int fd = open(localPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    close(fd);
    return false;
  }
  file = fd;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

FileSource::~FileSource() { close(static_cast<int>(file_)); }

bool FileSource::ReadFromFile(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n =
        pread(static_cast<int>(file_), out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    // A file cut short since it was opened yields nothing rather than half an image.
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace zendrel::platform::posix
