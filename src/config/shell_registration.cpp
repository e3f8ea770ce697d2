#include "config/shell_registration.h"

#include "config/registry_key.h"
#include "platform/registry.h"
#include "ui/strings.h"

namespace zendrel::config {

namespace {

using platform::RegAccess;

// The command line registered now, "" when there is none or it cannot be read.
std::string RegisteredCommand() {
  RegistryKey command;
  std::string text;
  if (command.Open(platform::ClassesRoot(), kCommandKey, RegAccess::kRead) !=
          platform::kRegSuccess ||
      platform::RegQueryString(command.handle(), "", &text) != platform::kRegSuccess) {
    return {};
  }
  return text;
}

// The child before the parent: a key with subkeys cannot be deleted.
void Unregister() {
  RegistryKey shell;
  shell.Open(platform::ClassesRoot(), kShellKey, RegAccess::kWrite);
  if (shell.handle() != 0) {
    platform::RegDeleteSubkey(shell.handle(), kVerbCommandSubkey);
    platform::RegDeleteSubkey(shell.handle(), kVerbKey);
  }
  shell.Close();
  RegistryKey uninstall;
  uninstall.Open(platform::LocalMachine(), kUninstallKey, RegAccess::kWrite);
  if (uninstall.handle() != 0) platform::RegDeleteSubkey(uninstall.handle(), kVerbKey);
}

void Register(const ProgramPaths& paths, const std::string& command) {
  RegistryKey shell;
  shell.Open(platform::ClassesRoot(), kShellKey, RegAccess::kWrite);
  {
    RegistryKey verb;
    if (verb.CreateSubkey(shell.handle(), kVerbKey) == platform::kRegSuccess) {
      verb.SetString(kVerbText, "");
    }
  }
  {
    RegistryKey verbCommand;
    if (verbCommand.CreateSubkey(shell.handle(), kVerbCommandSubkey) == platform::kRegSuccess) {
      verbCommand.SetString(command, "");
    }
  }
  shell.Close();

  RegistryKey uninstall;
  uninstall.Open(platform::LocalMachine(), kUninstallKey, RegAccess::kWrite);
  {
    RegistryKey entry;
    if (entry.CreateSubkey(uninstall.handle(), kVerbKey) == platform::kRegSuccess) {
      entry.SetString(kDisplayName, "DisplayName");
    }
  }
  uninstall.SetSubkeyString(kVerbKey, paths.GetModulePath(), "UninstallString");
}

}  // namespace

std::string VerbCommand(const std::string& modulePath) { return "\"" + modulePath + "\" \"%1\""; }

int ToggleShellRegistration(const ProgramPaths& paths, ui::MessageBoxes& boxes,
                            const std::string& caption) {
  const std::string command = VerbCommand(paths.GetModulePath());
  // Byte for byte: the same program reached under another spelling of its path counts as
  // not registered, and registering then writes this spelling.
  const bool registered = RegisteredCommand() == command;
  const ui::Answer answer = boxes.Show(caption, registered ? IDS_ASK_UNREGISTER : IDS_ASK_REGISTER,
                                       ui::MessageKind::kQuestion);
  if (answer != ui::Answer::kYes) return 0;
  if (registered) {
    Unregister();
    boxes.Show(caption, IDS_UNREGISTERED, ui::MessageKind::kInformation);
    return -1;
  }
  Register(paths, command);
  boxes.Show(caption, IDS_REGISTERED, ui::MessageKind::kInformation);
  return 1;
}

}  // namespace zendrel::config
