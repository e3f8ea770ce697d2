// The real chooser dialog, run modally with DoModal and driven from a timer on the same
// thread, as the dialog manager would pass a user's actions: what the controls show, which
// messages reach the dialog logic, and the results it keeps after the run.
#include <windows.h>

// These need windows.h first.
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/icon_catalogue.h"
#include "platform/icons.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "support/top_down_dib.h"
#include "text/text.h"
#include "ui/icon_chooser_dialog.h"
#include "ui/strings.h"
#include "ui/win32/chooser_dialog_win32.h"
#include "ui/win32/resource_ids.h"

namespace zendrel::ui {
namespace {

using text::SystemText;

// ---------------------------------------------------------------------------------------
// Driving a modal dialog from inside its own message loop.

using Step = std::function<void(HWND chooser)>;

struct Script {
  std::vector<Step> steps;
  std::size_t next = 0;
  int idleTicks = 0;
  HWND chooser = nullptr;
};
Script* g_script = nullptr;

// A window of this thread: the dialog whose owner is `owner`, or with no owner the one that
// holds the icon list.
struct Search {
  HWND owner;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32770") return TRUE;
  const bool match = search->owner ? GetWindow(window, GW_OWNER) == search->owner
                                   : GetDlgItem(window, kIdIconList) != nullptr;
  if (!match) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindDialog(HWND owner) {
  Search search = {owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindChooser() { return FindDialog(nullptr); }
HWND FindAboutBox(HWND chooser) { return FindDialog(chooser); }

// Each tick runs the next step; a step that opens a nested modal box (the About box) is
// still running while the following step runs inside that box's loop. When the steps are
// done the dialog must end by itself; if it does not, the test fails and the run is ended.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Script* script = g_script;
  if (!script) return;
  if (!script->chooser) script->chooser = FindChooser();
  if (!script->chooser) return;
  if (script->next < script->steps.size()) {
    const Step& step = script->steps[script->next++];
    step(script->chooser);
    return;
  }
  if (++script->idleTicks < 100) return;
  ADD_FAILURE() << "the dialog is still open after the last step";
  if (HWND about = FindAboutBox(script->chooser)) EndDialog(about, IDCANCEL);
  EndDialog(script->chooser, IDCANCEL);
}

int RunDialog(IconChooserDialog& dialog, std::vector<Step> steps) {
  Script script;
  script.steps = std::move(steps);
  g_script = &script;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
  const int result = DoModal(dialog);
  KillTimer(nullptr, timer);
  g_script = nullptr;
  EXPECT_EQ(script.next, script.steps.size()) << "the dialog ended before the last step";
  return result;
}

// ---------------------------------------------------------------------------------------
// Reading and working the controls.

HWND Item(HWND chooser, int id) { return GetDlgItem(chooser, id); }

std::string Text(HWND window) {
  char buffer[1024] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

int ItemCount(HWND chooser) {
  return static_cast<int>(SendMessageA(Item(chooser, kIdIconList), LVM_GETITEMCOUNT, 0, 0));
}

std::string ItemLabel(HWND chooser, int index) {
  char buffer[260] = {};
  LVITEMA item = {};
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  SendMessageA(Item(chooser, kIdIconList), LVM_GETITEMTEXTA, index,
               reinterpret_cast<LPARAM>(&item));
  return buffer;
}

UINT ItemState(HWND chooser, int index) {
  return static_cast<UINT>(SendMessageA(Item(chooser, kIdIconList), LVM_GETITEMSTATE, index,
                                        LVIS_SELECTED | LVIS_FOCUSED));
}

// Selects one item as a click would; -1 takes the selection from every item, as a click on
// empty space does.
void Select(HWND chooser, int index) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = index < 0 ? 0 : LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(Item(chooser, kIdIconList), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&item));
}

bool Checked(HWND chooser) {
  return SendMessageA(Item(chooser, kIdThumbnailCheck), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND chooser, int id) { SendMessageA(Item(chooser, id), BM_CLICK, 0, 0); }

void Type(HWND chooser, const std::string& text) {
  SendMessageA(Item(chooser, kIdInfoTipEdit), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(text.c_str()));
}

// A key as the user presses it: posted, so that the dialog manager sees it in the loop.
void PressKey(HWND target, WORD key) {
  PostMessageA(target, WM_KEYDOWN, key, 1);
  PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

// Whether the check box, the edit box and OK are all enabled (1), all disabled (0), or
// mixed (-1).
int ChoiceControlsEnabled(HWND chooser) {
  const bool check = IsWindowEnabled(Item(chooser, kIdThumbnailCheck));
  const bool edit = IsWindowEnabled(Item(chooser, kIdInfoTipEdit));
  const bool ok = IsWindowEnabled(Item(chooser, kIdOk));
  if (check && edit && ok) return 1;
  if (!check && !edit && !ok) return 0;
  return -1;
}

// ---------------------------------------------------------------------------------------
// The dialog as the run sequence fills it: the standard entry first, then two icons.

const std::string kStandardLabel = SystemText("（標準）");
const std::string kBlueLabel = SystemText("青いフォルダ");
const std::string kBlueTip = SystemText("写真とスキャン");
const std::string kWorkLabel = "Work";
const std::string kWorkTip = "Notes";

void Fill(IconChooserDialog& dialog, bool thumbnailView) {
  dialog.targetFolder = "C:\\Data\\Photos";
  dialog.thumbnailView = thumbnailView;
  catalogue::IconCatalogue& entries = dialog.catalogue;
  const platform::Icon app = platform::LoadProgramIcon(IDI_APPLICATION_ICON);
  const platform::Icon unknown = platform::LoadProgramIcon(IDI_UNKNOWN_FOLDER);
  ASSERT_TRUE(app);
  ASSERT_TRUE(unknown);
  entries.InsertFront("work.ico", 0, kWorkLabel, kWorkTip, unknown);
  entries.InsertFront("blue.icl", 3, kBlueLabel, kBlueTip, app);
  entries.InsertFront(catalogue::kStandardIcon, 0, kStandardLabel, "", unknown);
  ASSERT_EQ(entries.Count(), 3);
}

constexpr int kStandard = 0, kBlue = 1, kWork = 2;

TEST(ChooserWindow, OpensWithTheCatalogueListedAndTheFirstItemSelected) {
  IconChooserDialog dialog;
  Fill(dialog, /*thumbnailView=*/true);
  const int result =
      RunDialog(dialog, {[](HWND chooser) {
                  EXPECT_EQ(Text(chooser), "Zendrel");
                  ASSERT_EQ(ItemCount(chooser), 3);
                  EXPECT_EQ(ItemLabel(chooser, kStandard), kStandardLabel);
                  EXPECT_EQ(ItemLabel(chooser, kBlue), kBlueLabel);
                  EXPECT_EQ(ItemLabel(chooser, kWork), kWorkLabel);
                  EXPECT_EQ(ItemState(chooser, 0), UINT{LVIS_SELECTED | LVIS_FOCUSED});
                  EXPECT_EQ(ItemState(chooser, 1), 0u);
                  // The standard entry clears the box, but the starting state wins.
                  EXPECT_TRUE(Checked(chooser));
                  EXPECT_EQ(Text(Item(chooser, kIdInfoTipEdit)), "");
                  EXPECT_EQ(ChoiceControlsEnabled(chooser), 1);
                  EXPECT_EQ(GetFocus(), Item(chooser, kIdIconList));
                  EXPECT_EQ(Text(Item(chooser, kIdFolderLabel)), "C:\\Data\\Photos");
                  Click(chooser, kIdCancel);
                }});
  EXPECT_EQ(result, kIdCancel);
  EXPECT_EQ(dialog.selectedIndex, -1);
  EXPECT_EQ(dialog.infoTipText, "");
  // The list view took the image list over and destroyed it with the window.
  EXPECT_EQ(dialog.catalogue.Count(), 0);
}

// The selection made while the dialog opens reaches the logic like any other: OK at once
// confirms entry 0 with its info tip.
TEST(ChooserWindow, OkRightAwayConfirmsTheFirstEntry) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  dialog.catalogue.InsertFront("current.ico", 0, SystemText("現在のアイコン"), "Mine",
                               platform::LoadProgramIcon(IDI_APPLICATION_ICON));
  const int result = RunDialog(dialog, {[](HWND chooser) {
                                 EXPECT_EQ(Text(Item(chooser, kIdInfoTipEdit)), "Mine");
                                 PressKey(Item(chooser, kIdIconList), VK_RETURN);
                               }});
  EXPECT_EQ(result, kIdOk);
  EXPECT_EQ(dialog.selectedIndex, 0);
  EXPECT_EQ(dialog.infoTipText, "Mine");
}

TEST(ChooserWindow, ListViewOwnsTheCataloguesImages) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  RunDialog(dialog, {[](HWND chooser) {
              HWND list = Item(chooser, kIdIconList);
              const auto images = reinterpret_cast<HIMAGELIST>(
                  SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
              ASSERT_NE(images, nullptr);
              EXPECT_EQ(ImageList_GetImageCount(images), 3);
              EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_SHAREIMAGELISTS, 0);
              LVITEMA item = {};
              item.mask = LVIF_IMAGE;
              item.iItem = kWork;
              SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
              EXPECT_EQ(item.iImage, kWork);
              Click(chooser, kIdCancel);
            }});
}

// The list is filled without drawing itself, and draws itself again once it is filled: a
// selection made afterwards has its items drawn anew.
TEST(ChooserWindow, TheFilledListDrawsWhatChangesInIt) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  RunDialog(dialog, {[](HWND chooser) {
              HWND list = Item(chooser, kIdIconList);
              ValidateRect(list, nullptr);
              Select(chooser, kWork);
              RECT stale = {};
              EXPECT_TRUE(GetUpdateRect(list, &stale, FALSE));
              RECT item = {};
              item.left = LVIR_BOUNDS;
              SendMessageA(list, LVM_GETITEMRECT, kWork, reinterpret_cast<LPARAM>(&item));
              RECT both = {};
              EXPECT_TRUE(IntersectRect(&both, &stale, &item));
              Click(chooser, kIdCancel);
            }});
}

TEST(ChooserWindow, WindowIconsSystemMenuAndDragIconAreTheApplications) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  RunDialog(
      dialog, {[](HWND chooser) {
        const HICON app = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(chooser, WM_GETICON, ICON_BIG, 0)), app);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(chooser, WM_GETICON, ICON_SMALL, 0)), app);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(chooser, WM_QUERYDRAGICON, 0, 0)), app);

        // The About command closes the system menu, after a separator.
        HMENU menu = GetSystemMenu(chooser, FALSE);
        ASSERT_NE(menu, nullptr);
        const int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_EQ(GetMenuItemID(menu, count - 1), kAboutCommand);
        EXPECT_TRUE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        char label[128] = {};
        GetMenuStringA(menu, kAboutCommand, label, sizeof label, MF_BYCOMMAND);
        EXPECT_EQ(std::string(label), SystemText(ZENDREL_TEXT_101));
        Click(chooser, kIdCancel);
      }});
}

