#include "log/customisation.h"

#include "log/change_log.h"
#include "platform/file_manager_icon.h"
#include "text/text.h"

namespace zendrel::log {

namespace {

// The registry value and its expansion pass through buffers twice the usual size.
constexpr std::size_t kIconNameBuffer = 520;

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

platform::Icon StandardFolderIcon(const platform::Host& host) {
  const std::string expanded =
      host.ExpandEnvironment(host.StandardFolderIconValue(kIconNameBuffer), kIconNameBuffer);
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

bool PrepareCustomisation(const platform::Host& host, const config::ProgramPaths& paths,
                          const std::string& targetFolder, const CustomisationTexts& texts,
                          catalogue::IconCatalogue& catalogue, bool& thumbnailView,
                          Customisation& run) {
  run.texts = texts;
  run.targetFolder = targetFolder;
  run.folderPrefix = text::AddTrailingSeparator(targetFolder);
  run.iconDirectory = paths.GetDefaultIconPath();
  run.platformId = host.PlatformId();

  // Files that Windows machines wrote are in their code page.
  const platform::IniText windowsText{paths.GetWindowsCodePage()};
  if (!catalogue.Load(run.iconDirectory, windowsText)) return false;
  const platform::Icon standardIcon = StandardFolderIcon(host);
  if (!standardIcon) return false;
  if (!catalogue.InsertFront(catalogue::kStandardIcon, 0, texts.standardIcon, "", standardIcon)) {
    return false;
  }
  run.settings =
      folder::ReadFolderSettings(catalogue, thumbnailView, targetFolder, run.folderPrefix,
                                 standardIcon, texts.currentIcon, windowsText);
  // Without the current-icon entry in front, the first entry would be taken for it.
  return run.settings.currentEntryInserted;
}

folder::Choice ChoiceOfEntry(const catalogue::IconCatalogue& catalogue, std::int32_t index,
                             const std::string& infoTipText, bool thumbnailView) {
  folder::Choice choice;
  choice.selectedIndex = index;
  choice.fileName = catalogue.fileNames.at(static_cast<std::size_t>(index));
  choice.iconIndex = catalogue.iconIndexes.at(static_cast<std::size_t>(index));
  choice.thumbnailView = thumbnailView;
  choice.infoTipText = infoTipText;
  return choice;
}

folder::ApplyResult ConfirmChoice(const platform::Host& host, const config::ProgramPaths& paths,
                                  const Customisation& run, const folder::Choice& choice) {
  folder::ApplyContext context;
  context.targetFolder = run.targetFolder;
  context.folderPrefix = run.folderPrefix;
  context.iconDirectory = run.iconDirectory;
  context.platformId = run.platformId;
  context.thumbnailMenuText = run.texts.thumbnailMenu;
  context.thumbnailHelpText = run.texts.thumbnailHelp;
  context.recordChange = [&] {
    return WriteChangeLog(host, paths, run.targetFolder, run.settings.settingsFilePath, choice,
                          run.settings);
  };
  const folder::ApplyResult result = folder::ApplyChoice(choice, run.settings, context);
  if (!result.settingsFileFailed) platform::ShowFolderIconInFileManagers(run.targetFolder);
  return result;
}

}  // namespace zendrel::log
