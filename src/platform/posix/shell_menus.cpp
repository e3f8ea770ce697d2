#include "platform/posix/shell_menus.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/posix/atomic_file.h"
#include "platform/posix/data_folder.h"
#include "platform/posix/mount_table.h"
#include "text/text.h"

namespace zendrel::platform::posix {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
// The folder argument of a command, in the registry's form.
constexpr std::string_view kFolderMarker = "%1";

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

// A menu text as UTF-8 without control characters; the text is shown, not run, so what
// does not fit is replaced rather than refused.
std::string CleanMenuText(std::string_view menuText) {
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
  return clean;
}

// The menu text as a desktop file's value.
std::string NameValue(std::string_view menuText) {
  return EscapeDesktopValue(CleanMenuText(menuText));
}

// Character data of an XML element; nullopt for text XML 1.0 cannot hold (control
// characters, bytes that are not UTF-8).
std::optional<std::string> XmlText(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size();) {
    const std::size_t length = text::CharLength(value, i);
    const auto c = static_cast<unsigned char>(value[i]);
    if (length == 1 && (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r'))) {
      return std::nullopt;
    }
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out.append(value.substr(i, length));
    }
    i += length;
  }
  return out;
}

// The line that marks a Nautilus script as the one a verb wrote.
std::string ScriptMarker(std::string_view id) { return "# zendrel-verb " + std::string(id) + "\n"; }

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

// Writes the file, making its folders first; executable when a file manager needs it so.
void WriteMenuFile(const std::string& path, const std::string& content, bool executable) {
  MakePrivateFolders(path.substr(0, path.rfind('/')));
  WriteText(path, content);
  if (executable) MakeExecutable(path);
}

// Whether the Nautilus script at `path` is the one this verb wrote (or, with `orMissing`,
// is not there at all). A script of the user's own is never overwritten or removed.
bool IsOwnScript(const std::string& path, std::string_view id, bool orMissing) {
  const std::optional<FileBytes> bytes = ReadWholeFile(path);
  if (!bytes) {
    struct stat st;
    return orMissing && lstat(path.c_str(), &st) != 0 && errno == ENOENT;
  }
  const std::string head = "#!/bin/sh\n" + ScriptMarker(id);
  return bytes->view().substr(0, head.size()) == head;
}

// Removes the scripts this verb wrote under other names (the menu text has changed since),
// all but `keep`.
void RemoveOwnScripts(const std::string& folder, std::string_view id, const std::string& keep) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> found;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || name == keep) continue;
    if (IsOwnScript(folder + "/" + name, id, false)) found.push_back(name);
  }
  closedir(dir);
  for (const std::string& name : found) unlink((folder + "/" + name).c_str());
}

// --- uca.xml, read as far as finding the actions needs ---

struct ActionSpan {
  std::size_t begin = 0;  // the '<' of <action>
  std::size_t end = 0;    // just past </action>
  std::string id;         // its unique-id, entities resolved, blanks trimmed
};

struct UcaLayout {
  bool emptyRoot = false;  // <actions/>
  std::size_t rootBegin = 0;
  std::size_t rootEnd = 0;
  std::size_t rootClose = 0;  // the '<' of </actions>
  std::vector<ActionSpan> actions;
};

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r") == std::string_view::npos;
}

std::size_t LineStart(std::string_view text, std::size_t at) {
  const std::size_t newline = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
  return newline == std::string_view::npos ? 0 : newline + 1;
}

// Removes [begin, end), with its line when nothing else stands on that line.
void RemoveSpan(std::string& text, std::size_t begin, std::size_t end) {
  const std::size_t lineStart = LineStart(text, begin);
  std::size_t after = end;
  while (after < text.size() && (text[after] == ' ' || text[after] == '\t')) ++after;
  if (after + 1 < text.size() && text[after] == '\r' && text[after + 1] == '\n') ++after;
  if (IsBlank(std::string_view(text).substr(lineStart, begin - lineStart)) &&
      (after == text.size() || text[after] == '\n')) {
    begin = lineStart;
    end = std::min(after + 1, text.size());
  }
  text.erase(begin, end - begin);
}

