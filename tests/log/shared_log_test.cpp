// Several writers of one change log at once: the lock they share, and the log they leave.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <set>
#include <thread>

#include "config/program_paths.h"
#include "log/change_log.h"
#include "log/child_process.h"
#include "log/log_files.h"
#include "platform/file_lock.h"
#include "platform/profile.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace zendrel::log {
namespace {

using platform::FileLock;
using platform::LockFileName;
using std::chrono::milliseconds;
using test::Join;
using test::SectionRecords;
using Clock = std::chrono::steady_clock;

constexpr char kChild[] = ZENDREL_LOG_CHILD;

bool WaitFor(const std::string& path) {
  const Clock::time_point deadline = Clock::now() + std::chrono::minutes(2);
  while (!test::Exists(path)) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return true;
}

TEST(FileLock, OneHolderAtATimeAndNothingLeftBehind) {
  test::TempDir dir;
  const std::string log = dir.File("Zendrel.log");
  {
    const FileLock first(log);
    ASSERT_TRUE(first.held());
    EXPECT_TRUE(test::Exists(LockFileName(log)));
    const FileLock second(log, milliseconds(50));
    EXPECT_FALSE(second.held());
  }
  EXPECT_TRUE(test::FolderEntries(dir.path()).empty());
  const FileLock third(log, milliseconds(50));
  EXPECT_TRUE(third.held());
}

TEST(FileLock, ALockFileThatOutlivedItsHolderIsTakenOver) {
  test::TempDir dir;
  const std::string log = dir.File("Zendrel.log");
  test::WriteBytes(LockFileName(log), "left behind");
  {
    const FileLock lock(log, milliseconds(50));
    EXPECT_TRUE(lock.held());
  }
  EXPECT_TRUE(test::FolderEntries(dir.path()).empty());
}

TEST(FileLock, AReadOnlyLeftoverStillServes) {
  test::TempDir dir;
  const std::string log = dir.File("Zendrel.log");
  test::WriteBytes(LockFileName(log), "");
  std::filesystem::permissions(LockFileName(log), std::filesystem::perms::owner_read);
  for (int turn = 0; turn < 2; ++turn) {
    const FileLock lock(log, milliseconds(50));
    EXPECT_TRUE(lock.held());
    EXPECT_FALSE(FileLock(log, milliseconds(50)).held());
  }
  // Whether it is gone afterwards is the system's affair: Windows does not delete a
  // read-only file, while Wine and Linux do.
  std::error_code ec;
  std::filesystem::permissions(LockFileName(log), std::filesystem::perms::owner_all, ec);
}

// A lock that cannot be made is no lock someone holds: the answer says so, and a writer goes
// on without it at once instead of waiting out its patience.
TEST(FileLock, ALockThatCannotBeMadeIsGivenUpWithoutWaiting) {
  test::TempDir dir;
  // A folder that is not there, and a folder where the lock file should be.
  const std::string missing = Join(dir.File("missing"), "Zendrel.log");
  ASSERT_TRUE(test::MakeFolder(LockFileName(dir.File("Zendrel.log"))));
  for (const std::string& log : {missing, dir.File("Zendrel.log")}) {
    bool busy = true;
    EXPECT_EQ(platform::lock_file::TryTake(LockFileName(log), busy), platform::lock_file::kNone);
    EXPECT_FALSE(busy);
    EXPECT_FALSE(FileLock(log, std::chrono::seconds(30)).held());
  }
}

TEST(FileLock, AHolderThatDiesLetsGo) {
  test::TempDir dir;
  const std::string log = dir.File("Zendrel.log"), ready = dir.File("ready");
  test::ChildProcess holder(kChild, {"hold", log, ready});
  ASSERT_TRUE(holder.started());
  ASSERT_TRUE(WaitFor(ready));
  EXPECT_FALSE(FileLock(log, milliseconds(50)).held());
  holder.Kill();
  EXPECT_TRUE(FileLock(log, milliseconds(50)).held());
}

// A program whose configuration puts the local log in <temp>/logs, and the folders its
// users customise in <temp>/work.
class SharedLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& folder : {app_, logs_, work_}) ASSERT_TRUE(test::MakeFolder(folder));
    host_.moduleFileName = Join(app_, "Zendrel.exe");
    ASSERT_TRUE(platform::WriteIniString(Join(app_, config::kConfigFileName),
                                         config::kConfigSection, config::kDefaultLogPath, logs_));
    ASSERT_EQ(paths_.GetDefaultLogPath(), log_);
  }

  // Runs `writers` children in `mode`, which confirm `runs` times in step, and waits for them.
  void RunWriters(const std::string& mode, int writers, int runs) {
    std::deque<test::ChildProcess> children;
    for (int w = 0; w < writers; ++w) {
      children.emplace_back(
          kChild, std::vector<std::string>{mode, host_.moduleFileName, work_, std::to_string(w),
                                           std::to_string(writers), std::to_string(runs)});
      ASSERT_TRUE(children.back().started());
    }
    for (test::ChildProcess& child : children) EXPECT_EQ(child.Wait(), 0);
  }

  static std::string Tag(int writer) { return std::string("w").append(std::to_string(writer)); }

  test::TempDir dir_;
  const std::string app_ = dir_.File("app"), logs_ = dir_.File("logs"), work_ = dir_.File("work");
  const std::string log_ = Join(logs_, config::kLocalLogName);
  test::FakeHost host_;
  config::ProgramPaths paths_{host_};
};

