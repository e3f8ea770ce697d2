#include "log/change_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "folder/file_status.h"
#include "log/log_files.h"
#include "platform/profile.h"
#include "support/fake_host.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "text/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <cstdlib>

#include "platform/posix/mount_table.h"
#endif

namespace zendrel::log {
namespace {

using test::Join;
using test::SectionRecords;
using test::StampOf;

// A program installed in <temp>/app with a Windows directory of its own; the folders it
// customises lie in <temp>/work.
class ChangeLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Install(dir_.path());
    host_.environment["WINDIR"] = winDir_;
  }

  // Puts the program, the Windows directory and the work folder below `root`.
  void Install(const std::string& root) {
    app_ = Join(root, "app");
    winDir_ = Join(dir_.path(), "windows");
    work_ = Join(root, "work");
    for (const std::string& folder : {app_, winDir_, work_}) ASSERT_TRUE(test::MakeFolder(folder));
    host_.moduleFileName = Join(app_, "Zendrel.exe");
    test::WriteBytes(host_.moduleFileName,
                     "");  // a name that resolves, as a running program's does
  }

  void Configure(const std::string& key, const std::string& value) {
    ASSERT_TRUE(platform::WriteIniString(Join(app_, config::kConfigFileName),
                                         config::kConfigSection, key, value));
  }

  std::string LocalLog() const { return Join(winDir_, config::kLocalLogName); }

  std::string MakeTarget(const std::string& name) {
    const std::string folder = Join(work_, name);
    EXPECT_TRUE(test::MakeFolder(folder));
    return folder;
  }

  // Records a confirmed choice as applying it would: `settingsFileNow` tells whether the
  // folder has a settings file once the choice is written.
  void Confirm(const std::string& folder, const folder::Choice& choice,
               const folder::FolderSettings& previous, bool settingsFileNow = true) {
    const std::string settingsFile = Join(folder, folder::kSettingsFileName);
    if (settingsFileNow) {
      test::WriteBytes(settingsFile, "[.ShellClassInfo]\r\nInfoTip=x\r\n");
    } else {
      std::filesystem::remove(settingsFile);
    }
    WriteChangeLog(host_, paths_, folder, settingsFile, choice, previous);
  }

  static folder::Choice Pick(const std::string& fileName, int iconIndex,
                             const std::string& infoTip = "", bool thumbnail = false) {
    folder::Choice choice;
    choice.selectedIndex = 2;
    choice.fileName = fileName;
    choice.iconIndex = iconIndex;
    choice.infoTipText = infoTip;
    choice.thumbnailView = thumbnail;
    return choice;
  }

  // Looks a record up the way any reader of the log would; "(none)" when it is absent.
  static std::string Lookup(const std::string& log, const char* section, const std::string& key) {
    return platform::ReadIniString(log, section, key, "(none)");
  }

  test::TempDir dir_;
  std::string app_, winDir_, work_;
  test::FakeHost host_;
  config::ProgramPaths paths_{host_};
  const folder::FolderSettings uncustomised_{};  // no settings file when the run began
};

TEST_F(ChangeLogTest, FirstRunRecordsTheFolderAsItIsNowAndAsItWas) {
  const std::string docs = MakeTarget("Docs");
  Confirm(docs, Pick("blue.ico", 0, "Project papers"), uncustomised_);

  const std::string stamp = StampOf(docs);
  const auto folderLog = SectionRecords(LocalLog(), kFolderLogSection);
  const auto folderOrg = SectionRecords(LocalLog(), kFolderOrgSection);
  ASSERT_EQ(folderLog.size(), 1u);
  ASSERT_EQ(folderOrg.size(), 1u);
  EXPECT_EQ(folderLog.at(docs).value, stamp + ",blue.ico,0,Project papers,0");
  EXPECT_EQ(folderOrg.at(docs + "," + stamp).value, "*,0,,,0");
  // The lock that guarded the writes is gone with them.
  EXPECT_EQ(test::FolderEntries(winDir_), std::vector<std::string>{"Zendrel.log"});
}

