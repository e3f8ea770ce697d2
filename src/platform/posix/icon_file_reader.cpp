#include "platform/posix/icon_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zendrel::platform::posix {

std::optional<Bytes> ByteSource::Read(std::uint64_t offset, std::uint64_t count) const {
  const std::uint64_t total = size();
  // In this order no sum can wrap around.
  if (offset > total || count > total - offset || count > kMaxReadSize) return std::nullopt;
  Bytes bytes(static_cast<std::size_t>(count));
  if (count != 0 && !ReadAt(offset, bytes.data(), bytes.size())) return std::nullopt;
  return bytes;
}

std::optional<Bytes> ByteSource::ReadUpTo(std::uint64_t offset, std::uint64_t count) const {
  const std::uint64_t total = size();
  if (offset > total) return std::nullopt;
  return Read(offset, std::min(count, total - offset));
}

bool MemorySource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
  std::memcpy(out, bytes_.data() + offset, count);
  return true;
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& localPath) {
  // Look before opening: opening some devices already has an effect.
  struct stat st;
  if (stat(localPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  // Non-blocking, so that a FIFO put in the file's place meanwhile cannot stall the open.
  const int fd = open(localPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::uint64_t>(st.st_size)));
}

FileSource::~FileSource() { close(fd_); }

bool FileSource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    // A file cut short since it was opened yields nothing rather than half an image.
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace zendrel::platform::posix
