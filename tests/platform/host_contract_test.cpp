// The real machine as the start-up sees it, on both builds.
#include "platform/host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "text/text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zendrel::platform {
namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  setenv(name, value, 1);
#endif
}

TEST(SystemHost, ReportsTheNtFamilyAndThisProgram) {
  Host& host = SystemHost();
  EXPECT_EQ(host.PlatformId(), 2u);
  const std::string module = host.ModuleFileName();
#ifdef _WIN32
  EXPECT_EQ(text::FileNamePart(module), "platform_test.exe");
#else
  EXPECT_EQ(text::FileNamePart(module), "platform_test");
  EXPECT_EQ(module.front(), '/');
#endif
}

TEST(SystemHost, AnInstanceTokenIsHeldUntilTheProcessEnds) {
  Host& host = SystemHost();
  const std::string name = "ZendrelTokenTest" + std::to_string(std::rand());
  EXPECT_TRUE(host.TakeInstanceToken(name));
  // Asked again, the token is already held, as it would be by a second run.
  EXPECT_FALSE(host.TakeInstanceToken(name));
  EXPECT_TRUE(host.TakeInstanceToken(name + "-other"));
}

TEST(SystemHost, ExpandsReferencesLikeTheWindowsFunction) {
  Host& host = SystemHost();
  SetVariable("ZENDREL_TEST_PLACE", "C:\\Place");
  // Names match without regard to case; unknown names and lone percent signs stay.
  EXPECT_EQ(host.ExpandEnvironment("%zendrel_test_place%\\Icons"), "C:\\Place\\Icons");
  EXPECT_EQ(host.ExpandEnvironment("%ZENDREL_NO_SUCH_NAME%\\x"), "%ZENDREL_NO_SUCH_NAME%\\x");
  EXPECT_EQ(host.ExpandEnvironment("100%"), "100%");
  EXPECT_EQ(host.ExpandEnvironment("%NO_SUCH%ZENDREL_TEST_PLACE%"), "%NO_SUCH%ZENDREL_TEST_PLACE%");
  EXPECT_EQ(host.ExpandEnvironment("%NO_SUCH%%ZENDREL_TEST_PLACE%"), "%NO_SUCH%C:\\Place");
  // The Windows directory always expands to an existing folder.
  const std::string windows = host.ExpandEnvironment("%WinDir%");
  EXPECT_NE(windows, "%WinDir%");
  EXPECT_FALSE(windows.empty());
}

}  // namespace
}  // namespace zendrel::platform
