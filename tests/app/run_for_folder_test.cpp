// The run for an accepted folder: the chooser's starting state, the errors that end the run
// before it opens, and what Cancel and OK leave behind. The chooser's window is replaced by
// a script that looks at the dialog and answers as a user would.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/folder_icon_app.h"
#include "catalogue/icon_catalogue.h"
#include "platform/file_attributes.h"
#include "platform/folder_ops.h"
#include "platform/icons.h"
#include "platform/profile.h"
#include "support/fake_boxes.h"
#include "support/fake_host.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "text/text.h"
#include "ui/message_box.h"
#include "ui/strings.h"

namespace zendrel::app {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The application with the chooser's modal run played by the test.
class ScriptedApp final : public FolderIconApp {
 public:
  using FolderIconApp::FolderIconApp;
  std::function<int(ui::IconChooserDialog&)> chooser;
  int chooserRuns = 0;

  void Run(const std::string& folder) { RunForFolder(folder); }
  using FolderIconApp::StandardFolderIcon;

 protected:
  int RunChooser(ui::IconChooserDialog& dialog) override {
    ++chooserRuns;
    return chooser ? chooser(dialog) : ui::kIdCancel;
  }
};

// Everything under a folder: each entry's bytes (folders: none) and attributes.
using Tree = std::map<std::string, std::pair<std::string, std::uint32_t>>;

Tree Snapshot(const std::string& root) {
  Tree tree;
  tree[""] = {"", platform::ReadAttributes(root).value_or(0xFFFFFFFF)};
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string path = entry.path().string();
    tree[path.substr(root.size())] = {
        entry.is_regular_file() ? test::ReadBytes(path).value_or("?") : std::string(),
        platform::ReadAttributes(path).value_or(0xFFFFFFFF)};
  }
  return tree;
}

const test::IconImage kRed{32, 0xFFD02020, 32};
const test::IconImage kBlue{32, 0xFF2040D0, 32};
const test::IconImage kGreen{32, 0xFF20A040, 32};

class RunForFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.moduleFileName = dir_.File("Zendrel.exe");
    icons_ = dir_.File("Zendrel.icon");
    fs::create_directory(icons_);
    test::WriteBytes(Icon("red.ico"), test::MakeIco({kRed}));
    test::WriteBytes(Icon("blue.ico"), test::MakeIco({kBlue}));
    // The standard folder icon is the fourth icon of a library; the others are decoys.
    test::WriteBytes(dir_.File("shell.icl"), test::MakeIcl({{kRed}, {kRed}, {kBlue}, {kGreen}}));
    host_.environment["ZENDREL_PLACE"] = dir_.path();
    host_.standardFolderIcon = StandardValue();
    folder_ = dir_.File("Work");
    fs::create_directory(folder_);
    logs_ = dir_.File("logs");
    fs::create_directory(logs_);
    ASSERT_TRUE(platform::WriteIniString(dir_.File("ZenConfig.ini"), "ZendrelConfig",
                                         "DefaultLogPath", logs_));
  }

  std::string Icon(const std::string& name) const {
    return icons_ + std::string(1, text::kSeparator) + name;
  }
  std::string InFolder(const std::string& name) const {
    return folder_ + std::string(1, text::kSeparator) + name;
  }
  std::string StandardValue() const {
    return std::string("%ZENDREL_PLACE%") + text::kSeparator + "shell.icl,3";
  }

  // One run on the folder; the messages it showed, by id.
  std::vector<int> Run(std::function<int(ui::IconChooserDialog&)> chooser) {
    app_ = std::make_unique<ScriptedApp>(host_, boxes_);
    app_->chooser = std::move(chooser);
    app_->Run(folder_);
    return boxes_.Ids();
  }

  TempDir dir_;
  std::string icons_, folder_, logs_;
  test::FakeHost host_;
  test::FakeBoxes boxes_;
  std::unique_ptr<ScriptedApp> app_;
};

TEST_F(RunForFolderTest, StandardIconComesFromTheExpandedValue) {
  ScriptedApp app(host_, boxes_);
  const platform::Icon icon = app.StandardFolderIcon();
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon.Pixels(), platform::ExtractIcon(dir_.File("shell.icl"), 3).Pixels());
  EXPECT_EQ(icon.Pixels()[31 * 32 + 31], kGreen.colour);
}

