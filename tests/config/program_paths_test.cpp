#include "config/program_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/profile.h"
#include "support/fake_host.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "text/text.h"

#ifndef _WIN32
#include <climits>
#include <cstdlib>

#include "platform/posix/mount_table.h"
#endif

namespace zendrel::config {
namespace {

using test::FakeHost;
using test::TempDir;

constexpr char kSep = text::kSeparator;

// A program installed in <temp>/app, with a Windows directory of its own and a spare folder.
class ProgramPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = dir_.File("app");
    winDir_ = dir_.File("windows");
    other_ = dir_.File("other");
    for (const std::string& folder : {app_, winDir_, other_}) {
      std::filesystem::create_directory(folder);
    }
    host_.moduleFileName = app_ + kSep + "Zendrel.exe";
    host_.environment["WINDIR"] = winDir_;
  }

  void Configure(const std::string& key, const std::string& value) {
    ASSERT_TRUE(
        platform::WriteIniString(app_ + kSep + kConfigFileName, kConfigSection, key, value));
  }

  TempDir dir_;
  std::string app_, winDir_, other_;
  FakeHost host_;
  ProgramPaths paths_{host_};
};

TEST_F(ProgramPathsTest, WithoutConfigurationEveryPathTakesItsDefault) {
  EXPECT_EQ(paths_.GetModulePath(), app_ + kSep + "Zendrel.exe");
  EXPECT_EQ(paths_.GetModuleDirectory(), app_ + kSep);
  EXPECT_EQ(paths_.ConfigFile(), app_ + kSep + "ZenConfig.ini");
  EXPECT_EQ(paths_.GetDefaultIconPath(), app_ + kSep + "Zendrel.icon" + kSep);
  EXPECT_EQ(paths_.GetDefaultLogPath(), winDir_ + kSep + "Zendrel.log");
  EXPECT_EQ(paths_.GetNetworkLogPath(), "");
}

TEST_F(ProgramPathsTest, IconFolderIsTheConfiguredOneWhenItExists) {
  // With or without a trailing separator, the result ends in exactly one.
  for (const std::string& value : {other_, other_ + kSep, "  " + other_ + "\t "}) {
    SCOPED_TRACE(value);
    Configure(kDefaultIconPath, value);
    EXPECT_EQ(paths_.GetDefaultIconPath(), other_ + kSep);
  }
  // Missing, a file, garbage, an unexpanded reference: the folder beside the program.
  const std::string fallback = app_ + kSep + "Zendrel.icon" + kSep;
  // A relative name is not taken from the program's folder: "app" names the program's own
  // folder only there, not in the current one.
  ASSERT_FALSE(std::filesystem::exists("app"));
  Configure(kDefaultIconPath, "app");
  EXPECT_EQ(paths_.GetDefaultIconPath(), fallback);
  for (const std::string& value :
       {dir_.File("missing"), host_.moduleFileName, std::string("\x01\xFF garbage"),
        std::string("%WinDir%"), std::string(300, 'x')}) {
    Configure(kDefaultIconPath, value);
    EXPECT_EQ(paths_.GetDefaultIconPath(), fallback);
  }
}

#ifndef _WIN32
// (Windows cannot make a folder with so long a name through the ANSI functions.)
TEST_F(ProgramPathsTest, AConfiguredFolderOfMoreThan259BytesIsTestedAsCut) {
  std::string deep = other_;
  while (deep.size() < 259) {
    const std::size_t room = 259 - deep.size() - 1;
    deep += kSep + std::string(room < 40 ? room : 40, 'd');
    std::filesystem::create_directory(deep);
  }
  ASSERT_EQ(deep.size(), 259u);
  Configure(kDefaultIconPath, deep + "zzzz");
  EXPECT_EQ(paths_.GetDefaultIconPath(), deep);  // no room left for the separator
}
#endif

TEST_F(ProgramPathsTest, LocalLogFollowsTheConfigurationAndTheWindowsDirectory) {
  Configure(kDefaultLogPath, other_);
  EXPECT_EQ(paths_.GetDefaultLogPath(), other_ + kSep + "Zendrel.log");
  Configure(kDefaultLogPath, other_ + kSep);
  EXPECT_EQ(paths_.GetDefaultLogPath(), other_ + kSep + "Zendrel.log");

  // References are not expanded, so the test fails and the Windows directory is used.
  host_.environment["TEMP"] = other_;
  Configure(kDefaultLogPath, "%TEMP%");
  EXPECT_EQ(paths_.GetDefaultLogPath(), winDir_ + kSep + "Zendrel.log");

  // The value is tested before it is trimmed. The reader already drops blanks around a
  // value, so blanks only survive inside quotes.
  Configure(kDefaultLogPath, "\" " + other_ + " \"");
  EXPECT_EQ(paths_.GetDefaultLogPath(), winDir_ + kSep + "Zendrel.log");

  Configure(kOutputLogFile, "0");
  EXPECT_EQ(paths_.GetDefaultLogPath(), "");
  Configure(kOutputLogFile, "no");  // present but no number: 0
  EXPECT_EQ(paths_.GetDefaultLogPath(), "");
  Configure(kOutputLogFile, "");  // empty: the default, on
  EXPECT_EQ(paths_.GetDefaultLogPath(), winDir_ + kSep + "Zendrel.log");
  Configure(kOutputLogFile, "2");
  Configure(kDefaultLogPath, other_);
  EXPECT_EQ(paths_.GetDefaultLogPath(), other_ + kSep + "Zendrel.log");
}

