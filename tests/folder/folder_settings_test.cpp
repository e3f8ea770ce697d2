#include "folder/folder_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "folder/folder_fixture.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace zendrel::folder {
namespace {

namespace fs = std::filesystem;
using test::IconImage;

const IconImage kStandard{32, 0xFFE0C040, 32};
const IconImage kGreen{32, 0xFF20C020, 32};
const IconImage kRed{32, 0xFFC02020, 32};
const IconImage kBlue{32, 0xFF2020C0, 32};

constexpr char kClassId[] = "{8BEBB290-52D0-11d0-B7F4-00C04FD706EC}";
constexpr char kLabel[] = "(current)";

// The colour of an image away from its transparent corner.
std::uint32_t Colour(const platform::IconPixels& pixels) {
  return pixels.empty() ? 0 : pixels[31 * 32 + 31];
}

class ReadSettings : public test::FolderTest {
 protected:
  ReadSettings() {
    test::WriteBytes(dir_.File("standard.ico"), test::MakeIco({kStandard}));
    standardIcon_ = platform::ExtractIcon(dir_.File("standard.ico"), 0);
    catalogue_ = Catalogue();
  }

  // A catalogue as the run sequence has it at this point: the standard entry alone.
  catalogue::IconCatalogue Catalogue() const {
    catalogue::IconCatalogue catalogue;
    catalogue.InsertFront(catalogue::kStandardIcon, 0, "(standard)", "", standardIcon_);
    return catalogue;
  }

  FolderSettings Read() { return Read(catalogue_, thumbnail_); }
  FolderSettings Read(catalogue::IconCatalogue& catalogue, bool& thumbnail) {
    return ReadFolderSettings(catalogue, thumbnail, folder_, prefix_, standardIcon_, kLabel);
  }

  // The entry a settings file puts in front, its image and the values read, for the file
  // holding `bytes`.
  struct Outcome {
    FolderSettings settings;
    std::string fileName;
    int iconIndex = 0;
    std::string infoTip;
    std::uint32_t colour = 0;
    platform::IconPixels pixels;
    bool thumbnail = false;
  };
  Outcome ReadFile(const std::string& bytes) {
    WriteSettings(bytes);
    catalogue::IconCatalogue catalogue = Catalogue();
    bool thumbnail = false;
    Outcome outcome;
    outcome.settings = Read(catalogue, thumbnail);
    EXPECT_EQ(catalogue.Count(), 2);
    outcome.fileName = catalogue.fileNames.front();
    outcome.iconIndex = catalogue.iconIndexes.front();
    outcome.infoTip = catalogue.infoTips.front();
    outcome.pixels = catalogue.imageList.Pixels(0);
    outcome.colour = Colour(outcome.pixels);
    outcome.thumbnail = thumbnail;
    return outcome;
  }

  static platform::IconPixels UnknownFolderPixels() {
    return platform::LoadProgramIcon(131).Pixels();
  }

  void ExpectNothingRead(const FolderSettings& s) {
    EXPECT_EQ(s.previousIconFile, "*");
    EXPECT_EQ(s.previousIconIndex, 0);
    EXPECT_EQ(s.previousInfoTip, "");
    EXPECT_EQ(s.previousConfirmValue, "");
    EXPECT_FALSE(s.previousThumbnail);
  }

  platform::Icon standardIcon_;
  catalogue::IconCatalogue catalogue_;
  bool thumbnail_ = false;
};

TEST_F(ReadSettings, FolderWithoutSettingsFileAddsNoEntry) {
  const FolderSettings s = Read();
  EXPECT_EQ(s.settingsFilePath, prefix_ + "desktop.ini");
  EXPECT_FALSE(s.settingsFileExisted);
  ExpectNothingRead(s);
  EXPECT_FALSE(thumbnail_);
  EXPECT_EQ(catalogue_.fileNames, std::vector<std::string>{"*"});
  EXPECT_EQ(catalogue_.Count(), 1);
}

TEST_F(ReadSettings, InfoTipAloneGivesAnEntryWithTheStandardIcon) {
  WriteSettings("[.ShellClassInfo]\r\nInfoTip=Holiday photos \t\r\n");
  const FolderSettings s = Read();
  EXPECT_TRUE(s.settingsFileExisted);
  EXPECT_EQ(s.previousIconFile, "*");
  EXPECT_EQ(s.previousIconIndex, 0);
  EXPECT_EQ(s.previousInfoTip, "Holiday photos");

  ASSERT_EQ(catalogue_.Count(), 2);
  EXPECT_EQ(catalogue_.fileNames, (std::vector<std::string>{"", "*"}));
  EXPECT_EQ(catalogue_.iconIndexes.front(), 0);
  EXPECT_EQ(catalogue_.labels.front(), kLabel);
  EXPECT_EQ(catalogue_.infoTips.front(), "Holiday photos");
  EXPECT_EQ(catalogue_.imageList.Pixels(0), standardIcon_.Pixels());
  EXPECT_FALSE(thumbnail_);
}

TEST_F(ReadSettings, BareNameIsFoundInTheFolderAndTheCurrentDirectoryStays) {
  test::WriteBytes(InFolder("here.ico"), test::MakeIco({kGreen}));
  // A file of the same name in the directory that is current must not be the one taken.
  test::WriteBytes(dir_.File("here.ico"), test::MakeIco({kRed}));
  fs::current_path(dir_.path());

  const Outcome o = ReadFile("[.ShellClassInfo]\r\nIconFile=here.ico\r\n");
  EXPECT_EQ(o.colour, kGreen.colour);
  EXPECT_EQ(o.fileName, "here.ico");
  EXPECT_EQ(o.settings.previousIconFile, "here.ico");
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir_.path()));
}

