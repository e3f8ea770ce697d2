#include "folder/apply_choice.h"

#include <optional>
#include <string>

#include "folder/file_status.h"
#include "platform/folder_ops.h"
#include "platform/icon_placement.h"
#include "platform/profile.h"

namespace zendrel::folder {

namespace {

constexpr std::uint32_t kPlatformNt = 2;
// The rest of the thumbnail block: the shell's flags for the view.
constexpr char kMenuNameKey[] = "MenuName";
constexpr char kToolTipTextKey[] = "ToolTipText";
constexpr char kHelpTextKey[] = "HelpText";
constexpr char kAttributesKey[] = "Attributes";
constexpr char kThumbnailAttributes[] = "0x60000000";
// What the folder's attribute byte keeps when its customisation goes: all but read-only and
// system.
constexpr std::uint8_t kWithoutReadOnlySystem = 0xFA;

// A line break inside a value would end the value's line early: the rest of the text would
// become lines of their own, even keys or sections that were never meant. An info tip typed
// on several lines is kept on one, its lines joined by a space.
std::string OneLine(const std::string& value) {
  std::string line;
  line.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += value[i];
    }
  }
  return line;
}

class Application {
 public:
  Application(const Choice& choice, const FolderSettings& settings, const ApplyContext& context)
      : choice_(choice),
        existed_(settings.settingsFileExisted),
        file_(settings.settingsFilePath.empty() ? context.folderPrefix + kSettingsFileName
                                                : settings.settingsFilePath),
        text_(settings.settingsText),
        context_(context) {}

  ApplyResult Run() {
    if (existed_) ClearOwnKeys();
    WriteIcon();
    WriteInfoTip();
    WriteThumbnailView();
    if (existed_) RemoveWhenEmpty();
    if (!pendingConfirm_.empty()) {
      Write(kShellClassInfo, kConfirmFileOpKey, pendingConfirm_);
      fileRemoved_ = false;
    }
    HideSettingsFile();
    if (context_.recordChange && !result_.settingsFileFailed) context_.recordChange();
    // The 9x family keeps profile writes in memory and may put the file back after the log's
    // writes; it is deleted once more.
    if (fileRemoved_ && context_.platformId != kPlatformNt) platform::RemoveFile(file_);
    platform::NotifyAssociationsChanged();
    return result_;
  }

 private:
  void ClearOwnKeys() {
    pendingConfirm_ = platform::ReadIniString(file_, kShellClassInfo, kConfirmFileOpKey, "", text_);
    // "0" is ours; it is written back at the end unless the file goes. Any other value is the
    // user's, and keeps the file.
    if (pendingConfirm_ == "0") Delete(kShellClassInfo, kConfirmFileOpKey);
    Delete(kShellClassInfo, kInfoTipKey);
    DeleteSection(kThumbnailClassId);
    Delete(kFolderViews, kThumbnailClassId);
    if (!platform::IniSectionHasKeys(file_, kFolderViews, text_)) DeleteSection(kFolderViews);
  }

  void WriteIcon() {
    // The current-icon entry keeps the icon the folder has.
    if (existed_ && choice_.selectedIndex == 0) return;
    if (choice_.fileName == catalogue::kStandardIcon) {
      if (existed_) {
        Delete(kShellClassInfo, kIconFileKey);
        Delete(kShellClassInfo, kIconIndexKey);
        platform::RemovePlacedIcons(context_.targetFolder);
      }
      return;
    }
    const platform::IconLocation icon = platform::PlaceIcon(
        context_.targetFolder, context_.iconDirectory + choice_.fileName, choice_.iconIndex);
    Write(kShellClassInfo, kIconFileKey, OneLine(icon.iconFile));
    Write(kShellClassInfo, kIconIndexKey, std::to_string(icon.iconIndex));
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
    Write(kShellClassInfo, kInfoTipKey, OneLine(choice_.infoTipText));
    MakeFolderReadOnly();
  }

  void WriteThumbnailView() {
    if (!choice_.thumbnailView) {
      platform::RemoveFile(context_.folderPrefix + kThumbsFileName);
      return;
    }
    Write(kFolderViews, kThumbnailClassId, kThumbnailClassId);
    Write(kThumbnailClassId, kMenuNameKey, context_.thumbnailMenuText);
    Write(kThumbnailClassId, kToolTipTextKey, context_.thumbnailMenuText);
    Write(kThumbnailClassId, kHelpTextKey, context_.thumbnailHelpText);
    Write(kThumbnailClassId, kAttributesKey, kThumbnailAttributes);
    MakeFolderReadOnly();
  }

  void MakeFolderReadOnly() {
    ChangeFolderAttributes([](std::uint8_t attributes) -> std::optional<std::uint8_t> {
      if (attributes & kReadOnly) return std::nullopt;
      return attributes | kReadOnly;
    });
  }

  // Reads the folder's attribute byte afresh and writes what `change` makes of it; a change
  // made asks for ConfirmFileOp "0". Nothing happens when the folder cannot be queried.
  template <typename Change>
  void ChangeFolderAttributes(Change change) {
    const std::optional<FileStatus> folder = QueryStatus(context_.targetFolder);
    if (!folder) return;
    const std::optional<std::uint8_t> changed = change(folder->attributes);
    if (!changed) return;
    SetAttributes(context_.targetFolder, *changed);
    if (pendingConfirm_.empty()) pendingConfirm_.push_back('0');
  }

  // A file that lists nothing any more goes, and the folder loses what made the shell read
  // it. A file that cannot be read lists nothing either, but what it holds is unknown: it
  // stays.
  void RemoveWhenEmpty() {
    fileRemoved_ = false;
    if (platform::IniSectionHasKeys(file_, kShellClassInfo, text_)) return;
    DeleteSection(kShellClassInfo);
    if (platform::IniHasSections(file_, text_) || !platform::IsReadableFile(file_)) return;
    if (!platform::RemoveFile(file_)) {
      result_.settingsFileFailed = true;
      return;
    }
    if (const std::optional<FileStatus> folder = QueryStatus(context_.targetFolder)) {
      SetAttributes(context_.targetFolder, folder->attributes & kWithoutReadOnlySystem);
    }
    pendingConfirm_.clear();
    fileRemoved_ = true;
  }

  // The file is hidden; its read-only and system bits are the user's.
  void HideSettingsFile() {
    const std::optional<FileStatus> status = QueryStatus(file_);
    if (!status || (status->attributes & kHidden)) return;
    SetAttributes(file_, status->attributes | kHidden);
  }

  // Each write of the file and of attributes notes a refusal and lets the next one go on.
  void Write(const char* section, const std::string& key, const std::string& value) {
    if (!platform::WriteIniString(file_, section, key, value, text_))
      result_.settingsFileFailed = true;
  }
  void Delete(const char* section, const char* key) {
    if (!platform::DeleteIniKey(file_, section, key, text_)) result_.settingsFileFailed = true;
  }
  void DeleteSection(const char* section) {
    if (!platform::DeleteIniSection(file_, section, text_)) result_.settingsFileFailed = true;
  }
  void SetAttributes(const std::string& path, std::uint8_t attributes) {
    if (!WriteAttributeByte(path, attributes)) result_.attributesFailed = true;
  }

  const Choice& choice_;
  const bool existed_;
  const std::string file_;
  const platform::IniText text_;
  const ApplyContext& context_;
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
