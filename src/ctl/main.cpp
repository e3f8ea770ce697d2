// zendrelctl's entry point: the composition root of the command-line program.
#include <cstdlib>
#include <string>
#include <vector>

#include "ctl/commands.h"
#include "ctl/console.h"
#include "ctl/messages.h"
#include "platform/host.h"

int main(int argc, char** argv) {
  const zendrel::ctl::Messages messages(std::getenv("LANG"));
  // The change log (and on Linux the registry) live in the user's own data folders.
  if (!zendrel::platform::HasUserDataFolder()) {
    zendrel::ctl::Write(zendrel::ctl::Stream::kErr,
                        "zendrelctl: " + messages(zendrel::ctl::Text::kNoDataFolder) + "\n");
    return zendrel::ctl::kExitFolderFailed;
  }
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return zendrel::ctl::RunCommandLine(arguments, zendrel::platform::SystemHost(), messages);
}