TEST(ChooserWindow, LongTargetFolderIsShortenedInTheLabelOnly) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  std::string longPath = "C:\\";
  for (int i = 0; i < 12; ++i) longPath += SystemText("写真のフォルダ") + "\\";
  longPath += "last";
  dialog.targetFolder = longPath;
  RunDialog(dialog, {[&](HWND chooser) {
              const std::string shown = Text(Item(chooser, kIdFolderLabel));
              EXPECT_LT(shown.size(), longPath.size());
              EXPECT_NE(shown.find("..."), std::string::npos) << shown;
              Click(chooser, kIdCancel);
            }});
  EXPECT_EQ(dialog.targetFolder, longPath);
}

TEST(ChooserWindow, SelectionFillsAndEnablesAndOkKeepsTheChoice) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  const int result = RunDialog(dialog, {[](HWND chooser) {
                                          Select(chooser, kBlue);
                                          EXPECT_EQ(ItemState(chooser, kStandard), 0u);
                                          EXPECT_EQ(Text(Item(chooser, kIdInfoTipEdit)), kBlueTip);
                                          EXPECT_EQ(ChoiceControlsEnabled(chooser), 1);
                                          Type(chooser, "typed");
                                          // A click on empty space: everything disabled, the typed
                                          // text kept.
                                          Select(chooser, -1);
                                          EXPECT_EQ(ChoiceControlsEnabled(chooser), 0);
                                          EXPECT_EQ(Text(Item(chooser, kIdInfoTipEdit)), "typed");
                                          Select(chooser, kWork);
                                          EXPECT_EQ(ChoiceControlsEnabled(chooser), 1);
                                          EXPECT_EQ(Text(Item(chooser, kIdInfoTipEdit)), kWorkTip);
                                          Click(chooser, kIdThumbnailCheck);
                                          EXPECT_TRUE(Checked(chooser));
                                          Type(chooser, SystemText("  旅行\r\nの写真 \t \r\n"));
                                        },
                                        [](HWND chooser) { Click(chooser, kIdOk); }});
  EXPECT_EQ(result, kIdOk);
  EXPECT_EQ(dialog.selectedIndex, kWork);
  EXPECT_TRUE(dialog.thumbnailView);
  EXPECT_EQ(dialog.infoTipText, SystemText("  旅行\r\nの写真"));
}

