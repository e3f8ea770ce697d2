// Writes a confirmed choice into the folder: desktop.ini, the attributes of the folder and
// of that file, Thumbs.db; then the change log, then the shell.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "folder/folder_settings.h"
#include "platform/host.h"

namespace zendrel::folder {

// What the chooser returned after OK, and where the run stands.
struct Choice {
  std::int32_t selectedIndex = 0;
  std::string fileName;  // the chosen entry's file name ("*" for the standard entry)
  std::int32_t iconIndex = 0;
  bool thumbnailView = false;
  std::string infoTipText;
};

struct ApplyContext {
  std::string targetFolder;
  std::string folderPrefix;
  std::string iconDirectory;  // ends in a separator
  std::uint32_t platformId = platform::kPlatformNt;
  // Message 109 and 110 texts, written into the thumbnail block.
  std::string thumbnailMenuText;
  std::string thumbnailHelpText;
  // Records the change once the folder is written (the change log); false when the record
  // could not be written. May be empty.
  std::function<bool()> recordChange;
};

// What a confirmation could not do. desktop.ini is written first, in one step; when that is
// refused nothing else changes. Attribute writes go on in their order whatever one of them
// meets, so that as much of the choice as the folder takes is in place.
struct ApplyResult {
  bool settingsFileFailed = false;  // the write or removal of desktop.ini was refused
  // With settingsFileFailed: what stands at desktop.ini's name is no readable regular file.
  bool settingsFileNotRegular = false;
  bool attributesFailed = false;  // the folder's or desktop.ini's attributes were refused
  bool logFailed = false;         // the folder changed, but the change log took no record
  bool Succeeded() const { return !settingsFileFailed && !attributesFailed; }
};

// Applies the choice. The change is recorded (context.recordChange) unless desktop.ini could
// not be written: a change that did not happen is never logged.
ApplyResult ApplyChoice(const Choice& choice, const FolderSettings& settings,
                        const ApplyContext& context);

}  // namespace zendrel::folder
