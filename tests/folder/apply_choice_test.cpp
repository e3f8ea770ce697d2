#include "folder/apply_choice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "folder/file_status.h"
#include "folder/folder_fixture.h"
#include "platform/file_attributes.h"
#include "platform/profile.h"
#include "support/temp_dir.h"
#include "text/text.h"
#include "ui/strings.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zendrel::folder {
namespace {

using test::UnderWine;

constexpr std::uint8_t D = kDirectory, R = kReadOnly, H = kHidden, S = kSystem, A = kArchive;
const std::string kId = "{8BEBB290-52D0-11d0-B7F4-00C04FD706EC}";

class ApplyTest : public test::FolderTest {
 protected:
  // The chooser's entries: with a settings file the current-icon entry is at 0 and the
  // standard entry at 1; without one the standard entry is at 0.
  Choice CatalogueIcon(bool existed, std::string infoTip = "", bool thumbnail = false) const {
    return {existed ? 2 : 1, "blue.ico", 3, thumbnail, std::move(infoTip)};
  }
  Choice StandardIcon(bool existed, std::string infoTip = "", bool thumbnail = false) const {
    return {existed ? 1 : 0, "*", 0, thumbnail, std::move(infoTip)};
  }
  Choice CurrentIcon(std::string infoTip = "", bool thumbnail = false) const {
    return {0, "gone.ico", 5, thumbnail, std::move(infoTip)};
  }

  // What the reading at start-up found.
  FolderSettings Found() const {
    FolderSettings settings;
    settings.settingsFilePath = settings_;
    settings.settingsFileExisted = QueryStatus(settings_).has_value();
    return settings;
  }

  ApplyContext Context() const {
    ApplyContext context;
    context.targetFolder = folder_;
    context.folderPrefix = prefix_;
    context.iconDirectory = iconDirectory_;
    context.thumbnailMenuText = menuText_;
    context.thumbnailHelpText = helpText_;
    return context;
  }

  void Apply(const Choice& choice) { ApplyChoice(choice, Found(), Context()); }

  // The keys an icon of the catalogue writes.
  std::string IconKeys() const {
    return "IconFile=" + iconDirectory_ + "blue.ico\r\nIconIndex=3\r\n";
  }
  // The thumbnail view, as the program writes it.
  std::string ThumbnailBlock() const {
    return "[ExtShellFolderViews]\r\n" + kId + "=" + kId + "\r\n[" + kId +
           "]\r\nMenuName=" + menuText_ + "\r\nToolTipText=" + menuText_ +
           "\r\nHelpText=" + helpText_ + "\r\nAttributes=0x60000000\r\n";
  }

  void ExpectSettings(const std::string& text) {
    EXPECT_EQ(Settings(), test::SettingsFileBytes(text));
  }
  void ExpectNoSettings() { EXPECT_FALSE(test::Exists(settings_)) << Settings(); }

  // Back to a folder that was never customised.
  void Uncustomise() {
    platform::WriteAttributes(settings_, 0);
    std::remove(settings_.c_str());
    SetFolderAttributes(D);
  }

  void MakeThumbs() { test::WriteBytes(thumbs_, "thumbnails"); }

  const std::string iconDirectory_ = text::AddTrailingSeparator(dir_.File("icons"));
  const std::string menuText_ = text::SystemText(ZENDREL_TEXT_109);
  const std::string helpText_ = text::SystemText(ZENDREL_TEXT_110);
};

// --- the folder's states, and what one OK does to each ---

TEST_F(ApplyTest, NeverCustomisedFolderTakesACatalogueIcon) {
  MakeThumbs();
  Apply(CatalogueIcon(false));
  ExpectSettings("[.ShellClassInfo]\r\n" + IconKeys() + "ConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));
  EXPECT_EQ(SettingsFileAttributes(), A | H);
  EXPECT_FALSE(test::Exists(thumbs_));

  // With an info tip and the thumbnail view; Thumbs.db stays for the view.
  Uncustomise();
  MakeThumbs();
  Apply(CatalogueIcon(false, "Holiday photos", true));
  ExpectSettings("[.ShellClassInfo]\r\n" + IconKeys() +
                 "InfoTip=Holiday photos\r\nConfirmFileOp=0\r\n" + ThumbnailBlock());
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));
  EXPECT_EQ(SettingsFileAttributes(), A | H);
  EXPECT_TRUE(test::Exists(thumbs_));
}

