#include "folder/folder_settings.h"

#include "folder/file_status.h"
#include "platform/folder_ops.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::folder {

namespace {

// The program's own icon for a folder whose icon file gives none: a folder with a question
// mark.
constexpr int kUnknownFolderIcon = 131;

// The image of the folder's present icon. An icon file named without a folder, or relative
// to it, is the folder's own.
platform::Icon CurrentIcon(const std::string& targetFolder, const std::string& iconFile,
                           int iconIndex) {
  platform::Icon icon;
  if (const std::optional<std::string> full = platform::SearchAndQualify(targetFolder, iconFile)) {
    icon = platform::ExtractIcon(*full, iconIndex);
  }
  if (!icon) icon = platform::LoadProgramIcon(kUnknownFolderIcon);
  return icon;
}

}  // namespace

FolderSettings ReadFolderSettings(catalogue::IconCatalogue& catalogue, bool& thumbnailView,
                                  const std::string& targetFolder, const std::string& folderPrefix,
                                  const platform::Icon& standardIcon,
                                  const std::string& currentIconLabel,
                                  const platform::IniText& iniText) {
  FolderSettings settings;
  settings.settingsText = iniText;
  // Not cut to a path buffer: a shortened name would be some other file.
  settings.settingsFilePath = folderPrefix + kSettingsFileName;
  const std::string& file = settings.settingsFilePath;
  if (!QueryStatus(file)) return settings;
  settings.settingsFileExisted = true;

  std::string iconFile =
      text::TrimBoth(platform::ReadIniString(file, kShellClassInfo, kIconFileKey, "", iniText));
  settings.previousIconFile = iconFile.empty() ? catalogue::kStandardIcon : iconFile;
  settings.previousIconIndex =
      platform::ReadIniInt(file, kShellClassInfo, kIconIndexKey, 0, iniText);
  settings.previousInfoTip =
      text::TrimEnd(platform::ReadIniString(file, kShellClassInfo, kInfoTipKey, "", iniText));

  // A file without an icon of its own shows the standard folder icon.
  platform::Icon ownIcon;
  const bool hasOwnIcon = !iconFile.empty();
  if (hasOwnIcon) {
    ownIcon = CurrentIcon(targetFolder, iconFile, settings.previousIconIndex);
    iconFile = platform::BareFileName(iconFile);
  }
  settings.currentEntryInserted =
      catalogue.InsertFront(iconFile, settings.previousIconIndex, currentIconLabel,
                            settings.previousInfoTip, hasOwnIcon ? ownIcon : standardIcon);

  settings.previousConfirmValue =
      platform::ReadIniString(file, kShellClassInfo, kConfirmFileOpKey, "", iniText);
  // Byte for byte: a class id spelt in other letters is not the shell's thumbnail view.
  if (platform::ReadIniString(file, kFolderViews, kThumbnailClassId, "", iniText) ==
      kThumbnailClassId) {
    thumbnailView = true;
  }
  settings.previousThumbnail = thumbnailView;
  return settings;
}

}  // namespace zendrel::folder
