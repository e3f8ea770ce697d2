#include "app/folder_icon_app.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/profile.h"
#include "support/fake_boxes.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"
#include "text/text.h"
#include "ui/strings.h"

namespace zendrel::app {
namespace {

using test::FakeHost;
using test::TempDir;

using test::FakeBoxes;

// The application with its two continuations observed instead of run.
class ObservedApp final : public FolderIconApp {
 public:
  using FolderIconApp::FolderIconApp;
  int registrations = 0;
  std::vector<std::string> runs;

 protected:
  int ToggleShellRegistration() override {
    ++registrations;
    return 0;
  }
  void RunForFolder(const std::string& folder) override { runs.push_back(folder); }
};

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.File("My Folder");
    std::filesystem::create_directory(folder_);
    file_ = dir_.File("file.txt");
    test::WriteBytes(file_, "x");
    host_.moduleFileName = dir_.File("Zendrel.exe");
  }

  void SetDuplicateModule(const std::string& value) {
    ASSERT_TRUE(platform::WriteIniString(dir_.File("ZenConfig.ini"), "ZendrelConfig",
                                         "DuplicateModule", value));
  }

  // One run with this tail; the messages it showed, by id.
  std::vector<int> Run(const std::string& tail) {
    boxes_.shown.clear();
    app_ = std::make_unique<ObservedApp>(host_, boxes_);
    EXPECT_FALSE(app_->StartUp(tail));
    return boxes_.Ids();
  }

  TempDir dir_;
  std::string folder_, file_;
  FakeHost host_;
  FakeBoxes boxes_;
  std::unique_ptr<ObservedApp> app_;
};

TEST_F(StartUpTest, TheWholeTailUnquotedIsTheFolder) {
  EXPECT_TRUE(Run("\"" + folder_ + "\"").empty());
  EXPECT_EQ(app_->runs, std::vector<std::string>{folder_});
  EXPECT_EQ(app_->ExitStatus(), 0);

  // Unquoted with its space, the path is taken whole.
  EXPECT_TRUE(Run(folder_).empty());
  EXPECT_EQ(app_->runs, std::vector<std::string>{folder_});
}

TEST_F(StartUpTest, AnythingButAnExistingFolderEndsWithMessage107) {
  const std::string quotedThenMore = "\"" + folder_ + "\" second";
  for (const std::string& tail :
       {quotedThenMore, text::AddTrailingSeparator(folder_), file_, std::string("\"\""),
        dir_.File("missing"), std::string("\"") + folder_, std::string(10000, 'a')}) {
    SCOPED_TRACE(tail.substr(0, 80));
    EXPECT_EQ(Run(tail), std::vector<int>{IDS_NOT_A_FOLDER});
    EXPECT_TRUE(app_->runs.empty());
    EXPECT_EQ(app_->registrations, 0);
    EXPECT_EQ(app_->ExitStatus(), 1);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].caption, "Zendrel");
    EXPECT_EQ(boxes_.shown[0].kind, ui::MessageKind::kStop);
  }
}

TEST_F(StartUpTest, JapaneseFolderNamesAreAccepted) {
  // "フォルダ" and "表", whose second Shift-JIS byte is a backslash: a folder whose name ends
  // in it must not count as a path with a trailing separator.
#ifdef _WIN32
  const std::string names[] = {"\x83\x74\x83\x48\x83\x8B\x83\x5F", "\x95\x5C"};
#else
  const std::string names[] = {"フォルダ", "表"};
#endif
  for (const std::string& name : names) {
    const std::string folder = dir_.File(name);
    ASSERT_TRUE(test::MakeFolder(folder));
    EXPECT_TRUE(Run("\"" + folder + "\"").empty());
    EXPECT_EQ(app_->runs, std::vector<std::string>{folder});
  }
}

TEST_F(StartUpTest, RootsFindNothing) {
#ifdef _WIN32
  const std::string root = "C:\\";
#else
  const std::string root = "/";
#endif
  EXPECT_EQ(Run(root), std::vector<int>{IDS_NOT_A_FOLDER});
}

TEST_F(StartUpTest, AnEmptyTailStartsTheRegistration) {
  EXPECT_TRUE(Run("").empty());
  EXPECT_EQ(app_->registrations, 1);
  EXPECT_TRUE(app_->runs.empty());
  EXPECT_EQ(app_->ExitStatus(), 0);
}

TEST_F(StartUpTest, TheShellCheckComesBeforeEverything) {
  host_.shellUsable = false;
  SetDuplicateModule("0");
  for (const std::string& tail : {std::string(""), folder_}) {
    EXPECT_EQ(Run(tail), std::vector<int>{IDS_OLD_SHELL});
    EXPECT_EQ(app_->registrations, 0);
    EXPECT_TRUE(app_->runs.empty());
    EXPECT_EQ(app_->ExitStatus(), 1);
  }
  EXPECT_TRUE(host_.tokensAsked.empty());
}

TEST_F(StartUpTest, SingleInstanceRuleByPlatformAndConfiguration) {
  host_.heldByOthers.insert("Zendrel");
  // No key: the NT family lets runs side by side, the 9x family does not.
  host_.platformId = 2;
  Run(folder_);
  EXPECT_EQ(app_->runs.size(), 1u);
  EXPECT_TRUE(host_.tokensAsked.empty());

  host_.platformId = 1;
  EXPECT_TRUE(Run(folder_).empty());
  EXPECT_TRUE(app_->runs.empty());
  EXPECT_EQ(app_->ExitStatus(), 0);  // a silent end is a normal one
  EXPECT_EQ(host_.tokensAsked, std::vector<std::string>{"Zendrel"});

  // 0 in the configuration: one at a time on both families, before the target is looked at
  // and before the registration question.
  host_.platformId = 2;
  SetDuplicateModule("0");
  for (const std::string& tail : {folder_, file_, std::string("")}) {
    EXPECT_TRUE(Run(tail).empty());
    EXPECT_TRUE(app_->runs.empty());
    EXPECT_EQ(app_->registrations, 0);
  }
  // Present but no number counts as 0.
  SetDuplicateModule("yes");
  EXPECT_TRUE(Run(file_).empty());
  // Nonzero: the token is never asked for.
  host_.tokensAsked.clear();
  SetDuplicateModule("5");
  Run(folder_);
  EXPECT_EQ(app_->runs.size(), 1u);
  EXPECT_TRUE(host_.tokensAsked.empty());

  // Nobody holds the token: the run goes on.
  host_.heldByOthers.clear();
  SetDuplicateModule("0");
  Run(folder_);
  EXPECT_EQ(app_->runs.size(), 1u);
}

TEST_F(StartUpTest, RecordsThePlatformIdAndTheBaseName) {
  host_.platformId = 1;
  host_.moduleFileName = dir_.File("Folder.Icon.exe");
  ObservedApp app(host_, boxes_);
  EXPECT_EQ(app.platformId(), 1u);
  EXPECT_EQ(app.ExecutableBaseName(), "Folder.Icon");
}

}  // namespace
}  // namespace zendrel::app