TEST_F(ProgramPathsTest, NetworkLogOnlyForAProgramOnTheNetwork) {
  Configure(kNetworkLogPath, other_);
  EXPECT_EQ(paths_.GetNetworkLogPath(), "");

  // The same program reached through a network drive: its paths take the universal form.
  host_.drives[dir_.path()] = "\\\\server\\share";
  EXPECT_EQ(paths_.GetModulePath(), "\\\\server\\share\\app\\Zendrel.exe");
  EXPECT_EQ(paths_.GetModuleDirectory(), "\\\\server\\share\\app\\");
  EXPECT_EQ(paths_.ConfigFile(), "\\\\server\\share\\app\\ZenConfig.ini");
  // No configuration reaches this machine through that name, so every key has its default:
  // the icon folder and the shared log lie beside the program.
  EXPECT_EQ(paths_.GetDefaultIconPath(), "\\\\server\\share\\app\\Zendrel.icon\\");
  EXPECT_EQ(paths_.GetNetworkLogPath(), "\\\\server\\share\\app\\Zendrel.LAN.log");
  EXPECT_EQ(paths_.GetDefaultLogPath(), winDir_ + kSep + "Zendrel.log");
}

#ifndef _WIN32

// On Linux the network is a mount table: the share \\server\share is mounted on the test's
// folder, so files reached by their universal names are real and the configuration is read.
class NetworkProgramTest : public ProgramPathsTest {
 protected:
  void SetUp() override {
    ProgramPathsTest::SetUp();
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(dir_.path().c_str(), resolved), nullptr);
    mountinfo_ = dir_.File("mountinfo");
    test::WriteBytes(mountinfo_,
                     "36 1 0:40 / / rw - ext4 /dev/sda1 rw\n"
                     "90 36 0:55 / " +
                         std::string(resolved) + " rw - cifs //server/share rw\n");
    test::UseMountTable(mountinfo_);
    host_.platformNetworkNames = true;
    host_.moduleFileName = std::string(resolved) + "/app/zendrel";
    test::WriteBytes(host_.moduleFileName, "");
    app_ = std::string(resolved) + "/app";
    other_ = std::string(resolved) + "/other";
  }
  void TearDown() override { test::UseMountTable(""); }

  std::string mountinfo_;
};

TEST_F(NetworkProgramTest, ConfigurationIsReadThroughTheUniversalName) {
  EXPECT_EQ(paths_.GetModuleDirectory(), "\\\\server\\share\\app\\");
  Configure(kDefaultIconPath, other_);  // on the share: accepted in universal form
  EXPECT_EQ(paths_.GetDefaultIconPath(), "\\\\server\\share\\other\\");
  Configure(kDefaultIconPath, "\\\\server\\share\\other");
  EXPECT_EQ(paths_.GetDefaultIconPath(), "\\\\server\\share\\other\\");
  Configure(kDefaultIconPath, "/tmp");  // exists, but only on this machine
  EXPECT_EQ(paths_.GetDefaultIconPath(), "\\\\server\\share\\app\\Zendrel.icon\\");

  Configure(kNetworkLogPath, other_);
  EXPECT_EQ(paths_.GetNetworkLogPath(), "\\\\server\\share\\other\\Zendrel.LAN.log");
  for (const std::string& value :
       {std::string(""), std::string("/tmp"), std::string("\\\\server\\share\\missing")}) {
    Configure(kNetworkLogPath, value);
    EXPECT_EQ(paths_.GetNetworkLogPath(), "\\\\server\\share\\app\\Zendrel.LAN.log");
  }
  Configure(kOutputLogFile, "0");
  EXPECT_EQ(paths_.GetNetworkLogPath(), "");
  EXPECT_EQ(paths_.GetDefaultLogPath(), "");
}

#endif

TEST_F(ProgramPathsTest, AConfigurationThatIsNoIniFileGivesTheDefaults) {
  const std::string config = app_ + kSep + kConfigFileName;
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i * 7919 % 256);
  test::WriteBytes(config, binary);
  EXPECT_EQ(paths_.GetDefaultIconPath(), app_ + kSep + "Zendrel.icon" + kSep);
  EXPECT_EQ(paths_.GetDefaultLogPath(), winDir_ + kSep + "Zendrel.log");
  std::filesystem::remove(config);
  std::filesystem::create_directory(config);
  EXPECT_EQ(paths_.GetDefaultIconPath(), app_ + kSep + "Zendrel.icon" + kSep);
  EXPECT_EQ(paths_.GetDefaultLogPath(), winDir_ + kSep + "Zendrel.log");
}

}  // namespace
}  // namespace zendrel::config
