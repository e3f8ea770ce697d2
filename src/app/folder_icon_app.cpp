#include "app/folder_icon_app.h"

#include "app/registration_flow.h"
#include "folder/apply_choice.h"
#include "folder/file_status.h"
#include "folder/folder_settings.h"
#include "log/change_log.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "text/text.h"
#include "ui/strings.h"

namespace zendrel::app {

namespace {

constexpr std::uint32_t kPlatformNt = 2;

// The registry value and its expansion pass through buffers twice the usual size.
constexpr std::size_t kIconNameBuffer = 520;
constexpr char kDefaultIconKey[] = "Directory\\DefaultIcon";

// The number at the start of the text as the C library's atoi reads it: blanks, a sign, the
// digits up to the first other character; 0 when there are none. Wraps rather than traps.
int LeadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
  }
  return static_cast<int>(negative ? 0u - value : value);
}

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

platform::Icon FolderIconApp::StandardFolderIcon() const {
  std::string name;
  platform::RegHandle key = 0;
  if (platform::RegOpen(platform::ClassesRoot(), kDefaultIconKey, platform::RegAccess::kRead,
                        &key) == platform::kRegSuccess) {
    if (platform::RegQueryString(key, "", &name, kIconNameBuffer) != platform::kRegSuccess) {
      name.clear();
    }
    platform::RegClose(key);
  }
  const std::string expanded = host_.ExpandEnvironment(name, kIconNameBuffer);
  // "file,index"; the file name itself may hold commas, the index never does.
  const std::size_t comma = text::FindLastChar(expanded, ',');
  std::string file;
  int index = 0;
  if (comma == std::string::npos) {
    index = LeadingNumber(expanded);
  } else {
    file = expanded.substr(0, comma);
    index = LeadingNumber(expanded.substr(comma + 1));
  }
  return platform::ExtractIcon(file, index);
}

int FolderIconApp::RunChooser(ui::IconChooserDialog& dialog) { return ui::DoModal(dialog); }

void FolderIconApp::RunForFolder(const std::string& targetFolder) {
  ui::IconChooserDialog dialog(platformId_);
  dialog.targetFolder = targetFolder;
  const std::string folderPrefix = text::CutToBuffer(text::AddTrailingSeparator(targetFolder));
  const std::string iconDirectory = GetDefaultIconPath();

  if (!dialog.catalogue.Load(iconDirectory)) {
    ShowError(IDS_ICONS_NOT_LOADED);
    return;
  }
  const platform::Icon standardIcon = StandardFolderIcon();
  if (!standardIcon) {
    ShowError(IDS_ICONS_NOT_LOADED);
    return;
  }
  dialog.catalogue.InsertFront(catalogue::kStandardIcon, 0,
                               text::SystemText(ui::MessageText(IDS_STANDARD_ICON)), "",
                               standardIcon);
  const folder::FolderSettings settings = folder::ReadFolderSettings(
      dialog.catalogue, dialog.thumbnailView, targetFolder, folderPrefix, standardIcon);

  if (RunChooser(dialog) != ui::kIdOk) return;

  folder::Choice choice;
  choice.selectedIndex = dialog.selectedIndex;
  choice.fileName = dialog.catalogue.fileNames.at(dialog.selectedIndex);
  choice.iconIndex = dialog.catalogue.iconIndexes.at(dialog.selectedIndex);
  choice.thumbnailView = dialog.thumbnailView;
  choice.infoTipText = dialog.infoTipText;

  folder::ApplyContext context;
  context.targetFolder = targetFolder;
  context.folderPrefix = folderPrefix;
  context.iconDirectory = iconDirectory;
  context.platformId = platformId_;
  context.thumbnailMenuText = text::SystemText(ui::MessageText(IDS_THUMBNAIL_MENU));
  context.thumbnailHelpText = text::SystemText(ui::MessageText(IDS_THUMBNAIL_HELP));
  context.recordChange = [&] {
    log::WriteChangeLog(host_, paths_, targetFolder, settings.settingsFilePath, choice, settings);
  };
  folder::ApplyChoice(choice, settings, context);
}

}  // namespace zendrel::app
