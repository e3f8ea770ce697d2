// Windows opens the icon file's own path, a universal name included: nothing to place.
#include "platform/icon_placement.h"

namespace zendrel::platform {

IconLocation PlaceIcon(const std::string&, const std::string& iconFile, std::int32_t iconIndex,
                       const SharingSetup&) {
  return {iconFile, iconIndex};
}

// The Windows build makes no copies.
bool RemovePlacedIcons(const std::string&) { return true; }

}  // namespace zendrel::platform
