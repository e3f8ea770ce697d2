// A folder's desktop.ini as Zendrel knows it, and what the folder held when the run began.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/icon_catalogue.h"
#include "platform/icons.h"
#include "platform/profile.h"

namespace zendrel::folder {

inline constexpr char kSettingsFileName[] = "desktop.ini";
inline constexpr char kThumbsFileName[] = "Thumbs.db";
inline constexpr char kShellClassInfo[] = ".ShellClassInfo";
inline constexpr char kIconFileKey[] = "IconFile";
inline constexpr char kIconIndexKey[] = "IconIndex";
inline constexpr char kInfoTipKey[] = "InfoTip";
inline constexpr char kConfirmFileOpKey[] = "ConfirmFileOp";
inline constexpr char kFolderViews[] = "ExtShellFolderViews";
inline constexpr char kThumbnailClassId[] = "{8BEBB290-52D0-11d0-B7F4-00C04FD706EC}";

// The texts of one customisation, in the system's code page: the standard and the current
// icon's labels in the catalogue, and the thumbnail view's menu and help texts that go into
// desktop.ini.
struct CustomisationTexts {
  std::string standardIcon;
  std::string currentIcon;
  std::string thumbnailMenu;
  std::string thumbnailHelp;
};

struct FolderSettings {
  std::string settingsFilePath;  // folder prefix + "desktop.ini"
  bool settingsFileExisted = false;
  std::string previousIconFile = catalogue::kStandardIcon;
  std::int32_t previousIconIndex = 0;
  std::string previousInfoTip;
  std::string previousConfirmValue;
  bool previousThumbnail = false;
  // False when the file existed but its entry could not be put in front of the catalogue.
  bool currentEntryInserted = true;
  // How the file's text is read and written: the Windows code page of a file made there.
  platform::IniText settingsText;
};

// Reads the folder's desktop.ini. When it exists, puts the current-icon entry (labelled
// `currentIconLabel`) in front of the catalogue and sets `thumbnailView` when the file carries
// the thumbnail view. `targetFolder` is a full path: the folder's relative icon names are
// resolved against it.
FolderSettings ReadFolderSettings(catalogue::IconCatalogue& catalogue, bool& thumbnailView,
                                  const std::string& targetFolder, const std::string& folderPrefix,
                                  const platform::Icon& standardIcon,
                                  const std::string& currentIconLabel,
                                  const platform::IniText& text = {});

}  // namespace zendrel::folder
