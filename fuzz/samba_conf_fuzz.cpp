// Any bytes as a Samba configuration (every file it includes being the same bytes again) and
// as a user's share. Whatever the text, a share has a name and an absolute path of its own,
// and a path inside it has a universal name in the Windows form.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/posix/samba_shares.h"
#include "text/text.h"

using zendrel::fuzz::Check;

namespace posix = zendrel::platform::posix;

namespace {

void CheckShare(const posix::SambaShare& share) {
  Check(!share.name.empty());
  Check(!share.path.empty() && share.path.front() == '/');
  Check(share.path.find('%') == std::string::npos);
  Check(share.path == "/" || share.path.back() != '/');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t includes = 0;
  const posix::SambaShares config =
      posix::ParseSambaConfig(input, [&](const std::string&) -> std::optional<std::string> {
        ++includes;
        return input;
      });
  Check(includes <= 100);  // a file that includes itself, even many times over, ends
  std::size_t probes = 0;
  for (const posix::SambaShare& share : config.shares) {
    CheckShare(share);
    if (++probes > 64) break;
    const std::string inside = share.path == "/" ? "/a b" : share.path + "/a b";
    const std::optional<std::string> name = posix::SambaUniversalName(config, "S", inside);
    if (!name) continue;
    Check(zendrel::text::IsUNC(*name) && name->starts_with("\\\\S\\"));
    Check(name->find('/') == std::string::npos && name->back() != '\\');
  }
  if (const std::optional<posix::SambaShare> share = posix::ParseUsershare(input, "file")) {
    CheckShare(*share);
  }
  return 0;
}
