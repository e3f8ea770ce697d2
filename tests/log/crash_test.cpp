// A confirmation killed at random moments, as a crash or a power cut would end it, over a
// large desktop.ini that also holds another program's data and a change log of many records.
// Whenever it was killed, the folder's settings file and the log each hold what they held
// before or what the confirmation makes of them, whole, and no temporary file is left.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "config/program_paths.h"
#include "log/change_log.h"
#include "log/child_process.h"
#include "log/log_files.h"
#include "platform/profile.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace zendrel::log {
namespace {

using test::Join;
using Clock = std::chrono::steady_clock;

constexpr char kChild[] = ZENDREL_LOG_CHILD;
constexpr int kKills = 36;
constexpr int kRecords = 20000;

std::string LargeSettingsFile() {
  std::string bytes =
      "[.ShellClassInfo]\r\nIconFile=old.ico\r\nIconIndex=1\r\nInfoTip=old tip\r\n"
      "ConfirmFileOp=0\r\n[OtherProgram]\r\n";
  for (int i = 0; bytes.size() < (3u << 20); ++i) {
    bytes += "entry" + std::to_string(i) + "=" + std::string(60, 'a' + i % 26) + "\r\n";
  }
  return bytes;
}

std::string LargeLog() {
  std::string log = "[FolderLog]\r\n", origins = "[FolderOrg]\r\n";
  for (int i = 0; i < kRecords; ++i) {
    const std::string key = "/srv/share/project-" + std::to_string(i);
    log += key + "=0x5f00,Dog.ico,0,tip of " + std::to_string(i) + ",0\r\n";
    origins += key + ",0x5f00=*,0,,,0\r\n";
  }
  return log + origins;
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& folder : {app_, logs_, work_, reference_}) {
      ASSERT_TRUE(test::MakeFolder(folder));
    }
    host_.moduleFileName = Join(app_, "Zendrel.exe");
    ASSERT_TRUE(platform::WriteIniString(Join(app_, config::kConfigFileName),
                                         config::kConfigSection, config::kDefaultLogPath, logs_));
    ASSERT_EQ(config::ProgramPaths(host_).GetDefaultLogPath(), log_);
  }

  // Puts the folder and the log back as they were before the confirmation.
  void Reset(const std::string& folder) {
    test::WriteBytes(Join(folder, "desktop.ini"), oldSettings_);
    test::WriteBytes(log_, oldLog_);
  }

  // Files in the folder and in the log's folder other than desktop.ini, the log and its lock
  // file (the lock file is no temporary file: one a dead holder left is taken over).
  std::size_t Leftovers() const {
    std::size_t count = 0;
    for (const std::string& name : test::FolderEntries(work_)) count += name != "desktop.ini";
    for (const std::string& name : test::FolderEntries(logs_)) {
      count += name != "Zendrel.log" && name != "Zendrel.log.lock";
    }
    return count;
  }

  // Starts a confirmation of `folder` and returns once it is about to apply the choice.
  std::unique_ptr<test::ChildProcess> StartConfirmation(const std::string& folder) {
    const std::string ready = dir_.File("ready");
    std::remove(ready.c_str());
    auto child = std::make_unique<test::ChildProcess>(
        kChild, std::vector<std::string>{"confirm", host_.moduleFileName, folder, ready});
    EXPECT_TRUE(child->started());
    while (!test::Exists(ready)) std::this_thread::sleep_for(std::chrono::microseconds(200));
    return child;
  }

  test::TempDir dir_;
  const std::string app_ = dir_.File("app"), logs_ = dir_.File("logs"), work_ = dir_.File("work"),
                    reference_ = dir_.File("reference");
  const std::string log_ = Join(logs_, "Zendrel.log");
  test::FakeHost host_;
  const std::string oldSettings_ = LargeSettingsFile();
  const std::string oldLog_ = LargeLog();
};

TEST_F(CrashTest, AKilledConfirmationLeavesTheOldStateOrTheNewOneAndNoTemporaryFile) {
  // The whole confirmation once, unkilled: the new settings file, and how long it takes.
  Reset(reference_);
  const Clock::time_point start = Clock::now();
  ASSERT_EQ(StartConfirmation(reference_)->Wait(), 0);
  const Clock::duration whole = Clock::now() - start;
  const std::string newSettings = test::ReadBytes(Join(reference_, "desktop.ini")).value_or("");
  ASSERT_NE(newSettings, oldSettings_);
  ASSERT_NE(newSettings.find("IconFile=icons"), std::string::npos);

  std::mt19937 random(20261208);
  std::uniform_int_distribution<long long> moment(
      0, std::chrono::duration_cast<std::chrono::microseconds>(whole).count());
  int oldStates = 0, newStates = 0, leftovers = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    SCOPED_TRACE(kill);
    Reset(work_);
    const auto wait = std::chrono::microseconds(moment(random));
    std::unique_ptr<test::ChildProcess> child = StartConfirmation(work_);
    std::this_thread::sleep_for(wait);
    child->Kill();
    child->Wait();

    const std::string settings = test::ReadBytes(Join(work_, "desktop.ini")).value_or("");
    EXPECT_TRUE(settings == oldSettings_ || settings == newSettings)
        << "desktop.ini is neither the old file nor the new one (" << settings.size() << " bytes)";
    // The log has the folder's two records, or neither and its old bytes.
    const auto current = test::SectionRecords(log_, kFolderLogSection);
    const auto origins = test::SectionRecords(log_, kFolderOrgSection);
    const bool logged = current.count(work_) == 1;
    std::size_t folderOrigins = 0;
    for (const auto& [key, record] : origins) folderOrigins += key.starts_with(work_ + ",");
    if (logged) {
      EXPECT_EQ(folderOrigins, 1u);
      EXPECT_EQ(current.size(), kRecords + 1u);
      EXPECT_EQ(origins.size(), kRecords + 1u);
    } else {
      EXPECT_EQ(test::ReadBytes(log_), oldLog_);
    }
    // A log record is the last step: a logged change has the new settings file.
    if (logged) {
      EXPECT_EQ(settings, newSettings);
    }
    (settings == newSettings ? newStates : oldStates) += 1;

    // A new file is written without a name; only between its linking and the rename over the
    // old one does it have a name of its own, for a moment. A kill in that moment leaves it,
    // and the next rewrite of that file removes it.
    if (Leftovers() > 0) {
      ++leftovers;
      ASSERT_EQ(StartConfirmation(work_)->Wait(), 0);
      EXPECT_EQ(Leftovers(), 0u);
    }
  }
  RecordProperty("old_states", oldStates);
  RecordProperty("new_states", newStates);
  std::printf(
      "%d kills: %d left the old state, %d the new one; %d left a temporary file, "
      "which the next run removed\n",
      kKills, oldStates, newStates, leftovers);
}

}  // namespace
}  // namespace zendrel::log
