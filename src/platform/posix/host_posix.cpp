// The Linux machine as the start-up sees it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "platform/host.h"
#include "platform/network_names.h"
#include "platform/posix/data_folder.h"
#include "platform/posix/display.h"
#include "text/text.h"

extern char** environ;

namespace zendrel::platform {

namespace {

// Environment names match without regard to case, as they do on Windows.
std::optional<std::string> Variable(std::string_view name) {
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string_view pair(*entry);
    const std::size_t eq = pair.find('=');
    if (eq != std::string_view::npos && text::SameAsciiName(pair.substr(0, eq), name)) {
      return std::string(pair.substr(eq + 1));
    }
  }
  return std::nullopt;
}

class PosixHost final : public Host {
 public:
  std::uint32_t PlatformId() const override { return 2; }

  std::string ModuleFileName() const override {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return text::CutToBuffer(std::string_view(buffer, static_cast<std::size_t>(n)));
  }

  bool ShellIsUsable() const override { return posix::CanOpenDisplay(); }

  bool TakeInstanceToken(const std::string& name) override {
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
      folder = std::string(runtime) + "/" + name + ".lock";
    } else {
      folder = "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
    }
    // The descriptor stays open on purpose: the lock is released when the process ends.
    const int fd = open(folder.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;  // no place for a lock: nothing can hold it either
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    close(fd);
    return false;
  }

  std::string ExpandEnvironment(const std::string& in, std::size_t bufferSize) const override {
    std::string out;
    std::size_t i = 0;
    while (i < in.size()) {
      const std::size_t open = in.find('%', i);
      const std::size_t close =
          open == std::string::npos ? std::string::npos : in.find('%', open + 1);
      if (close == std::string::npos) {
        out.append(in, i, std::string::npos);
        break;
      }
      out.append(in, i, open - i);
      const std::string_view name(in.data() + open + 1, close - open - 1);
      std::optional<std::string> value = Variable(name);
      if (!value && text::SameAsciiName(name, "WinDir")) value = posix::UserDataFolder();
      // An unknown name stays as written, both of its percent signs with it.
      if (value) {
        out += *value;
      } else {
        out.append(in, open, close - open + 1);
      }
      i = close + 1;
    }
    return text::CutToBuffer(out, bufferSize);
  }

  std::string ToUniversalName(const std::string& path) const override {
    return platform::ToUniversalName(path);
  }
};

}  // namespace

namespace posix {

std::optional<std::string> UserDataFolder() {
  std::string base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
    base = data;
  } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
    base = std::string(home) + "/.local/share";
  } else {
    return std::nullopt;
  }
  const std::string folder = base + "/zendrel";
  MakePrivateFolders(folder);
  return folder;
}

void MakePrivateFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0700);
  }
  mkdir(folder.c_str(), 0700);
}

}  // namespace posix

Host& SystemHost() {
  static PosixHost host;
  return host;
}

bool HasUserDataFolder() { return posix::UserDataFolder().has_value(); }

}  // namespace zendrel::platform
