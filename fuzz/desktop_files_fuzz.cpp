// Any bytes as a Thunar uca.xml and as a folder's .directory, edited the way registration and
// the folder icon edit them. The first byte chooses the file; the rest is its content.
// Properties: no crash; an edit made once is not made again; an action added can be taken
// out, and the Icon key set stays set.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/posix/directory_file.h"
#include "platform/posix/shell_menus.h"

using zendrel::fuzz::Check;

namespace posix = zendrel::platform::posix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    const std::string id = "org.zendrel.zendrel";
    static const std::optional<std::string> element =
        posix::ThunarActionElement("Zendrel...", id, {"/opt/zendrel", "%1"});
    const std::optional<std::string> added = posix::MergeThunarAction(file, id, element);
    if (added) {
      Check(!posix::MergeThunarAction(*added, id, element));
      const std::optional<std::string> removed = posix::MergeThunarAction(*added, id, std::nullopt);
      Check(removed && !posix::MergeThunarAction(*removed, id, std::nullopt));
    }
  } else {
    const std::string icon = "/home/u/.local/share/zendrel/icons/a-32x32.png";
    const posix::DirectoryFileEdit set = posix::EditDirectoryFile(file, icon);
    const std::string_view after =
        set.action == posix::DirectoryFileEdit::Action::kWrite ? set.text : file;
    Check(posix::EditDirectoryFile(after, icon).action == posix::DirectoryFileEdit::Action::kKeep);
    posix::EditDirectoryFile(after, std::nullopt);
  }
  return 0;
}
