// The last small file the profile functions read, kept for the next look-up of the same file.
//
// The catalogue asks one small file for two values of every icon, and the program's paths
// read its configuration afresh on every call. The file is kept while its name still leads to
// the same, unchanged file (same inode, size, change and write times). File times move in
// clock ticks, so a file changed in the last two seconds could change again without its times
// showing it: such a file is not kept. Large files are always read afresh.
#pragma once

#include <sys/stat.h>

#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zendrel::platform::posix {

class SmallFileCache {
 public:
  static constexpr off_t kLargestKept = 64 * 1024;
  // How long a file must have stood unchanged before it is kept, in seconds.
  static constexpr time_t kSettled = 2;

  using Clock = std::function<time_t()>;
  // Reads files with ReadWholeFile; `now` tells the time (the system's clock by default).
  explicit SmallFileCache(Clock now = [] { return time(nullptr); });

  // Calls `use` with the bytes of the regular file at the local path `path`; false when it
  // cannot be read.
  bool WithBytes(const std::string& path, const std::function<void(std::string_view)>& use);

  // How many look-ups were answered from the kept file.
  unsigned hits() const { return hits_; }

 private:
  Clock now_;
  std::mutex mutex_;
  std::string path_;
  struct stat status_ = {};
  std::shared_ptr<const std::string> bytes_;
  unsigned hits_ = 0;
};

}  // namespace zendrel::platform::posix