TEST_F(ChangeLogTest, CreationStampIsLowerCaseHexWithoutLeadingZeros) {
  const std::string docs = MakeTarget("Docs");
  Confirm(docs, Pick("blue.ico", 0), uncustomised_);
  const auto folderOrg = SectionRecords(LocalLog(), kFolderOrgSection);
  ASSERT_EQ(folderOrg.size(), 1u);
  const std::string key = folderOrg.begin()->first;
  ASSERT_EQ(key.rfind(docs + ",", 0), 0u) << key;
  const std::string stamp = key.substr(docs.size() + 1);
  EXPECT_TRUE(std::regex_match(stamp, std::regex("0x[1-9a-f][0-9a-f]*"))) << stamp;
  EXPECT_EQ(std::strtoul(stamp.c_str() + 2, nullptr, 16),
            folder::QueryStatus(docs).value().creationTime);

  // A folder gone since the dialog closed: stamp 0, and no settings file to record.
  const std::string gone = Join(work_, "Gone");
  WriteChangeLog(host_, paths_, gone, Join(gone, folder::kSettingsFileName), Pick("x.ico", 1),
                 uncustomised_);
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, gone + ",0x0"), "*,0,,,0");
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, gone), "(none)");
}

TEST_F(ChangeLogTest, LaterRunsRewriteTheCurrentRecordAndKeepTheOriginal) {
  const std::string docs = MakeTarget("Docs");
  const std::string stamp = StampOf(docs);
  Confirm(docs, Pick("blue.ico", 0, "Project papers"), uncustomised_);

  folder::FolderSettings customised;
  customised.settingsFileExisted = true;
  customised.previousIconFile = "blue.ico";
  customised.previousInfoTip = "Project papers";
  customised.previousConfirmValue = "0";
  Confirm(docs, Pick("red.ico", 3, "Reports", true), customised);
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, docs), stamp + ",red.ico,3,Reports,1");
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, docs + "," + stamp), "*,0,,,0");

  // The last customisation removed: the current record goes, the original stays.
  Confirm(docs, Pick("*", 0), customised, /*settingsFileNow=*/false);
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, docs), "(none)");
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, docs + "," + stamp), "*,0,,,0");

  // Customised again later: a current record again, still the first original.
  Confirm(docs, Pick("", 7), uncustomised_);  // an entry without a file name stands for "*"
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, docs), stamp + ",*,7,,0");
  EXPECT_EQ(SectionRecords(LocalLog(), kFolderOrgSection).size(), 1u);
}

TEST_F(ChangeLogTest, AFolderThatNeverGotASettingsFileStillHasItsOriginalRecorded) {
  const std::string plain = MakeTarget("Plain");
  Confirm(plain, Pick("*", 0), uncustomised_, /*settingsFileNow=*/false);
  EXPECT_TRUE(SectionRecords(LocalLog(), kFolderLogSection).empty());
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, plain + "," + StampOf(plain)), "*,0,,,0");
}

TEST_F(ChangeLogTest, SwitchedOffOrHomelessLogWritesNothing) {
  const std::string docs = MakeTarget("Docs");
  Configure(config::kOutputLogFile, "0");
  Confirm(docs, Pick("blue.ico", 0), uncustomised_);
  EXPECT_TRUE(test::FolderEntries(winDir_).empty());
  EXPECT_EQ(test::FolderEntries(app_), (std::vector<std::string>{"ZenConfig.ini", "Zendrel.exe"}));
  EXPECT_EQ(test::FolderEntries(docs), std::vector<std::string>{"desktop.ini"});

  // On, but the Windows directory is missing: nothing is written, and the run goes on.
  Configure(config::kOutputLogFile, "1");
  host_.environment["WINDIR"] = Join(dir_.path(), "missing");
  Confirm(docs, Pick("blue.ico", 0), uncustomised_);
  EXPECT_FALSE(test::Exists(Join(dir_.path(), "missing")));
  EXPECT_TRUE(test::FolderEntries(winDir_).empty());
}

TEST_F(ChangeLogTest, FolderOnANetworkDriveIsKeyedByItsUniversalName) {
  // The program is local, so there is no shared log: the local one takes the record.
  const std::string docs = MakeTarget("Docs");
  host_.drives[work_] = "\\\\server\\share";
  Confirm(docs, Pick("blue.ico", 0), uncustomised_);
  const std::string stamp = StampOf(docs);
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, "\\\\server\\share\\Docs"),
            stamp + ",blue.ico,0,,0");
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, "\\\\server\\share\\Docs," + stamp), "*,0,,,0");
  EXPECT_EQ(SectionRecords(LocalLog(), kFolderLogSection).size(), 1u);
}

