// The chooser's window on Windows: the dialog procedure over the chooser template and the
// view that carries out the dialog logic's requests on the real controls.
#pragma once

#include <windows.h>

#include "ui/icon_chooser_dialog.h"

namespace zendrel::ui {

// The ChooserView over one dialog window; it lives as long as the window.
class Win32ChooserView final : public ChooserView {
 public:
  explicit Win32ChooserView(HWND window);

  void AddAboutCommand(const std::string& text) override;
  void SetWindowIcon() override;
  void SetFolderLabel(const std::string& path) override;
  void AttachImageList(platform::ImageList& images) override;
  int ImageCount() const override;
  void InsertItem(int index, const std::string& label) override;
  void BeginListFill() override;
  void EndListFill() override;
  void SelectFirstItem() override;
  void EnableControl(int id, bool enable) override;
  bool IsThumbnailChecked() const override;
  void SetThumbnailChecked(bool checked) override;
  std::string InfoTipText() const override;
  void SetInfoTipText(const std::string& text) override;
  void BringToForeground() override;
  void RepaintAll() override;
  void RunAboutBox() override;
  void EndDialog(int code) override;

  // What only Windows draws: the application icon in place of the minimised window, and
  // as the image dragged with it.
  void PaintMinimised();
  HICON DragIcon() const { return appIcon_; }
  // True once the run has been ended; the window is then on its way out.
  bool Ended() const { return ended_; }

  // Shows the icons at the size that suits `dpi`: 32 pixels at 96 DPI, 48 at 144, 64 at 192.
  void ShowIconsAt(unsigned dpi);

 private:
  HWND Control(int id) const { return GetDlgItem(window_, id); }

  HWND window_;
  // Asked for once: finding a control by its id lists all the window's children, which
  // under Wine is a round trip to the server, and the list is asked for per item.
  HWND iconList_;
  // The catalogue's images with their sources: the list view shows a copy at its DPI's size,
  // made again from these when the window moves to a screen of another DPI.
  platform::ImageList images_;
  int iconPixels_ = 0;
  HICON appIcon_;  // a shared resource icon: never destroyed
  bool ended_ = false;
};

// The DPI a window is drawn at: its monitor's for a program aware of each monitor's DPI,
// else the system's.
unsigned WindowDpi(HWND window);

// Places a dialog in the middle of its owner, or of the work area when it has none.
void CentreDialog(HWND dialog);

}  // namespace zendrel::ui