// Past the comment, CDATA section, processing instruction or declaration at `at`; npos when
// it does not end. A declaration's internal subset may hold '>' inside brackets or quotes.
std::size_t SkipMarkup(std::string_view doc, std::size_t at) {
  const auto past = [&](std::string_view open, std::string_view close) {
    const std::size_t end = doc.find(close, at + open.size());
    return end == std::string_view::npos ? end : end + close.size();
  };
  if (doc.substr(at, 4) == "<!--") return past("<!--", "-->");
  if (doc.substr(at, 9) == "<![CDATA[") return past("<![CDATA[", "]]>");
  if (doc.substr(at, 2) == "<?") return past("<?", "?>");
  int brackets = 0;
  char quote = 0;
  for (std::size_t i = at + 2; i < doc.size(); ++i) {
    const char c = doc[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']') {
      --brackets;
    } else if (c == '>' && brackets <= 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

struct Tag {
  std::string_view name;
  std::size_t end = 0;  // past its '>'
  bool closing = false;
  bool empty = false;  // <name/>
};

// The start or end tag at `at`; nullopt for a broken one.
std::optional<Tag> ReadTag(std::string_view doc, std::size_t at) {
  Tag tag;
  std::size_t i = at + 1;
  if (i < doc.size() && doc[i] == '/') {
    tag.closing = true;
    ++i;
  }
  const std::size_t nameEnd = doc.find_first_of(" \t\r\n/>", i);
  if (nameEnd == std::string_view::npos || nameEnd == i) return std::nullopt;
  tag.name = doc.substr(i, nameEnd - i);
  char quote = 0;
  for (i = nameEnd; i < doc.size(); ++i) {
    const char c = doc[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '<') {
      return std::nullopt;
    } else if (c == '>') {
      tag.empty = !tag.closing && doc[i - 1] == '/';
      tag.end = i + 1;
      return tag;
    }
  }
  return std::nullopt;
}

// Character data with the predefined and numeric ASCII references resolved.
void AppendText(std::string& out, std::string_view raw) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  for (std::size_t i = 0; i < raw.size(); ++i) {
    bool replaced = false;
    for (const auto& [entity, c] : kEntities) {
      if (raw.substr(i, entity.size()) == entity) {
        out += c;
        i += entity.size() - 1;
        replaced = true;
        break;
      }
    }
    if (!replaced) out += raw[i];
  }
}

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first));
}

// Where the root <actions> and its <action> children lie; nullopt for a document that is
// not such a list or whose tags do not nest.
std::optional<UcaLayout> ReadUcaLayout(std::string_view doc) {
  UcaLayout layout;
  std::vector<std::string_view> open;  // the element names from the root down
  bool rootSeen = false;
  bool rootDone = false;
  std::optional<ActionSpan> action;
  std::optional<std::string> id;  // inside an action's <unique-id>
  std::size_t pos = 0;
  for (std::size_t lt; (lt = doc.find('<', pos)) != std::string_view::npos;) {
    if (id) AppendText(*id, doc.substr(pos, lt - pos));
    if (lt + 1 < doc.size() && (doc[lt + 1] == '!' || doc[lt + 1] == '?')) {
      pos = SkipMarkup(doc, lt);
      if (pos == std::string_view::npos) return std::nullopt;
      if (id && doc.substr(lt, 9) == "<![CDATA[") id->append(doc.substr(lt + 9, pos - lt - 12));
      continue;
    }
    const std::optional<Tag> tag = ReadTag(doc, lt);
    if (!tag) return std::nullopt;
    pos = tag->end;
    if (tag->closing) {
      if (open.empty() || open.back() != tag->name) return std::nullopt;
      open.pop_back();
      if (open.empty()) {
        layout.rootClose = lt;
        rootDone = true;
      } else if (open.size() == 2 && id && tag->name == "unique-id") {
        action->id = Trimmed(*id);
        id.reset();
      } else if (open.size() == 1 && action && tag->name == "action") {
        action->end = tag->end;
        layout.actions.push_back(std::move(*action));
        action.reset();
      }
      continue;
    }
    if (open.empty()) {
      if (rootSeen || tag->name != "actions") return std::nullopt;
      rootSeen = true;
      if (tag->empty) {
        layout.emptyRoot = true;
        layout.rootBegin = lt;
        layout.rootEnd = tag->end;
        rootDone = true;
        continue;
      }
    } else if (open.size() == 1 && tag->name == "action") {
      action = ActionSpan{lt, tag->end, {}};
      if (tag->empty) {
        layout.actions.push_back(std::move(*action));
        action.reset();
        continue;
      }
    } else if (open.size() == 2 && action && tag->name == "unique-id" && !tag->empty) {
      id.emplace();
    }
    if (!tag->empty) open.push_back(tag->name);
  }
  if (!rootDone || !open.empty()) return std::nullopt;
  return layout;
}

// The uca.xml Thunar reads when the user has none: the first in the system's configuration
// folders.
std::optional<FileBytes> SystemThunarActions() {
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  const std::string_view list = dirs && *dirs ? dirs : "/etc/xdg";
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t colon = list.find(':', start);
    if (colon == std::string_view::npos) colon = list.size();
    const std::string_view folder = list.substr(start, colon - start);
    if (!folder.empty() && folder.front() == '/') {
      if (std::optional<FileBytes> bytes = ReadWholeFile(std::string(folder) + "/Thunar/uca.xml")) {
        return bytes;
      }
    }
    start = colon + 1;
  }
  return std::nullopt;
}

