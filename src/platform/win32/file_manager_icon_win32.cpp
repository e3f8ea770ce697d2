#include "platform/file_manager_icon.h"

namespace zendrel::platform {

// Explorer reads desktop.ini itself.
void ShowFolderIconInFileManagers(const std::string&) {}

}  // namespace zendrel::platform
