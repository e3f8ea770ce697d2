#include "platform/posix/small_file_cache.h"

#include "platform/posix/atomic_file.h"

namespace zendrel::platform::posix {

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

}  // namespace

SmallFileCache::SmallFileCache(Clock now) : now_(std::move(now)) {}

bool SmallFileCache::WithBytes(const std::string& path,
                               const std::function<void(std::string_view)>& use) {
  struct stat status;
  const bool small =
      stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= kLargestKept;
  if (small) {
    std::unique_lock lock(mutex_);
    if (path_ == path && SameFile(status_, status)) {
      ++hits_;
      // `use` runs without the lock, and may look up again.
      const std::shared_ptr<const std::string> bytes = bytes_;
      lock.unlock();
      use(*bytes);
      return true;
    }
  }
  const std::optional<FileBytes> bytes = ReadWholeFile(path);
  if (!bytes) return false;
  if (small) {
    const time_t settled = now_() - kSettled;
    const std::lock_guard lock(mutex_);
    if (status.st_mtim.tv_sec < settled && status.st_ctim.tv_sec < settled) {
      path_ = path;
      status_ = status;
      bytes_ = std::make_shared<const std::string>(bytes->view());
    } else {
      path_.clear();
    }
  }
  use(bytes->view());
  return true;
}

}  // namespace zendrel::platform::posix