TEST(ChooserWindow, CancelForgetsTheChoiceButKeepsTheLastClick) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  const int result = RunDialog(dialog, {[](HWND chooser) {
                                 Select(chooser, kBlue);
                                 Click(chooser, kIdThumbnailCheck);
                                 Type(chooser, "typed");
                                 Click(chooser, kIdCancel);
                                 // The window lives on until the loop ends; what it
                                 // reports meanwhile must not undo the cancel.
                                 Select(chooser, kWork);
                                 Click(chooser, kIdThumbnailCheck);
                               }});
  EXPECT_EQ(result, kIdCancel);
  EXPECT_EQ(dialog.selectedIndex, -1);
  EXPECT_EQ(dialog.infoTipText, "");
  EXPECT_TRUE(dialog.thumbnailView);
}

TEST(ChooserWindow, KeysAndTheCloseBoxEndTheRunAsTheDialogManagerPassesThem) {
  struct Case {
    const char* what;
    Step act;
    int expected;
  };
  const Case cases[] = {
      {"Enter in the edit box is OK",
       [](HWND chooser) {
         SetFocus(Item(chooser, kIdInfoTipEdit));
         PressKey(Item(chooser, kIdInfoTipEdit), VK_RETURN);
       },
       kIdOk},
      {"Enter on the list is OK",
       [](HWND chooser) { PressKey(Item(chooser, kIdIconList), VK_RETURN); }, kIdOk},
      {"Escape is Cancel", [](HWND chooser) { PressKey(Item(chooser, kIdIconList), VK_ESCAPE); },
       kIdCancel},
      {"the close box is Cancel",
       [](HWND chooser) { PostMessageA(chooser, WM_SYSCOMMAND, SC_CLOSE, 0); }, kIdCancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IconChooserDialog dialog;
    Fill(dialog, false);
    const int result = RunDialog(dialog, {[](HWND chooser) { Select(chooser, kBlue); }, c.act});
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(dialog.selectedIndex, c.expected == kIdOk ? kBlue : -1);
    EXPECT_EQ(dialog.infoTipText, c.expected == kIdOk ? kBlueTip : "");
  }
}

TEST(ChooserWindow, EnterDoesNothingWhileNoItemIsSelected) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  const int result = RunDialog(dialog, {[](HWND chooser) {
                                          Select(chooser, -1);
                                          PressKey(Item(chooser, kIdIconList), VK_RETURN);
                                        },
                                        [](HWND chooser) {
                                          EXPECT_TRUE(IsWindowVisible(chooser)) << "Enter ended it";
                                          Click(chooser, kIdCancel);
                                        }});
  EXPECT_EQ(result, kIdCancel);
}