// Puts the action into the user's uca.xml or takes it out. A user without one starts from
// the system's, so that Thunar's own actions stay; without either, Thunar is not there and
// nothing is written.
void UpdateThunarActions(const std::string& config, std::string_view id,
                         const std::optional<std::string>& element) {
  const std::string folder = config + "/Thunar";
  const std::string path = folder + "/uca.xml";
  struct stat st;
  std::optional<FileBytes> seed;
  if (lstat(path.c_str(), &st) != 0) {
    if (!element) return;
    seed = SystemThunarActions();
    if (!seed) return;
    MakePrivateFolders(folder);
  }
  RewriteFile(path, [&](std::optional<std::string_view> current) -> std::optional<std::string> {
    if (!current && !seed) return std::nullopt;
    return MergeThunarAction(current ? *current : seed->view(), id, element);
  });
}

}  // namespace

std::string EscapeDesktopValue(std::string_view value) {
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
  // A leading space would be trimmed away.
  if (!out.empty() && out.front() == ' ') out.replace(0, 1, "\\s");
  return out;
}

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
  std::string name = "org.zendrel.";
  for (char c : verb) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') {
      name += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      name += '_';
      name += text::kHexDigits[byte >> 4];
      name += text::kHexDigits[byte & 0xF];
    }
  }
  name += ".desktop";
  return name;
}

std::optional<std::vector<std::string>> CommandArguments(std::string_view command) {
  // The form the program registers is taken whole first: a Linux path may hold a double
  // quote, which no Windows path can, and the plain split would cut the program there.
  constexpr std::string_view kFolderArgument = "\" \"%1\"";
  std::vector<std::string> args;
  if (command.size() > kFolderArgument.size() + 1 && command.front() == '"' &&
      command.substr(command.size() - kFolderArgument.size()) == kFolderArgument) {
    args = {std::string(command.substr(1, command.size() - kFolderArgument.size() - 1)),
            std::string(kFolderMarker)};
  } else {
    args = SplitCommand(command);
  }
  if (args.empty() || args.front().empty()) return std::nullopt;
  args.front() = ToLocalPath(args.front());
  if (args.front().rfind(kNoSuchShare, 0) == 0) return std::nullopt;
  return args;
}

std::string ExecFromCommand(std::string_view command) {
  const std::optional<std::vector<std::string>> args = CommandArguments(command);
  if (!args) return {};
  std::string exec;
  for (const std::string& arg : *args) {
    if (!exec.empty()) exec += ' ';
    exec += arg == kFolderMarker ? std::string("%f") : ExecArgument(arg);
  }
  return EscapeDesktopValue(exec);
}

std::string ShellCommandLine(const std::vector<std::string>& args, std::string_view folderToken,
                             bool doublePercent) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    if (arg == kFolderMarker) {
      line += folderToken;
      continue;
    }
    line += '\'';
    for (char c : arg) {
      if (c == '\'') {
        line += "'\\''";
      } else {
        line += c;
        if (c == '%' && doublePercent) line += '%';
      }
    }
    line += '\'';
  }
  return line;
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

std::string NautilusScriptText(std::string_view id, const std::vector<std::string>& args) {
  // Nautilus passes the selected items by name, in the folder it shows, where it starts the
  // script; a verb picked on the background applies to that folder. The program gets full
  // paths, as the Windows shell gives them.
  std::string out = "#!/bin/sh\n";
  out += ScriptMarker(id);
  out +=
      "[ \"$#\" -gt 0 ] || set -- \"$PWD\"\nfor folder do\n"
      "  case $folder in /*) ;; *) folder=$PWD/$folder ;; esac\n  ";
  out += ShellCommandLine(args, "\"$folder\"", false);
  out += " &\ndone\nwait\n";
  return out;
}

std::string NemoActionText(std::string_view menuText, const std::vector<std::string>& args) {
  // Nemo expands % codes in the label too.
  std::string label = NameValue(menuText);
  for (std::size_t i = label.find('%'); i != std::string::npos; i = label.find('%', i + 2)) {
    label.insert(i, 1, '%');
  }
  std::string out = "[Nemo Action]\nName=";
  out += label;
  out += "\nComment=";
  out += label;
  out += "\nExec=";
  out += EscapeDesktopValue(ShellCommandLine(args, "%F", true));
  out += "\nSelection=s\nExtensions=dir;\n";
  return out;
}

std::string FileManagerActionText(std::string_view menuText, const std::vector<std::string>& args) {
  std::string out = "[Desktop Entry]\nType=Action\nName=";
  out += NameValue(menuText);
  out += "\nTooltip=";
  out += NameValue(menuText);
  out += "\nProfiles=folder;\n\n[X-Action-Profile folder]\nName=";
  out += NameValue(menuText);
  out += "\nMimeTypes=inode/directory;\nExec=";
  out += EscapeDesktopValue(ShellCommandLine(args, "%f", true));
  out += '\n';
  return out;
}