TEST_F(RunForFolderTest, StandardIconIndexIsReadLikeAtoi) {
  ScriptedApp app(host_, boxes_);
  const std::string library = dir_.File("shell.icl");
  // Blanks and a sign before the digits, anything after them.
  for (const char* tail : {",  +3", ",3x", ", 3 "}) {
    host_.standardFolderIcon = library + tail;
    const platform::Icon icon = app.StandardFolderIcon();
    ASSERT_TRUE(icon) << tail;
    EXPECT_EQ(icon.Pixels()[31 * 32 + 31], kGreen.colour) << tail;
  }
  // The last comma splits; no digits is index 0.
  {
    host_.standardFolderIcon = library + ",x";
    const platform::Icon icon = app.StandardFolderIcon();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon.Pixels()[31 * 32 + 31], kRed.colour);
  }
  // Past the last icon, or no comma at all: no icon.
  for (const std::string& value : {library + ",4", library, std::string("3"), std::string()}) {
    host_.standardFolderIcon = value;
    EXPECT_FALSE(app.StandardFolderIcon()) << value;
  }
}

TEST_F(RunForFolderTest, WithoutSettingsFileTheStandardEntryComesFirst) {
  const Tree before = Snapshot(folder_);
  bool seen = false;
  const std::vector<int> shown = Run([&](ui::IconChooserDialog& dialog) {
    seen = true;
    EXPECT_EQ(dialog.targetFolder, folder_);
    const catalogue::IconCatalogue& c = dialog.catalogue;
    EXPECT_EQ(c.fileNames, (std::vector<std::string>{"*", "blue.ico", "red.ico"}));
    EXPECT_EQ(c.labels.at(0), text::SystemText(ZENDREL_TEXT_112));
    EXPECT_EQ(c.iconIndexes.at(0), 0);
    EXPECT_EQ(c.infoTips.at(0), "");
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(c.imageList.Pixels(0)[31 * 32 + 31], kGreen.colour);
    EXPECT_FALSE(dialog.thumbnailView);
    EXPECT_EQ(dialog.selectedIndex, -1);
    return ui::kIdCancel;
  });
  EXPECT_TRUE(seen);
  EXPECT_TRUE(shown.empty());
  // Cancel: nothing written anywhere.
  EXPECT_EQ(Snapshot(folder_), before);
  EXPECT_TRUE(fs::is_empty(logs_));
  EXPECT_EQ(app_->ExitStatus(), 0);
}

TEST_F(RunForFolderTest, WithSettingsFileTheCurrentIconComesFirstAndCancelTouchesNothing) {
  const std::string ini = InFolder("desktop.ini");
  test::WriteBytes(ini, "[.ShellClassInfo]\r\nIconFile=" + Icon("red.ico") +
                            "\r\nIconIndex=0\r\nInfoTip=Papers\r\nConfirmFileOp=0\r\n"
                            "[ExtShellFolderViews]\r\n{8BEBB290-52D0-11d0-B7F4-00C04FD706EC}="
                            "{8BEBB290-52D0-11d0-B7F4-00C04FD706EC}\r\n");
  ASSERT_TRUE(platform::WriteAttributes(ini, 0x22));
  ASSERT_TRUE(platform::WriteAttributes(folder_, 0x15));
  const Tree before = Snapshot(folder_);

  Run([&](ui::IconChooserDialog& dialog) {
    const catalogue::IconCatalogue& c = dialog.catalogue;
    EXPECT_EQ(c.fileNames, (std::vector<std::string>{"red.ico", "*", "blue.ico", "red.ico"}));
    EXPECT_EQ(c.labels.at(0), text::SystemText(ZENDREL_TEXT_108));
    EXPECT_EQ(c.labels.at(1), text::SystemText(ZENDREL_TEXT_112));
    EXPECT_EQ(c.infoTips.at(0), "Papers");
    EXPECT_EQ(c.imageList.Pixels(0)[31 * 32 + 31], kRed.colour);
    EXPECT_EQ(c.imageList.Pixels(1)[31 * 32 + 31], kGreen.colour);
    EXPECT_TRUE(dialog.thumbnailView);
    // A user who picks, types and unticks, then cancels.
    dialog.selectedIndex = 2;
    dialog.thumbnailView = false;
    dialog.infoTipText = "changed";
    return ui::kIdCancel;
  });
  EXPECT_EQ(Snapshot(folder_), before);
  EXPECT_TRUE(fs::is_empty(logs_));
  platform::WriteAttributes(folder_, 0x10);
}

