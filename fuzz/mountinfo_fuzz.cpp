// Any bytes as a mount table. Every entry's mount point, and a name taken from the input,
// are looked up in both directions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/posix/mount_table.h"
#include "text/text.h"

using zendrel::fuzz::Check;

namespace posix = zendrel::platform::posix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<posix::MountEntry> table = posix::ParseMountInfo(input);

  std::size_t probes = 0;
  for (const posix::MountEntry& entry : table) {
    Check(!entry.mountPoint.empty() && entry.mountPoint.front() == '/');
    Check(entry.mountPoint.find('\0') == std::string::npos);
    if (++probes > 64) break;
    for (const std::string& path : {entry.mountPoint, entry.mountPoint + "/a b/c"}) {
      const std::optional<std::string> name = posix::UniversalNameOf(table, path);
      if (!name) continue;
      // A universal name is a network name in the Windows form, and some mount is behind it.
      Check(zendrel::text::IsUNC(*name));
      Check(name->find('/') == std::string::npos);
      const std::optional<std::string> local = posix::LocalPathOf(table, *name);
      Check(local && !local->empty() && local->front() == '/');
    }
  }

  // The first line read as a universal name: wherever it leads, it stays an absolute path.
  const std::string_view firstLine = input.substr(0, input.find('\n'));
  if (const std::optional<std::string> local = posix::LocalPathOf(table, firstLine)) {
    Check(!local->empty() && local->front() == '/');
  }
  return 0;
}