// Only LVN_ITEMCHANGED from the list and BN_CLICKED from the check box reach the logic.
TEST(ChooserWindow, NotificationsFromOtherControlsOrOfOtherKindsAreIgnored) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  const int result = RunDialog(
      dialog, {[](HWND chooser) {
        NMLISTVIEW change = {};
        change.hdr.hwndFrom = Item(chooser, kIdInfoTipEdit);
        change.hdr.idFrom = kIdInfoTipEdit;
        change.hdr.code = LVN_ITEMCHANGED;
        change.iItem = kWork;
        change.uNewState = LVIS_SELECTED;
        SendMessageA(chooser, WM_NOTIFY, kIdInfoTipEdit, reinterpret_cast<LPARAM>(&change));
        change.hdr.hwndFrom = Item(chooser, kIdIconList);
        change.hdr.idFrom = kIdIconList;
        change.hdr.code = LVN_ITEMCHANGING;
        SendMessageA(chooser, WM_NOTIFY, kIdIconList, reinterpret_cast<LPARAM>(&change));
        EXPECT_EQ(Text(Item(chooser, kIdInfoTipEdit)), "") << "the notification was taken";

        // Checked without a notification, then told of it by the wrong code and the
        // wrong control: the preference stays clear.
        SendMessageA(Item(chooser, kIdThumbnailCheck), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(kIdThumbnailCheck, BN_DOUBLECLICKED),
                     reinterpret_cast<LPARAM>(Item(chooser, kIdThumbnailCheck)));
        SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(kIdInfoTipEdit, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Item(chooser, kIdInfoTipEdit)));
        Click(chooser, kIdCancel);
      }});
  EXPECT_EQ(result, kIdCancel);
  EXPECT_FALSE(dialog.thumbnailView);
}

