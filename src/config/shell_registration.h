// Registering the program with the shell (a verb on every folder's context menu and an
// entry among the installed programs), or removing that registration.
#pragma once

#include <string>

#include "config/program_paths.h"
#include "ui/message_box.h"

namespace zendrel::config {

inline constexpr char kVerbKey[] = "Zendrel";
inline constexpr char kVerbText[] = "Zendrel...";
inline constexpr char kShellKey[] = "Directory\\shell";
inline constexpr char kCommandKey[] = "Directory\\shell\\Zendrel\\command";
inline constexpr char kVerbCommandSubkey[] = "Zendrel\\command";
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kDisplayName[] = "Zendrel";

// The folder verb's command line for the program at `modulePath`.
std::string VerbCommand(const std::string& modulePath);

// Asks whether to register (not registered from this location) or to remove the
// registration (registered from here), does it on Yes and confirms. 0 after No, 1 after
// registering, -1 after removing.
int ToggleShellRegistration(const ProgramPaths& paths, ui::MessageBoxes& boxes,
                            const std::string& caption);

}  // namespace zendrel::config
