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

}  // namespace zendrel::log
