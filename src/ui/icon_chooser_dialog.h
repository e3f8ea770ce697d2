// The chooser: the modal dialog in which the user picks the folder's icon, the thumbnail
// view and the info tip. All of its decisions live here; the window of each build is a thin
// ChooserView that reports events to the handlers and carries out their requests.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/icon_catalogue.h"
#include "platform/host.h"

namespace zendrel::ui {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdIconList = 1004;
inline constexpr int kIdInfoTipEdit = 1005;
inline constexpr int kIdFolderLabel = 1007;
inline constexpr int kIdThumbnailCheck = 1008;
inline constexpr unsigned kAboutCommand = 0x0010;  // appended to the system menu
inline constexpr std::uint32_t kListItemSelected = 0x2;

// What the handlers ask of the window. Every call is synchronous: SelectFirstItem reports
// the item change to OnItemChangedIconList before it returns, as the list view does.
class ChooserView {
 public:
  virtual ~ChooserView() = default;

  // Text `id` of the program's string table in the build's code page; "" when there is
  // none.
  virtual std::string LoadText(int id) const;

  // The About command: appended after a separator to the system menu on Windows; the
  // window's context menu and access key on Linux. Not called when the text is empty.
  virtual void AddAboutCommand(const std::string& text) = 0;
  // The application icon as the window's big and small icon.
  virtual void SetWindowIcon() = 0;
  // The target folder in the label, shortened with an ellipsis to fit.
  virtual void SetFolderLabel(const std::string& path) = 0;
  // The list takes the image list over and destroys it with the window.
  virtual void AttachImageList(platform::ImageList& images) = 0;
  // Images in the list's image list.
  virtual int ImageCount() const = 0;
  // Appends list item `index` showing image `index` under `label`.
  virtual void InsertItem(int index, const std::string& label) = 0;
  // Around the items' insertion: a list may stop drawing itself meanwhile, and draws the
  // whole list once afterwards.
  virtual void BeginListFill() {}
  virtual void EndListFill() {}
  // Selects and focuses item 0.
  virtual void SelectFirstItem() = 0;

  // Controls by id: kIdThumbnailCheck, kIdInfoTipEdit, kIdOk.
  virtual void EnableControl(int id, bool enable) = 0;
  virtual bool IsThumbnailChecked() const = 0;
  virtual void SetThumbnailChecked(bool checked) = 0;
  virtual std::string InfoTipText() const = 0;
  virtual void SetInfoTipText(const std::string& text) = 0;

  virtual void BringToForeground() = 0;
  // A full repaint with the background erased.
  virtual void RepaintAll() = 0;
  // Runs the About box modally, owned by the chooser.
  virtual void RunAboutBox() = 0;
  // Ends the modal run with kIdOk or kIdCancel.
  virtual void EndDialog(int code) = 0;
};

class IconChooserDialog {
 public:
  explicit IconChooserDialog(std::uint32_t platformId = platform::kPlatformNt);

  // The starting state, set by the run sequence; the results, read after OK.
  std::string targetFolder;
  catalogue::IconCatalogue catalogue;
  std::int32_t selectedIndex = -1;
  bool thumbnailView = false;
  std::string infoTipText;

  // Handlers, called by the view.
  void OnInitDialog(ChooserView& view);
  void OnItemChangedIconList(ChooserView& view, int item, std::uint32_t newState);
  void OnThumbnailCheckClicked(ChooserView& view);
  void OnOK(ChooserView& view);
  void OnCancel(ChooserView& view);
  // True when the command was the About command; false sends it to the default processing.
  bool OnSysCommand(ChooserView& view, unsigned commandId);
  // `active` is false for a deactivation.
  void OnActivate(ChooserView& view, bool active);

 private:
  std::uint32_t platformId_;
  // Whether the list has an item selected, as the last item change said: OK confirms
  // nothing without one, whatever window sent it.
  bool itemSelected_ = false;
};

// Runs the dialog modally in this build's window system; kIdOk or kIdCancel.
int DoModal(IconChooserDialog& dialog);

}  // namespace zendrel::ui
