#include "platform/network_names.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "text/text.h"

namespace zendrel::platform {
namespace {

// "日本語" in the build's multibyte code page.
#ifdef _WIN32
constexpr char kJapanese[] = "\x93\xfa\x96\x7b\x8c\xea";
#else
constexpr char kJapanese[] = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";
#endif

// Only paths that stay as they are can be shown on both builds: a test machine has no
// network drive. Wine differs from Windows here (it has no redirector, so the call fails for
// every drive letter), but on a local path Windows fails too and the two agree. The mapping
// of a share to its universal name is tested on Linux against a mount table of our own.
TEST(ToUniversalName, LeavesLocalPathsAsTheyAre) {
  test::TempDir dir;
  const std::string file = dir.File(std::string(kJapanese) + " a=b,c.txt");
  test::WriteBytes(file, "x");
  const std::string paths[] = {
      dir.path(), text::AddTrailingSeparator(dir.path()), file, dir.File("missing"), ".", "",
  };
  for (const std::string& path : paths) {
    EXPECT_EQ(ToUniversalName(path), path) << path;
  }
}

}  // namespace
}  // namespace zendrel::platform
