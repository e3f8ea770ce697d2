#include "folder/apply_choice.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "folder/file_status.h"
#include "platform/folder_ops.h"
#include "platform/icon_placement.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::folder {

namespace {

// The rest of the thumbnail block: the shell's flags for the view.
constexpr char kMenuNameKey[] = "MenuName";
constexpr char kToolTipTextKey[] = "ToolTipText";
constexpr char kHelpTextKey[] = "HelpText";
constexpr char kAttributesKey[] = "Attributes";
constexpr char kThumbnailAttributes[] = "0x60000000";
// What the folder's attribute byte keeps when its customisation goes: all but read-only and
// system.
constexpr std::uint8_t kWithoutReadOnlySystem = 0xFA;

// An info tip typed on several lines is kept on one, its lines joined by a space.
std::string OneLine(const std::string& value) { return text::OneLine(value, ' '); }

class Application {
 public:
  Application(const Choice& choice, const FolderSettings& settings, const ApplyContext& context)
      : choice_(choice),
        existed_(settings.settingsFileExisted),
        file_(settings.settingsFilePath.empty() ? context.folderPrefix + kSettingsFileName
                                                : settings.settingsFilePath),
        context_(context),
        edit_(file_, settings.settingsText) {}

  // desktop.ini takes every edit of the choice in one step, first; then the folder's
  // attributes and Thumbs.db change in their order; then the file is hidden and the change
  // recorded. A settings file that cannot be written leaves everything as it was.
  ApplyResult Run() {
    if (const std::optional<FileStatus> folder = QueryStatus(context_.targetFolder)) {
      folderAttributes_ = folder->attributes;
    }
    if (existed_) ClearOwnKeys();
    WriteIcon();
    WriteInfoTip();
    WriteThumbnailView();
    if (existed_) RemoveWhenEmpty();
    if (!pendingConfirm_.empty()) {
      edit_.WriteString(kShellClassInfo, kConfirmFileOpKey, pendingConfirm_);
      fileRemoved_ = false;
    }
    if (!(fileRemoved_ ? edit_.Remove() : edit_.Commit())) {
      result_.settingsFileFailed = true;
      // Something that is no file of ours stands where desktop.ini belongs (a folder, a
      // link, a pipe), or a file that may not be read.
      result_.settingsFileNotRegular =
          QueryStatus(file_).has_value() && !platform::IsReadableFile(file_);
      return result_;
    }
    for (const Step& step : steps_) step();
    if (!fileRemoved_) HideSettingsFile();
    if (context_.recordChange && !context_.recordChange()) result_.logFailed = true;
    // The 9x family keeps profile writes in memory and may put the file back after the log's
    // writes; it is deleted once more.
    if (fileRemoved_ && context_.platformId != platform::kPlatformNt) platform::RemoveFile(file_);
    platform::NotifyAssociationsChanged();
    return result_;
  }

 private:
  using Step = std::function<void()>;

  void ClearOwnKeys() {
    pendingConfirm_ = edit_.ReadString(kShellClassInfo, kConfirmFileOpKey, "");
    // "0" is ours; it is written back at the end unless the file goes. Any other value is the
    // user's, and keeps the file.
    if (pendingConfirm_ == "0") edit_.DeleteKey(kShellClassInfo, kConfirmFileOpKey);
    edit_.DeleteKey(kShellClassInfo, kInfoTipKey);
    edit_.DeleteSection(kThumbnailClassId);
    edit_.DeleteKey(kFolderViews, kThumbnailClassId);
    if (!edit_.SectionHasKeys(kFolderViews)) edit_.DeleteSection(kFolderViews);
  }

  void WriteIcon() {
    // The current-icon entry keeps the icon the folder has.
    if (existed_ && choice_.selectedIndex == 0) return;
    if (choice_.fileName == catalogue::kStandardIcon) {
      if (existed_) {
        edit_.DeleteKey(kShellClassInfo, kIconFileKey);
        edit_.DeleteKey(kShellClassInfo, kIconIndexKey);
        // A copy of an earlier icon that this program left in the folder goes once the file
        // no longer names it.
        steps_.push_back([this] { platform::RemovePlacedIcons(context_.targetFolder); });
      }
      return;
    }
    // Named so that the Windows machines that open the folder find it; a copy kept in the
    // folder for them is in place before the file names it.
    const platform::IconLocation icon = platform::PlaceIcon(
        context_.targetFolder, context_.iconDirectory + choice_.fileName, choice_.iconIndex);
    edit_.WriteString(kShellClassInfo, kIconFileKey, OneLine(icon.iconFile));
    edit_.WriteString(kShellClassInfo, kIconIndexKey, std::to_string(icon.iconIndex));
    // The shell reads desktop.ini only in a read-only or system folder. System is left off a
    // hidden folder.
    ChangeFolderAttributes([](std::uint8_t attributes) -> std::optional<std::uint8_t> {
      if (attributes & kSystem) return std::nullopt;
      attributes |= kReadOnly;
      if (!(attributes & kHidden)) attributes |= kSystem;
      return attributes;
    });
  }