TEST(ChooserWindow, AboutCommandsOpenTheOwnedAboutBoxAndLeaveTheChooserAsItWas) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  int aboutBoxesSeen = 0;
  // Checks the About box open over the chooser, then closes it with `close`.
  auto inAboutBox = [&](std::function<void(HWND about)> close) -> Step {
    return [&aboutBoxesSeen, close](HWND chooser) {
      HWND about = FindAboutBox(chooser);
      ASSERT_NE(about, nullptr) << "no About box";
      ++aboutBoxesSeen;
      EXPECT_EQ(Text(about), SystemText("Zendrel のバージョン情報"));
      EXPECT_FALSE(IsWindowEnabled(chooser)) << "the chooser takes input under the box";
      close(about);
    };
  };
  auto openAbout = [](WPARAM command) -> Step {
    return [command](HWND chooser) {
      // Returns once the box has been closed by the steps that run inside it.
      SendMessageA(chooser, WM_SYSCOMMAND, command, 0);
      EXPECT_EQ(FindAboutBox(chooser), nullptr);
      EXPECT_TRUE(IsWindowEnabled(chooser));
    };
  };
  const int result = RunDialog(
      dialog, {[](HWND chooser) {
                 Select(chooser, kBlue);
                 Click(chooser, kIdThumbnailCheck);
                 Type(chooser, "typed");
               },
               openAbout(0x0010), inAboutBox([](HWND about) {
                 SendMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
               }),
               openAbout(0x001F),
               inAboutBox([](HWND about) { PressKey(GetDlgItem(about, IDOK), VK_ESCAPE); }),
               openAbout(0x0013),
               inAboutBox([](HWND about) { PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0); }),
               [](HWND chooser) {
                 // Not the About command: nothing opens, so the send returns at once.
                 SendMessageA(chooser, WM_SYSCOMMAND, 0x0020, 0);
                 EXPECT_EQ(FindAboutBox(chooser), nullptr);
                 EXPECT_EQ(ItemState(chooser, kBlue), UINT{LVIS_SELECTED | LVIS_FOCUSED});
                 EXPECT_TRUE(Checked(chooser));
                 EXPECT_EQ(Text(Item(chooser, kIdInfoTipEdit)), "typed");
                 Click(chooser, kIdOk);
               }});
  EXPECT_EQ(aboutBoxesSeen, 3);
  EXPECT_EQ(result, kIdOk);
  EXPECT_EQ(dialog.selectedIndex, kBlue);
  EXPECT_EQ(dialog.infoTipText, "typed");
}

