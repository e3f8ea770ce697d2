// The chooser's window in the Linux build: the controls of the chooser's template as Qt
// widgets, reporting to the IconChooserDialog handlers and doing what they ask.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "platform/icons.h"
#include "ui/icon_chooser_dialog.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace zendrel::ui {

// A path that fits: unchanged when `fits` accepts it whole; otherwise whole components from the
// middle give way to "...", keeping the first named component and the last one and as many of
// their neighbours as fit, taken from the two ends in turn ("/home/user/.../deep/folder"). A
// last component too long on its own keeps its start and ends in "...".
std::string CompactPath(const std::string& path,
                        const std::function<bool(const std::string&)>& fits);

class ChooserDialogQt : public QDialog, public ChooserView {
 public:
  explicit ChooserDialogQt(IconChooserDialog& dialog, QWidget* owner = nullptr);
  ~ChooserDialogQt() override;

  // The dialog's initialisation: the handlers fill the controls and the list takes the focus.
  // The caller then runs it (exec) or shows it.
  void Initialise();
  // Whether the handlers ended the run, and with which code (kIdCancel until they do).
  bool Ended() const { return ended_; }
  int EndCode() const { return endCode_; }

  // The controls, by their ids' meaning.
  QListWidget* IconList() const { return list_; }
  QCheckBox* ThumbnailCheck() const { return check_; }
  QPlainTextEdit* InfoTipEdit() const { return edit_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QLabel* FolderLabel() const { return folder_; }
  QAction* AboutAction() const { return about_; }

  // OK and Cancel, however they come (buttons, Enter, Escape, the close box), go to the
  // handlers, which end the run.
  void accept() override;
  void reject() override;

  // ChooserView
  void AddAboutCommand(const std::string& text) override;
  void SetWindowIcon() override;
  void SetFolderLabel(const std::string& path) override;
  void AttachImageList(platform::ImageList& images) override;
  int ImageCount() const override;
  void InsertItem(int index, const std::string& label) override;
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

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Layout();
  void ReportSelection(int row, bool selected);

  IconChooserDialog& dialog_;
  platform::ImageList images_;
  QListWidget* list_;
  QCheckBox* check_;
  QPlainTextEdit* edit_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QLabel* folder_;
  QGroupBox* iconGroup_;
  QLabel* prompt_;
  QGroupBox* infoGroup_;
  QAction* about_ = nullptr;
  bool foregroundOnShow_ = false;
  bool ended_ = false;
  int endCode_ = kIdCancel;
};

}  // namespace zendrel::ui
