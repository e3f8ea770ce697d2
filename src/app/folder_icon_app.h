// The application object: one run of Zendrel, from the command line to the end of the
// process. There is no main window; everything happens inside StartUp.
#pragma once

#include <cstdint>
#include <string>

#include "config/program_paths.h"
#include "platform/host.h"
#include "platform/icons.h"
#include "ui/icon_chooser_dialog.h"
#include "ui/message_box.h"

namespace zendrel::app {

class FolderIconApp {
 public:
  // Records the platform id, as the application object does when it is made.
  FolderIconApp(platform::Host& host, ui::MessageBoxes& boxes);
  virtual ~FolderIconApp() = default;

  // The whole run for this command-line tail (everything after the program's name). Always
  // false: the process ends when it returns.
  bool StartUp(const std::string& commandTail);

  // 0 when the run ended normally (a silent second instance included), 1 when it ended on
  // an error message.
  int ExitStatus() const { return exitStatus_; }

  std::uint32_t platformId() const { return platformId_; }

  // The program's paths (configuration, icon folder, change logs), read afresh on each call.
  std::string GetModulePath() const { return paths_.GetModulePath(); }
  std::string GetModuleDirectory() const { return paths_.GetModuleDirectory(); }
  std::string GetDefaultIconPath() const { return paths_.GetDefaultIconPath(); }
  std::string GetNetworkLogPath() const { return paths_.GetNetworkLogPath(); }
  std::string GetDefaultLogPath() const { return paths_.GetDefaultLogPath(); }

  // The executable's file name without folder and extension: the single-instance name and
  // the caption of every message box.
  std::string ExecutableBaseName() const;

 protected:
  // Started without a folder: offers to register the program with the shell or to remove
  // the registration.
  virtual int ToggleShellRegistration();
  // Started with an accepted folder: the chooser for it, and the choice applied after OK.
  virtual void RunForFolder(const std::string& targetFolder);
  // The chooser's modal run; kIdOk or kIdCancel.
  virtual int RunChooser(ui::IconChooserDialog& dialog);

  // The icon the system shows for a folder of its own, as the registry names it; empty when
  // the name is missing or no icon results.
  platform::Icon StandardFolderIcon() const;

  // An error that ends the run: the message, and exit status 1.
  void ShowError(int textId);

  platform::Host& host_;
  ui::MessageBoxes& boxes_;

 private:
  config::ProgramPaths paths_;
  std::uint32_t platformId_;
  int exitStatus_ = 0;
};

}  // namespace zendrel::app
