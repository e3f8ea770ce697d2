#include "platform/posix/samba_shares.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "text/text.h"

namespace zendrel::platform::posix {

namespace {

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

}  // namespace

SambaShares ParseSambaConfig(std::string_view text) {
  SambaShares config;
  std::vector<Section> sections;
  Section* current = nullptr;
  bool inGlobal = false;
  for (const std::string& raw : LogicalLines(text)) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) {
        current = nullptr;
        inGlobal = false;
        continue;
      }
      const std::string name(Trim(line.substr(1, close - 1)));
      const std::string lower = Lower(name);
      inGlobal = lower == "global";
      current = nullptr;
      if (inGlobal || name.empty()) continue;
      const auto same = std::find_if(sections.begin(), sections.end(),
                                     [&](const Section& s) { return Lower(s.name) == lower; });
      if (same != sections.end()) {
        current = &*same;
      } else {
        sections.push_back(Section{name, {}, true, false});
        current = &sections.back();
      }
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string key = ParameterName(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (inGlobal) {
      if (key == "netbiosname") config.netbiosName = std::string(value);
    } else if (current) {
      if (key == "path" || key == "directory") {
        current->path = std::string(value);
      } else if (key == "available") {
        current->available = Boolean(value).value_or(current->available);
      } else if (key == "printable" || key == "printok") {
        current->printable = Boolean(value).value_or(current->printable);
      }
    }
  }
  for (const Section& section : sections) {
    const std::string lower = Lower(section.name);
    if (lower == "homes" || lower == "printers" || section.printable || !section.available)
      continue;
    if (section.path.empty() || section.path.front() != '/' ||
        section.path.find('%') != std::string::npos)
      continue;
    config.shares.push_back({section.name, WithoutTrailingSlash(section.path)});
  }
  return config;
}

std::string DefaultSambaConfigPath() { return "/etc/samba/smb.conf"; }

SambaShares ReadSambaShares(const std::string& path) {
  std::string file = path;
  if (file.empty()) {
    const char* fromEnvironment = std::getenv("ZENDREL_SMB_CONF");
    file = fromEnvironment && *fromEnvironment ? fromEnvironment : DefaultSambaConfigPath();
  }
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  std::string text;
  struct stat status;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
    text.resize(kSambaConfigReadLimit);
    std::size_t filled = 0;
    while (filled < text.size()) {
      const ssize_t got = read(fd, text.data() + filled, text.size() - filled);
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
  }
  close(fd);
  SambaShares config = ParseSambaConfig(text);
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
  if (!holder || serverName.empty()) return std::nullopt;
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
