// The real Zendrel.exe customising real folders: each case starts it on a folder, works its
// chooser through the controls as a user would (select an item, tick the box, edit the info
// tip, OK or Cancel), and checks desktop.ini byte for byte, the attributes of the folder and
// of the file, Thumbs.db and the change log. The cases walk a folder through every state the
// program knows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "app/dialog_search_win32.h"
#include "support/temp_dir.h"

namespace {

using zendrel::test::ReadBytes;
using zendrel::test::TempDir;
using zendrel::test::WriteBytes;

constexpr char kThumbnailId[] = "{8BEBB290-52D0-11d0-B7F4-00C04FD706EC}";

// The chooser of a running Zendrel.exe, worked from this process.
class Chooser {
 public:
  Chooser(HWND dialog, HANDLE process) : dialog_(dialog), process_(process) {}

  // Selects list item `item` as a click would; the list view lives in the other process, so
  // its item record is placed there.
  void Select(int item) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    void* remote = VirtualAllocEx(process_, nullptr, sizeof state, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    WriteProcessMemory(process_, remote, &state, sizeof state, nullptr);
    SendMessageA(Control(1004), LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
  }
  void ClickThumbnail() { SendMessageA(Control(1008), BM_CLICK, 0, 0); }
  void SetInfoTip(const std::string& text) {
    SendMessageA(Control(1005), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void Ok() { PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
  void Cancel() { PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

 private:
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  HWND dialog_;
  HANDLE process_;
};

class CustomiseEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = dir_.File("app");
    icons_ = dir_.File("icons");
    logs_ = dir_.File("logs");
    for (const std::string& folder : {app_, icons_, logs_})
      CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(zendrel::test::HostPath(ZENDREL_EXE).c_str(), Exe().c_str(), FALSE));
    // Two icons of our own set, without its catalogue file: labelled by their file names.
    for (const char* name : {"folder-blue-cloud.ico", "folder-red-heart.ico"}) {
      const std::string from = zendrel::test::HostPath(ZENDREL_SHIPPED_ICONS) + "\\" + name;
      ASSERT_TRUE(CopyFileA(from.c_str(), (icons_ + "\\" + name).c_str(), FALSE)) << from;
    }
    const std::string config = app_ + "\\ZenConfig.ini";
    WritePrivateProfileStringA("ZendrelConfig", "DefaultIconPath", icons_.c_str(), config.c_str());
    WritePrivateProfileStringA("ZendrelConfig", "DefaultLogPath", logs_.c_str(), config.c_str());
  }

  std::string Exe() const { return app_ + "\\Zendrel.exe"; }
  std::string Log() const { return logs_ + "\\Zendrel.log"; }
  std::string Icon(const char* name) const { return icons_ + "\\" + name; }

  std::string NewFolder(const std::string& name) {
    const std::string path = dir_.File(name);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }

  // Starts Zendrel.exe on the folder, lets `user` work the chooser, and waits for the end.
  void Run(const std::string& folder, const std::function<void(Chooser&)>& user) {
    std::string commandLine = "\"";
    commandLine += Exe();
    commandLine += "\" ";
    commandLine += folder;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    if (HWND dialog = zendrel::test::WaitForDialog(process.dwProcessId, "Zendrel")) {
      Chooser chooser(dialog, process.hProcess);
      user(chooser);
    } else {
      ADD_FAILURE() << "no chooser appeared for " << folder;
      TerminateProcess(process.hProcess, 9);
    }
    EXPECT_EQ(zendrel::test::FinishProcess(process), 0u);
  }

  static DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
  // A folder's read-only, system and directory bits. Wine keeps no read-only bit on a folder
  // (Windows does, and Samba shows what the Linux build writes); there it is left out.
  static DWORD FolderBits(const std::string& folder) {
    const DWORD mask = zendrel::test::UnderWine() ? 0x14 : 0x15;
    return Attributes(folder) & mask;
  }
  static DWORD Expected(DWORD bits) { return bits & (zendrel::test::UnderWine() ? ~1u : ~0u); }
  static std::string Read(const std::string& file, const char* section, const char* key) {
    char value[260] = {};
    GetPrivateProfileStringA(section, key, "(none)", value, sizeof value, file.c_str());
    return value;
  }

  TempDir dir_;
  std::string app_, icons_, logs_;
};

TEST_F(CustomiseEndToEnd, AFolderThroughEveryState) {
  const std::string blue = Icon("folder-blue-cloud.ico"), red = Icon("folder-red-heart.ico");
  const std::string folder = NewFolder("First");
  const std::string ini = folder + "\\desktop.ini";

  // Never customised, a catalogue icon (item 1 after the standard entry).
  Run(folder, [](Chooser& c) {
    c.Select(1);
    c.Ok();
  });
  std::string expected = "[.ShellClassInfo]\r\nIconFile=";
  expected += blue;
  expected += "\r\nIconIndex=0\r\nConfirmFileOp=0\r\n";
  EXPECT_EQ(ReadBytes(ini).value_or("(missing)"), expected);
  EXPECT_EQ(FolderBits(folder), Expected(0x15));
  EXPECT_EQ(Attributes(ini) & 0x07, 0x02u);
  const std::string record = Read(Log(), "FolderLog", folder.c_str());
  EXPECT_EQ(record.substr(record.find(',')), ",folder-blue-cloud.ico,0,,0") << record;
  const std::string stamp = record.substr(0, record.find(','));
  EXPECT_EQ(Read(Log(), "FolderOrg", (folder + "," + stamp).c_str()), "*,0,,,0");

  // Cancel after working every control: nothing changes.
  const std::optional<std::string> iniBefore = ReadBytes(ini), logBefore = ReadBytes(Log());
  Run(folder, [](Chooser& c) {
    c.Select(3);
    c.ClickThumbnail();
    c.SetInfoTip("typed");
    c.Cancel();
  });
  EXPECT_EQ(ReadBytes(ini), iniBefore);
  EXPECT_EQ(ReadBytes(Log()), logBefore);
  EXPECT_EQ(FolderBits(folder), Expected(0x15));

  // Customised, the current-icon entry (item 0) with an info tip: the icon keys stay.
  Run(folder, [](Chooser& c) {
    c.SetInfoTip("Kept icon  ");
    c.Ok();
  });
  EXPECT_EQ(Read(ini, ".ShellClassInfo", "IconFile"), blue);
  EXPECT_EQ(Read(ini, ".ShellClassInfo", "InfoTip"), "Kept icon");

  // Customised, another catalogue icon (item 3: current, standard, blue, red).
  Run(folder, [](Chooser& c) {
    c.Select(3);
    c.SetInfoTip("");
    c.Ok();
  });
  EXPECT_EQ(Read(ini, ".ShellClassInfo", "IconFile"), red);
  EXPECT_EQ(Read(ini, ".ShellClassInfo", "InfoTip"), "(none)");
  EXPECT_EQ(FolderBits(folder), Expected(0x15));

  // The standard entry, no info tip, no thumbnails: the customisation goes, R and S with it.
  WriteBytes(folder + "\\Thumbs.db", "stale");
  Run(folder, [](Chooser& c) {
    c.Select(1);
    c.SetInfoTip("");
    c.Ok();
  });
  EXPECT_EQ(Attributes(ini), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FolderBits(folder), Expected(0x10));
  EXPECT_EQ(Attributes(folder + "\\Thumbs.db"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Read(Log(), "FolderLog", folder.c_str()), "(none)");
  EXPECT_EQ(Read(Log(), "FolderOrg", (folder + "," + stamp).c_str()), "*,0,,,0");

  // Uncustomised again: the standard entry, no tip, no thumbnails changes nothing.
  Run(folder, [](Chooser& c) { c.Ok(); });
  EXPECT_EQ(Attributes(ini), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FolderBits(folder), Expected(0x10));

  // The standard entry with an info tip and the thumbnail view: R only.
  Run(folder, [](Chooser& c) {
    c.ClickThumbnail();
    c.SetInfoTip("Project papers");
    c.Ok();
  });
  EXPECT_EQ(Read(ini, ".ShellClassInfo", "InfoTip"), "Project papers");
  EXPECT_EQ(Read(ini, ".ShellClassInfo", "ConfirmFileOp"), "0");
  EXPECT_EQ(Read(ini, "ExtShellFolderViews", kThumbnailId), kThumbnailId);
  EXPECT_EQ(Read(ini, kThumbnailId, "Attributes"), "0x60000000");
  EXPECT_EQ(FolderBits(folder), Expected(0x11));
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(CustomiseEndToEnd, OtherProgramsKeysKeepTheFile) {
  const std::string folder = NewFolder("Shared");
  const std::string ini = folder + "\\desktop.ini";
  std::string text = "[.ShellClassInfo]\r\nIconFile=";
  text += Icon("folder-blue-cloud.ico");
  text += "\r\nIconIndex=0\r\nConfirmFileOp=0\r\n[ViewState]\r\nMode=4\r\n";
  WriteBytes(ini, text);
  SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);

  Run(folder, [](Chooser& c) {
    c.Select(1);
    c.SetInfoTip("");
    c.Ok();
  });
  EXPECT_EQ(Read(ini, "ViewState", "Mode"), "4");
  EXPECT_EQ(Read(ini, ".ShellClassInfo", "IconFile"), "(none)");
  EXPECT_EQ(Read(ini, ".ShellClassInfo", "ConfirmFileOp"), "0");
  EXPECT_EQ(FolderBits(folder), Expected(0x15));
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
