// The configuration file and the paths derived from it and from the program's location.
// Nothing is cached: every call reads the file and asks the machine afresh.
#pragma once

#include <string>

#include "platform/host.h"

namespace zendrel::config {

inline constexpr char kConfigFileName[] = "ZenConfig.ini";
inline constexpr char kConfigSection[] = "ZendrelConfig";
inline constexpr char kDuplicateModule[] = "DuplicateModule";
inline constexpr char kDefaultIconPath[] = "DefaultIconPath";
inline constexpr char kOutputLogFile[] = "OutputLogFile";
inline constexpr char kDefaultLogPath[] = "DefaultLogPath";
inline constexpr char kNetworkLogPath[] = "NetworkLogPath";
inline constexpr char kWindowsCodePage[] = "WindowsCodePage";
inline constexpr char kIconFolderName[] = "Zendrel.icon";
inline constexpr char kLocalLogName[] = "Zendrel.log";
inline constexpr char kNetworkLogName[] = "Zendrel.LAN.log";

class ProgramPaths {
 public:
  explicit ProgramPaths(const platform::Host& host) : host_(host) {}

  // The executable's full path, in universal form when it runs from a network drive.
  std::string GetModulePath() const;
  // Its folder, ending in a separator.
  std::string GetModuleDirectory() const;
  // The folder of the icon files, ending in a separator.
  std::string GetDefaultIconPath() const;
  // The shared change log of a program that runs from the network, or "".
  std::string GetNetworkLogPath() const;
  // The local change log, or "" when the log is switched off.
  std::string GetDefaultLogPath() const;

  // The ANSI code page of the Windows machines that share files with this one (Linux only: on
  // Windows the system's own code page is the files'); 932 unless the configuration names
  // another code page Windows uses as an ANSI code page.
  unsigned GetWindowsCodePage() const;

  // The configuration file in the module directory.
  std::string ConfigFile() const;

 private:
  const platform::Host& host_;
};

}  // namespace zendrel::config
