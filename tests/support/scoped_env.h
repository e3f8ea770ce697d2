// Sets or clears an environment variable for one test and puts the old value back after it.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zendrel::test {

class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedVariable() { Set(old_ ? old_->c_str() : nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  void Set(const char* value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name_.c_str(), value);
    _putenv_s(name_.c_str(), value ? value : "");
#else
    if (value) {
      setenv(name_.c_str(), value, 1);
    } else {
      unsetenv(name_.c_str());
    }
#endif
  }

  std::string name_;
  std::optional<std::string> old_;
};

#ifndef _WIN32
// Points the Linux layer at a mount table of the test's own through ZENDREL_MOUNTINFO, as a
// test run of the program does; "" goes back to the system's.
inline void UseMountTable(const std::string& path) {
  if (path.empty()) {
    unsetenv("ZENDREL_MOUNTINFO");
  } else {
    setenv("ZENDREL_MOUNTINFO", path.c_str(), 1);
  }
}
#endif

}  // namespace zendrel::test