TEST_F(ApplyTest, HiddenFolderTakesAnIconAsReadOnlyNotSystem) {
  SetFolderAttributes(D | H);
  Apply(CatalogueIcon(false));
  EXPECT_EQ(FolderAttributes(), AsKept(D | H | R));
  ExpectSettings("[.ShellClassInfo]\r\n" + IconKeys() + "ConfirmFileOp=0\r\n");
}

TEST_F(ApplyTest, SystemFolderTakesAnIconWithoutAnyChangeOrConfirmValue) {
  SetFolderAttributes(D | S);
  Apply(CatalogueIcon(false));
  EXPECT_EQ(FolderAttributes(), D | S);
  ExpectSettings("[.ShellClassInfo]\r\n" + IconKeys());
  EXPECT_EQ(SettingsFileAttributes(), A | H);
}

TEST_F(ApplyTest, NeverCustomisedFolderKeepsTheStandardIconWithoutAFile) {
  SetFolderAttributes(D | H);
  MakeThumbs();
  Apply(StandardIcon(false));
  ExpectNoSettings();
  EXPECT_EQ(FolderAttributes(), D | H);
  EXPECT_FALSE(test::Exists(thumbs_));
  // A missing Thumbs.db is no trouble either.
  Apply(StandardIcon(false));
  ExpectNoSettings();
}

