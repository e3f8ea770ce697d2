// An exclusive lock that processes take before they change one shared file, on this machine
// or on other machines that reach the file's folder over the network.
//
// The lock is a file beside the protected one, named after it with ".lock" appended, held
// open exclusively while the lock is held and removed when it is let go. Nothing else is
// needed: no write access outside the file's folder, no server, no clean-up after a crash.
// When the holder dies, the system lets go of it (the open file is closed, its lock goes
// with it); a lock file that outlived its holder is simply taken over.
//
// The lock is a courtesy among writers, never a gate: when it cannot be had in time, or not
// at all (a folder that refuses new files, a file system without locks), the caller goes
// on without it, so that nobody waits long and the file stays writable whatever happens.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace zendrel::platform {

// How long a writer waits for the lock before it writes without it.
inline constexpr std::chrono::milliseconds kLockPatience{1000};

// The name of the lock file that guards `file`. Every build must use the same name, since
// Windows and Linux users may share one file.
inline std::string LockFileName(const std::string& file) { return file + ".lock"; }

namespace lock_file {

inline constexpr std::intptr_t kNone = -1;

// One try at the lock file: the open file (a handle or a descriptor) when it is ours now,
// else kNone with `busy` telling whether someone holds it, so that waiting may help.
std::intptr_t TryTake(const std::string& lockFile, bool& busy);

// Lets go of a lock file that TryTake returned, removing it.
void Release(std::intptr_t handle, const std::string& lockFile);

}  // namespace lock_file

class FileLock {
 public:
  // Takes the lock of `file`, waiting at most `patience` for another holder to let go. A
  // lock that cannot be taken for any other reason is given up at once.
  explicit FileLock(const std::string& file, std::chrono::milliseconds patience = kLockPatience)
      : lockFile_(LockFileName(file)) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + patience;
    std::chrono::milliseconds pause{1};
    for (;;) {
      bool busy = false;
      handle_ = lock_file::TryTake(lockFile_, busy);
      const Clock::time_point now = Clock::now();
      if (held() || !busy || now >= deadline) return;
      // Short pauses first: most holders are done within a few milliseconds.
      std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
      pause = std::min(pause * 2, std::chrono::milliseconds{20});
    }
  }
  ~FileLock() {
    if (held()) lock_file::Release(handle_, lockFile_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Whether this process holds the lock now.
  bool held() const { return handle_ != lock_file::kNone; }

 private:
  std::string lockFile_;
  std::intptr_t handle_ = lock_file::kNone;
};

}  // namespace zendrel::platform