// On the 9x family each activation repaints the whole dialog; on the NT family it does not.
TEST(ChooserWindow, ActivationRepaintsEverythingOnlyOnThe9xFamily) {
  for (const std::uint32_t platformId : {1u, 2u}) {
    SCOPED_TRACE(platformId);
    IconChooserDialog dialog(platformId);
    Fill(dialog, false);
    RunDialog(dialog, {[platformId](HWND chooser) {
                RECT pending;
                ValidateRect(chooser, nullptr);
                SendMessageA(chooser, WM_ACTIVATE, WA_INACTIVE, 0);
                EXPECT_FALSE(GetUpdateRect(chooser, &pending, FALSE)) << "on deactivation";
                SendMessageA(chooser, WM_ACTIVATE, WA_ACTIVE, 0);
                EXPECT_EQ(GetUpdateRect(chooser, &pending, FALSE) != FALSE, platformId != 2);
                Click(chooser, kIdCancel);
              }});
  }
}

// The minimised dialog paints the application icon over an icon background of its own.
HHOOK g_hook = nullptr;
std::vector<std::pair<HWND, WPARAM>> g_iconErases;

LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && message->message == WM_ICONERASEBKGND)
    g_iconErases.emplace_back(message->hwnd, message->wParam);
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST(ChooserWindow, MinimisedDialogPaintsItsIconAndTheRestoredOneDoesNot) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  g_iconErases.clear();
  g_hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchMessages, nullptr, GetCurrentThreadId());
  ASSERT_NE(g_hook, nullptr);
  RunDialog(dialog, {[](HWND chooser) {
              ShowWindow(chooser, SW_MINIMIZE);
              ASSERT_TRUE(IsIconic(chooser));
              // A minimised window has no client area left to invalidate; the message itself
              // is what the dialog answers.
              g_iconErases.clear();
              SendMessageA(chooser, WM_PAINT, 0, 0);
              ASSERT_FALSE(g_iconErases.empty());
              EXPECT_EQ(g_iconErases.front().first, chooser);
              EXPECT_NE(g_iconErases.front().second, 0u) << "no device context";

              ShowWindow(chooser, SW_RESTORE);
              g_iconErases.clear();
              SendMessageA(chooser, WM_PAINT, 0, 0);
              EXPECT_TRUE(g_iconErases.empty());
              Click(chooser, kIdCancel);
            }});
  UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
}

// ---------------------------------------------------------------------------------------
// What the program's manifest brings to the running chooser.

TEST(ChooserWindow, TheListIsACommonControls6ListView) {
  IconChooserDialog dialog;
  Fill(dialog, false);
  RunDialog(dialog, {[](HWND chooser) {
              ASSERT_NE(Item(chooser, kIdIconList), nullptr);
              // The comctl32 the program runs with: the side-by-side version 6 the manifest asks
              // for, not the system folder's 5.8.
              const HMODULE controls = GetModuleHandleA("comctl32.dll");
              ASSERT_NE(controls, nullptr);
              char path[MAX_PATH] = {};
              ASSERT_GT(GetModuleFileNameA(controls, path, MAX_PATH), 0u);
              std::string lower(path);
              for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
              EXPECT_NE(lower.find("\\winsxs\\"), std::string::npos) << path;
              EXPECT_NE(lower.find("common-controls_6595b64144ccf1df_6.0."), std::string::npos)
                  << path;
              const auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
                  reinterpret_cast<void*>(GetProcAddress(controls, "DllGetVersion")));
              ASSERT_NE(getVersion, nullptr);
              DLLVERSIONINFO version = {};
              version.cbSize = sizeof version;
              ASSERT_EQ(getVersion(&version), S_OK);
              // Wine's side-by-side comctl32 is the same library as its 5.8 and reports 5;
              // Windows' reports 6.
              if (!test::UnderWine()) {
                EXPECT_EQ(version.dwMajorVersion, 6u);
              }
              Click(chooser, kIdCancel);
            }});
}

