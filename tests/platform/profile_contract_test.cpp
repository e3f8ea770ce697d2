#include "platform/profile.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

TEST(ProfileRead, FindsAKey) {
  test::TempDir dir;
  const std::string ini = dir.File("a.ini");
  test::WriteBytes(ini, "[s]\r\nk=v\r\n");
  EXPECT_EQ(ReadIniString(ini, "s", "k", "d"), "v");
}

}  // namespace
}  // namespace zendrel::platform