TEST_F(RunForFolderTest, NoLoadableIconEndsWithMessage106BeforeTheChooser) {
  fs::remove(Icon("red.ico"));
  test::WriteBytes(Icon("blue.ico"), "not an icon");
  EXPECT_EQ(Run(nullptr), std::vector<int>{IDS_ICONS_NOT_LOADED});
  EXPECT_EQ(app_->chooserRuns, 0);
  EXPECT_EQ(app_->ExitStatus(), 1);
}

TEST_F(RunForFolderTest, NoStandardIconEndsWithMessage106BeforeTheChooser) {
  for (const std::string& value :
       {dir_.File("shell.icl") /* no comma */, dir_.File("missing.icl") + ",0", std::string()}) {
    host_.standardFolderIcon = value;
    boxes_.shown.clear();
    EXPECT_EQ(Run(nullptr), std::vector<int>{IDS_ICONS_NOT_LOADED}) << value;
    EXPECT_EQ(app_->chooserRuns, 0);
  }
  EXPECT_FALSE(test::Exists(InFolder("desktop.ini")));
}

TEST_F(RunForFolderTest, OkAppliesTheChoiceAndLogsIt) {
  test::WriteBytes(InFolder("Thumbs.db"), "old thumbnails");
  Run([](ui::IconChooserDialog& dialog) {
    dialog.selectedIndex = 1;  // blue.ico
    dialog.infoTipText = "Project papers";
    dialog.thumbnailView = false;
    return ui::kIdOk;
  });
  EXPECT_TRUE(boxes_.shown.empty());
  const std::string ini = InFolder("desktop.ini");
  EXPECT_EQ(platform::ReadIniString(ini, ".ShellClassInfo", "IconFile", ""),
            text::AddTrailingSeparator(icons_) + "blue.ico");
  EXPECT_EQ(platform::ReadIniString(ini, ".ShellClassInfo", "IconIndex", ""), "0");
  EXPECT_EQ(platform::ReadIniString(ini, ".ShellClassInfo", "InfoTip", ""), "Project papers");
  EXPECT_EQ(platform::ReadIniString(ini, ".ShellClassInfo", "ConfirmFileOp", ""), "0");
  EXPECT_FALSE(test::Exists(InFolder("Thumbs.db")));
  // Wine keeps no read-only bit on a folder; Windows and the Linux build do.
  EXPECT_EQ(platform::ReadAttributes(folder_).value_or(0) & 0x07,
            test::UnderWine() ? 0x04u : 0x05u);
  EXPECT_EQ(platform::ReadAttributes(ini).value_or(0) & 0x02, 0x02u);

  const std::string log = logs_ + std::string(1, text::kSeparator) + "Zendrel.log";
  const std::string record = platform::ReadIniString(log, "FolderLog", folder_, "");
  EXPECT_EQ(record.substr(0, 2), "0x");
  EXPECT_EQ(record.substr(record.find(',')), ",blue.ico,0,Project papers,0");
  platform::WriteAttributes(folder_, 0x10);
}

// Whatever stands at desktop.ini's name that is no file Zendrel may rewrite is left as it is,
// and so is the rest of the folder: the run says why and ends with status 1, and the change
// log records nothing. A change log that cannot be written is a warning only: the folder's
// change stays, and the run ends normally.
TEST_F(RunForFolderTest, NoSilentEnds) {
  const auto choose = [](ui::IconChooserDialog& dialog) {
    dialog.selectedIndex = 1;
    dialog.infoTipText = "tip";
    return ui::kIdOk;
  };
  const std::string ini = InFolder("desktop.ini");
  const std::string log = logs_ + std::string(1, text::kSeparator) + "Zendrel.log";
  std::vector<std::function<void()>> spoilers = {[&] { fs::create_directory(ini); }};
#ifndef _WIN32
  const std::string elsewhere = dir_.File("elsewhere.ini");
  spoilers.push_back([&] {
    test::WriteBytes(elsewhere, "[.ShellClassInfo]\r\nIconFile=a.ico\r\n");
    fs::create_symlink(elsewhere, ini);
  });
  spoilers.push_back([&] { ASSERT_EQ(mkfifo(ini.c_str(), 0644), 0); });
#endif
  for (std::size_t kind = 0; kind < spoilers.size(); ++kind) {
    SCOPED_TRACE(kind);
    spoilers[kind]();
    const Tree before = Snapshot(dir_.path());
    boxes_.shown.clear();
    EXPECT_EQ(Run(choose), std::vector<int>{IDS_SETTINGS_NOT_A_FILE});
    EXPECT_EQ(app_->ExitStatus(), 1);
    EXPECT_EQ(Snapshot(dir_.path()), before);
    EXPECT_FALSE(test::Exists(log));
    fs::remove_all(ini);
  }

  fs::create_directory(log);
  boxes_.shown.clear();
  EXPECT_EQ(Run(choose), std::vector<int>{IDS_LOG_NOT_WRITTEN});
  EXPECT_EQ(app_->ExitStatus(), 0);
  EXPECT_EQ(platform::ReadIniString(ini, ".ShellClassInfo", "InfoTip", ""), "tip");
  platform::WriteAttributes(folder_, 0x10);
}

