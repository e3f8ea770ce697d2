// zendrelctl's commands: the dialog's customisation of a folder from a terminal or a script,
// with undo from the change log, a check-up of customised folders and the registration.
#pragma once

#include <string>
#include <vector>

#include "ctl/messages.h"
#include "platform/host.h"

namespace zendrel::ctl {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFolderFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs the command line (the arguments after the program's name); the exit status.
int RunCommandLine(const std::vector<std::string>& arguments, platform::Host& host,
                   const Messages& messages);

}  // namespace zendrel::ctl
