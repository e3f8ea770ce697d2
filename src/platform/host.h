// Facts about the running program and its machine that the start-up and the paths depend
// on. The program passes the real ones; tests pass their own to play another machine (a
// program on a network share, the 9x family, a second instance).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zendrel::platform {

// The platform id of the NT family; anything else counts as the 9x family.
inline constexpr std::uint32_t kPlatformNt = 2;

class Host {
 public:
  virtual ~Host() = default;

  // kPlatformNt on the NT family.
  virtual std::uint32_t PlatformId() const = 0;

  // The full file name of the program's own executable, as the system reports it.
  virtual std::string ModuleFileName() const = 0;

  // Whether the desktop shell is one the program works with.
  virtual bool ShellIsUsable() const = 0;

  // Takes the program-wide single-instance token of that name for the rest of the process.
  // False when another running process already holds it.
  virtual bool TakeInstanceToken(const std::string& name) = 0;

  // %NAME% references replaced from the environment, through a buffer of `bufferSize` bytes
  // (one of them for the terminating NUL).
  virtual std::string ExpandEnvironment(const std::string& text,
                                        std::size_t bufferSize = 260) const = 0;

  // The universal (\\server\share\...) name of a path on a network drive, or the path.
  virtual std::string ToUniversalName(const std::string& path) const = 0;

  // The registry's name of the standard folder icon ("file,index", unexpanded), read through a
  // buffer of `bufferSize` bytes; empty when the registry names none.
  virtual std::string StandardFolderIconValue(std::size_t bufferSize) const;
};

// The real machine.
Host& SystemHost();

// Whether the user has a folder for the program's own data (the change log, and on Linux the
// registry). Linux: XDG_DATA_HOME or HOME must name one, and without it the program stops
// rather than fall back to a place another user could prepare. Windows: always.
bool HasUserDataFolder();

}  // namespace zendrel::platform