TEST_F(ChangeLogTest, EqualsSignsInTheFolderKeyBecomeQuestionMarks) {
  const std::string folder = MakeTarget("a=b=c");
  Confirm(folder, Pick("blue.ico", 0), uncustomised_);
  const std::string key = Join(work_, "a?b?c");
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, key), StampOf(folder) + ",blue.ico,0,,0");
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, key + "," + StampOf(folder)), "*,0,,,0");
}

TEST_F(ChangeLogTest, CommasBecomeQuestionMarksBeforeTheInfoTipOnly) {
  const std::string docs = MakeTarget("Docs");
  folder::FolderSettings previous;
  previous.settingsFileExisted = true;
  previous.previousIconFile = Join(Join(dir_.path(), "a,b"), "old,one.ico");
  previous.previousIconIndex = -2;
  previous.previousConfirmValue = "1,0";
  previous.previousInfoTip = "Old, dear, papers";
  previous.previousThumbnail = true;
  Confirm(docs, Pick("new,one.ico", -5, "Now, these", true), previous);

  const std::string stamp = StampOf(docs);
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, docs), stamp + ",new?one.ico,-5,Now, these,1");
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, docs + "," + stamp),
            Join(Join(dir_.path(), "a?b"), "old?one.ico") + ",-2,1?0,Old, dear, papers,1");
}

// A record is one line: a line break anywhere would turn the rest of the text into lines of
// their own, keys or even sections of the log.
TEST_F(ChangeLogTest, LineBreaksNeverSplitARecord) {
  const std::string docs = MakeTarget("Docs");
  folder::FolderSettings previous;
  previous.settingsFileExisted = true;
  previous.previousIconFile = "old\r\n[FolderOrg].ico";
  previous.previousConfirmValue = "0\nx=1";
  previous.previousInfoTip = "was\rhere";
  // The info tip as desktop.ini received it, its lines joined by a space.
  Confirm(docs, Pick("new\n[FolderLog]\nk=.ico", 1, "Line one\r\nLine two\nthree", false),
          previous);
  const std::string stamp = StampOf(docs);
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, docs),
            stamp + ",new?[FolderLog]?k=.ico,1,Line one Line two three,0");
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, docs + "," + stamp),
            "old?[FolderOrg].ico,0,0?x=1,was here,0");

  // A folder name with a line break (Linux allows one; the folder need not exist here).
  const std::string odd = Join(work_, "a\nb=c");
  WriteChangeLog(host_, paths_, odd, Join(odd, folder::kSettingsFileName), Pick("x.ico", 0),
                 uncustomised_);
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, Join(work_, "a?b?c,0x0")), "*,0,,,0");

  EXPECT_EQ(SectionRecords(LocalLog(), kFolderLogSection).size(), 1u);
  EXPECT_EQ(SectionRecords(LocalLog(), kFolderOrgSection).size(), 2u);
  const std::string bytes = test::ReadBytes(LocalLog()).value_or("");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 5);  // two headers, three records
}

// Multibyte characters go into the log byte for byte, whatever bytes they are made of. (In
// the Japanese code page no character ends in the byte of "=" or ",": second bytes start at
// 0x40. Characters ending in the byte of "\" are the ones that trip byte-wise scans there.)
TEST_F(ChangeLogTest, MultibyteCharactersStayWhole) {
  const std::string name = text::SystemText("表ソ＝，能");
  const std::string tip = text::SystemText("資料，表, ソ");
  const std::string docs = MakeTarget(name);
  folder::FolderSettings previous;
  previous.settingsFileExisted = true;
  previous.previousIconFile = name + ".ico";
  previous.previousConfirmValue = name;
  previous.previousInfoTip = tip;
  Confirm(docs, Pick(name + ".ico", 1, tip), previous);

  const std::string stamp = StampOf(docs);
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, docs),
            stamp + "," + name + ".ico,1," + tip + ",0");
  EXPECT_EQ(Lookup(LocalLog(), kFolderOrgSection, docs + "," + stamp),
            name + ".ico,0," + name + "," + tip + ",0");
}

