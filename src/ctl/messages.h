// zendrelctl's own texts: Japanese like the dialog's where the user's locale is Japanese,
// English elsewhere. Every text is UTF-8; "%1", "%2" stand for the values put in.
#pragma once

#include <string>
#include <vector>

namespace zendrel::ctl {

enum class Text {
  kUsage,
  kUnknownCommand,
  kUnknownOption,
  kMissingValue,
  kBadValue,
  kNoFolders,
  kOneIconChoice,
  kTipAndNoTip,
  kNotAFolder,
  kPathTooLong,
  kIconsNotLoaded,
  kIconNotInCatalogue,
  kSettingsNotWritten,
  kSettingsNotAFile,
  kLogNotWritten,
  kAttributesNotSet,
  kNoDataFolder,
  kLogOff,
  kNoOrigin,
  kDamagedOrigin,
  kSet,
  kRestored,
  kWouldWrite,
  kWouldRemoveIcon,
  kWouldKeepIcon,
  kIconLine,
  kStandardIconValue,
  kTipLine,
  kThumbnailLine,
  kFolderAttributesLine,
  kSettingsAttributesLine,
  kNoSettingsFile,
  kOn,
  kOff,
  kProgress,
  kProblemIconNotOpening,
  kProblemNotHidden,
  kProblemFolderNotReadOnly,
  kProblemLogMismatch,
  kProblemDamagedLog,
  kFixed,
  kNotFixed,
  kCheckSummary,
  kRegistered,
  kRegisteredForUser,
  kRegisterRefused,
  kUnregistered,
  kUnregisterRefused,
};

class Messages {
 public:
  // Japanese when `language` (the LANG variable) starts with "ja".
  explicit Messages(const char* language);
  bool japanese() const { return japanese_; }
  // The text with %1, %2 ... replaced by `values`.
  std::string operator()(Text id, const std::vector<std::string>& values = {}) const;

 private:
  bool japanese_;
};

}  // namespace zendrel::ctl
