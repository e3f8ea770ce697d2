// Linux-only sides of the host: the display check and the home of the local change log.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/host.h"
#include "platform/posix/display.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

using test::ScopedVariable;

TEST(Display, NeedsAServerThatAnswersUnlessTheToolkitNeedsNone) {
  test::TempDir dir;
  ScopedVariable runtime("XDG_RUNTIME_DIR", dir.path().c_str());
  {
    ScopedVariable platform("QT_QPA_PLATFORM", nullptr);
    ScopedVariable x("DISPLAY", nullptr);
    ScopedVariable wayland("WAYLAND_DISPLAY", nullptr);
    EXPECT_FALSE(posix::CanOpenDisplay());
  }
  {
    ScopedVariable platform("QT_QPA_PLATFORM", nullptr);
    ScopedVariable x("DISPLAY", ":97");  // nobody listens there
    ScopedVariable wayland("WAYLAND_DISPLAY", "wayland-97");
    EXPECT_FALSE(posix::CanOpenDisplay());
  }
  {
    ScopedVariable platform("QT_QPA_PLATFORM", "offscreen");
    ScopedVariable x("DISPLAY", nullptr);
    EXPECT_TRUE(posix::CanOpenDisplay());
  }
  {
    ScopedVariable platform("QT_QPA_PLATFORM", "xcb");
    ScopedVariable x("DISPLAY", nullptr);
    EXPECT_FALSE(posix::CanOpenDisplay());
  }
}

TEST(Environment, WindowsDirectoryIsMadeUnderTheDataHome) {
  test::TempDir dir;
  ScopedVariable windir("WINDIR", nullptr);
  ScopedVariable data("XDG_DATA_HOME", (dir.path() + "/data").c_str());
  const std::string expanded = SystemHost().ExpandEnvironment("%WinDir%\\Zendrel.log");
  EXPECT_EQ(expanded, dir.path() + "/data/zendrel\\Zendrel.log");
  struct stat st;
  ASSERT_EQ(stat((dir.path() + "/data/zendrel").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  // A WinDir of the environment wins.
  ScopedVariable set("WINDIR", "/srv/windows");
  EXPECT_EQ(SystemHost().ExpandEnvironment("%windir%"), "/srv/windows");
}

}  // namespace
}  // namespace zendrel::platform
