#include "app/folder_icon_app.h"

#include "config/shell_registration.h"
#include "folder/file_status.h"
#include "platform/profile.h"
#include "text/text.h"
#include "ui/strings.h"

namespace zendrel::app {

namespace {

constexpr std::uint32_t kPlatformNt = 2;

}  // namespace

FolderIconApp::FolderIconApp(platform::Host& host, ui::MessageBoxes& boxes)
    : host_(host), boxes_(boxes), paths_(host), platformId_(host.PlatformId()) {}

std::string FolderIconApp::ExecutableBaseName() const {
  std::string name = text::FileNamePart(host_.ModuleFileName());
  const std::size_t dot = text::FindLastChar(name, '.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

void FolderIconApp::ShowError(int textId) {
  boxes_.Show(ExecutableBaseName(), textId, ui::MessageKind::kStop);
  exitStatus_ = 1;
}

bool FolderIconApp::StartUp(const std::string& commandTail) {
  // The shell check comes first, before the registration flow too.
  if (!host_.ShellIsUsable()) {
    ShowError(IDS_OLD_SHELL);
    return false;
  }

  // One instance at a time unless the configuration allows more; the NT family allows more
  // by default.
  const int duplicates =
      platform::ReadIniInt(paths_.ConfigFile(), config::kConfigSection, config::kDuplicateModule,
                           platformId_ == kPlatformNt ? 1 : 0);
  if (duplicates == 0 && !host_.TakeInstanceToken(ExecutableBaseName())) return false;

  if (commandTail.empty()) {
    ToggleShellRegistration();
    return false;
  }

  // All of the tail is the folder: it is never split into arguments.
  const std::string target = text::UnquoteSpaces(commandTail);
  const std::optional<folder::FileStatus> status = folder::QueryStatus(target);
  if (!status || (status->attributes & folder::kDirectory) == 0) {
    ShowError(IDS_NOT_A_FOLDER);
    return false;
  }
  RunForFolder(target);
  return false;
}

int FolderIconApp::ToggleShellRegistration() {
  return config::ToggleShellRegistration(paths_, boxes_, ExecutableBaseName());
}

// The chooser arrives with the icon catalogue; until then an accepted folder ends the run.
void FolderIconApp::RunForFolder(const std::string&) {}

}  // namespace zendrel::app