TEST_F(ApplyTest, StandardIconWithInfoTipOrThumbnailsMakesTheFolderReadOnly) {
  Apply(StandardIcon(false, "notes"));
  ExpectSettings("[.ShellClassInfo]\r\nInfoTip=notes\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R));
  EXPECT_EQ(SettingsFileAttributes(), A | H);

  Uncustomise();
  Apply(StandardIcon(false, "", true));
  ExpectSettings(ThumbnailBlock() + "[.ShellClassInfo]\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R));
  EXPECT_EQ(SettingsFileAttributes(), A | H);
}

TEST_F(ApplyTest, ReadOnlyFolderTakesInfoTipAndThumbnailsWithoutAnyChange) {
  if (UnderWine()) GTEST_SKIP() << "Wine keeps no read-only bit on a folder";
  SetFolderAttributes(D | R);
  Apply(StandardIcon(false, "notes", true));
  ExpectSettings("[.ShellClassInfo]\r\nInfoTip=notes\r\n" + ThumbnailBlock());
  EXPECT_EQ(FolderAttributes(), D | R);
}

TEST_F(ApplyTest, CurrentIconEntryKeepsTheIconAndReplacesTipAndThumbnails) {
  // The icon file is long gone (the entry showed the unknown-folder icon); it stays all the
  // same, and the folder's attributes are not touched for it.
  const std::string icon = "[.ShellClassInfo]\r\nIconFile=C:\\Icons\\gone.ico\r\nIconIndex=5\r\n";
  WriteSettings(icon + "ConfirmFileOp=0\r\nInfoTip=old\r\n" + ThumbnailBlock());
  SetFolderAttributes(D | R | S);
  ASSERT_TRUE(WriteAttributeByte(settings_, A | H | S));
  MakeThumbs();

  Apply(CurrentIcon("new"));
  ExpectSettings(icon + "InfoTip=new\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));
  EXPECT_EQ(SettingsFileAttributes(), A | H | S);
  EXPECT_FALSE(test::Exists(thumbs_));

  // The info tip cleared in the dialog goes; the thumbnail view comes back.
  Apply(CurrentIcon("", true));
  ExpectSettings(icon + "ConfirmFileOp=0\r\n" + ThumbnailBlock());
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));
}

TEST_F(ApplyTest, CurrentIconEntryAddsTheConfirmValueOnlyWhenTheFolderBecomesReadOnly) {
  const std::string icon = "[.ShellClassInfo]\r\nIconFile=a.ico\r\n";
  WriteSettings(icon);
  SetFolderAttributes(D | S);
  Apply(CurrentIcon("tip"));
  ExpectSettings(icon + "InfoTip=tip\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));

  if (UnderWine()) return;  // the folder cannot stay read-only there
  WriteSettings(icon);
  Apply(CurrentIcon("tip"));
  ExpectSettings(icon + "InfoTip=tip\r\n");
}

TEST_F(ApplyTest, AnotherCatalogueIconReplacesTheIconKeysOnly) {
  WriteSettings("[.ShellClassInfo]\r\nIconFile=old.ico\r\nIconIndex=1\r\nOwner=someone\r\n");
  SetFolderAttributes(D | R | S);
  Apply(CatalogueIcon(true));
  ExpectSettings("[.ShellClassInfo]\r\nIconFile=" + iconDirectory_ +
                 "blue.ico\r\nIconIndex=3\r\nOwner=someone\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));
}

TEST_F(ApplyTest, LastKeysGoneRemovesTheCustomisation) {
  WriteSettings(
      "[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=2\r\nInfoTip=t\r\n"
      "ConfirmFileOp=0\r\n" +
      ThumbnailBlock());
  SetFolderAttributes(D | R | S | H);
  MakeThumbs();
  Apply(StandardIcon(true));
  ExpectNoSettings();
  EXPECT_EQ(FolderAttributes(), D | H);
  EXPECT_FALSE(test::Exists(thumbs_));
}

TEST_F(ApplyTest, KeysOfOthersKeepTheFileAndTheAttributes) {
  // Another key in the program's section: the confirm value is written back after it.
  WriteSettings(
      "[.ShellClassInfo]\r\nConfirmFileOp=0\r\nIconFile=a.ico\r\nIconIndex=0\r\n"
      "Owner=someone\r\n");
  SetFolderAttributes(D | R | S);
  Apply(StandardIcon(true));
  ExpectSettings("[.ShellClassInfo]\r\nOwner=someone\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));

  // Another section (the shell's own): the program's section goes, then comes back for the
  // confirm value.
  WriteSettings(
      "[ViewState]\r\nMode=\r\n[.ShellClassInfo]\r\nIconFile=a.ico\r\nInfoTip=t\r\n"
      "ConfirmFileOp=0\r\n");
  Apply(StandardIcon(true));
  ExpectSettings("[ViewState]\r\nMode=\r\n[.ShellClassInfo]\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));

  // A confirm value of the user's is never deleted, so the file stays as it was.
  const std::string own = "[.ShellClassInfo]\r\nConfirmFileOp=1\r\n";
  WriteSettings(own + "IconFile=a.ico\r\n");
  Apply(StandardIcon(true));
  ExpectSettings(own);
  EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));
}

TEST_F(ApplyTest, RemovedCustomisationIsLikeNone) {
  // R and S that the folder had before the program ever ran go with the customisation.
  SetFolderAttributes(D | R | S);
  Apply(CatalogueIcon(false));
  ExpectSettings("[.ShellClassInfo]\r\n" + IconKeys());
  Apply(StandardIcon(true));
  ExpectNoSettings();
  EXPECT_EQ(FolderAttributes(), D);

  Apply(StandardIcon(false, "tip"));
  ExpectSettings("[.ShellClassInfo]\r\nInfoTip=tip\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), AsKept(D | R));
}

// --- the rest of one application ---

TEST_F(ApplyTest, ThumbnailsOffKeepsOtherViews) {
  const std::string other = "{00000000-1111-2222-3333-444444444444}";
  WriteSettings("[.ShellClassInfo]\r\nIconFile=a.ico\r\n[ExtShellFolderViews]\r\n" + other + "=" +
                other + "\r\n" + kId + "=" + kId + "\r\n[" + kId + "]\r\nMenuName=x\r\n");
  Apply(CurrentIcon());
  ExpectSettings("[.ShellClassInfo]\r\nIconFile=a.ico\r\n[ExtShellFolderViews]\r\n" + other + "=" +
                 other + "\r\n");
}

TEST_F(ApplyTest, InfoTipOnSeveralLinesIsWrittenOnOne) {
  Apply(StandardIcon(false, "first\r\n[Evil]\r\nk=v\nlast\rend"));
  ExpectSettings("[.ShellClassInfo]\r\nInfoTip=first [Evil] k=v last end\r\nConfirmFileOp=0\r\n");
}

TEST_F(ApplyTest, IconIndexIsWrittenAsSignedDecimal) {
  Choice choice = CatalogueIcon(false);
  choice.iconIndex = -7;
  Apply(choice);
  ExpectSettings("[.ShellClassInfo]\r\nIconFile=" + iconDirectory_ +
                 "blue.ico\r\nIconIndex=-7\r\nConfirmFileOp=0\r\n");
}

TEST_F(ApplyTest, InfoTipOutsideAsciiIsWrittenSoWindowsReadsIt) {
  const std::string tip = std::string(test::kHyo) + " \\";
  Apply(StandardIcon(false, tip));
  // Windows writes its code page; Linux writes UTF-16LE.
  ExpectSettings("[.ShellClassInfo]\r\nInfoTip=" + tip + "\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(platform::ReadIniString(settings_, ".ShellClassInfo", "InfoTip", ""), tip);
}

TEST_F(ApplyTest, ChangeLogSeesTheFolderWritten) {
  MakeThumbs();
  std::vector<std::string> seen;
  ApplyContext context = Context();
  context.recordChange = [&] {
    seen.push_back(Settings());
    seen.push_back(std::to_string(SettingsFileAttributes()));
    seen.push_back(std::to_string(FolderAttributes()));
    seen.push_back(test::Exists(thumbs_) ? "thumbs" : "no thumbs");
    return true;
  };
  ApplyChoice(CatalogueIcon(false), Found(), context);
  EXPECT_EQ(
      seen,
      (std::vector<std::string>{
          test::SettingsFileBytes("[.ShellClassInfo]\r\n" + IconKeys() + "ConfirmFileOp=0\r\n"),
          std::to_string(A | H), std::to_string(AsKept(D | R | S)), "no thumbs"}));
}

TEST_F(ApplyTest, RemovedFileIsDeletedAgainAfterTheLogOnlyOnThe9xFamily) {
  for (const std::uint32_t platformId : {1u, 2u}) {
    SCOPED_TRACE(platformId);
    WriteSettings("[.ShellClassInfo]\r\nIconFile=a.ico\r\nConfirmFileOp=0\r\n");
    SetFolderAttributes(D | R | S);
    ApplyContext context = Context();
    context.platformId = platformId;
    // What a system that keeps profile writes in memory may do: the file comes back while
    // the log is written.
    bool existedAtLog = true;
    context.recordChange = [&] {
      existedAtLog = test::Exists(settings_);
      test::WriteBytes(settings_, "[.ShellClassInfo]\r\n");
      return true;
    };
    ApplyChoice(StandardIcon(true), Found(), context);
    EXPECT_FALSE(existedAtLog);
    EXPECT_EQ(test::Exists(settings_), platformId == 2);
    EXPECT_EQ(FolderAttributes(), D);
    platform::WriteAttributes(settings_, 0);
    std::remove(settings_.c_str());
  }

  // A file that stays is never deleted twice.
  WriteSettings("[.ShellClassInfo]\r\nIconFile=a.ico\r\n");
  ApplyContext context = Context();
  context.platformId = 1;
  ApplyChoice(CurrentIcon("tip"), Found(), context);
  EXPECT_TRUE(test::Exists(settings_));
}

// --- whatever stands where desktop.ini should be ---

// A file the program may neither read nor write is left alone, and the refusal is reported
// rather than logged as a change.
TEST_F(ApplyTest, UnwritableFileIsNeitherDeletedNorChangedNorLogged) {
  const std::string bytes = "[.ShellClassInfo]\r\nIconFile=a.ico\r\nInfoTip=secret\r\n";
  WriteSettings(bytes);
  SetFolderAttributes(D | R | S);
  for (const Choice& choice : {StandardIcon(true), CatalogueIcon(true, "tip", true)}) {
    const FolderSettings found = Found();
    bool logged = false;
    ApplyContext context = Context();
    context.recordChange = [&] {
      logged = true;
      return true;
    };
    ApplyResult result;
    {
      test::Unreadable unreadable(settings_);
      result = ApplyChoice(choice, found, context);
    }
    EXPECT_TRUE(result.settingsFileFailed);
    EXPECT_FALSE(logged);
    EXPECT_EQ(Settings(), bytes);
    EXPECT_EQ(FolderAttributes(), AsKept(D | R | S));
  }
}

TEST_F(ApplyTest, FolderNamedLikeTheFileStaysAFolder) {
  ASSERT_TRUE(test::MakeFolder(settings_));
  Apply(StandardIcon(true));
  Apply(CatalogueIcon(true, "tip", true));
  EXPECT_TRUE(QueryStatus(settings_).has_value());
  EXPECT_TRUE(QueryStatus(settings_)->attributes & D);
}

TEST_F(ApplyTest, BinaryAndHugeFilesKeepTheirBytes) {
  for (const std::string& bytes : test::NoSettingsFiles()) {
    WriteSettings(bytes);
    Apply(CatalogueIcon(true, "tip"));
    const std::string after = Settings();
    // Wine rebuilds the file from what it parsed; Windows and our engine keep every line the
    // write does not change.
    if (!UnderWine()) {
      EXPECT_EQ(after.substr(0, bytes.size()), bytes);
    }
    EXPECT_EQ(platform::ReadIniString(settings_, ".ShellClassInfo", "InfoTip", ""), "tip");
  }
}

#ifndef _WIN32
TEST_F(ApplyTest, LinkedSettingsFileIsNeverWrittenThrough) {
  const std::string shared = dir_.File("shared.ini");
  const std::string bytes = "[.ShellClassInfo]\r\nIconFile=a.ico\r\nConfirmFileOp=0\r\n";
  test::WriteBytes(shared, bytes);
  ASSERT_EQ(symlink(shared.c_str(), settings_.c_str()), 0);
  const std::optional<std::uint32_t> before = platform::ReadAttributes(shared);

  EXPECT_TRUE(ApplyChoice(CatalogueIcon(true, "tip", true), Found(), Context()).settingsFileFailed);
  EXPECT_TRUE(ApplyChoice(StandardIcon(true), Found(), Context()).settingsFileFailed);
  EXPECT_EQ(test::ReadBytes(shared), bytes);
  // Nor are its attributes: the hidden bit is not set on the file behind the link.
  EXPECT_EQ(platform::ReadAttributes(shared), before);
  struct stat status;
  ASSERT_EQ(lstat(settings_.c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));

  // A link to a file that lists nothing is not an emptied desktop.ini: it stays.
  test::WriteBytes(shared, "");
  Apply(StandardIcon(true));
  ASSERT_EQ(lstat(settings_.c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
}

// A folder that takes no new file and no attribute (its owner's permissions, the program
// without the rights to pass them): the settings file is still rewritten where it is, the
// refused attributes are reported, and the change, which happened, is logged.
TEST_F(ApplyTest, RefusedFolderAttributesAreReportedAndTheWrittenFileLogged) {
  WriteSettings("[.ShellClassInfo]\r\nInfoTip=old\r\n");
  bool logged = false;
  ApplyContext context = Context();
  context.recordChange = [&] {
    logged = true;
    return true;
  };
  const FolderSettings found = Found();
  ApplyResult result;
  {
    test::Unreadable locked(folder_, 0555);
    result = ApplyChoice(CatalogueIcon(true, "new"), found, context);
  }
  EXPECT_FALSE(result.settingsFileFailed);
  EXPECT_TRUE(result.attributesFailed);
  EXPECT_TRUE(logged);
  EXPECT_EQ(platform::ReadIniString(settings_, ".ShellClassInfo", "InfoTip", ""), "new");
  EXPECT_EQ(FolderAttributes(), D);
}

TEST_F(ApplyTest, UniversalNamesReachTheFolderThroughItsMount) {
  const test::ServerShare share(dir_.path(), dir_.File("mountinfo"));

  MakeThumbs();
  const std::string unc = "\\\\server\\share\\Target";
  FolderSettings settings;
  settings.settingsFilePath = unc + "\\desktop.ini";
  ApplyContext context = Context();
  context.targetFolder = unc;
  context.folderPrefix = unc + "\\";
  ApplyChoice(CatalogueIcon(false, "tip"), settings, context);
  ExpectSettings("[.ShellClassInfo]\r\n" + IconKeys() + "InfoTip=tip\r\nConfirmFileOp=0\r\n");
  EXPECT_EQ(FolderAttributes(), D | R | S);
  EXPECT_EQ(SettingsFileAttributes(), A | H);
  EXPECT_FALSE(test::Exists(thumbs_));

  settings.settingsFileExisted = true;
  ApplyChoice(StandardIcon(true), settings, context);
  ExpectNoSettings();
  EXPECT_EQ(FolderAttributes(), D);
}
#endif

}  // namespace
}  // namespace zendrel::folder
