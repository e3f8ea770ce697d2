// The program's registration with the shell: a verb on every folder's context menu and an
// entry among the installed programs. Machine-wide where the user may write there, else for
// the current user only. The questions and messages around it belong to the application.
#pragma once

#include <string>

#include "platform/registry.h"

namespace zendrel::config {

inline constexpr char kVerbKey[] = "Zendrel";
inline constexpr char kVerbText[] = "Zendrel...";
inline constexpr char kShellKey[] = "Directory\\shell";
inline constexpr char kUserShellKey[] = "Software\\Classes\\Directory\\shell";
inline constexpr char kCommandKey[] = "Directory\\shell\\Zendrel\\command";
inline constexpr char kVerbCommandSubkey[] = "Zendrel\\command";
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kDisplayName[] = "Zendrel";

// The folder verb's command line for the program at `modulePath`.
std::string VerbCommand(const std::string& modulePath);

// Where a part of the registration went.
enum class Scope {
  kRefused,  // neither the machine's keys nor the user's took it
  kMachine,  // HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE: every user of the machine
  kUser,     // HKEY_CURRENT_USER: the current user only
};

struct Registration {
  Scope verb = Scope::kRefused;
  Scope uninstallEntry = Scope::kRefused;
};

// Whether the folder verb, machine-wide or the user's own, runs exactly `command`: byte for
// byte, so that the same program under another spelling of its path counts as not
// registered.
bool IsRegistered(platform::Registry& registry, const std::string& command);

// Registers the program at `modulePath`: each part machine-wide, or for the current user
// where the machine's keys refuse it. Existing values are overwritten.
Registration Register(platform::Registry& registry, const std::string& modulePath);

// Removes the verb and the uninstall entry wherever they are. false when some of them is
// still there afterwards (the machine's keys refused a standard user).
bool Unregister(platform::Registry& registry);

}  // namespace zendrel::config
