#include "platform/posix/icon_file_reader.h"

#include <algorithm>
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
  std::intptr_t file = 0;
  std::uint64_t size = 0;
  if (!OpenFile(localPath, file, size)) return nullptr;
  std::unique_ptr<FileSource> source(new FileSource(file, size));
  // A file cut short meanwhile leaves the head empty, and the reads go to the file.
  Bytes head(static_cast<std::size_t>(std::min(source->size_, kHeadSize)));
  if (source->ReadFromFile(0, head.data(), head.size())) source->head_ = std::move(head);
  return source;
}

bool FileSource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
  if (offset < head_.size()) {
    const std::size_t fromHead =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, head_.size() - offset));
    std::memcpy(out, head_.data() + offset, fromHead);
    offset += fromHead;
    out += fromHead;
    count -= fromHead;
  }
  return count == 0 || ReadFromFile(offset, out, count);
}

bool PagedSource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
  // Something larger than a page is no small structure; it would only push the others out.
  if (count > kPageSize) {
    const std::optional<Bytes> bytes = inner_.Read(offset, count);
    if (!bytes) return false;
    std::memcpy(out, bytes->data(), count);
    return true;
  }
  while (count > 0) {
    const std::uint64_t number = offset / kPageSize;
    const std::uint64_t within = offset % kPageSize;
    auto page = std::find_if(pages_.begin(), pages_.end(),
                             [&](const Page& p) { return p.number == number; });
    if (page == pages_.end()) {
      std::optional<Bytes> bytes = inner_.ReadUpTo(number * kPageSize, kPageSize);
      if (!bytes) return false;
      // The oldest page makes room: the tree's few regions are all in use at once.
      if (pages_.size() < kMaxPages) {
        pages_.push_back({number, std::move(*bytes)});
        page = pages_.end() - 1;
      } else {
        page = pages_.begin() + static_cast<std::ptrdiff_t>(nextVictim_);
        *page = {number, std::move(*bytes)};
        nextVictim_ = (nextVictim_ + 1) % kMaxPages;
      }
    }
    if (within >= page->bytes.size()) return false;
    const std::size_t part =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, page->bytes.size() - within));
    std::memcpy(out, page->bytes.data() + within, part);
    offset += part;
    out += part;
    count -= part;
  }
  return true;
}

}  // namespace zendrel::platform::posix
