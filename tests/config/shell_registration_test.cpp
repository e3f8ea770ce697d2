// Registration with the shell against the real registry (the test prefix's under Wine, the
// per-user store in a folder of the test's on Linux), seen through a registry that refuses
// what a standard user is refused.
#include "config/shell_registration.h"

#include <gtest/gtest.h>

#include <optional>

#include "config/refusing_registry.h"
#include "config/registry_key.h"
#include "platform/registry.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::config {
namespace {

using platform::RegAccess;
using platform::RegHandle;

// A value as a reader finds it; nullopt when the key or the value is missing.
std::optional<std::string> Value(RegHandle root, const std::string& key, const std::string& name) {
  RegistryKey opened;
  std::string text;
  if (opened.Open(root, key, RegAccess::kRead) != platform::kRegSuccess ||
      opened.QueryString(name, &text) != platform::kRegSuccess) {
    return std::nullopt;
  }
  return text;
}

bool KeyExists(RegHandle root, const std::string& key) {
  RegistryKey opened;
  return opened.Open(root, key, RegAccess::kRead) == platform::kRegSuccess;
}

const std::string kVerbPath = "Directory\\shell\\Zendrel";
const std::string kUserVerbPath = std::string(kUserShellKey) + "\\Zendrel";
const std::string kEntryPath = std::string(kUninstallKey) + "\\Zendrel";

class ShellRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }

  // Nothing of an earlier run may decide this one.
  static void Clean() {
    for (const auto& [root, shellKey] : {std::pair{platform::ClassesRoot(), kShellKey},
                                         std::pair{platform::CurrentUser(), kUserShellKey}}) {
      RegistryKey shell;
      if (shell.Open(root, shellKey, RegAccess::kWrite) == 0) {
        for (const char* key :
             {"Zendrel\\command\\extra", "Zendrel\\extra", "Zendrel\\command", "Zendrel"}) {
          shell.DeleteSubkey(key);
        }
      }
    }
    for (RegHandle root : {platform::LocalMachine(), platform::CurrentUser()}) {
      RegistryKey uninstall;
      if (uninstall.Open(root, kUninstallKey, RegAccess::kWrite) == 0) {
        uninstall.DeleteSubkey("Zendrel");
      }
    }
  }

  // A standard user: the machine's keys refuse every change.
  void StandardUser() {
    registry_.refusedRoots = {platform::ClassesRoot(), platform::LocalMachine()};
  }
  void Administrator() { registry_.refusedRoots.clear(); }

  // Where the verb's command and the uninstall string are, for the program at `program`.
  void ExpectRegisteredAt(RegHandle verbRoot, const std::string& verbPath, RegHandle entryRoot,
                          const std::string& program) {
    EXPECT_EQ(Value(verbRoot, verbPath, ""), "Zendrel...");
    EXPECT_EQ(Value(verbRoot, verbPath + "\\command", ""), "\"" + program + "\" \"%1\"");
    EXPECT_EQ(Value(entryRoot, kEntryPath, "DisplayName"), "Zendrel");
    EXPECT_EQ(Value(entryRoot, kEntryPath, "UninstallString"), program);
    EXPECT_TRUE(IsRegistered(registry_, VerbCommand(program)));
  }

  void ExpectNothingOfOurs() {
    EXPECT_FALSE(KeyExists(platform::ClassesRoot(), kCommandKey));
    EXPECT_FALSE(KeyExists(platform::CurrentUser(), kUserVerbPath));
    EXPECT_FALSE(KeyExists(platform::LocalMachine(), kEntryPath));
    EXPECT_FALSE(KeyExists(platform::CurrentUser(), kEntryPath));
    EXPECT_FALSE(IsRegistered(registry_, VerbCommand(program_)));
  }

  test::TempDir dir_;
  // A registry and desktop menus of the test's own on Linux (Windows ignores these).
  test::ScopedVariable config_{"XDG_CONFIG_HOME", dir_.File("config").c_str()};
  test::ScopedVariable data_{"XDG_DATA_HOME", dir_.File("data").c_str()};
  test::RefusingRegistry registry_;
  const std::string program_ = dir_.File("Zendrel.exe");
};

