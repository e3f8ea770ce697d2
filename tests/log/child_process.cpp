#include "log/child_process.h"

#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace zendrel::test {

#ifdef _WIN32

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
  const std::string path = HostPath(program);
  std::string commandLine = "\"" + path + "\"";
  for (const std::string& argument : arguments) commandLine += " \"" + argument + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    handle_ = reinterpret_cast<std::intptr_t>(process.hProcess);
  }
}

ChildProcess::~ChildProcess() {
  if (!started()) return;
  Kill();
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

int ChildProcess::Wait() {
  if (!started()) return -1;
  const HANDLE process = reinterpret_cast<HANDLE>(handle_);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return static_cast<int>(code);
}

void ChildProcess::Kill() {
  if (!started()) return;
  const HANDLE process = reinterpret_cast<HANDLE>(handle_);
  if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process, static_cast<UINT>(-1));
    WaitForSingleObject(process, INFINITE);
  }
}

#else

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0) {
    handle_ = pid;
  }
}

ChildProcess::~ChildProcess() { Kill(); }

int ChildProcess::Wait() {
  if (!started() || ended_) return status_;
  int status = 0;
  if (waitpid(static_cast<pid_t>(handle_), &status, 0) == static_cast<pid_t>(handle_)) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ended_ = true;
  return status_;
}

void ChildProcess::Kill() {
  if (!started() || ended_) return;
  kill(static_cast<pid_t>(handle_), SIGKILL);
  Wait();
}

#endif

}  // namespace zendrel::test
