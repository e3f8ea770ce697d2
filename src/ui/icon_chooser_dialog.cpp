#include "ui/icon_chooser_dialog.h"

#include <cstddef>

#include "text/text.h"
#include "ui/message_box.h"
#include "ui/strings.h"

namespace zendrel::ui {

namespace {

// The low four bits of a system command are the system's own; the command is the rest.
inline constexpr unsigned kSysCommandMask = 0xFFF0;

}  // namespace

// The string table's texts are the program's own, kept in UTF-8; the Windows build's resources
// hold the same texts in its code page.
std::string ChooserView::LoadText(int id) const { return text::SystemText(MessageText(id)); }

IconChooserDialog::IconChooserDialog(std::uint32_t platformId) : platformId_(platformId) {}

void IconChooserDialog::OnInitDialog(ChooserView& view) {
  const std::string aboutText = view.LoadText(IDS_ABOUT_MENU);
  if (!aboutText.empty()) view.AddAboutCommand(aboutText);
  view.SetWindowIcon();
  view.SetFolderLabel(targetFolder);

  view.AttachImageList(catalogue.imageList);
  // The count is asked again for every item: the list is the authority on what it holds.
  view.BeginListFill();
  for (int i = 0; i < view.ImageCount(); ++i) {
    const auto k = static_cast<std::size_t>(i);
    view.InsertItem(i, k < catalogue.labels.size() ? catalogue.labels[k] : std::string());
  }
  view.EndListFill();

  // Reports the selection of item 0 before it returns, which fills the controls from entry 0;
  // the check box is set afterwards so that the dialog opens with the folder's own choice,
  // even when entry 0 is the standard icon.
  view.SelectFirstItem();
  view.SetThumbnailChecked(thumbnailView);
  view.BringToForeground();
}

void IconChooserDialog::OnItemChangedIconList(ChooserView& view, int item, std::uint32_t newState) {
  const auto k = static_cast<std::size_t>(item);
  const bool isEntry = item >= 0 && k < catalogue.fileNames.size() && k < catalogue.infoTips.size();
  // A selection that names no entry (a list that reports a change of all its items at once)
  // is treated like no selection: OK must never confirm a position that is not an entry.
  if ((newState & kListItemSelected) == 0 || !isEntry) {
    itemSelected_ = false;
    view.EnableControl(kIdThumbnailCheck, false);
    view.EnableControl(kIdInfoTipEdit, false);
    view.EnableControl(kIdOk, false);
    return;
  }

  selectedIndex = item;
  itemSelected_ = true;
  view.EnableControl(kIdThumbnailCheck, true);
  view.EnableControl(kIdInfoTipEdit, true);
  view.EnableControl(kIdOk, true);
  // The standard icon shows the box clear without forgetting the user's preference; every
  // other entry shows the preference again.
  if (catalogue.fileNames[k] == catalogue::kStandardIcon) {
    view.SetThumbnailChecked(false);
  } else if (view.IsThumbnailChecked() != thumbnailView) {
    view.SetThumbnailChecked(thumbnailView);
  }
  view.SetInfoTipText(catalogue.infoTips[k]);
}

void IconChooserDialog::OnThumbnailCheckClicked(ChooserView& view) {
  thumbnailView = view.IsThumbnailChecked();
}

void IconChooserDialog::OnOK(ChooserView& view) {
  if (!itemSelected_) return;
  thumbnailView = view.IsThumbnailChecked();
  // Only single-byte blanks at the very end go; a double-byte (ideographic) space is text.
  infoTipText = text::TrimEnd(view.InfoTipText());
  view.EndDialog(kIdOk);
}

void IconChooserDialog::OnCancel(ChooserView& view) {
  selectedIndex = -1;
  infoTipText.clear();
  view.EndDialog(kIdCancel);
}

bool IconChooserDialog::OnSysCommand(ChooserView& view, unsigned commandId) {
  if ((commandId & kSysCommandMask) != kAboutCommand) return false;
  view.RunAboutBox();
  return true;
}

void IconChooserDialog::OnActivate(ChooserView& view, bool active) {
  // On the 9x family the dialog repaints whole each time it becomes active.
  if (platformId_ != platform::kPlatformNt && active) view.RepaintAll();
}

}  // namespace zendrel::ui