TEST_F(SharedLogTest, WritersAtOnceLoseNoRecord) {
  constexpr int kWriters = 8, kRuns = 100;
  RunWriters("own", kWriters, kRuns);

  const auto folderLog = SectionRecords(log_, kFolderLogSection);
  const auto folderOrg = SectionRecords(log_, kFolderOrgSection);
  EXPECT_EQ(folderLog.size(), std::size_t{kWriters * kRuns});
  EXPECT_EQ(folderOrg.size(), std::size_t{kWriters * kRuns});
  int complete = 0;
  for (int w = 0; w < kWriters; ++w) {
    for (int n = 0; n < kRuns; ++n) {
      const std::string folder = Join(work_, Tag(w) + "-" + std::to_string(n));
      const std::string stamp = test::StampOf(folder);
      const auto current = folderLog.find(folder);
      const auto origin = folderOrg.find(folder + "," + stamp);
      complete += current != folderLog.end() && origin != folderOrg.end() &&
                  current->second.value ==
                      stamp + "," + Tag(w) + ".ico," + std::to_string(n) + ",by " + Tag(w) + ",0" &&
                  origin->second.value == "*,0,," + Tag(w) + ",0";
    }
  }
  EXPECT_EQ(complete, kWriters * kRuns);
  EXPECT_EQ(test::FolderEntries(logs_), std::vector<std::string>{"Zendrel.log"});
}

TEST_F(SharedLogTest, WritersOfTheSameFoldersRecordEachOriginalOnce) {
  constexpr int kWriters = 8, kRuns = 100;
  for (int n = 0; n < kRuns; ++n) {
    const std::string folder = Join(work_, std::string("shared-").append(std::to_string(n)));
    ASSERT_TRUE(test::MakeFolder(folder));
    test::WriteBytes(Join(folder, "desktop.ini"), "[.ShellClassInfo]\r\nIconFile=x.ico\r\n");
  }
  RunWriters("shared", kWriters, kRuns);

  // Each child lists the folders whose original record it found to be its own after
  // writing. Two first writers that both saw no record would both claim the folder.
  std::multiset<std::string> claimed;
  for (int w = 0; w < kWriters; ++w) {
    const std::string claims = test::ReadBytes(Join(work_, Tag(w) + ".claims")).value_or("");
    for (std::size_t start = 0, end; (end = claims.find('\n', start)) != std::string::npos;
         start = end + 1) {
      claimed.insert(claims.substr(start, end - start));
    }
  }
  int claimedOnce = 0;
  for (int n = 0; n < kRuns; ++n) claimedOnce += claimed.count(std::to_string(n)) == 1;
  EXPECT_EQ(claimedOnce, kRuns);
  EXPECT_EQ(claimed.size(), std::size_t{kRuns});
  EXPECT_EQ(SectionRecords(log_, kFolderOrgSection).size(), std::size_t{kRuns});
  EXPECT_EQ(SectionRecords(log_, kFolderLogSection).size(), std::size_t{kRuns});
}

TEST_F(SharedLogTest, AWriterThatCannotGetTheLockWritesAnyway) {
  const std::string docs = Join(work_, "Docs");
  ASSERT_TRUE(test::MakeFolder(docs));
  test::WriteBytes(Join(docs, "desktop.ini"), "[.ShellClassInfo]\r\nIconFile=x.ico\r\n");
  folder::Choice choice;
  choice.fileName = "blue.ico";
  const folder::FolderSettings previous;

  {
    // Someone holds the lock and never lets go while we write.
    const FileLock stuck(log_);
    ASSERT_TRUE(stuck.held());
    WriteChangeLog(host_, paths_, docs, Join(docs, "desktop.ini"), choice, previous);
  }
  EXPECT_EQ(SectionRecords(log_, kFolderLogSection).count(docs), 1u);

  // Something that is no lock file in its place: no wait, and the record is written.
  ASSERT_TRUE(test::MakeFolder(LockFileName(log_)));
  choice.fileName = "red.ico";
  WriteChangeLog(host_, paths_, docs, Join(docs, "desktop.ini"), choice, previous);
  EXPECT_EQ(platform::ReadIniString(log_, kFolderLogSection, docs, ""),
            test::StampOf(docs) + ",red.ico,0,,0");
}

}  // namespace
}  // namespace zendrel::log
