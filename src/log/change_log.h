// The change log: per folder, its customisation as it now stands ("FolderLog") and, once,
// what it was before Zendrel first changed it ("FolderOrg").
#pragma once

#include <cstdint>
#include <string>

#include "config/program_paths.h"
#include "folder/apply_choice.h"
#include "folder/folder_settings.h"
#include "platform/host.h"

namespace zendrel::log {

inline constexpr char kFolderLogSection[] = "FolderLog";
inline constexpr char kFolderOrgSection[] = "FolderOrg";

// Records one confirmed choice for `targetFolder` (as the command line gave it). False when
// the log could not be written; true when it was, or when the log is switched off.
bool WriteChangeLog(const platform::Host& host, const config::ProgramPaths& paths,
                    const std::string& targetFolder, const std::string& settingsFilePath,
                    const folder::Choice& choice, const folder::FolderSettings& previous);

// What the log holds for one folder, as a confirmation for `targetFolder` would key it now
// (the folder's present creation stamp): its state before Zendrel first changed it, and the
// choice last confirmed. A record that is there but cannot be read back is `damaged`.
enum class RecordState { kMissing, kDamaged, kFound };

struct OriginRecord {
  RecordState state = RecordState::kMissing;
  std::string iconFile;  // as desktop.ini named it, "*" for none
  std::int32_t iconIndex = 0;
  std::string confirmValue;
  std::string infoTip;
  bool thumbnailView = false;
};

struct LoggedChoice {
  RecordState state = RecordState::kMissing;
  std::string iconFile;  // the chosen entry's file name, "*" for the standard icon
  std::int32_t iconIndex = 0;
  std::string infoTip;
  bool thumbnailView = false;
};

struct FolderRecords {
  std::string logFile;  // "" when the log is switched off
  OriginRecord origin;
  LoggedChoice last;
};

FolderRecords ReadFolderRecords(const platform::Host& host, const config::ProgramPaths& paths,
                                const std::string& targetFolder);

}  // namespace zendrel::log
