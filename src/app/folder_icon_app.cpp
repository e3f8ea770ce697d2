#include "app/folder_icon_app.h"

#include "app/registration_flow.h"
#include "folder/apply_choice.h"
#include "folder/file_status.h"
#include "folder/folder_settings.h"
#include "log/customisation.h"
#include "platform/file_attributes.h"
#include "platform/folder_ops.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "text/text.h"
#include "ui/strings.h"

namespace zendrel::app {

namespace {

// The folder with one trailing separator: desktop.ini and Thumbs.db are named from it.
std::string FolderPrefix(const std::string& folder) { return text::AddTrailingSeparator(folder); }

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
                           platformId_ == platform::kPlatformNt ? 1 : 0);
  if (duplicates == 0 && !host_.TakeInstanceToken(ExecutableBaseName())) return false;

  if (commandTail.empty()) {
    ToggleShellRegistration();
    return false;
  }

  // All of the tail is the folder: it is never split into arguments. It is made a full path
  // once, against the directory the program was started in, so that every later step (the
  // change log's key among them) names the same folder whatever happens to that directory.
  const std::optional<std::string> target = platform::QualifyPath(text::UnquoteSpaces(commandTail));
  const std::optional<folder::FileStatus> status =
      target ? folder::QueryStatus(*target) : std::nullopt;
  if (!status || (status->attributes & folder::kDirectory) == 0) {
    ShowError(IDS_NOT_A_FOLDER);
    return false;
  }
  // Every file the run touches is named by the folder's prefix and a file name, desktop.ini
  // the longest of them; a name the system's functions would refuse or cut is refused here,
  // before anything is written.
  if (FolderPrefix(*target).size() + std::char_traits<char>::length(folder::kSettingsFileName) >
      platform::LongestPath()) {
    ShowError(IDS_PATH_TOO_LONG);
    return false;
  }
  RunForFolder(*target);
  return false;
}

int FolderIconApp::ToggleShellRegistration() {
  switch (app::ToggleShellRegistration(platform::SystemRegistry(), paths_.GetModulePath(), boxes_,
                                       ExecutableBaseName())) {
    case RegistrationFlowResult::kRegistered:
      return 1;
    case RegistrationFlowResult::kRemoved:
      return -1;
    case RegistrationFlowResult::kRefused:
      exitStatus_ = 1;  // the run ended on an error message
      return 0;
    case RegistrationFlowResult::kDeclined:
      break;
  }
  return 0;
}

platform::Icon FolderIconApp::StandardFolderIcon() const { return log::StandardFolderIcon(host_); }

int FolderIconApp::RunChooser(ui::IconChooserDialog& dialog) { return ui::DoModal(dialog); }

void FolderIconApp::RunForFolder(const std::string& targetFolder) {
  ui::IconChooserDialog dialog(platformId_);
  dialog.targetFolder = targetFolder;
  log::Customisation run;
  if (!log::PrepareCustomisation(host_, paths_, targetFolder, ui::CustomisationTexts(),
                                 dialog.catalogue, dialog.thumbnailView, run)) {
    ShowError(IDS_ICONS_NOT_LOADED);
    return;
  }

  if (RunChooser(dialog) != ui::kIdOk) return;

  const folder::Choice choice = log::ChoiceOfEntry(dialog.catalogue, dialog.selectedIndex,
                                                   dialog.infoTipText, dialog.thumbnailView);
  // What the folder refused is said, so that nobody takes an unchanged folder for a changed
  // one; the change log has recorded only what happened.
  const folder::ApplyResult result = log::ConfirmChoice(host_, paths_, run, choice);
  if (result.settingsFileFailed) {
    ShowError(result.settingsFileNotRegular ? IDS_SETTINGS_NOT_A_FILE : IDS_SETTINGS_NOT_WRITTEN);
  } else if (result.attributesFailed) {
    ShowError(IDS_ATTRIBUTES_NOT_SET);
  }
  // The folder has changed; only the record of it is missing.
  if (result.logFailed)
    boxes_.Show(ExecutableBaseName(), IDS_LOG_NOT_WRITTEN, ui::MessageKind::kWarning);
}

}  // namespace zendrel::app
