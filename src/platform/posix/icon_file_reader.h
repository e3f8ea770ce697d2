// Bounded random access to the bytes of an icon container: a file read piece by piece at
// given offsets, or a buffer already in memory (the fuzz targets and tests use the latter). Readers
// ask only for the ranges they need, so a huge sparse file costs no more than a small one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace zendrel::platform::posix {

// Leaves new elements uninitialised: every buffer of bytes is filled by a read at once, and
// zeroing it first would cost about as much as the read.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() noexcept = default;
  template <typename U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

using Bytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

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
// a device) is refused before a byte is read. Both builds read their icon files through this;
// each has its own way of opening and reading one.
//
// The first kHeadSize bytes are read once, when the file is opened: every container's
// headers and directories start there, and a small .ico file is then read with one call.
// Later reads go to the file, so a file cut short since it was opened still yields nothing
// past its new end; what the head holds was whole when it was read. Each build sets the
// size by what a read costs it.
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
  static const std::uint64_t kHeadSize;
  // The system's handle (a descriptor on Linux) of the regular file at `localPath`, and its
  // size; false when it is no readable regular file.
  static bool OpenFile(const std::string& localPath, std::intptr_t& file, std::uint64_t& size);
  FileSource(std::intptr_t file, std::uint64_t size) : file_(file), size_(size) {}
  bool ReadFromFile(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;
  std::intptr_t file_;
  std::uint64_t size_;
  Bytes head_;
};

// Another source read through a few cached pages, for a structure that is read in many small
// pieces from a few places of a file: a DLL's resource tree, looked up twice per icon.
class PagedSource final : public ByteSource {
 public:
  explicit PagedSource(const ByteSource& inner) : inner_(inner) {}
  std::uint64_t size() const override { return inner_.size(); }
  const ByteSource& inner() const { return inner_; }

 protected:
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const override;

 private:
  static constexpr std::uint64_t kPageSize = 4096;
  static constexpr std::size_t kMaxPages = 16;
  struct Page {
    std::uint64_t number;
    Bytes bytes;  // short only for the last page of the source
  };
  const ByteSource& inner_;
  mutable std::vector<Page> pages_;
  mutable std::size_t nextVictim_ = 0;
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
