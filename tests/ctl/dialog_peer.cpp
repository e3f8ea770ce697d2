// The dialog program's own run for one folder, with the user's clicks played on the chooser's
// handlers instead of a window: the reference that zendrelctl's `set` must equal.
// Usage: dialog_peer FOLDER ENTRY INDEX TIP THUMBNAIL
//   ENTRY: a file name of the icon folder, "*" for the standard icon, "." for the current one
//   TIP: the text typed into the info tip box, or "." to leave the entry's own tip
//   THUMBNAIL: on, off, or "." to leave the check box as the entry shows it
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/folder_icon_app.h"
#include "platform/host.h"
#include "text/text.h"

namespace {

using namespace zendrel;

class PrintedBoxes final : public ui::MessageBoxes {
 public:
  ui::Answer Show(const std::string&, int textId, ui::MessageKind) override {
    std::fprintf(stderr, "dialog_peer: message %d\n", textId);
    return ui::Answer::kOk;
  }
};

// A window that does what the handlers ask, as the list view, check box and edit do.
class PlayedView final : public ui::ChooserView {
 public:
  explicit PlayedView(ui::IconChooserDialog& dialog) : dialog_(dialog) {}
  void AddAboutCommand(const std::string&) override {}
  void SetWindowIcon() override {}
  void SetFolderLabel(const std::string&) override {}
  void AttachImageList(platform::ImageList& list) override { images_ = std::move(list); }
  int ImageCount() const override { return images_.Count(); }
  void InsertItem(int, const std::string&) override {}
  void SelectFirstItem() override {
    selected_ = 0;
    dialog_.OnItemChangedIconList(*this, 0, 0x3);
  }
  void EnableControl(int, bool) override {}
  bool IsThumbnailChecked() const override { return checked_; }
  void SetThumbnailChecked(bool value) override { checked_ = value; }
  std::string InfoTipText() const override { return edit_; }
  void SetInfoTipText(const std::string& text) override { edit_ = text; }
  void BringToForeground() override {}
  void RepaintAll() override {}
  void RunAboutBox() override {}
  void EndDialog(int code) override { endCode = code; }

  void Click(int item) {
    if (item == selected_) return;
    dialog_.OnItemChangedIconList(*this, selected_, 0);
    selected_ = item;
    dialog_.OnItemChangedIconList(*this, item, ui::kListItemSelected);
  }
  void SetCheckBox(bool value) {
    if (checked_ == value) return;
    checked_ = value;
    dialog_.OnThumbnailCheckClicked(*this);
  }
  void Type(const std::string& text) { edit_ = text; }
  void PressOk() { dialog_.OnOK(*this); }

  int endCode = ui::kIdCancel;

 private:
  ui::IconChooserDialog& dialog_;
  platform::ImageList images_;
  int selected_ = -1;
  bool checked_ = false;
  std::string edit_;
};

class PlayedApp final : public app::FolderIconApp {
 public:
  PlayedApp(platform::Host& host, ui::MessageBoxes& boxes, char** script)
      : FolderIconApp(host, boxes), script_(script) {}
  void Run(const std::string& folder) { RunForFolder(folder); }

 protected:
  int RunChooser(ui::IconChooserDialog& dialog) override {
    const std::string entry = script_[0];
    const int index = std::atoi(script_[1]);
    const std::string tip = script_[2], thumbnail = script_[3];
    PlayedView view(dialog);
    dialog.OnInitDialog(view);
    // The current icon (for a folder with a desktop.ini) and the standard icon come first.
    const auto& names = dialog.catalogue.fileNames;
    std::size_t standard = 0;
    while (standard < names.size() && names[standard] != "*") ++standard;
    int item = -1;
    if (entry == ".") item = 0;
    if (entry == "*") item = static_cast<int>(standard);
    for (std::size_t k = standard + 1; item < 0 && k < names.size(); ++k) {
      if (text::SameAsciiName(names[k], entry) && dialog.catalogue.iconIndexes[k] == index) {
        item = static_cast<int>(k);
      }
    }
    if (item < 0) {
      std::fprintf(stderr, "dialog_peer: no entry %s,%d\n", entry.c_str(), index);
      return ui::kIdCancel;
    }
    view.Click(item);
    if (thumbnail != ".") view.SetCheckBox(thumbnail == "on");
    if (tip != ".") view.Type(tip);
    view.PressOk();
    return view.endCode;
  }

 private:
  char** script_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: dialog_peer FOLDER ENTRY INDEX TIP THUMBNAIL\n");
    return 2;
  }
  PrintedBoxes boxes;
  PlayedApp app(platform::SystemHost(), boxes, argv + 2);
  app.Run(argv[1]);
  return app.ExitStatus();
}
