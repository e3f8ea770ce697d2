#include "platform/posix/shell_menus.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/posix/atomic_file.h"
#include "platform/posix/mount_table.h"
#include "text/text.h"

namespace zendrel::platform::posix {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

// Each missing level in turn; an existing one is fine. Private to the user, as the base
// folders should be.
void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0700);
  }
  mkdir(folder.c_str(), 0700);
}

// A Windows command line split the simple way: blanks separate arguments except inside
// double quotes, and the quotes themselves go. Program paths hold no quotes, so the
// backslash rules of the C runtime have nothing to do here.
std::vector<std::string> SplitCommand(std::string_view command) {
  std::vector<std::string> args;
  std::size_t i = 0;
  for (;;) {
    while (i < command.size() && (command[i] == ' ' || command[i] == '\t')) ++i;
    if (i == command.size()) break;
    std::string arg;
    bool quoted = false;
    for (; i < command.size(); ++i) {
      const char c = command[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else {
        arg += c;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

bool IsReservedInExec(char c) {
  static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  return kReserved.find(c) != std::string_view::npos ||
         (static_cast<unsigned char>(c) < 0x20 || c == 0x7F);
}

// One argument of an Exec line: in double quotes when it holds a reserved character, with
// the four characters that stay special inside quotes escaped; a literal '%' doubled, so
// that it is no field code.
std::string ExecArgument(std::string_view arg) {
  bool quote = arg.empty();
  for (char c : arg) quote = quote || IsReservedInExec(c);
  std::string out;
  if (quote) out += '"';
  for (char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  if (quote) out += '"';
  return out;
}

// The string escapes of a desktop file, which a reader undoes before anything else.
std::string EscapeValue(std::string_view value) {
  static constexpr std::string_view kSpecial = "\\\n\r\t";
  static constexpr std::string_view kLetters = "\\nrt";
  std::string out;
  for (char c : value) {
    if (const std::size_t k = kSpecial.find(c); k != std::string_view::npos) {
      out += '\\';
      out += kLetters[k];
    } else {
      out += c;
    }
  }
  return out;
}

// A desktop file is UTF-8 without control characters; the menu text is shown, not run, so
// what does not fit is replaced rather than refused. A leading space would be trimmed away.
std::string NameValue(std::string_view menuText) {
  std::string clean;
  for (std::size_t i = 0; i < menuText.size();) {
    const std::size_t length = text::CharLength(menuText, i);
    const auto c = static_cast<unsigned char>(menuText[i]);
    if (length == 1 && (c >= 0x80 || c == 0x7F || (c < 0x20 && c != '\t'))) {
      clean += kReplacement;
    } else {
      clean.append(menuText.substr(i, length));
    }
    i += length;
  }
  std::string out = EscapeValue(clean);
  if (!out.empty() && out.front() == ' ') out.replace(0, 1, "\\s");
  return out;
}

void WriteText(const std::string& path, const std::string& content) {
  RewriteFile(path, [&](std::optional<std::string_view> current) -> std::optional<std::string> {
    if (current && *current == content) return std::nullopt;
    return content;
  });
}

// Read permission becomes execute permission too, for whoever may read the file.
void MakeExecutable(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const mode_t mode = st.st_mode & 07777;
    const mode_t wanted = mode | ((mode & 0444) >> 2);
    if (wanted != mode) fchmod(fd, wanted);
  }
  close(fd);
}

}  // namespace

std::string UserBaseFolder(const char* variable, std::string_view belowHome) {
  if (const char* value = std::getenv(variable); value && *value == '/') return value;
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  std::string folder = home;
  if (folder.back() != '/') folder += '/';
  folder += belowHome;
  return folder;
}

std::string MenuFileName(std::string_view verb) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name = "org.zendrel.";
  for (char c : verb) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') {
      name += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      name += '_';
      name += kHex[byte >> 4];
      name += kHex[byte & 0xF];
    }
  }
  name += ".desktop";
  return name;
}

std::string ExecFromCommand(std::string_view command) {
  // The form the program registers is taken whole first: a Linux path may hold a double
  // quote, which no Windows path can, and the plain split would cut the program there.
  constexpr std::string_view kFolderArgument = "\" \"%1\"";
  std::vector<std::string> args;
  if (command.size() > kFolderArgument.size() + 1 && command.front() == '"' &&
      command.substr(command.size() - kFolderArgument.size()) == kFolderArgument) {
    args = {std::string(command.substr(1, command.size() - kFolderArgument.size() - 1)), "%1"};
  } else {
    args = SplitCommand(command);
  }
  if (args.empty() || args.front().empty()) return {};
  const std::string program = ToLocalPath(args.front());
  if (program.rfind(kNoSuchShare, 0) == 0) return {};
  std::string exec = ExecArgument(program);
  for (std::size_t i = 1; i < args.size(); ++i) {
    exec += ' ';
    exec += args[i] == "%1" ? std::string("%f") : ExecArgument(args[i]);
  }
  return EscapeValue(exec);
}

std::string DesktopEntryText(std::string_view menuText, std::string_view exec) {
  std::string out = "[Desktop Entry]\nType=Application\nName=";
  out += NameValue(menuText);
  out += "\nExec=";
  out += exec;
  out += "\nMimeType=inode/directory;\nNoDisplay=true\n";
  return out;
}

std::string ServiceMenuText(std::string_view menuText, std::string_view exec) {
  // The service type line is what Plasma 5 looks for; Plasma 6 goes by MimeType alone.
  // TopLevel puts the verb in the context menu itself, where Windows shows it.
  std::string out =
      "[Desktop Entry]\nType=Service\nMimeType=inode/directory;\nActions=open;\n"
      "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\nX-KDE-Priority=TopLevel\n"
      "\n[Desktop Action open]\nName=";
  out += NameValue(menuText);
  out += "\nExec=";
  out += exec;
  out += '\n';
  return out;
}

void UpdateFolderVerbMenus(std::string_view verb, std::string_view menuText,
                           std::string_view command) {
  const std::string base = UserBaseFolder("XDG_DATA_HOME", ".local/share");
  if (base.empty()) return;
  const std::string name = MenuFileName(verb);
  const std::string applications = base + "/applications";
  const std::string serviceMenus = base + "/kio/servicemenus";
  const std::string exec = ExecFromCommand(command);
  if (exec.empty()) {
    unlink((applications + "/" + name).c_str());
    unlink((serviceMenus + "/" + name).c_str());
    return;
  }
  MakeFolders(applications);
  WriteText(applications + "/" + name, DesktopEntryText(menuText, exec));
  MakeFolders(serviceMenus);
  WriteText(serviceMenus + "/" + name, ServiceMenuText(menuText, exec));
  MakeExecutable(serviceMenus + "/" + name);
}

}  // namespace zendrel::platform::posix
