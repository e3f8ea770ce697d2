// The registry operations Zendrel uses, on both builds: the test prefix's registry under
// Wine, the per-user store on Linux.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

const std::string kTestKey = "ZendrelContractTest";

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    RegDeleteSubkey(ClassesRoot(), kTestKey + "\\a\\b");
    RegDeleteSubkey(ClassesRoot(), kTestKey + "\\a");
    RegDeleteSubkey(ClassesRoot(), kTestKey);
  }
  test::TempDir dir_;
  // A registry and desktop menus of the test's own on Linux (Windows ignores these).
  test::ScopedVariable config_{"XDG_CONFIG_HOME", dir_.File("config").c_str()};
  test::ScopedVariable data_{"XDG_DATA_HOME", dir_.File("data").c_str()};
};

TEST_F(RegistryContract, KeysAndStringValues) {
  RegHandle key = 0;
  EXPECT_EQ(RegOpen(ClassesRoot(), kTestKey, RegAccess::kRead, &key), kRegNotFound);

  // Creating makes every missing level.
  ASSERT_EQ(RegCreate(ClassesRoot(), kTestKey + "\\a\\b", &key), kRegSuccess);
  EXPECT_EQ(RegSetString(key, "", "default"), kRegSuccess);
  EXPECT_EQ(RegSetString(key, "Name", "\"C:\\Program Files\\Z\\Zendrel.exe\" \"%1\""), kRegSuccess);
  EXPECT_EQ(RegClose(key), kRegSuccess);

  ASSERT_EQ(RegOpen(ClassesRoot(), kTestKey + "\\A\\B", RegAccess::kRead, &key), kRegSuccess);
  std::string text;
  EXPECT_EQ(RegQueryString(key, "", &text), kRegSuccess);
  EXPECT_EQ(text, "default");
  EXPECT_EQ(RegQueryString(key, "name", &text), kRegSuccess);
  EXPECT_EQ(text, "\"C:\\Program Files\\Z\\Zendrel.exe\" \"%1\"");
  text = "untouched";
  EXPECT_EQ(RegQueryString(key, "Missing", &text), kRegNotFound);
  EXPECT_EQ(text, "untouched");
  RegClose(key);

  // A key with a subkey stays; the child goes first, then the parent.
  EXPECT_EQ(RegDeleteSubkey(ClassesRoot(), kTestKey + "\\a"), kRegAccessDenied);
  EXPECT_EQ(RegDeleteSubkey(ClassesRoot(), kTestKey + "\\a\\b"), kRegSuccess);
  EXPECT_EQ(RegDeleteSubkey(ClassesRoot(), kTestKey + "\\a"), kRegSuccess);
  EXPECT_EQ(RegOpen(ClassesRoot(), kTestKey + "\\a", RegAccess::kRead, &key), kRegNotFound);
}

TEST_F(RegistryContract, AValueReadsThroughA260ByteBuffer) {
  RegHandle key = 0;
  ASSERT_EQ(RegCreate(ClassesRoot(), kTestKey, &key), kRegSuccess);
  RegSetString(key, "fits", std::string(259, 'x'));
  RegSetString(key, "long", std::string(260, 'y'));
  std::string text;
  EXPECT_EQ(RegQueryString(key, "fits", &text), kRegSuccess);
  EXPECT_EQ(text, std::string(259, 'x'));
  EXPECT_EQ(RegQueryString(key, "long", &text), kRegMoreData);
  EXPECT_EQ(text, std::string(259, 'x'));
  RegClose(key);
}

TEST_F(RegistryContract, TheSystemsOwnKeysAreThere) {
  RegHandle key = 0;
  ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\shell", RegAccess::kWrite, &key), kRegSuccess);
  RegClose(key);
  ASSERT_EQ(RegOpen(LocalMachine(), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                    RegAccess::kWrite, &key),
            kRegSuccess);
  RegClose(key);
  ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\DefaultIcon", RegAccess::kRead, &key), kRegSuccess);
  std::string icon;
  EXPECT_EQ(RegQueryString(key, "", &icon), kRegSuccess);
  EXPECT_NE(icon.find(','), std::string::npos) << icon;  // a file and an icon index
  RegClose(key);
}

}  // namespace
}  // namespace zendrel::platform