TEST_F(ChangeLogTest, AnOriginalRecordTooLongForTheBufferStillCountsAsPresent) {
  const std::string docs = MakeTarget("Docs");
  const std::string key = docs + "," + StampOf(docs);
  const std::string longValue = std::string(300, 'o');
  ASSERT_TRUE(platform::WriteIniString(LocalLog(), kFolderOrgSection, key, longValue));
  Confirm(docs, Pick("blue.ico", 0), uncustomised_);
  EXPECT_EQ(SectionRecords(LocalLog(), kFolderOrgSection).at(key).value, longValue);

  // An empty one is no record: it is filled in.
  const std::string other = MakeTarget("Other");
  const std::string otherKey = other + "," + StampOf(other);
  ASSERT_TRUE(platform::WriteIniString(LocalLog(), kFolderOrgSection, otherKey, ""));
  Confirm(other, Pick("blue.ico", 0), uncustomised_);
  EXPECT_EQ(SectionRecords(LocalLog(), kFolderOrgSection).at(otherKey).value, "*,0,,,0");
}

// A network share the program and the folders can really be reached through: on Linux an
// SMB mount in a mount table of the test's own; under Wine the folder that Wine serves
// \\server\share names from.
class NetworkLogTest : public ChangeLogTest {
 protected:
  void SetUp() override {
    ChangeLogTest::SetUp();
#ifdef _WIN32
    const char* prefix = std::getenv("WINEPREFIX");
    if (!test::UnderWine() || !prefix) {
      GTEST_SKIP() << "plays the share through Wine's dosdevices\\unc folder";
    }
    server_ = std::string("zendrel-").append(std::to_string(GetCurrentProcessId()));
    std::string folder = test::HostPath(prefix);
    for (const std::string part : {"dosdevices", "unc", server_.c_str(), "share"}) {
      folder = Join(folder, part);
      ASSERT_TRUE(test::MakeFolder(folder)) << folder;
    }
    serverFolder_ = text::RemoveFileSpec(folder);
    share_ = folder;
    host_.drives[share_] = "\\\\" + server_ + "\\share";
#else
    server_ = "server";
    share_ = Join(dir_.path(), "share");
    ASSERT_TRUE(test::MakeFolder(share_));
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(share_.c_str(), resolved), nullptr);
    share_ = resolved;
    test::WriteBytes(dir_.File("mountinfo"),
                     "36 1 0:40 / / rw - ext4 /dev/sda1 rw\n"
                     "90 36 0:55 / " +
                         share_ + " rw - cifs //server/share rw\n");
    test::UseMountTable(dir_.File("mountinfo"));
    host_.platformNetworkNames = true;
#endif
    Install(share_);
    unc_ = "\\\\" + server_ + "\\share";
  }

  void TearDown() override {
#ifdef _WIN32
    std::error_code ec;
    if (!serverFolder_.empty()) std::filesystem::remove_all(serverFolder_, ec);
#else
    test::UseMountTable("");
#endif
  }

  std::string server_, serverFolder_, share_, unc_;
};

TEST_F(NetworkLogTest, NetworkFolderFromANetworkProgramGoesToTheSharedLog) {
  const std::string docs = MakeTarget("Docs");
  const std::string key = unc_ + "\\work\\Docs", stamp = StampOf(docs);
  ASSERT_EQ(paths_.GetModuleDirectory(), unc_ + "\\app\\");

  // No shared log folder configured: the program's own folder.
  Confirm(docs, Pick("blue.ico", 0), uncustomised_);
  const std::string besideProgram = Join(app_, config::kNetworkLogName);
  EXPECT_EQ(Lookup(besideProgram, kFolderLogSection, key), stamp + ",blue.ico,0,,0");
  EXPECT_EQ(Lookup(besideProgram, kFolderOrgSection, key + "," + stamp), "*,0,,,0");
  EXPECT_FALSE(test::Exists(LocalLog()));
  EXPECT_EQ(test::FolderEntries(app_),
            (std::vector<std::string>{"Zendrel.LAN.log", "Zendrel.exe"}));

  // A configured folder that exists on the share: the log goes there.
  const std::string logs = Join(share_, "logs");
  ASSERT_TRUE(test::MakeFolder(logs));
  Configure(config::kNetworkLogPath, unc_ + "\\logs");
  Confirm(docs, Pick("red.ico", 1), uncustomised_);
  EXPECT_EQ(Lookup(Join(logs, config::kNetworkLogName), kFolderLogSection, key),
            stamp + ",red.ico,1,,0");

  // One that only this machine has: the program's folder again.
  Configure(config::kNetworkLogPath, winDir_);
  Confirm(docs, Pick("green.ico", 2), uncustomised_);
  EXPECT_EQ(Lookup(besideProgram, kFolderLogSection, key), stamp + ",green.ico,2,,0");
  EXPECT_FALSE(test::Exists(LocalLog()));
}

