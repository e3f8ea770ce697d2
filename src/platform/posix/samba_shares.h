// The shares this machine's Samba server offers, as its configuration file (smb.conf)
// describes them, and the universal name (\\server\share\...) under which Windows clients
// reach a local path inside one of them.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zendrel::platform::posix {

struct SambaShare {
  std::string name;  // as the configuration writes it
  std::string path;  // absolute, without a trailing '/' unless it is "/"
};

struct SambaShares {
  std::string netbiosName;  // empty when the configuration sets none
  std::vector<SambaShare> shares;
  // Where the server finds the shares users make ("usershare path"; empty: the default),
  // and whether it serves them ("usershare max shares" not 0; Debian's server does by
  // default).
  std::string usersharePath;
  bool usershares = true;
};

// The text of a file the configuration includes, or nullopt when there is none.
using ReadInclude = std::function<std::optional<std::string>(const std::string& path)>;

// The file shares of a configuration text. Lines go on after a trailing backslash; '#' and
// ';' start comments; parameter names match without regard to case, blanks or underscores;
// a section of a name seen before adds to it; "include = file" reads the file where it
// stands (through `readInclude`, when given). Passed over: [global], [homes], [printers],
// printer shares, shares switched off with "available = no", and shares whose path is not
// absolute or depends on the user or client ('%' substitutions). Nothing in the text can
// make this fail.
SambaShares ParseSambaConfig(std::string_view text, const ReadInclude& readInclude = {});

// One share a user made with "net usershare": its file's "path=" and "sharename=" lines (the
// file's name when the latter is missing). nullopt without a usable path.
std::optional<SambaShare> ParseUsershare(std::string_view text, std::string_view fileName);

// The configuration file the server reads when started without -s.
std::string DefaultSambaConfigPath();

// The configuration at `path` (empty: ZENDREL_SMB_CONF, else the default) with the files it
// includes and the users' shares, the share paths resolved through symbolic links where they
// exist. Empty when there is no such file or it cannot be read; at most kSambaConfigReadLimit
// bytes are taken from the configuration and its includes together.
SambaShares ReadSambaShares(const std::string& path);
inline constexpr std::size_t kSambaConfigReadLimit = 1u << 20;

// The name clients use for this server: the configured NetBIOS name, else the host name up
// to its first dot.
std::string SambaServerName(const SambaShares& config);

// The share whose path holds an absolute, resolved path (of two, the one with the longer
// path), or nullptr.
const SambaShare* ShareHolding(const SambaShares& config, std::string_view resolvedPath);

// The universal name of an absolute, resolved path inside one of the shares (the one with
// the longest path that holds it), or nullopt when none holds it or a component of the path
// has a character no Windows name can have (the server would show it under another name).
std::optional<std::string> SambaUniversalName(const SambaShares& config,
                                              const std::string& serverName,
                                              std::string_view resolvedPath);

}  // namespace zendrel::platform::posix
