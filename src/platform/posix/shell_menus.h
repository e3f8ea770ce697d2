// The folder verb made real for Linux file managers. Windows shows a verb registered under
// HKEY_CLASSES_ROOT\Directory\shell in every folder's context menu; on Linux the same verb
// becomes a desktop entry for folders (listed under "Open With" by GNOME Files, Nemo, Thunar
// and Caja) and a Dolphin service menu, both in the user's data folder.
#pragma once

#include <string>
#include <string_view>

namespace zendrel::platform::posix {

// The user's base folder named by an XDG variable (used only when it holds an absolute
// path), else `belowHome` inside the home folder; "" when no home folder is known.
std::string UserBaseFolder(const char* variable, std::string_view belowHome);

// The file name both menu files of a verb take: "org.zendrel.<verb>.desktop", the verb in
// lower case (a registry key is the same key whatever its case) and every byte outside
// [a-z0-9-] written as "_" and two hex digits, so that no two verbs share a name.
std::string MenuFileName(std::string_view verb);

// The Exec value for a Windows-style command line such as "\"/opt/zendrel\" \"%1\"": the
// program (a universal name mapped to the local path behind it) and then the arguments, %1
// becoming %f, quoted and escaped as a desktop file needs them. "" when the command names
// no program, or a universal name that no mount leads to.
std::string ExecFromCommand(std::string_view command);

// The two files' text for a verb with that menu text and Exec value.
std::string DesktopEntryText(std::string_view menuText, std::string_view exec);
std::string ServiceMenuText(std::string_view menuText, std::string_view exec);

// Writes both files for the verb under $XDG_DATA_HOME (applications/ and kio/servicemenus/,
// the service menu executable, as KDE requires of a user's own), or removes them when the
// command gives no Exec value. A failure leaves the menus as they are, and is not reported.
void UpdateFolderVerbMenus(std::string_view verb, std::string_view menuText,
                           std::string_view command);

}  // namespace zendrel::platform::posix
