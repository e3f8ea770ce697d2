// The shares this machine's Samba server offers, as its configuration file (smb.conf)
// describes them, and the universal name (\\server\share\...) under which Windows clients
// reach a local path inside one of them.
#pragma once

#include <cstddef>
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
};

// The file shares of a configuration text. Lines go on after a trailing backslash; '#' and
// ';' start comments; parameter names match without regard to case, blanks or underscores;
// a section of a name seen before adds to it. Passed over: [global], [homes], [printers],
// printer shares, shares switched off with "available = no", and shares whose path is not
// absolute or depends on the user or client ('%' substitutions). Nothing in the text can
// make this fail.
SambaShares ParseSambaConfig(std::string_view text);

// The configuration file the server reads when started without -s.
std::string DefaultSambaConfigPath();

// The configuration at `path` (empty: ZENDREL_SMB_CONF, else the default), its share paths
// resolved through symbolic links where they exist. Empty when there is no such file or it
// cannot be read; at most kSambaConfigReadLimit bytes are taken.
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