TEST_F(ShellRegistrationTest, MachineWideWhereAllowedThenRemoved) {
  const Registration done = Register(registry_, program_);
  EXPECT_EQ(done.verb, Scope::kMachine);
  EXPECT_EQ(done.uninstallEntry, Scope::kMachine);
  ExpectRegisteredAt(platform::ClassesRoot(), kVerbPath, platform::LocalMachine(), program_);
  EXPECT_FALSE(KeyExists(platform::CurrentUser(), kUserVerbPath));

  EXPECT_TRUE(Unregister(registry_));
  ExpectNothingOfOurs();
  EXPECT_TRUE(KeyExists(platform::ClassesRoot(), kShellKey));
}

TEST_F(ShellRegistrationTest, AStandardUserRegistersForHimselfAndRemovesIt) {
  StandardUser();
  const Registration done = Register(registry_, program_);
  EXPECT_EQ(done.verb, Scope::kUser);
  EXPECT_EQ(done.uninstallEntry, Scope::kUser);
  ExpectRegisteredAt(platform::CurrentUser(), kUserVerbPath, platform::CurrentUser(), program_);
  EXPECT_FALSE(KeyExists(platform::LocalMachine(), kEntryPath));

  EXPECT_TRUE(Unregister(registry_));
  ExpectNothingOfOurs();
}

TEST_F(ShellRegistrationTest, RefusedEverywhereWritesNothingAndSaysSo) {
  registry_.refusedRoots = {platform::ClassesRoot(), platform::LocalMachine(),
                            platform::CurrentUser()};
  const Registration done = Register(registry_, program_);
  EXPECT_EQ(done.verb, Scope::kRefused);
  EXPECT_EQ(done.uninstallEntry, Scope::kRefused);
  ExpectNothingOfOurs();
}

TEST_F(ShellRegistrationTest, AMachineRegistrationOutlivesAStandardUsersRemoval) {
  Register(registry_, program_);
  StandardUser();
  EXPECT_TRUE(IsRegistered(registry_, VerbCommand(program_)));
  EXPECT_FALSE(Unregister(registry_));
  ExpectRegisteredAt(platform::ClassesRoot(), kVerbPath, platform::LocalMachine(), program_);

  Administrator();
  EXPECT_TRUE(Unregister(registry_));
  ExpectNothingOfOurs();
}

TEST_F(ShellRegistrationTest, AnAdministratorReplacesAUsersOwnRegistration) {
  // The user registered the program from its old place; it has moved since, to a folder
  // with a space and a Japanese name.
  StandardUser();
  Register(registry_, program_);
#ifdef _WIN32
  const std::string moved = dir_.File("New \x83\x74\x83\x48\x83\x8B\x83\x5F\\Zendrel.exe");
#else
  const std::string moved = dir_.File("New フォルダ/Zendrel.exe");
#endif
  EXPECT_FALSE(IsRegistered(registry_, VerbCommand(moved)));
  Administrator();
  EXPECT_EQ(Register(registry_, moved).verb, Scope::kMachine);
  ExpectRegisteredAt(platform::ClassesRoot(), kVerbPath, platform::LocalMachine(), moved);
  // The user's own verb would hide the machine's and start the program from its old place.
  EXPECT_FALSE(KeyExists(platform::CurrentUser(), kUserVerbPath));
  EXPECT_FALSE(KeyExists(platform::CurrentUser(), kEntryPath));
  EXPECT_FALSE(IsRegistered(registry_, VerbCommand(program_)));

  // Another spelling of the same path is another registration.
  EXPECT_FALSE(
      IsRegistered(registry_, VerbCommand(moved.substr(0, moved.size() - 11) + "ZENDREL.EXE")));
}

TEST_F(ShellRegistrationTest, AVerbWithAnotherSubkeyStaysButItsCommandGoes) {
  Register(registry_, program_);
  {
    RegistryKey extra;
    ASSERT_EQ(extra.CreateSubkey(platform::ClassesRoot(), kVerbPath + "\\extra"), 0);
  }
  EXPECT_TRUE(Unregister(registry_));
  EXPECT_TRUE(KeyExists(platform::ClassesRoot(), kVerbPath));
  EXPECT_FALSE(KeyExists(platform::ClassesRoot(), kCommandKey));
  EXPECT_FALSE(KeyExists(platform::LocalMachine(), kEntryPath));
}

}  // namespace
}  // namespace zendrel::config
