#include "ui/win32/about_box_win32.h"

#include "ui/win32/chooser_dialog_win32.h"
#include "ui/win32/resource_ids.h"

namespace zendrel::ui {

namespace {

// The box has nothing to do but end: OK and Enter give IDOK; Escape and the close box, which
// the dialog manager turns into IDCANCEL, give IDCANCEL.
INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    CentreDialog(window);
    return TRUE;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(window, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int ShowAboutBox(HWND owner) {
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX),
                                         owner, AboutProc, 0);
  return result == IDOK ? IDOK : IDCANCEL;
}

}  // namespace zendrel::ui
