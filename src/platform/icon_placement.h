// Where a folder's desktop.ini finds its icon, in a form the Windows machines that open the
// folder can follow. A Linux path means nothing to them, so the Linux build names the icon
// by its universal name (\\server\share\...) when it has one Windows clients reach, else
// keeps a copy of the icon inside the folder itself and names it relative to the folder,
// else (a folder no Windows machine reads) names the icon file as this machine sees it.
// The Windows build keeps the path as it is: it already receives the icon folder as a
// universal name when it runs from a network share. Both builds take away a copy the folder
// no longer names.
#pragma once

#include <cstdint>
#include <string>

namespace zendrel::platform {

// The IconFile and IconIndex values that name one icon.
struct IconLocation {
  std::string iconFile;
  std::int32_t iconIndex = 0;
};

// What this machine tells others about its folders. Linux: the configuration of its Samba
// server (smb.conf); empty means the one named by ZENDREL_SMB_CONF, else Samba's default.
struct SharingSetup {
  std::string sambaConfig;
};

// The values that let Windows open icon `iconIndex` of `iconFile` (a full path) from the
// desktop.ini of `targetFolder`. A copy made for the folder replaces any earlier copy of
// ours there; when no copy can be made, the icon file's own path is the answer.
IconLocation PlaceIcon(const std::string& targetFolder, const std::string& iconFile,
                       std::int32_t iconIndex, const SharingSetup& sharing = {});

// Removes the icon copies this program made in the folder, and no other file. False when
// one of ours could not be removed.
bool RemovePlacedIcons(const std::string& targetFolder);

}  // namespace zendrel::platform
