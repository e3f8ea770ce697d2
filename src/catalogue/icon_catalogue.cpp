#include "catalogue/icon_catalogue.h"

#include <algorithm>

#include "platform/directory.h"
#include "platform/file_attributes.h"
#include "platform/ini_key_map.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::catalogue {

namespace {

bool Exists(const std::string& path) { return platform::FindEntry(path).has_value(); }

bool Switch(const std::string& file, const char* key, int fallback,
            const platform::IniText& iniText) {
  return platform::ReadIniInt(file, kConfigSection, key, fallback, iniText) != 0;
}

// The names of one kind, in name order.
std::vector<std::string> SortedNames(const std::string& directory, const char* extension) {
  std::vector<std::string> names = platform::ListByExtension(directory, extension);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return text::CompareNames(a, b) < 0;
  });
  return names;
}

std::string Title(const std::string& name) {
  const std::size_t dot = text::FindLastChar(name, '.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string IconKey(const std::string& fileName, int index) {
  return fileName + "," + std::to_string(index);
}

}  // namespace

void IconCatalogue::Append(const std::string& fileName, int iconIndex, const std::string& label,
                           const std::string& infoTip) {
  fileNames.push_back(fileName);
  iconIndexes.push_back(iconIndex);
  labels.push_back(label);
  infoTips.push_back(infoTip);
}

void IconCatalogue::RemoveLast() {
  fileNames.pop_back();
  iconIndexes.pop_back();
  labels.pop_back();
  infoTips.pop_back();
}

bool IconCatalogue::Load(const std::string& given, const platform::IniText& iniText) {
  const std::string directory = text::AddTrailingSeparator(given);
  fileNames.clear();
  iconIndexes.clear();
  labels.clear();
  infoTips.clear();

  const std::string mainPath = directory + kMainCatalogue;
  const bool mainPresent = Exists(mainPath);
  const bool readIco = !mainPresent || Switch(mainPath, "ReadIcoFiles", 1, iniText);
  const bool readIcl = !mainPresent || Switch(mainPath, "ReadIclFiles", 0, iniText);
  const bool readDll = mainPresent && Switch(mainPath, "ReadDllFiles", 0, iniText);

  // Each catalogue file is read once; every label and info tip comes from its keys.
  const platform::IniKeyMap mainKeys =
      mainPresent ? platform::ReadIniKeyMap(mainPath, iniText) : platform::IniKeyMap();

  // Icon files: labelled first, unlabelled ones left out, then those without an icon.
  if (readIco) {
    const bool defaultLabel = !mainPresent || Switch(mainPath, "DefaultLabel", 1, iniText);
    for (const std::string& name : SortedNames(directory, ".ico")) {
      std::string label = name, infoTip;
      if (mainPresent) {
        label = text::TrimBoth(mainKeys.ReadString(kLabelSection, name, defaultLabel ? name : ""));
        infoTip = text::TrimEnd(mainKeys.ReadString(kInfoTipSection, name, ""));
      }
      if (!label.empty()) Append(name, 0, label, infoTip);
    }
  }

  imageList = platform::ImageList();

  std::size_t kept = 0;
  for (std::size_t k = 0; k < fileNames.size(); ++k) {
    const platform::Icon icon = platform::IconFile(directory + fileNames[k]).Extract(0);
    if (!icon || imageList.Append(icon) < 0) continue;
    // Entries without an icon close up behind the ones that have one.
    if (kept != k) {
      fileNames[kept] = std::move(fileNames[k]);
      iconIndexes[kept] = iconIndexes[k];
      labels[kept] = std::move(labels[k]);
      infoTips[kept] = std::move(infoTips[k]);
    }
    ++kept;
  }
  fileNames.resize(kept);
  iconIndexes.resize(kept);
  labels.resize(kept);
  infoTips.resize(kept);

  // Libraries, then DLLs, each kind in name order; each with its companion catalogue file.
  std::vector<std::string> libraries;
  if (readIcl) libraries = SortedNames(directory, ".icl");
  if (readDll) {
    const std::vector<std::string> dlls = SortedNames(directory, ".dll");
    libraries.insert(libraries.end(), dlls.begin(), dlls.end());
  }
  for (const std::string& name : libraries) {
    const std::string companion = directory + Title(name) + ".ini";
    const bool companionPresent = Exists(companion);
    const platform::IniKeyMap companionKeys =
        companionPresent ? platform::ReadIniKeyMap(companion, iniText) : platform::IniKeyMap();
    const platform::IniKeyMap& keys = companionPresent ? companionKeys : mainKeys;
    const bool defaultLabel = !companionPresent || Switch(companion, "DefaultLabel", 1, iniText);
    const std::string fileLabel = text::TrimBoth(keys.ReadString(kLabelSection, name, ""));
    const std::string fileInfoTip = text::TrimEnd(keys.ReadString(kInfoTipSection, name, ""));

    platform::IconFile file(directory + name);
    for (int n = 0;; ++n) {
      const platform::Icon icon = file.Extract(n);
      if (!icon) break;
      std::string label = name, infoTip;
      if (mainPresent || companionPresent) {
        const std::string key = IconKey(name, n);
        label = text::TrimBoth(keys.ReadString(kLabelSection, key, fileLabel));
        if (label.empty() && defaultLabel) label = key;
        infoTip = text::TrimEnd(keys.ReadString(kInfoTipSection, key, fileInfoTip));
      }
      if (label.empty()) continue;
      Append(name, n, label, infoTip);
      if (imageList.Append(icon) < 0) RemoveLast();
    }
  }
  return imageList.Count() > 0;
}

bool IconCatalogue::InsertFront(const std::string& fileName, int iconIndex,
                                const std::string& label, const std::string& infoTip,
                                const platform::Icon& icon) {
  // Without its image the entry would push every later entry off its own image.
  if (imageList.Append(icon) < 0) return false;
  fileNames.insert(fileNames.begin(), fileName);
  iconIndexes.insert(iconIndexes.begin(), iconIndex);
  labels.insert(labels.begin(), label);
  infoTips.insert(infoTips.begin(), infoTip);
  // Appended last, then carried to the front, every other image one slot on.
  imageList.MoveLastToFront();
  return true;
}

}  // namespace zendrel::catalogue