std::optional<std::string> ThunarActionElement(std::string_view menuText, std::string_view id,
                                               const std::vector<std::string>& args) {
  const std::optional<std::string> command = XmlText(ShellCommandLine(args, "%f", true));
  if (!command) return std::nullopt;
  const std::string name = XmlText(CleanMenuText(menuText)).value_or(std::string(id));
  std::string out = "<action>\n\t<icon></icon>\n\t<name>";
  out += name;
  out += "</name>\n\t<unique-id>";
  out += id;
  out += "</unique-id>\n\t<command>";
  out += *command;
  out += "</command>\n\t<description>";
  out += name;
  out += "</description>\n\t<patterns>*</patterns>\n\t<directories/>\n</action>";
  return out;
}

std::string NautilusScriptName(std::string_view menuText, std::string_view verb) {
  std::string name;
  for (std::size_t i = 0; i < menuText.size();) {
    const std::size_t length = text::CharLength(menuText, i);
    const auto c = static_cast<unsigned char>(menuText[i]);
    if (length == 1 && (c >= 0x80 || c < 0x20 || c == 0x7F || c == '/')) {
      name += '_';
    } else {
      name.append(menuText.substr(i, length));
    }
    i += length;
  }
  if (name.empty()) name = verb.empty() ? std::string("Zendrel") : std::string(verb);
  // A leading dot would hide the script.
  if (name.front() == '.') name.insert(0, 1, '_');
  return name;
}

std::optional<std::string> MergeThunarAction(std::string_view file, std::string_view id,
                                             const std::optional<std::string>& element) {
  const std::optional<UcaLayout> layout = ReadUcaLayout(file);
  if (!layout) return std::nullopt;
  std::vector<const ActionSpan*> ours;
  for (const ActionSpan& action : layout->actions) {
    if (action.id == id) ours.push_back(&action);
  }
  std::string out(file);
  // Back to front, so that the places found stay valid.
  for (std::size_t k = ours.size(); k-- > 0;) {
    if (k == 0 && element) {
      out.replace(ours[k]->begin, ours[k]->end - ours[k]->begin, *element);
    } else {
      RemoveSpan(out, ours[k]->begin, ours[k]->end);
    }
  }
  if (element && ours.empty()) {
    if (layout->emptyRoot) {
      out.replace(layout->rootBegin, layout->rootEnd - layout->rootBegin,
                  "<actions>\n" + *element + "\n</actions>");
    } else {
      const std::size_t close = layout->rootClose;
      const std::size_t lineStart = LineStart(out, close);
      if (IsBlank(std::string_view(out).substr(lineStart, close - lineStart))) {
        out.insert(lineStart, *element + "\n");
      } else {
        out.insert(close, *element);
      }
    }
  }
  if (out == file) return std::nullopt;
  return out;
}

void UpdateFolderVerbMenus(std::string_view verb, std::string_view menuText,
                           std::string_view command) {
  const std::string data = UserBaseFolder("XDG_DATA_HOME", ".local/share");
  const std::string config = UserBaseFolder("XDG_CONFIG_HOME", ".config");
  if (data.empty() || config.empty()) return;
  const std::string name = MenuFileName(verb);
  const std::string id = name.substr(0, name.size() - std::string_view(".desktop").size());
  // The earlier version's application entry made the verb a handler of folders; it goes
  // whatever happens to the verb.
  unlink((data + "/applications/" + name).c_str());

  const std::string serviceMenu = data + "/kio/servicemenus/" + name;
  const std::string scripts = data + "/nautilus/scripts";
  const std::string nemoAction = data + "/nemo/actions/" + id + ".nemo_action";
  const std::string fileManagerAction = data + "/file-manager/actions/" + name;
  const std::optional<std::vector<std::string>> args = CommandArguments(command);
  const std::string scriptName = args ? NautilusScriptName(menuText, verb) : std::string();
  RemoveOwnScripts(scripts, id, scriptName);
  if (!args) {
    for (const std::string& path : {serviceMenu, nemoAction, fileManagerAction}) {
      unlink(path.c_str());
    }
    UpdateThunarActions(config, id, std::nullopt);
    return;
  }
  WriteMenuFile(serviceMenu, ServiceMenuText(menuText, ExecFromCommand(command)), true);
  const std::string script = scripts + "/" + scriptName;
  if (IsOwnScript(script, id, true)) WriteMenuFile(script, NautilusScriptText(id, *args), true);
  WriteMenuFile(nemoAction, NemoActionText(menuText, *args), false);
  WriteMenuFile(fileManagerAction, FileManagerActionText(menuText, *args), false);
  UpdateThunarActions(config, id, ThunarActionElement(menuText, id, *args));
}

}  // namespace zendrel::platform::posix
