#include "config/program_paths.h"

#include "platform/directory.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::config {

namespace {

// The change log is on unless the configuration says 0.
bool LogIsOn(const std::string& configFile) {
  return platform::ReadIniInt(configFile, kConfigSection, kOutputLogFile, 1) != 0;
}

// The code pages a Windows machine may have as its ANSI code page: Thai, Japanese, Chinese
// (simplified and traditional), Korean, the European ones, and UTF-8.
bool IsAnsiCodePage(int number) {
  return number == 874 || number == 932 || number == 936 || number == 949 || number == 950 ||
         (number >= 1250 && number <= 1258) || number == 65001;
}

std::string InFolder(const std::string& folder, const char* name) {
  return text::CutToBuffer(text::AddTrailingSeparator(folder) + name);
}

}  // namespace

std::string ProgramPaths::GetModulePath() const {
  return host_.ToUniversalName(host_.ModuleFileName());
}

std::string ProgramPaths::GetModuleDirectory() const {
  return text::CutToBuffer(text::AddTrailingSeparator(text::RemoveFileSpec(GetModulePath())));
}

std::string ProgramPaths::ConfigFile() const {
  return InFolder(GetModuleDirectory(), kConfigFileName);
}

std::string ProgramPaths::GetDefaultIconPath() const {
  const std::string directory = GetModuleDirectory();
  std::string value = text::TrimBoth(platform::ReadIniString(InFolder(directory, kConfigFileName),
                                                             kConfigSection, kDefaultIconPath, ""));
  value = host_.ToUniversalName(value);
  // From the network, only an icon folder that every user reaches by the same name will do.
  if (!platform::IsDirectory(value) || (text::IsUNC(directory) && !text::IsUNC(value))) {
    value = InFolder(directory, kIconFolderName);
  }
  return text::CutToBuffer(text::AddTrailingSeparator(value));
}

std::string ProgramPaths::GetNetworkLogPath() const {
  const std::string directory = GetModuleDirectory();
  if (!text::IsUNC(directory)) return {};
  const std::string configFile = InFolder(directory, kConfigFileName);
  if (!LogIsOn(configFile)) return {};
  std::string value =
      text::TrimBoth(platform::ReadIniString(configFile, kConfigSection, kNetworkLogPath, ""));
  value = host_.ToUniversalName(value);
  if (!text::IsUNC(value) || !platform::IsDirectory(value)) value = directory;
  return InFolder(value, kNetworkLogName);
}

unsigned ProgramPaths::GetWindowsCodePage() const {
  const int number = platform::ReadIniInt(ConfigFile(), kConfigSection, kWindowsCodePage,
                                          platform::kDefaultWindowsCodePage);
  return IsAnsiCodePage(number) ? static_cast<unsigned>(number) : platform::kDefaultWindowsCodePage;
}

std::string ProgramPaths::GetDefaultLogPath() const {
  const std::string configFile = InFolder(GetModuleDirectory(), kConfigFileName);
  if (!LogIsOn(configFile)) return {};
  std::string value = platform::ReadIniString(configFile, kConfigSection, kDefaultLogPath, "");
  // Tested as read, before any trimming.
  if (!platform::IsDirectory(value)) value = host_.ExpandEnvironment("%WinDir%");
  return InFolder(text::TrimBoth(value), kLocalLogName);
}

}  // namespace zendrel::config
