// Registration with the shell against the real registry: the test prefix's under Wine, the
// per-user store (in a folder of the test's) on Linux.
#include "config/shell_registration.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "config/registry_key.h"
#include "platform/registry.h"
#include "support/fake_boxes.h"
#include "support/fake_host.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "ui/strings.h"

namespace zendrel::config {
namespace {

using platform::RegAccess;
using test::FakeBoxes;
using ui::Answer;

// A value as a reader finds it; nullopt when the key or the value is missing.
std::optional<std::string> Value(platform::RegHandle root, const std::string& key,
                                 const std::string& name) {
  RegistryKey opened;
  if (opened.Open(root, key, RegAccess::kRead) != platform::kRegSuccess) return std::nullopt;
  std::string text;
  if (platform::RegQueryString(opened.handle(), name, &text) != platform::kRegSuccess) {
    return std::nullopt;
  }
  return text;
}

bool KeyExists(platform::RegHandle root, const std::string& key) {
  RegistryKey opened;
  return opened.Open(root, key, RegAccess::kRead) == platform::kRegSuccess;
}

const std::string kVerbPath = "Directory\\shell\\Zendrel";
const std::string kEntryPath = std::string(kUninstallKey) + "\\Zendrel";

class ShellRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    host_.moduleFileName = dir_.File("Zendrel.exe");
  }
  void TearDown() override { Clean(); }

  // Nothing of an earlier run may decide this one.
  static void Clean() {
    RegistryKey shell;
    if (shell.Open(platform::ClassesRoot(), kShellKey, RegAccess::kWrite) == 0) {
      platform::RegDeleteSubkey(shell.handle(), "Zendrel\\command\\extra");
      platform::RegDeleteSubkey(shell.handle(), "Zendrel\\extra");
      platform::RegDeleteSubkey(shell.handle(), "Zendrel\\command");
      platform::RegDeleteSubkey(shell.handle(), "Zendrel");
    }
    RegistryKey uninstall;
    if (uninstall.Open(platform::LocalMachine(), kUninstallKey, RegAccess::kWrite) == 0) {
      platform::RegDeleteSubkey(uninstall.handle(), "Zendrel");
    }
  }

  int Toggle(std::initializer_list<Answer> answers) {
    boxes_.shown.clear();
    boxes_.answers.assign(answers.begin(), answers.end());
    return ToggleShellRegistration(paths_, boxes_, "Zendrel");
  }

  test::TempDir dir_;
  // A registry and desktop menus of the test's own on Linux (Windows ignores these).
  test::ScopedVariable config_{"XDG_CONFIG_HOME", dir_.File("config").c_str()};
  test::ScopedVariable data_{"XDG_DATA_HOME", dir_.File("data").c_str()};
  test::FakeHost host_;
  ProgramPaths paths_{host_};
  FakeBoxes boxes_;
};

TEST_F(ShellRegistrationTest, RegistersThenRemoves) {
  const std::string program = host_.moduleFileName;
  EXPECT_EQ(Toggle({Answer::kYes}), 1);
  EXPECT_EQ(boxes_.Ids(), (std::vector<int>{IDS_ASK_REGISTER, IDS_REGISTERED}));
  EXPECT_EQ(boxes_.shown[0].kind, ui::MessageKind::kQuestion);
  EXPECT_EQ(boxes_.shown[1].kind, ui::MessageKind::kInformation);
  EXPECT_EQ(Value(platform::ClassesRoot(), kVerbPath, ""), "Zendrel...");
  EXPECT_EQ(Value(platform::ClassesRoot(), kCommandKey, ""), "\"" + program + "\" \"%1\"");
  EXPECT_EQ(Value(platform::LocalMachine(), kEntryPath, "DisplayName"), "Zendrel");
  EXPECT_EQ(Value(platform::LocalMachine(), kEntryPath, "UninstallString"), program);

  // Started again from the same place (also through the uninstall entry): the other question.
  EXPECT_EQ(Toggle({Answer::kYes}), -1);
  EXPECT_EQ(boxes_.Ids(), (std::vector<int>{IDS_ASK_UNREGISTER, IDS_UNREGISTERED}));
  EXPECT_FALSE(KeyExists(platform::ClassesRoot(), kVerbPath));
  EXPECT_FALSE(KeyExists(platform::LocalMachine(), kEntryPath));
  EXPECT_TRUE(KeyExists(platform::ClassesRoot(), kShellKey));
}

TEST_F(ShellRegistrationTest, NoChangesNothingAndAsksNothingMore) {
  EXPECT_EQ(Toggle({Answer::kNo}), 0);
  EXPECT_EQ(boxes_.Ids(), std::vector<int>{IDS_ASK_REGISTER});
  EXPECT_FALSE(KeyExists(platform::ClassesRoot(), kVerbPath));
  EXPECT_FALSE(KeyExists(platform::LocalMachine(), kEntryPath));

  Toggle({Answer::kYes});
  EXPECT_EQ(Toggle({Answer::kNo}), 0);
  EXPECT_EQ(boxes_.Ids(), std::vector<int>{IDS_ASK_UNREGISTER});
  EXPECT_TRUE(KeyExists(platform::ClassesRoot(), kCommandKey));
  EXPECT_TRUE(KeyExists(platform::LocalMachine(), kEntryPath));
}

TEST_F(ShellRegistrationTest, AMovedProgramRegistersItsNewPlace) {
  Toggle({Answer::kYes});
  // Moved, and its new folder has a space and a Japanese name.
#ifdef _WIN32
  const std::string moved = dir_.File("New \x83\x74\x83\x48\x83\x8B\x83\x5F\\Zendrel.exe");
#else
  const std::string moved = dir_.File("New フォルダ/Zendrel.exe");
#endif
  host_.moduleFileName = moved;
  EXPECT_EQ(Toggle({Answer::kYes}), 1);
  EXPECT_EQ(boxes_.Ids(), (std::vector<int>{IDS_ASK_REGISTER, IDS_REGISTERED}));
  EXPECT_EQ(Value(platform::ClassesRoot(), kCommandKey, ""), "\"" + moved + "\" \"%1\"");
  EXPECT_EQ(Value(platform::LocalMachine(), kEntryPath, "UninstallString"), moved);

  // Another spelling of the same path is another registration.
  host_.moduleFileName = moved.substr(0, moved.size() - 11) + "ZENDREL.EXE";
  Toggle({Answer::kNo});
  EXPECT_EQ(boxes_.Ids(), std::vector<int>{IDS_ASK_REGISTER});
}

TEST_F(ShellRegistrationTest, AVerbWithAnotherSubkeyStaysButRemovalIsConfirmed) {
  Toggle({Answer::kYes});
  {
    RegistryKey extra;
    ASSERT_EQ(extra.CreateSubkey(platform::ClassesRoot(), kVerbPath + "\\extra"), 0);
  }
  EXPECT_EQ(Toggle({Answer::kYes}), -1);
  EXPECT_EQ(boxes_.Ids(), (std::vector<int>{IDS_ASK_UNREGISTER, IDS_UNREGISTERED}));
  EXPECT_TRUE(KeyExists(platform::ClassesRoot(), kVerbPath));
  EXPECT_FALSE(KeyExists(platform::ClassesRoot(), kCommandKey));
  EXPECT_FALSE(KeyExists(platform::LocalMachine(), kEntryPath));
}

}  // namespace
}  // namespace zendrel::config
