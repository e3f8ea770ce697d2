#include <cstdlib>
#include <memory>

#include "platform/network_names.h"
#include "platform/posix/mount_table.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

// The Windows build receives the name in a 260-byte buffer that also holds the structure
// pointing at it (one 32-bit pointer) and the closing NUL; a longer name fails there and
// the path stays as it was. Both builds must give one folder the same key.
constexpr std::size_t kLongestUniversalName = text::kBufferSize - 4 - 1;

bool LooksUniversal(const std::string& path) {
  return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

}  // namespace

std::string ToUniversalName(const std::string& path) {
  // A name that starts with two backslashes is a network name to every file operation of
  // this layer, never a file in the current folder, so there is nothing to look up.
  if (path.empty() || LooksUniversal(path) || path.find('\0') != std::string::npos) return path;
  // Symbolic links and relative names must not hide that a path lies on a share. A path that
  // cannot be resolved has no universal name we could vouch for.
  const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                             &std::free);
  if (!resolved) return path;
  std::optional<std::string> name = posix::UniversalNameOf(posix::ReadMountTable(), resolved.get());
  if (!name) return path;
  // Windows keeps the rest of the path as written, a closing backslash included.
  if (path.back() == '/' && name->back() != '\\') *name += '\\';
  if (name->size() > kLongestUniversalName) return path;
  return *name;
}

}  // namespace zendrel::platform