TEST_F(NetworkLogTest, LocalFolderFromANetworkProgramGoesToTheLocalLog) {
  const std::string local = Join(dir_.path(), "Local");
  ASSERT_TRUE(test::MakeFolder(local));
  Confirm(local, Pick("blue.ico", 0), uncustomised_);
  EXPECT_EQ(Lookup(LocalLog(), kFolderLogSection, local), StampOf(local) + ",blue.ico,0,,0");
  EXPECT_FALSE(test::Exists(Join(app_, config::kNetworkLogName)));
}

// Windows and Linux users of one shared log write the same bytes for the same folder, so that
// their records of it meet: the Windows code page, 932 here, on both builds.
TEST_F(NetworkLogTest, TheSharedLogIsInTheWindowsCodePageOnEveryBuild) {
  const std::string docs = MakeTarget(text::SystemText("表ソ"));
  for (const char* icon : {"blue.ico", "red.ico"}) {
    Confirm(docs, Pick(icon, 0, text::SystemText("資料")), uncustomised_);
  }
  const std::string key = "\\\\" + server_ + "\\share\\work\\\x95\x5C\x83\x5C," + StampOf(docs);
  EXPECT_EQ(test::ReadBytes(Join(app_, config::kNetworkLogName)).value_or(""),
            "[FolderLog]\r\n" + key.substr(0, key.find(',')) + "=" + StampOf(docs) +
                ",red.ico,0,\x8E\x91\x97\xBF,0\r\n[FolderOrg]\r\n" + key + "=*,0,,,0\r\n");

#ifndef _WIN32
  // Linux: a character the code page cannot hold is '?', as Windows makes it, and the record
  // is found again under that name; another code page when the configuration names one; the
  // local log in UTF-8.
  const std::string cafe = MakeTarget("caf\xC3\xA9");
  const std::string gbk = MakeTarget("\xE4\xB8\xAD\xE6\x96\x87");  // 中文
  const std::string local = Join(dir_.path(), "\xE8\xA1\xA8");     // 表
  ASSERT_TRUE(test::MakeFolder(local));
  for (const char* icon : {"blue.ico", "red.ico"}) Confirm(cafe, Pick(icon, 0), uncustomised_);
  // Only a code page Windows uses as an ANSI code page is taken; anything else is 932.
  for (const char* other : {"0", "-1", "20932", "50220", "1200", "x"}) {
    Configure(config::kWindowsCodePage, other);
    EXPECT_EQ(paths_.GetWindowsCodePage(), 932u) << other;
  }
  Configure(config::kWindowsCodePage, "936");
  Confirm(gbk, Pick("blue.ico", 0), uncustomised_);
  Confirm(local, Pick("blue.ico", 0), uncustomised_);

  const auto origins = SectionRecords(Join(app_, config::kNetworkLogName), kFolderOrgSection);
  EXPECT_EQ(origins.count(unc_ + "\\work\\caf?," + StampOf(cafe)), 1u);
  EXPECT_EQ(origins.at(unc_ + "\\work\\caf?," + StampOf(cafe)).count, 1);
  EXPECT_EQ(origins.count(unc_ + "\\work\\\xD6\xD0\xCE\xC4," + StampOf(gbk)), 1u);
  EXPECT_EQ(origins.size(), 3u);
  EXPECT_EQ(SectionRecords(LocalLog(), kFolderOrgSection).count(local + "," + StampOf(local)), 1u);
#endif
}

}  // namespace
}  // namespace zendrel::log