  void WriteInfoTip() {
    if (choice_.infoTipText.empty()) return;
    edit_.WriteString(kShellClassInfo, kInfoTipKey, OneLine(choice_.infoTipText));
    MakeFolderReadOnly();
  }

  void WriteThumbnailView() {
    if (!choice_.thumbnailView) {
      const std::string thumbs = context_.folderPrefix + kThumbsFileName;
      steps_.push_back([thumbs] { platform::RemoveFile(thumbs); });
      return;
    }
    edit_.WriteString(kFolderViews, kThumbnailClassId, kThumbnailClassId);
    edit_.WriteString(kThumbnailClassId, kMenuNameKey, context_.thumbnailMenuText);
    edit_.WriteString(kThumbnailClassId, kToolTipTextKey, context_.thumbnailMenuText);
    edit_.WriteString(kThumbnailClassId, kHelpTextKey, context_.thumbnailHelpText);
    edit_.WriteString(kThumbnailClassId, kAttributesKey, kThumbnailAttributes);
    MakeFolderReadOnly();
  }

  void MakeFolderReadOnly() {
    ChangeFolderAttributes([](std::uint8_t attributes) -> std::optional<std::uint8_t> {
      if (attributes & kReadOnly) return std::nullopt;
      return attributes | kReadOnly;
    });
  }

  // Plans the write of what `change` makes of the folder's attribute byte as it will stand by
  // then; a change made asks for ConfirmFileOp "0". Nothing happens when the folder could not
  // be queried.
  template <typename Change>
  void ChangeFolderAttributes(Change change) {
    if (!folderAttributes_) return;
    const std::optional<std::uint8_t> changed = change(*folderAttributes_);
    if (!changed) return;
    SetFolderAttributes(*changed);
    if (pendingConfirm_.empty()) pendingConfirm_.push_back('0');
  }

  void SetFolderAttributes(std::uint8_t attributes) {
    folderAttributes_ = attributes;
    steps_.push_back([this, attributes] { SetAttributes(context_.targetFolder, attributes); });
  }

  // A file that lists nothing any more goes, and the folder loses what made the shell read
  // it. A file that cannot be read lists nothing either, but what it holds is unknown: it
  // stays.
  void RemoveWhenEmpty() {
    fileRemoved_ = false;
    if (edit_.SectionHasKeys(kShellClassInfo)) return;
    edit_.DeleteSection(kShellClassInfo);
    if (edit_.HasSections() || !platform::IsReadableFile(file_)) return;
    if (folderAttributes_) SetFolderAttributes(*folderAttributes_ & kWithoutReadOnlySystem);
    pendingConfirm_.clear();
    fileRemoved_ = true;
  }

  // The file is hidden; its read-only and system bits are the user's.
  void HideSettingsFile() {
    const std::optional<FileStatus> status = QueryStatus(file_);
    if (!status || (status->attributes & kHidden)) return;
    SetAttributes(file_, status->attributes | kHidden);
  }

  void SetAttributes(const std::string& path, std::uint8_t attributes) {
    if (!WriteAttributeByte(path, attributes)) result_.attributesFailed = true;
  }

  const Choice& choice_;
  const bool existed_;
  const std::string file_;
  const ApplyContext& context_;
  platform::IniFileEdit edit_;
  std::optional<std::uint8_t> folderAttributes_;
  std::vector<Step> steps_;
  std::string pendingConfirm_;
  bool fileRemoved_ = false;
  ApplyResult result_;
};

}  // namespace

ApplyResult ApplyChoice(const Choice& choice, const FolderSettings& settings,
                        const ApplyContext& context) {
  return Application(choice, settings, context).Run();
}

}  // namespace zendrel::folder
