// Opens the real chooser with a real icon catalogue and holds it still for a screenshot;
// scripts/screenshot-windows runs it under Wine on an X server.
//
//   chooser_screenshot.exe chooser|about ICON_DIRECTORY READY_FILE DONE_FILE
//
// Once the dialog asked for ("chooser", or "about" for the About box over the chooser) is
// shown and painted, the window's screen rectangle "x y width height" is written to
// READY_FILE; when DONE_FILE appears, every dialog is closed and the program ends.
#include <windows.h>

// These need windows.h first.
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "catalogue/icon_catalogue.h"
#include "platform/icons.h"
#include "text/text.h"
#include "ui/icon_chooser_dialog.h"
#include "ui/strings.h"

namespace {

using zendrel::text::SystemText;

struct Session {
  bool about = false;
  std::string readyFile, doneFile;
  HWND chooser = nullptr;
  int ticks = 0;
  bool ready = false;
};
Session g_session;

constexpr int kTickMs = 100;
constexpr int kSettleTicks = 10;  // shown and painted for a second before the shot
constexpr int kGiveUpTicks = 60 * 1000 / kTickMs;

BOOL CALLBACK FindChooser(HWND window, LPARAM) {
  if (GetDlgItem(window, zendrel::ui::kIdIconList)) g_session.chooser = window;
  return g_session.chooser == nullptr;
}

BOOL CALLBACK FindOwned(HWND window, LPARAM found) {
  if (GetWindow(window, GW_OWNER) != g_session.chooser) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HWND AboutBox() {
  HWND about = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindOwned, reinterpret_cast<LPARAM>(&about));
  return about;
}

void WriteReady(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  if (FILE* out = std::fopen(g_session.readyFile.c_str(), "wb")) {
    std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fclose(out);
  }
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Session& s = g_session;
  ++s.ticks;
  if (!s.chooser) EnumThreadWindows(GetCurrentThreadId(), FindChooser, 0);
  if (!s.chooser) return;
  const bool done = GetFileAttributesA(s.doneFile.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (done || s.ticks > kGiveUpTicks) {
    if (HWND about = AboutBox()) EndDialog(about, IDCANCEL);
    EndDialog(s.chooser, IDCANCEL);
    return;
  }
  if (s.ticks == 2) {
    // An entry with an info tip of its own, so that the edit box shows text.
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(GetDlgItem(s.chooser, zendrel::ui::kIdIconList), LVM_SETITEMSTATE, 1,
                 reinterpret_cast<LPARAM>(&item));
    if (s.about) PostMessageA(s.chooser, WM_SYSCOMMAND, zendrel::ui::kAboutCommand, 0);
  }
  if (s.ready || s.ticks < 2 + kSettleTicks) return;
  HWND target = s.about ? AboutBox() : s.chooser;
  if (!target || !IsWindowVisible(target)) return;
  WriteReady(target);
  s.ready = true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s chooser|about ICON_DIRECTORY READY_FILE DONE_FILE\n", argv[0]);
    return 2;
  }
  g_session.about = std::string(argv[1]) == "about";
  g_session.readyFile = argv[3];
  g_session.doneFile = argv[4];

  zendrel::ui::IconChooserDialog dialog;
  dialog.targetFolder = SystemText("C:\\Users\\Public\\Pictures\\2024 夏の旅行");
  if (!dialog.catalogue.Load(argv[2])) {
    std::fprintf(stderr, "no icons in %s\n", argv[2]);
    return 1;
  }
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  const std::string shell = std::string(system) + "\\shell32.dll";
  dialog.catalogue.InsertFront(zendrel::catalogue::kStandardIcon, 0, SystemText(ZENDREL_TEXT_112),
                               "", zendrel::platform::ExtractIcon(shell, 3));
  const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, Tick);
  zendrel::ui::DoModal(dialog);
  KillTimer(nullptr, timer);
  return g_session.ready ? 0 : 1;
}
