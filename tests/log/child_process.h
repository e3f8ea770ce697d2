// Another program started by a test and waited for, the same way on both builds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zendrel::test {

class ChildProcess {
 public:
  // Starts `program` (a path of the build machine) with `arguments`.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
  // A child still running at the end is killed.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return handle_ != kNone; }
  // Its exit status once it has ended; -1 when it never started or was killed.
  int Wait();
  // Ends it at once, as a crash would: no clean-up of its own runs.
  void Kill();

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;  // a process handle or a process id
  bool ended_ = false;            // reaped already (Linux), with this status
  int status_ = -1;
};

}  // namespace zendrel::test
