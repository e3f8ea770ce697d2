// The icons the chooser offers: what the icon directory holds, labelled by its catalogue
// files, in a fixed order, each with its image.
#pragma once

#include <string>
#include <vector>

#include "platform/icons.h"
#include "platform/profile.h"

namespace zendrel::catalogue {

inline constexpr char kMainCatalogue[] = "Zendrel.ini";
inline constexpr char kConfigSection[] = "FolderIconConfig";
inline constexpr char kLabelSection[] = "FolderIconLabels";
inline constexpr char kInfoTipSection[] = "FolderIconInfoTip";
inline constexpr char kStandardIcon[] = "*";  // the file name of the standard folder icon

class IconCatalogue {
 public:
  // Entry k is element k of each sequence and image slot k.
  std::vector<std::string> fileNames;
  std::vector<int> iconIndexes;
  std::vector<std::string> labels;
  std::vector<std::string> infoTips;
  platform::ImageList imageList;

  // Fills the catalogue from the icon directory: .ico files, then the icons of .icl files,
  // then those of .dll files, as the catalogue files say. True when at least one image was
  // loaded.
  // The catalogue files are read as text of `text`'s Windows code page where they are not
  // UTF-8 (an icon folder copied from a Windows machine).
  bool Load(const std::string& directory, const platform::IniText& text = {});

  // Puts one entry in front of all others; its image takes slot 0. False, with the catalogue
  // unchanged, when the image list cannot take the icon.
  bool InsertFront(const std::string& fileName, int iconIndex, const std::string& label,
                   const std::string& infoTip, const platform::Icon& icon);

  // The number of images, which is the number of entries.
  int Count() const { return imageList.Count(); }

 private:
  void Append(const std::string& fileName, int iconIndex, const std::string& label,
              const std::string& infoTip);
  void RemoveLast();
};

}  // namespace zendrel::catalogue
