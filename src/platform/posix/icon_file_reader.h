// Bounded random access to the bytes of an icon container: a file read piece by piece with
// pread, or a buffer already in memory (the fuzz targets and tests use the latter). Readers
// ask only for the ranges they need, so a huge sparse file costs no more than a small one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zendrel::platform::posix {

using Bytes = std::vector<std::uint8_t>;

// No single read is allowed to be larger than this: the largest image a reader accepts
// (256 x 256, 32 bits, with its mask, or a PNG of that size) fits many times over.
inline constexpr std::uint64_t kMaxReadSize = 4u << 20;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;

  // The `count` bytes at `offset`; nullopt when the range does not lie wholly inside the
  // source, is larger than kMaxReadSize, or cannot be read.
  std::optional<Bytes> Read(std::uint64_t offset, std::uint64_t count) const;
  // Like Read, but a range that runs past the end is cut at the end (still nullopt when
  // `offset` itself lies past it).
  std::optional<Bytes> ReadUpTo(std::uint64_t offset, std::uint64_t count) const;

 protected:
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const = 0;
};

// Bytes owned elsewhere; the span must outlive the source.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }

 protected:
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// A regular file, opened without blocking. Anything else with the name (a folder, a FIFO,
// a device) is refused before a byte is read.
class FileSource final : public ByteSource {
 public:
  // nullptr when `localPath` is not a readable regular file.
  static std::unique_ptr<FileSource> Open(const std::string& localPath);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::uint64_t size() const override { return size_; }

 protected:
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const override;

 private:
  FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  int fd_;
  std::uint64_t size_;
};

// Little-endian fields of a buffer; the caller has checked that the field lies inside.
inline std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

}  // namespace zendrel::platform::posix
