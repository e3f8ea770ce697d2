// The folder's icon where the desktop's own file managers look for it.
//
// Windows draws the icon a folder's desktop.ini names by itself. Linux file managers know
// nothing of desktop.ini: GNOME Files, Nemo and Caja read a custom icon from GIO's metadata
// of the folder, Dolphin from the Icon key of the folder's .directory file. After a choice
// is confirmed, the Linux build puts the icon there too, rendered to PNG.
#pragma once

#include <string>

namespace zendrel::platform {

// Shows the icon the folder's desktop.ini names now (IconResource, else IconFile and
// IconIndex, honoured as the shell honours them: only in a read-only or system folder) in the
// desktop's file managers; a folder without one goes back to the plain folder icon there.
// Nothing is reported: a file manager or service that is missing is simply not served.
// Windows needs nothing here.
void ShowFolderIconInFileManagers(const std::string& targetFolder);

}  // namespace zendrel::platform