// The colour (0xRRGGBB) in the middle of one image of a list, drawn on black.
std::uint32_t MiddleColour(HIMAGELIST images, int slot) {
  int width = 0, height = 0;
  if (!ImageList_GetIconSize(images, &width, &height) || width <= 0 || height <= 0) return 0;
  test::TopDownDib header(width, height, 32);
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, header.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  std::uint32_t colour = 0;
  if (bitmap && bits) {
    HGDIOBJ before = SelectObject(dc, bitmap);
    std::memset(bits, 0, static_cast<std::size_t>(width) * height * 4);
    ImageList_Draw(images, slot, dc, 0, 0, ILD_NORMAL);
    GdiFlush();
    colour = static_cast<const std::uint32_t*>(bits)[(height / 2) * width + width / 2] & 0xFFFFFF;
    SelectObject(dc, before);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(dc);
  return colour;
}

HIMAGELIST ListImages(HWND chooser) {
  return reinterpret_cast<HIMAGELIST>(
      SendMessageA(Item(chooser, kIdIconList), LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
}

int IconPixels(HWND chooser) {
  int width = 0, height = 0;
  ImageList_GetIconSize(ListImages(chooser), &width, &height);
  return width == height ? width : -1;
}

// A move to a screen of another DPI, as Windows reports it: the new DPI and the window's
// rectangle there.
void MoveToDpi(HWND chooser, unsigned dpi) {
  RECT rect;
  GetWindowRect(chooser, &rect);
  SendMessageA(chooser, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
}

// The list's icons follow the dialog's DPI, each taken from the image of its file that suits
// the size. Under Wine the system DPI is the prefix's LogPixels: the test suite runs this
// program a second time in a prefix of its own at 192 DPI, and says so in
// ZENDREL_EXPECTED_DPI.
TEST(ChooserWindow, IconsFollowTheDialogsDpi) {
  test::TempDir dir;
  // One colour per image size, so that the image shown tells which one was taken.
  constexpr std::uint32_t k32 = 0x2060C0, k48 = 0xC02020, k64 = 0x20A040;
  const std::string file = dir.File("sizes.ico");
  test::WriteBytes(file, test::MakeIco({{16, 0xFF000000 | 0x808080, 32},
                                        {32, 0xFF000000 | k32, 32},
                                        {48, 0xFF000000 | k48, 32},
                                        {64, 0xFF000000 | k64, 32}}));
  IconChooserDialog dialog;
  Fill(dialog, false);
  dialog.catalogue.InsertFront(file, 0, "sizes", "", platform::ExtractIcon(file, 0));
  ASSERT_EQ(dialog.catalogue.Count(), 4);
  const char* expected = std::getenv("ZENDREL_EXPECTED_DPI");
  const auto colourAt = [&](int pixels) { return pixels == 64 ? k64 : pixels == 48 ? k48 : k32; };

  RunDialog(dialog, {[&](HWND chooser) {
                       const unsigned dpi = WindowDpi(chooser);
                       if (expected) {
                         EXPECT_EQ(dpi, std::strtoul(expected, nullptr, 10));
                       }
                       const int pixels = MulDiv(32, static_cast<int>(dpi), 96);
                       EXPECT_EQ(IconPixels(chooser), pixels);
                       EXPECT_EQ(ImageList_GetImageCount(ListImages(chooser)), 4);
                       EXPECT_EQ(MiddleColour(ListImages(chooser), 0), colourAt(pixels));
                     },
                     [&](HWND chooser) {
                       for (const unsigned dpi : {144u, 192u, 96u}) {
                         SCOPED_TRACE(dpi);
                         MoveToDpi(chooser, dpi);
                         const int pixels = MulDiv(32, static_cast<int>(dpi), 96);
                         ASSERT_EQ(IconPixels(chooser), pixels);
                         EXPECT_EQ(ImageList_GetImageCount(ListImages(chooser)), 4);
                         // Seen under Wine: on a screen of a higher system DPI its icon
                         // extraction takes the image for that DPI and scales it down for a
                         // smaller window; Windows takes the image of the size asked for.
                         const bool wineScalesDown = test::UnderWine() && expected &&
                                                     dpi < std::strtoul(expected, nullptr, 10);
                         if (!wineScalesDown) {
                           EXPECT_EQ(MiddleColour(ListImages(chooser), 0), colourAt(pixels));
                         }
                         // No slot is left empty: the program's own icons come along.
                         EXPECT_NE(MiddleColour(ListImages(chooser), 1), 0u);
                       }
                       Click(chooser, kIdCancel);
                     }});
}

}  // namespace
}  // namespace zendrel::ui
