#include "platform/posix/samba_shares.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "text/text.h"

namespace zendrel::platform::posix {

namespace {

constexpr char kDefaultUsersharePath[] = "/var/lib/samba/usershares";
constexpr std::size_t kMaxUsershares = 10000;
constexpr std::size_t kUsershareReadLimit = 64u << 10;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Samba's parameter names ignore case, blanks and underscores: "netbios name",
// "NetBIOSName" and "netbios_name" are one.
std::string ParameterName(std::string_view name) {
  std::string folded;
  for (const char c : name) {
    if (!IsBlank(c) && c != '_') folded += text::LowerAscii(c);
  }
  return folded;
}

std::string Lower(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) c = text::LowerAscii(c);
  return lower;
}

// Samba's booleans; nullopt for anything else, which Samba refuses too.
std::optional<bool> Boolean(std::string_view value) {
  const std::string v = Lower(value);
  if (v == "yes" || v == "true" || v == "1" || v == "on") return true;
  if (v == "no" || v == "false" || v == "0" || v == "off") return false;
  return std::nullopt;
}

struct Section {
  std::string name;
  std::string path;
  bool available = true;
  bool printable = false;
};

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// An absolute path that does not depend on the user or client ('%' substitutions).
bool UsablePath(const std::string& path) {
  return !path.empty() && path.front() == '/' && path.find('%') == std::string::npos;
}

// The logical lines of the text: a backslash at the end of a line joins the next to it.
std::vector<std::string> LogicalLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  bool continued = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!continued) current.clear();
    const bool joins = !line.empty() && line.back() == '\\';
    if (joins) line.remove_suffix(1);
    current += line;
    continued = joins;
    if (!joins) lines.push_back(current);
  }
  if (continued) lines.push_back(current);
  return lines;
}

// The bytes of a regular file, at most `limit` of them; nullopt when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> text;
  struct stat status;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
    text.emplace(std::min<std::size_t>(limit, static_cast<std::size_t>(status.st_size)), '\0');
    std::size_t filled = 0;
    while (filled < text->size()) {
      const ssize_t got = read(fd, text->data() + filled, text->size() - filled);
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
    }
    text->resize(filled);
  }
  close(fd);
  return text;
}

// The shares users made with "net usershare" (the file managers' sharing dialogs), one file
// each; a share of the configuration file keeps its name.
void AddUsershares(SambaShares& config) {
  const std::string folder =
      config.usersharePath.empty() ? kDefaultUsersharePath : config.usersharePath;
  struct Closer {
    void operator()(DIR* d) const { closedir(d); }
  };
  const std::unique_ptr<DIR, Closer> directory(opendir(folder.c_str()));
  if (!directory) return;
  std::size_t files = 0;
  while (const dirent* entry = readdir(directory.get())) {
    if (++files > kMaxUsershares) break;
    if (entry->d_name[0] == '.') continue;
    const std::optional<std::string> text =
        ReadSmallFile(folder + "/" + entry->d_name, kUsershareReadLimit);
    if (!text) continue;
    std::optional<SambaShare> share = ParseUsershare(*text, entry->d_name);
    if (!share) continue;
    const std::string lower = Lower(share->name);
    const bool taken = std::any_of(config.shares.begin(), config.shares.end(),
                                   [&](const SambaShare& s) { return Lower(s.name) == lower; });
    if (!taken) config.shares.push_back(std::move(*share));
  }
}

// Reads a configuration text, and the files it includes where they stand, section by
// section as the server does.
class ConfigParser {
 public:
  explicit ConfigParser(const ReadInclude& readInclude) : readInclude_(readInclude) {}

  void Feed(std::string_view text, int depth) {
    for (const std::string& raw : LogicalLines(text)) {
      const std::string_view line = Trim(raw);
      if (line.empty() || line.front() == '#' || line.front() == ';') continue;
      if (line.front() == '[') {
        Open(line);
        continue;
      }
      const std::size_t equals = line.find('=');
      if (equals == std::string_view::npos) continue;
      const std::string key = ParameterName(line.substr(0, equals));
      const std::string value(Trim(line.substr(equals + 1)));
      if (key == "include") {
        Include(value, depth);
      } else if (inGlobal_) {
        Global(key, value);
      } else if (current_ != kNone) {
        Share(sections_[current_], key, value);
      }
    }
  }

  SambaShares Finish() {
    for (const Section& section : sections_) {
      const std::string lower = Lower(section.name);
      if (lower == "homes" || lower == "printers" || section.printable || !section.available)
        continue;
      if (!UsablePath(section.path)) continue;
      config_.shares.push_back({section.name, WithoutTrailingSlash(section.path)});
    }
    return config_;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  // Deeper than this, an include is taken for one that includes itself; and a file that
  // includes itself more than once would otherwise be read a number of times that grows
  // with the power of the depth.
  static constexpr int kMaxIncludeDepth = 8;
  static constexpr int kMaxIncludes = 100;

  void Open(std::string_view line) {
    const std::size_t close = line.find(']');
    current_ = kNone;
    inGlobal_ = false;
    if (close == std::string_view::npos) return;
    const std::string name(Trim(line.substr(1, close - 1)));
    const std::string lower = Lower(name);
    inGlobal_ = lower == "global";
    if (inGlobal_ || name.empty()) return;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
      if (Lower(sections_[i].name) == lower) current_ = i;
    }
    if (current_ == kNone) {
      sections_.push_back(Section{name, {}, true, false});
      current_ = sections_.size() - 1;
    }
  }