// A folder whose full path has exactly `length` bytes, nested below `base` so that no single
// name passes the file systems' limit on one name.
std::string FolderOfLength(const std::string& base, std::size_t length) {
  test::MakeFolder(base);
  std::string path = base;
  while (path.size() + 1 + 200 + 1 + 10 < length) {
    path = text::AddTrailingSeparator(path) + std::string(200, 'd');
    test::MakeFolder(path);
  }
  path = text::AddTrailingSeparator(path) + std::string(length - path.size() - 1, 'n');
  test::MakeFolder(path);
  return path;
}

// Keeps the current directory of the test process, and puts it back.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& path) : saved_(fs::current_path()) {
    fs::current_path(path);
  }
  ~CurrentDirectory() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

// Folders of every awkward shape, named on the command line in every way a user may name
// them, from every sort of current directory: each confirmation lands in the folder meant and
// changes nothing else but the change log, whose key is the folder's full name.
TEST_F(RunForFolderTest, EveryWayOfNamingAFolderChangesThatFolderAndNothingElse) {
  const std::string root = dir_.File("tree");
  const auto in = [](const std::string& parent, const std::string& name) {
    return text::AddTrailingSeparator(parent) + name;
  };
  const std::string plain = in(root, "plain");
  const std::string inner = in(plain, "inner");
  // A target and the folder it leads to (they differ for a link).
  std::vector<std::pair<std::string, std::string>> targets;
  for (const std::string& folder :
       {root, plain, inner, in(root, "br[ack]et;s=,x"), in(root, text::SystemText("写真 フォルダ")),
        in(root, "with space")}) {
    ASSERT_TRUE(test::MakeFolder(folder) || fs::is_directory(folder)) << folder;
    targets.emplace_back(folder, folder);
  }
#ifndef _WIN32
  fs::create_directory_symlink(inner, in(root, "link"));
  targets.emplace_back(in(root, "link"), inner);
#endif
  // Names about the old 260-byte buffer, which only Windows keeps.
  for (const std::size_t length : {247u, 259u, 300u}) {
    const std::string folder = FolderOfLength(in(root, "long"), length);
    if (folder.size() + 12 <= platform::LongestPath()) targets.emplace_back(folder, folder);
  }
  // Every step's names hold a decoy beside the folder that a cut name would hit.
  for (const auto& [named, real] : targets) {
    test::WriteBytes(real + "Thumbs.db", "decoy");
    test::WriteBytes(real + "desktop.ini", "decoy");
  }
  const std::string log = in(logs_, "Zendrel.log");

  enum Way { kFull, kFromParent, kUpAndDown, kDotted, kQuoted, kItself, kTrailing, kWays };
  std::mt19937 random(20261208);
  for (int run = 0; run < 2 * kWays; ++run) {
    const Way way = static_cast<Way>(run % kWays);
    const std::size_t pick = random() % targets.size();
    // Copies, not structured bindings: a lambda below takes them.
    const std::string named = targets[pick].first;
    const std::string real = targets[pick].second;
    if (way != kFull && named == root) continue;
    const std::string fromRoot = named == root ? "." : named.substr(root.size() + 1);
    std::string current = dir_.path(), tail = named;
    switch (way) {
      case kFromParent:
        current = text::RemoveFileSpec(named);
        tail = named.substr(current.size() + 1);
        break;
      case kUpAndDown:
        current = inner;
        tail = in(in("..", ".."), fromRoot);
        break;
      case kDotted:
        current = root;
        tail = in(".", fromRoot);
        break;
      case kQuoted:
        tail = "\"" + named + "\"";
        break;
      case kItself:
        current = real;
        tail = ".";
        break;
      case kTrailing:
        tail = text::AddTrailingSeparator(named);
        break;
      default:
        break;
    }
    SCOPED_TRACE(tail + " from " + current);
    const Tree before = Snapshot(dir_.path());
    boxes_.shown.clear();
    ScriptedApp app(host_, boxes_);
    app.chooser = [&](ui::IconChooserDialog& dialog) {
      const auto& names = dialog.catalogue.fileNames;
      dialog.selectedIndex =
          static_cast<int>(std::find(names.begin(), names.end(), "blue.ico") - names.begin());
      dialog.infoTipText = "run " + std::to_string(run);
      dialog.thumbnailView = run % 2 != 0;
      return ui::kIdOk;
    };
    {
      const CurrentDirectory cd(current);
      app.StartUp(tail);
      EXPECT_TRUE(fs::equivalent(fs::current_path(), current));
    }
    const Tree after = Snapshot(dir_.path());

    if (way == kTrailing) {
      EXPECT_EQ(boxes_.Ids(), std::vector<int>{IDS_NOT_A_FOLDER});
      EXPECT_EQ(after, before);
      continue;
    }
    EXPECT_TRUE(boxes_.shown.empty());
    const std::string full = way == kItself ? real : named;
    EXPECT_EQ(platform::ReadIniString(in(real, "desktop.ini"), ".ShellClassInfo", "InfoTip", ""),
              "run " + std::to_string(run));
    // The log's key is the folder's full name.
    const std::string record =
        platform::ReadIniString(log, "FolderLog", text::ReplaceChar(full, '=', '?'), "");
    ASSERT_NE(record.find(','), std::string::npos) << record;
    EXPECT_EQ(record.substr(record.find(',')),
              ",blue.ico,0,run " + std::to_string(run) + (run % 2 ? ",1" : ",0"));
    // The snapshot has the names as the file system library spells them, in UTF-8.
    const std::string inside = real.substr(dir_.path().size());
    const auto inTarget = [&](const std::string& spelt) {
      const std::string name = text::SystemText(spelt);
      if (name == inside || name.rfind(inside + text::kSeparator, 0) == 0) return true;
      // A link to the folder shows the folder's attributes as its own.
      const fs::path path = dir_.path() + name;
      std::error_code error;
      return fs::is_symlink(path, error) && fs::equivalent(path, real, error);
    };
    const std::string logs = logs_.substr(dir_.path().size());
    for (const auto& [name, entry] : after) {
      const auto old = before.find(name);
      if (old != before.end() && old->second == entry) continue;
      EXPECT_TRUE(inTarget(name) || name.rfind(logs, 0) == 0) << "changed: " << name;
    }
    for (const auto& [name, entry] : before) {
      if (after.count(name) == 0) {
        EXPECT_TRUE(inTarget(name)) << "removed: " << name;
      }
    }
  }
}

