// The steps of customising one folder that the dialog program and the command-line program
// share, so that a choice confirmed in either gives the folder the same bytes and attributes:
// what the chooser starts from (the catalogue with the standard and the current icon in
// front, the folder's settings), and the confirmation (the apply step, the change log, the
// file managers' icon). The programs give the texts the steps write, in the system's code page.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/icon_catalogue.h"
#include "config/program_paths.h"
#include "folder/apply_choice.h"
#include "folder/folder_settings.h"
#include "platform/host.h"
#include "platform/icons.h"

namespace zendrel::log {

// The icon the system shows for a folder of its own, as the registry names it; empty when
// the name is missing or no icon results.
platform::Icon StandardFolderIcon(const platform::Host& host);

using folder::CustomisationTexts;

// One folder's run: where it is, where the icons are, and what its desktop.ini held.
struct Customisation {
  CustomisationTexts texts;
  std::string targetFolder;  // a full path
  std::string folderPrefix;  // with one trailing separator
  std::string iconDirectory;
  std::uint32_t platformId = platform::kPlatformNt;
  folder::FolderSettings settings;
};

// Fills `catalogue` with the icon folder's entries, the standard icon and, for a folder with
// a desktop.ini, its current icon in front, and sets `thumbnailView` from the folder. False
// when the icons could not be loaded, which ends the run.
bool PrepareCustomisation(const platform::Host& host, const config::ProgramPaths& paths,
                          const std::string& targetFolder, const CustomisationTexts& texts,
                          catalogue::IconCatalogue& catalogue, bool& thumbnailView,
                          Customisation& run);

// The choice of catalogue entry `index` with the given tip and thumbnail view, as the
// chooser returns it after OK.
folder::Choice ChoiceOfEntry(const catalogue::IconCatalogue& catalogue, std::int32_t index,
                             const std::string& infoTipText, bool thumbnailView);

// Confirms the choice: writes it into the folder, records it in the change log and shows the
// folder's icon in the file managers unless desktop.ini was refused.
folder::ApplyResult ConfirmChoice(const platform::Host& host, const config::ProgramPaths& paths,
                                  const Customisation& run, const folder::Choice& choice);

}  // namespace zendrel::log
