#include <windows.h>

// These need windows.h first.
#include <commctrl.h>
#include <shlwapi.h>

#include <optional>

#include "platform/win32/icons_win32.h"
#include "ui/icon_chooser_dialog.h"
#include "ui/win32/about_box_win32.h"
#include "ui/win32/chooser_dialog_win32.h"
#include "ui/win32/resource_ids.h"

namespace zendrel::ui {

Win32ChooserView::Win32ChooserView(HWND window)
    : window_(window),
      iconList_(GetDlgItem(window, kIdIconList)),
      appIcon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APPLICATION_ICON))) {}

void Win32ChooserView::AddAboutCommand(const std::string& text) {
  HMENU menu = GetSystemMenu(window_, FALSE);
  if (!menu || text.empty()) return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kAboutCommand, text.c_str());
}

void Win32ChooserView::SetWindowIcon() {
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon_));
  SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon_));
}

void Win32ChooserView::SetFolderLabel(const std::string& path) {
  PathSetDlgItemPathA(window_, kIdFolderLabel, path.c_str());
}

void Win32ChooserView::AttachImageList(platform::ImageList& images) {
  images_ = std::move(images);
  ShowIconsAt(WindowDpi(window_));
}

void Win32ChooserView::ShowIconsAt(unsigned dpi) {
  const int pixels = MulDiv(platform::kIconSize, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
  if (!iconList_ || pixels <= 0 || pixels == iconPixels_) return;
  HIMAGELIST sized = platform::ImageListAtSize(images_, pixels);
  if (!sized) return;
  iconPixels_ = pixels;
  // The list view owns the list it shows and destroys it with the window; the one it showed
  // before comes back to us.
  const auto before = reinterpret_cast<HIMAGELIST>(
      SendMessageA(iconList_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(sized)));
  if (before) ImageList_Destroy(before);
  // Back to the spacing that suits the new images, and the items laid out again by it.
  SendMessageA(iconList_, LVM_SETICONSPACING, 0, static_cast<LPARAM>(-1));
  SendMessageA(iconList_, LVM_ARRANGE, LVA_DEFAULT, 0);
}

int Win32ChooserView::ImageCount() const {
  const auto images =
      reinterpret_cast<HIMAGELIST>(SendMessageA(iconList_, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
  return images ? ImageList_GetImageCount(images) : 0;
}

void Win32ChooserView::InsertItem(int index, const std::string& label) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.pszText = const_cast<char*>(label.c_str());
  item.iImage = index;
  SendMessageA(iconList_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// Each insertion into a list that draws itself invalidates the item and updates the scroll
// bars; with thousands of items that costs more than the insertions.
void Win32ChooserView::BeginListFill() { SendMessageA(iconList_, WM_SETREDRAW, FALSE, 0); }

void Win32ChooserView::EndListFill() {
  SendMessageA(iconList_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(iconList_, nullptr, TRUE);
}

void Win32ChooserView::SelectFirstItem() {
  LVITEMA item = {};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(iconList_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
}

void Win32ChooserView::EnableControl(int id, bool enable) { EnableWindow(Control(id), enable); }

bool Win32ChooserView::IsThumbnailChecked() const {
  return SendMessageA(Control(kIdThumbnailCheck), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32ChooserView::SetThumbnailChecked(bool checked) {
  SendMessageA(Control(kIdThumbnailCheck), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string Win32ChooserView::InfoTipText() const {
  HWND edit = Control(kIdInfoTipEdit);
  const int length = GetWindowTextLengthA(edit);
  if (length <= 0) return {};
  // The length may be an upper bound for double-byte text; the copy tells the truth.
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(edit, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void Win32ChooserView::SetInfoTipText(const std::string& text) {
  SetWindowTextA(Control(kIdInfoTipEdit), text.c_str());
}

void Win32ChooserView::BringToForeground() { SetForegroundWindow(window_); }

void Win32ChooserView::RepaintAll() { InvalidateRect(window_, nullptr, TRUE); }

void Win32ChooserView::RunAboutBox() { ShowAboutBox(window_); }

void Win32ChooserView::EndDialog(int code) {
  ended_ = true;
  ::EndDialog(window_, code);
}

void Win32ChooserView::PaintMinimised() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const int cx = GetSystemMetrics(SM_CXICON);
  const int cy = GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(window_, &client);
  const int x = (client.right - client.left - cx + 1) / 2;
  const int y = (client.bottom - client.top - cy + 1) / 2;
  DrawIcon(dc, x, y, appIcon_);
  EndPaint(window_, &paint);
}

unsigned WindowDpi(HWND window) {
  // Windows 10 (1607) and later; older systems have one DPI for every screen.
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(window)) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<unsigned>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

void CentreDialog(HWND dialog) {
  RECT own;
  if (!GetWindowRect(dialog, &own)) return;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT area = monitor.rcWork;
  RECT around = area;
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  int x = around.left + (around.right - around.left - width) / 2;
  int y = around.top + (around.bottom - around.top - height) / 2;
  // Never partly off the screen, the caption least of all.
  if (x + width > area.right) x = area.right - width;
  if (y + height > area.bottom) y = area.bottom - height;
  if (x < area.left) x = area.left;
  if (y < area.top) y = area.top;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// What the dialog procedure needs of one modal run; it lives on DoModal's stack, so it
// outlasts the window.
struct ChooserRun {
  IconChooserDialog& dialog;
  std::optional<Win32ChooserView> view;
  bool inDefaultActivation = false;
};

INT_PTR Handled(HWND window) {
  SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
  return TRUE;
}

INT_PTR CALLBACK ChooserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    // The selection made while the dialog initialises notifies this procedure at once, so
    // the run must be reachable before the dialog logic starts.
    auto* run = reinterpret_cast<ChooserRun*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
    run->view.emplace(window);
    run->dialog.OnInitDialog(*run->view);
    CentreDialog(window);
    return TRUE;  // the focus goes to the first tab stop: the list
  }
  auto* run = reinterpret_cast<ChooserRun*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  // Nothing reaches the dialog logic before it has started, nor once the run has ended:
  // whatever the window still reports on its way out must not rewrite the results.
  if (!run || !run->view || run->view->Ended()) return FALSE;
  IconChooserDialog& dialog = run->dialog;
  Win32ChooserView& view = *run->view;

  switch (message) {
    case WM_SYSCOMMAND:
      if (!dialog.OnSysCommand(view, static_cast<unsigned>(wParam))) return FALSE;
      return Handled(window);
    case WM_PAINT:
      if (!IsIconic(window)) return FALSE;
      view.PaintMinimised();
      return Handled(window);
    case WM_QUERYDRAGICON:
      // One of the messages whose answer a dialog procedure returns directly.
      return reinterpret_cast<INT_PTR>(view.DragIcon());
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != static_cast<UINT_PTR>(kIdIconList) || header->code != LVN_ITEMCHANGED)
        return FALSE;
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
      dialog.OnItemChangedIconList(view, change->iItem, change->uNewState);
      return Handled(window);
    }
    case WM_COMMAND: {
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case kIdThumbnailCheck:
          dialog.OnThumbnailCheckClicked(view);
          return Handled(window);
        case kIdOk:
          dialog.OnOK(view);
          return Handled(window);
        case kIdCancel:
          dialog.OnCancel(view);
          return Handled(window);
        default:
          return FALSE;
      }
    }
    case WM_ACTIVATE:
      // The dialog manager's own activation work (saving and restoring the focus) comes
      // first; it calls this procedure again, which then declines.
      if (run->inDefaultActivation) return FALSE;
      run->inDefaultActivation = true;
      DefDlgProcA(window, message, wParam, lParam);
      run->inDefaultActivation = false;
      dialog.OnActivate(view, LOWORD(wParam) != WA_INACTIVE);
      return Handled(window);
    case WM_DPICHANGED: {
      // Moved to a screen of another DPI: the rectangle the system suggests there, and icons
      // drawn for that DPI. The dialog manager's own handling follows (FALSE), which scales
      // the controls and the font of a per-monitor v2 dialog; the list arranges its items
      // once that is done.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      if (suggested) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      }
      view.ShowIconsAt(HIWORD(wParam));
      PostMessageA(GetDlgItem(window, kIdIconList), LVM_ARRANGE, LVA_DEFAULT, 0);
      return FALSE;
    }
    case WM_DESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int DoModal(IconChooserDialog& dialog) {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_LISTVIEW_CLASSES;
  InitCommonControlsEx(&controls);
  ChooserRun run{dialog, std::nullopt};
  // No owner: the chooser is the program's main window. A dialog that cannot be made at all
  // counts as cancelled, so that nothing is written.
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CHOOSER),
                                         nullptr, ChooserProc, reinterpret_cast<LPARAM>(&run));
  return result == IDOK ? kIdOk : kIdCancel;
}

}  // namespace zendrel::ui