// The longest folder whose desktop.ini the system's functions still take is customised; one
// byte more is refused with its own message before anything is written.
TEST_F(RunForFolderTest, FolderAtThePathLimitWorksAndOneByteMoreIsRefused) {
  const std::size_t fits = platform::LongestPath() - std::string("\\desktop.ini").size();
  const std::string base = dir_.File("deep");
  for (const std::size_t length : {fits, fits + 1}) {
    const std::string folder = FolderOfLength(base, length);
    ASSERT_EQ(folder.size(), length);
    const Tree before = Snapshot(dir_.path());
    boxes_.shown.clear();
    ScriptedApp app(host_, boxes_);
    app.chooser = [](ui::IconChooserDialog& dialog) {
      dialog.selectedIndex = static_cast<int>(dialog.catalogue.fileNames.size()) - 1;
      return ui::kIdOk;
    };
    app.StartUp(folder);
    if (length == fits) {
      EXPECT_TRUE(boxes_.shown.empty());
      EXPECT_EQ(platform::ReadIniString(text::AddTrailingSeparator(folder) + "desktop.ini",
                                        ".ShellClassInfo", "IconFile", ""),
                text::AddTrailingSeparator(icons_) + "red.ico");
      EXPECT_EQ(app.ExitStatus(), 0);
    } else {
      EXPECT_EQ(boxes_.Ids(), std::vector<int>{IDS_PATH_TOO_LONG});
      EXPECT_EQ(Snapshot(dir_.path()), before);
      EXPECT_EQ(app.ExitStatus(), 1);
    }
    platform::WriteAttributes(folder, 0x10);
  }
}

}  // namespace
}  // namespace zendrel::app
