// The folder verb made real for Linux file managers. Windows shows a verb registered under
// HKEY_CLASSES_ROOT\Directory\shell in every folder's context menu; on Linux the same verb
// goes where each common file manager looks for one: a Dolphin service menu, a Nautilus
// script, a Nemo action, a FileManager-Actions entry (Caja, PCManFM-Qt) and a Thunar custom
// action in the user's uca.xml. None of them is an application entry for folders, so the
// verb never becomes what opens a folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zendrel::platform::posix {

// The user's base folder named by an XDG variable (used only when it holds an absolute
// path), else `belowHome` inside the home folder; "" when no home folder is known.
std::string UserBaseFolder(const char* variable, std::string_view belowHome);

// A value as a desktop file holds it: backslash, line break, tab, carriage return and a
// leading space escaped, as a reader undoes them before anything else.
std::string EscapeDesktopValue(std::string_view value);

// The name the verb's menu files take: "org.zendrel.<verb>.desktop", the verb in
// lower case (a registry key is the same key whatever its case) and every byte outside
// [a-z0-9-] written as "_" and two hex digits, so that no two verbs share a name.
std::string MenuFileName(std::string_view verb);

// The Exec value for a Windows-style command line such as "\"/opt/zendrel\" \"%1\"": the
// program (a universal name mapped to the local path behind it) and then the arguments, %1
// becoming %f, quoted and escaped as a desktop file needs them. "" when the command names
// no program, or a universal name that no mount leads to.
std::string ExecFromCommand(std::string_view command);

// The program and its arguments of a Windows-style command line such as
// "\"/opt/zendrel\" \"%1\"", the program as a local path (a universal name mapped to the
// mount behind it) and %1 kept as the folder's marker. nullopt when the command names no
// program, or a universal name that no mount leads to.
std::optional<std::vector<std::string>> CommandArguments(std::string_view command);

// The arguments as one command line that the GLib argument parser and the shell both read
// back unchanged: every argument in single quotes, %1 replaced by `folderToken`. With
// `doublePercent` a literal '%' is doubled, for the formats that expand % codes.
std::string ShellCommandLine(const std::vector<std::string>& args, std::string_view folderToken,
                             bool doublePercent);

// The text of each file manager's file for a verb with that menu text, `id` being the verb's
// MenuFileName.
std::string ServiceMenuText(std::string_view menuText, std::string_view exec);
std::string NautilusScriptText(std::string_view id, const std::vector<std::string>& args);
std::string NemoActionText(std::string_view menuText, const std::vector<std::string>& args);
std::string FileManagerActionText(std::string_view menuText, const std::vector<std::string>& args);
// One <action> element of uca.xml; nullopt when the command cannot be written in XML.
std::optional<std::string> ThunarActionElement(std::string_view menuText, std::string_view id,
                                               const std::vector<std::string>& args);

// The name of the Nautilus script: the menu text, as Nautilus shows file names.
std::string NautilusScriptName(std::string_view menuText, std::string_view verb);

// A uca.xml with the action whose unique-id is `id` replaced by `element` (in its place,
// or added at the end of the list), or removed when `element` is nullopt. Every other byte
// stays as it was, and removing what was added gives the file back byte for byte (an empty
// "<actions/>" comes back as "<actions>\n</actions>"). nullopt
// when nothing changes or the file is not a list of actions this reader can follow.
std::optional<std::string> MergeThunarAction(std::string_view file, std::string_view id,
                                             const std::optional<std::string>& element);

// Writes every file manager's file for the verb (user data and configuration folders, as the
// XDG variables name them), or removes them when the command gives no program. The
// application entry an earlier version wrote goes either way. A failure leaves a menu as it
// is, and is not reported.
void UpdateFolderVerbMenus(std::string_view verb, std::string_view menuText,
                           std::string_view command);

}  // namespace zendrel::platform::posix