TEST_F(ReadSettings, RelativePathWrittenOnWindowsIsFoundInTheFolder) {
  ASSERT_TRUE(test::MakeFolder(InFolder("icons")));
  test::WriteBytes(text::AddTrailingSeparator(InFolder("icons")) + "sub.ico",
                   test::MakeIco({kBlue}));
  const Outcome o = ReadFile("[.ShellClassInfo]\r\nIconFile=icons\\sub.ico\r\n");
  EXPECT_EQ(o.colour, kBlue.colour);
  EXPECT_EQ(o.fileName, "sub.ico");
  EXPECT_EQ(o.settings.previousIconFile, "icons\\sub.ico");
}

TEST_F(ReadSettings, FullPathGivesTheIconAtTheIndexAndKeepsOnlyTheName) {
  ASSERT_TRUE(test::MakeFolder(dir_.File("lib")));
  const std::string library = text::AddTrailingSeparator(dir_.File("lib")) + "Animals.icl";
  test::WriteBytes(library, test::MakeIcl({{kRed}, {kGreen}, {kBlue}}));

  const Outcome o = ReadFile("[.ShellClassInfo]\r\nIconFile=" + library + "\r\nIconIndex=2\r\n");
  EXPECT_EQ(o.colour, kBlue.colour);
  EXPECT_EQ(o.fileName, "Animals.icl");
  EXPECT_EQ(o.iconIndex, 2);
  EXPECT_EQ(o.settings.previousIconFile, library);
  EXPECT_EQ(o.settings.previousIconIndex, 2);
}