  void Include(const std::string& path, int depth) {
    if (!readInclude_ || depth >= kMaxIncludeDepth || includes_ >= kMaxIncludes ||
        !UsablePath(path))
      return;
    ++includes_;
    if (const std::optional<std::string> text = readInclude_(path)) Feed(*text, depth + 1);
  }

  void Global(const std::string& key, const std::string& value) {
    if (key == "netbiosname") {
      config_.netbiosName = value;
    } else if (key == "usersharepath") {
      config_.usersharePath = value;
    } else if (key == "usersharemaxshares") {
      config_.usershares = value != "0";
    }
  }

  static void Share(Section& section, const std::string& key, const std::string& value) {
    if (key == "path" || key == "directory") {
      section.path = value;
    } else if (key == "available") {
      section.available = Boolean(value).value_or(section.available);
    } else if (key == "printable" || key == "printok") {
      section.printable = Boolean(value).value_or(section.printable);
    }
  }

  const ReadInclude& readInclude_;
  SambaShares config_;
  std::vector<Section> sections_;
  std::size_t current_ = kNone;
  bool inGlobal_ = false;
  int includes_ = 0;
};

}  // namespace

SambaShares ParseSambaConfig(std::string_view text, const ReadInclude& readInclude) {
  ConfigParser parser(readInclude);
  parser.Feed(text, 0);
  return parser.Finish();
}

std::optional<SambaShare> ParseUsershare(std::string_view text, std::string_view fileName) {
  SambaShare share{std::string(fileName), {}};
  for (const std::string& line : LogicalLines(text)) {
    if (line.starts_with("path=")) share.path = line.substr(5);
    if (line.starts_with("sharename=") && line.size() > 10) share.name = line.substr(10);
  }
  if (!UsablePath(share.path) || share.name.empty()) return std::nullopt;
  share.path = WithoutTrailingSlash(share.path);
  return share;
}

std::string DefaultSambaConfigPath() { return "/etc/samba/smb.conf"; }

SambaShares ReadSambaShares(const std::string& path) {
  std::string file = path;
  if (file.empty()) {
    const char* fromEnvironment = std::getenv("ZENDREL_SMB_CONF");
    file = fromEnvironment && *fromEnvironment ? fromEnvironment : DefaultSambaConfigPath();
  }
  std::size_t budget = kSambaConfigReadLimit;  // for the file and what it includes together
  const ReadInclude readInclude = [&budget](const std::string& included) {
    std::optional<std::string> text = ReadSmallFile(included, budget);
    if (text) budget -= text->size();
    return text;
  };
  const std::optional<std::string> text = readInclude(file);
  if (!text) return {};
  SambaShares config = ParseSambaConfig(*text, readInclude);
  if (config.usershares) AddUsershares(config);
  for (SambaShare& share : config.shares) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        realpath(share.path.c_str(), nullptr), &std::free);
    if (resolved) share.path = resolved.get();
  }
  return config;
}

std::string SambaServerName(const SambaShares& config) {
  if (!config.netbiosName.empty()) return config.netbiosName;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return "localhost";
  const std::string name(host);
  return name.substr(0, name.find('.'));
}

const SambaShare* ShareHolding(const SambaShares& config, std::string_view resolvedPath) {
  const SambaShare* holder = nullptr;
  for (const SambaShare& share : config.shares) {
    const std::string_view root = share.path == "/" ? std::string_view() : share.path;
    const bool holds = resolvedPath == share.path ||
                       (resolvedPath.starts_with(root) && resolvedPath.size() > root.size() &&
                        resolvedPath[root.size()] == '/');
    if (holds && (!holder || share.path.size() > holder->path.size())) holder = &share;
  }
  return holder;
}

std::optional<std::string> SambaUniversalName(const SambaShares& config,
                                              const std::string& serverName,
                                              std::string_view resolvedPath) {
  const SambaShare* holder = ShareHolding(config, resolvedPath);
  // Windows reaches no server or share whose name holds such a character.
  const auto reachable = [](std::string_view part) {
    return !part.empty() && part.find_first_of("\\/[]:|<>+=;,*?\"") == std::string_view::npos &&
           std::none_of(part.begin(), part.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  };
  if (!holder || !reachable(serverName) || !reachable(holder->name)) return std::nullopt;
  std::string name = "\\\\" + serverName + "\\" + holder->name;
  const std::size_t rootSize = holder->path == "/" ? 0 : holder->path.size();
  for (const char c : resolvedPath.substr(rootSize)) {
    // Samba shows a name with such a character under a made-up short name.
    if (c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
        c == '|' || static_cast<unsigned char>(c) < 0x20)
      return std::nullopt;
    name += c == '/' ? '\\' : c;
  }
  while (name.size() > 2 && name.back() == '\\') name.pop_back();
  return name;
}

}  // namespace zendrel::platform::posix
