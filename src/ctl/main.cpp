// zendrelctl's entry point: the composition root of the command-line program.
#include <cstdlib>
#include <string>
#include <vector>

#include "ctl/commands.h"
#include "ctl/console.h"
#include "ctl/messages.h"
#include "platform/host.h"
#ifndef _WIN32
#include "platform/posix/data_folder.h"
#endif

int main(int argc, char** argv) {
  const zendrel::ctl::Messages messages(std::getenv("LANG"));
#ifndef _WIN32
  // The change log and the registry live in the user's own data folders; without a home there
  // is no such folder, and one under /tmp could be planted by another user.
  if (!zendrel::platform::posix::UserDataFolder()) {
    zendrel::ctl::Write(zendrel::ctl::Stream::kErr,
                        "zendrelctl: " + messages(zendrel::ctl::Text::kNoDataFolder) + "\n");
    return zendrel::ctl::kExitFolderFailed;
  }
#endif
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return zendrel::ctl::RunCommandLine(arguments, zendrel::platform::SystemHost(), messages);
}