TEST_F(ReadSettings, IconFileThatGivesNoIconShowsTheUnknownFolder) {
  ASSERT_FALSE(UnknownFolderPixels().empty());
  test::WriteBytes(InFolder("one.ico"), test::MakeIco({kGreen}));
  test::WriteBytes(InFolder("notes.txt"), "no icons in here\r\n");
  const struct {
    const char* settings;
    const char* fileName;
  } cases[] = {
      {"[.ShellClassInfo]\r\nIconFile=gone.ico\r\n", "gone.ico"},
      {"[.ShellClassInfo]\r\nIconFile=C:\\Icons\\gone.ico\r\nIconIndex=1\r\n", "gone.ico"},
      {"[.ShellClassInfo]\r\nIconFile=notes.txt\r\n", "notes.txt"},
      // Past the one icon of the file.
      {"[.ShellClassInfo]\r\nIconFile=one.ico\r\nIconIndex=3\r\n", "one.ico"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    const Outcome o = ReadFile(c.settings);
    EXPECT_EQ(o.pixels, UnknownFolderPixels());
    EXPECT_EQ(o.fileName, c.fileName);
  }
}

TEST_F(ReadSettings, BlanksAndQuotesAroundTheIconFileAreGone) {
  test::WriteBytes(InFolder("here.ico"), test::MakeIco({kGreen}));
  for (const char* value : {"  \"here.ico\"  ", "\t here.ico \t", "\"\f here.ico\v \""}) {
    SCOPED_TRACE(testing::PrintToString(std::string(value)));
    const Outcome o = ReadFile(std::string("[.ShellClassInfo]\r\nIconFile=") + value + "\r\n");
    EXPECT_EQ(o.fileName, "here.ico");
    EXPECT_EQ(o.settings.previousIconFile, "here.ico");
    EXPECT_EQ(o.colour, kGreen.colour);
  }
  // Nothing but blanks is no icon file.
  const Outcome blank = ReadFile("[.ShellClassInfo]\r\nIconFile= \" \f \" \r\n");
  EXPECT_EQ(blank.fileName, "");
  EXPECT_EQ(blank.settings.previousIconFile, "*");
  EXPECT_EQ(blank.colour, kStandard.colour);
}

TEST_F(ReadSettings, IndexInfoTipAndConfirmValueAreReadAsTheyStand) {
  const Outcome o = ReadFile(
      "[.ShellClassInfo]\r\nIconIndex=-3\r\nInfoTip= \" a tip\f \" \r\nConfirmFileOp= \"1 \" \r\n");
  EXPECT_EQ(o.settings.previousIconIndex, -3);
  EXPECT_EQ(o.iconIndex, -3);
  // Trailing blanks go, leading ones stay.
  EXPECT_EQ(o.settings.previousInfoTip, " a tip");
  EXPECT_EQ(o.infoTip, " a tip");
  // Exactly as the profile reader gives it.
  EXPECT_EQ(o.settings.previousConfirmValue, "1 ");

  const Outcome none = ReadFile("[.ShellClassInfo]\r\nIconIndex=\r\n[Other]\r\nInfoTip=x\r\n");
  EXPECT_EQ(none.settings.previousIconIndex, 0);
  EXPECT_EQ(none.settings.previousInfoTip, "");
  EXPECT_EQ(none.settings.previousConfirmValue, "");
}

TEST_F(ReadSettings, LongInfoTipIsCutTo259BytesThenTrimmed) {
  const Outcome cut = ReadFile("[.ShellClassInfo]\r\nInfoTip=" + std::string(300, 'a') + "\r\n");
  EXPECT_EQ(cut.settings.previousInfoTip, std::string(259, 'a'));
  EXPECT_EQ(cut.infoTip, std::string(259, 'a'));
  // The cut comes first: blanks that end up last are trimmed, the text after them is gone.
  const Outcome trimmed = ReadFile("[.ShellClassInfo]\r\nInfoTip=" + std::string(255, 'a') +
                                   std::string(10, ' ') + "b\r\n");
  EXPECT_EQ(trimmed.settings.previousInfoTip, std::string(255, 'a'));
}

TEST_F(ReadSettings, ThumbnailViewNeedsTheClassIdByteForByte) {
  const std::string id = kClassId;
  const struct {
    std::string settings;
    bool on;
  } cases[] = {
      {"[ExtShellFolderViews]\r\n" + id + "=" + id + "\r\n", true},
      // Names match in any case, and quotes go; the value itself must be spelt exactly.
      {"[extshellfolderviews]\r\n{8bebb290-52d0-11d0-b7f4-00c04fd706ec}= \"" + id + "\"\r\n", true},
      {"[ExtShellFolderViews]\r\n" + id + "={8bebb290-52d0-11d0-b7f4-00c04fd706ec}\r\n", false},
      {"[ExtShellFolderViews]\r\n" + id + "=" + id + "x\r\n", false},
      // The block that goes with the view plays no part in the reading.
      {"[" + id + "]\r\nMenuName=x\r\nToolTipText=\r\nHelpText=y\r\nAttributes=0\r\n", false},
      {"[" + id + "]\r\nAttributes=junk\r\n[ExtShellFolderViews]\r\n" + id + "=" + id + "\r\n",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    const Outcome o = ReadFile(c.settings);
    EXPECT_EQ(o.thumbnail, c.on);
    EXPECT_EQ(o.settings.previousThumbnail, c.on);
  }
}

TEST_F(ReadSettings, FilesAsWindowsWritesThem) {
  const std::string hyo(test::kHyo);
  test::WriteBytes(InFolder(hyo + ".ico"), test::MakeIco({kGreen}));

  // In the code page: on Windows the character's second byte is a backslash, which must not
  // split the name.
  const Outcome ansi =
      ReadFile("[.ShellClassInfo]\r\nIconFile=" + hyo + ".ico\r\nInfoTip=" + hyo + "\r\n");
  EXPECT_EQ(ansi.fileName, hyo + ".ico");
  EXPECT_EQ(ansi.colour, kGreen.colour);
  EXPECT_EQ(ansi.settings.previousInfoTip, hyo);

  // Unicode, as Windows programs write text the code page lacks.
  const Outcome unicode =
      ReadFile("\xFF\xFE" + test::Utf16Le("[.ShellClassInfo]\r\nIconFile=\xE8\xA1\xA8.ico\r\n"
                                          "InfoTip=\xE8\xA1\xA8\r\nConfirmFileOp=0\r\n"));
  EXPECT_EQ(unicode.fileName, hyo + ".ico");
  EXPECT_EQ(unicode.colour, kGreen.colour);
  EXPECT_EQ(unicode.settings.previousInfoTip, hyo);
  EXPECT_EQ(unicode.settings.previousConfirmValue, "0");

#ifndef _WIN32
  // Text no Japanese code page holds comes through whole on Linux.
  const Outcome accent =
      ReadFile("\xFF\xFE" + test::Utf16Le("[.ShellClassInfo]\r\nInfoTip=caf\xC3\xA9\r\n"));
  EXPECT_EQ(accent.settings.previousInfoTip, "caf\xC3\xA9");
#endif
}

// Whatever stands where desktop.ini should be, the reading neither fails nor invents values:
// the folder counts as having a settings file that holds nothing.
TEST_F(ReadSettings, FileThatIsNoSettingsFileReadsAsEmpty) {
  for (const std::string& bytes : test::NoSettingsFiles()) {
    const Outcome o = ReadFile(bytes);
    EXPECT_TRUE(o.settings.settingsFileExisted);
    ExpectNothingRead(o.settings);
    EXPECT_EQ(o.fileName, "");
    EXPECT_EQ(o.colour, kStandard.colour);
    EXPECT_FALSE(o.thumbnail);
  }
}

TEST_F(ReadSettings, UnreadableFileReadsAsEmpty) {
  WriteSettings("[.ShellClassInfo]\r\nIconFile=x.ico\r\nInfoTip=secret\r\n");
  test::Unreadable unreadable(settings_);
  const FolderSettings s = Read();
  EXPECT_TRUE(s.settingsFileExisted);
  ExpectNothingRead(s);
  EXPECT_EQ(catalogue_.fileNames, (std::vector<std::string>{"", "*"}));
  EXPECT_EQ(catalogue_.imageList.Pixels(0), standardIcon_.Pixels());
}

TEST_F(ReadSettings, FolderNamedLikeTheFileReadsAsEmpty) {
  ASSERT_TRUE(test::MakeFolder(settings_));
  const FolderSettings s = Read();
  EXPECT_TRUE(s.settingsFileExisted);
  ExpectNothingRead(s);
  EXPECT_EQ(catalogue_.fileNames, (std::vector<std::string>{"", "*"}));
}

#ifndef _WIN32
// A desktop.ini a Chinese Windows machine wrote: read in the code page the configuration
// names, not in the default Japanese one.
TEST_F(ReadSettings, FileFromAWindowsMachineIsReadInTheConfiguredCodePage) {
  WriteSettings("[.ShellClassInfo]\r\nInfoTip=\xD6\xD0\xCE\xC4\r\n");  // "中文" in GBK
  catalogue::IconCatalogue catalogue = Catalogue();
  bool thumbnail = false;
  const FolderSettings chinese = ReadFolderSettings(catalogue, thumbnail, folder_, prefix_,
                                                    standardIcon_, kLabel, platform::IniText{936});
  EXPECT_EQ(chinese.previousInfoTip, "中文");
  EXPECT_EQ(chinese.settingsText.windowsCodePage, 936u);
  EXPECT_NE(Read().previousInfoTip, "中文");
}

TEST_F(ReadSettings, UniversalNamesReachTheFolderAndTheIconThroughTheirMount) {
  const test::ServerShare share(dir_.path(), dir_.File("mountinfo"));
  ASSERT_TRUE(test::MakeFolder(dir_.File("lib")));
  test::WriteBytes(dir_.File("lib") + "/far.ico", test::MakeIco({kBlue}));
  test::WriteBytes(InFolder("near.ico"), test::MakeIco({kGreen}));

  const std::string unc = "\\\\server\\share\\Target";
  for (const auto& [iconFile, colour] :
       {std::pair<std::string, std::uint32_t>{"near.ico", kGreen.colour},
        {"\\\\server\\share\\lib\\far.ico", kBlue.colour}}) {
    WriteSettings("[.ShellClassInfo]\r\nIconFile=" + iconFile + "\r\nInfoTip=far away\r\n");
    catalogue::IconCatalogue catalogue = Catalogue();
    bool thumbnail = false;
    const FolderSettings s =
        ReadFolderSettings(catalogue, thumbnail, unc, unc + "\\", standardIcon_, kLabel);
    EXPECT_TRUE(s.settingsFileExisted);
    EXPECT_EQ(s.previousInfoTip, "far away");
    EXPECT_EQ(catalogue.fileNames.front(), iconFile.substr(iconFile.rfind('\\') + 1));
    EXPECT_EQ(Colour(catalogue.imageList.Pixels(0)), colour) << iconFile;
  }
}
#endif

}  // namespace
}  // namespace zendrel::folder
