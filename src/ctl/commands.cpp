#include "ctl/commands.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>

#include "config/program_paths.h"
#include "config/shell_registration.h"
#include "ctl/console.h"
#include "folder/file_status.h"
#include "log/change_log.h"
#include "log/customisation.h"
#include "platform/file_attributes.h"
#include "platform/folder_ops.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "text/text.h"
#include "ui/message_box.h"

namespace zendrel::ctl {

namespace {

using Json = nlohmann::ordered_json;

#ifdef _WIN32
constexpr char kDialogProgram[] = "Zendrel.exe";
#else
constexpr char kDialogProgram[] = "zendrel";
#endif

// A usage error: the words for it, and the usage text after them.
struct UsageError {
  std::string message;
};

enum class IconPick { kNone, kIcon, kStandard, kCurrent };

struct Options {
  std::string command;
  std::vector<std::string> paths;
  bool json = false;
  bool dryRun = false;
  bool recursive = false;
  bool fix = false;
  IconPick pick = IconPick::kNone;
  std::string iconName;
  std::optional<std::int32_t> iconIndex;
  std::optional<std::string> tip;
  bool noTip = false;
  std::optional<bool> thumbnail;
};

// Which options each command takes.
bool Takes(const std::string& command, const std::string& option) {
  static const std::vector<std::pair<std::string, std::vector<std::string>>> kAllowed = {
      {"show", {"--json"}},
      {"set",
       {"--icon", "--standard", "--current", "--tip", "--no-tip", "--thumbnail", "--dry-run"}},
      {"restore", {"--dry-run"}},
      {"icons", {"--json"}},
      {"check", {"--recursive", "--fix", "--json"}},
      {"register", {}},
      {"unregister", {}},
  };
  for (const auto& [name, options] : kAllowed) {
    if (name != command) continue;
    for (const std::string& allowed : options) {
      if (allowed == option) return true;
    }
  }
  return false;
}

Options Parse(const std::vector<std::string>& arguments, const Messages& say) {
  Options options;
  if (arguments.empty()) throw UsageError{};
  options.command = arguments[0];
  if (options.command != "show" && options.command != "set" && options.command != "restore" &&
      options.command != "icons" && options.command != "check" && options.command != "register" &&
      options.command != "unregister") {
    throw UsageError{say(Text::kUnknownCommand, {ToUtf8(options.command)})};
  }
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
      options.paths.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (!Takes(options.command, argument)) {
      throw UsageError{say(Text::kUnknownOption, {options.command, ToUtf8(argument)})};
    }
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw UsageError{say(Text::kMissingValue, {argument})};
      return arguments[++i];
    };
    const auto pick = [&](IconPick chosen) {
      if (options.pick != IconPick::kNone) throw UsageError{say(Text::kOneIconChoice)};
      options.pick = chosen;
    };
    if (argument == "--json") {
      options.json = true;
    } else if (argument == "--dry-run") {
      options.dryRun = true;
    } else if (argument == "--recursive") {
      options.recursive = true;
    } else if (argument == "--fix") {
      options.fix = true;
    } else if (argument == "--standard") {
      pick(IconPick::kStandard);
    } else if (argument == "--current") {
      pick(IconPick::kCurrent);
    } else if (argument == "--icon") {
      pick(IconPick::kIcon);
      const std::string& name = value();
      // "NAME,INDEX": the index is what follows the last comma, when that is a number.
      const std::size_t comma = text::FindLastChar(name, ',');
      std::int32_t index = 0;
      const char* end = name.data() + name.size();
      const bool numbered =
          comma != std::string::npos &&
          std::from_chars(name.data() + comma + 1, end, index) == std::from_chars_result{end, {}};
      options.iconName = numbered ? name.substr(0, comma) : name;
      if (numbered) options.iconIndex = index;
      if (options.iconName.empty())
        throw UsageError{say(Text::kBadValue, {argument, ToUtf8(name)})};
    } else if (argument == "--tip") {
      options.tip = value();
    } else if (argument == "--no-tip") {
      options.noTip = true;
    } else if (argument == "--thumbnail") {
      const std::string& state = value();
      if (state != "on" && state != "off") {
        throw UsageError{say(Text::kBadValue, {argument, ToUtf8(state)})};
      }
      options.thumbnail = state == "on";
    }
  }
  const bool takesPaths = options.command != "icons" && options.command != "register" &&
                          options.command != "unregister";
  if (takesPaths && options.paths.empty()) throw UsageError{say(Text::kNoFolders)};
  if (!takesPaths && !options.paths.empty()) {
    throw UsageError{say(Text::kUnknownOption, {options.command, ToUtf8(options.paths[0])})};
  }
  if (options.command == "set" && options.pick == IconPick::kNone) {
    throw UsageError{say(Text::kOneIconChoice)};
  }
  if (options.tip && options.noTip) throw UsageError{say(Text::kTipAndNoTip)};
  return options;
}

// The attribute byte as hexadecimal and letters, as the attrib command names the bits.
std::string AttributeText(std::uint8_t attributes) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02x", attributes);
  std::string out = hex;
  const std::pair<std::uint8_t, const char*> kLetters[] = {{folder::kReadOnly, " R"},
                                                           {folder::kHidden, " H"},
                                                           {folder::kSystem, " S"},
                                                           {folder::kDirectory, " D"},
                                                           {folder::kArchive, " A"}};
  for (const auto& [bit, letter] : kLetters) {
    if (attributes & bit) out += letter;
  }
  return out;
}

// What a folder's desktop.ini holds now, without the catalogue.
struct FolderState {
  folder::FolderSettings settings;
  std::optional<folder::FileStatus> folderStatus;
  std::optional<folder::FileStatus> fileStatus;
};

// One problem that check found, and what became of it.
struct Problem {
  std::string kind;
  std::string message;
  bool fixed = false;
};

class Commands {
 public:
  Commands(platform::Host& host, const Messages& say) : host_(host), paths_(host), say_(say) {}

  int Run(const Options& options) {
    if (options.command == "show") Show(options);
    if (options.command == "set") Set(options);
    if (options.command == "restore") Restore(options);
    if (options.command == "icons") Icons(options);
    if (options.command == "check") Check(options);
    if (options.command == "register") Register();
    if (options.command == "unregister") Unregister();
    return status_;
  }

 private:
  void Say(const std::string& line) { Write(Stream::kOut, line + "\n"); }
  // A folder that failed: its words on stderr, and exit status 1 at the end.
  void Fail(const std::string& line) {
    Write(Stream::kErr, "zendrelctl: " + line + "\n");
    status_ = kExitFolderFailed;
  }
  void Print(const Json& document) {
    Write(Stream::kOut, document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
  }

  // The folder named on the command line as a full path, as the dialog program takes it;
  // nothing, with the failure said, when it is no existing folder or its path is too long.
  std::optional<std::string> Folder(const std::string& argument) {
    const std::optional<std::string> target = platform::QualifyPath(argument);
    const std::optional<folder::FileStatus> status =
        target ? folder::QueryStatus(*target) : std::nullopt;
    if (!status || (status->attributes & folder::kDirectory) == 0) {
      Fail(say_(Text::kNotAFolder, {ToUtf8(argument)}));
      return std::nullopt;
    }
    if (text::AddTrailingSeparator(*target).size() +
            std::char_traits<char>::length(folder::kSettingsFileName) >
        platform::LongestPath()) {
      Fail(say_(Text::kPathTooLong, {ToUtf8(argument)}));
      return std::nullopt;
    }
    return target;
  }

  platform::IniText WindowsText() const { return {paths_.GetWindowsCodePage()}; }

  FolderState ReadState(const std::string& target) const {
    FolderState state;
    catalogue::IconCatalogue scratch;
    bool thumbnailView = false;
    state.settings = folder::ReadFolderSettings(scratch, thumbnailView, target,
                                                text::AddTrailingSeparator(target),
                                                platform::Icon(), "", WindowsText());
    state.folderStatus = folder::QueryStatus(target);
    state.fileStatus = folder::QueryStatus(state.settings.settingsFilePath);
    return state;
  }

  // What a confirmation refused, as the dialog says it.
  bool Confirmed(const log::Customisation& run, const folder::Choice& choice,
                 const std::string& shown) {
    const folder::ApplyResult result = log::ConfirmChoice(host_, paths_, run, choice);
    if (result.settingsFileFailed) {
      Fail(say_(result.settingsFileNotRegular ? Text::kSettingsNotAFile : Text::kSettingsNotWritten,
                {shown}));
    } else if (result.attributesFailed) {
      Fail(say_(Text::kAttributesNotSet, {shown}));
    }
    // A warning only: the folder's change stays, as in the dialog.
    if (result.logFailed)
      Write(Stream::kErr, "zendrelctl: " + say_(Text::kLogNotWritten, {shown}) + "\n");
    return result.Succeeded();
  }

  // What a confirmation would write, for --dry-run: `iconLine` says what becomes of the icon.
  void SayWouldWrite(const std::string& shown, const std::string& iconLine,
                     const folder::Choice& choice) {
    Say(say_(Text::kWouldWrite, {shown}));
    Say(iconLine);
    Say(say_(Text::kTipLine, {ToUtf8(choice.infoTipText)}));
    Say(say_(Text::kThumbnailLine, {say_(choice.thumbnailView ? Text::kOn : Text::kOff)}));
  }

  // --- show -------------------------------------------------------------------------------

  void Show(const Options& options) {
    Json folders = Json::array();
    for (const std::string& argument : options.paths) {
      const std::optional<std::string> target = Folder(argument);
      if (!target) continue;
      const FolderState state = ReadState(*target);
      const folder::FolderSettings& settings = state.settings;
      const bool standard = settings.previousIconFile == catalogue::kStandardIcon;
      if (options.json) {
        Json entry;
        entry["folder"] = ToUtf8(*target);
        entry["desktopIni"] = settings.settingsFileExisted;
        entry["iconFile"] = standard ? Json() : Json(ToUtf8(settings.previousIconFile));
        entry["iconIndex"] = settings.previousIconIndex;
        entry["infoTip"] = ToUtf8(settings.previousInfoTip);
        entry["thumbnailView"] = settings.previousThumbnail;
        entry["folderAttributes"] = state.folderStatus ? state.folderStatus->attributes : 0;
        entry["desktopIniAttributes"] =
            state.fileStatus ? Json(state.fileStatus->attributes) : Json();
        folders.push_back(entry);
        continue;
      }
      Say(ToUtf8(*target));
      Say(say_(Text::kIconLine, {standard ? say_(Text::kStandardIconValue)
                                          : ToUtf8(settings.previousIconFile) + "," +
                                                std::to_string(settings.previousIconIndex)}));
      Say(say_(Text::kTipLine, {ToUtf8(settings.previousInfoTip)}));
      Say(say_(Text::kThumbnailLine, {say_(settings.previousThumbnail ? Text::kOn : Text::kOff)}));
      Say(say_(Text::kFolderAttributesLine,
               {AttributeText(state.folderStatus ? state.folderStatus->attributes : 0)}));
      if (state.fileStatus) {
        Say(say_(Text::kSettingsAttributesLine, {AttributeText(state.fileStatus->attributes)}));
      } else {
        Say(say_(Text::kNoSettingsFile));
      }
    }
    if (options.json) Print(folders);
  }

  // --- set --------------------------------------------------------------------------------

  // The catalogue entry the options pick, as the chooser lists it; -1 when there is none.
  static int PickEntry(const Options& options, const catalogue::IconCatalogue& catalogue,
                       bool settingsFileExisted) {
    // In front: the current icon (when the folder has a desktop.ini), then the standard icon.
    const std::size_t standard = settingsFileExisted ? 1 : 0;
    switch (options.pick) {
      case IconPick::kCurrent:
        return 0;
      case IconPick::kStandard:
        return static_cast<int>(standard);
      case IconPick::kIcon:
        for (std::size_t k = standard + 1; k < catalogue.fileNames.size(); ++k) {
          if (text::SameAsciiName(catalogue.fileNames[k], options.iconName) &&
              (!options.iconIndex || catalogue.iconIndexes[k] == *options.iconIndex)) {
            return static_cast<int>(k);
          }
        }
        return -1;
      case IconPick::kNone:
        break;
    }
    return -1;
  }

  void Set(const Options& options) {
    for (const std::string& argument : options.paths) {
      const std::optional<std::string> target = Folder(argument);
      if (!target) continue;
      const std::string shown = ToUtf8(*target);
      catalogue::IconCatalogue catalogue;
      bool thumbnailView = false;
      log::Customisation run;
      if (!log::PrepareCustomisation(host_, paths_, *target, ui::CustomisationTexts(), catalogue,
                                     thumbnailView, run)) {
        Fail(say_(Text::kIconsNotLoaded, {shown, ToUtf8(run.iconDirectory)}));
        continue;
      }
      const int entry = PickEntry(options, catalogue, run.settings.settingsFileExisted);
      if (entry < 0) {
        std::string name = options.iconName;
        if (options.iconIndex) name.append(",").append(std::to_string(*options.iconIndex));
        Fail(say_(Text::kIconNotInCatalogue, {shown, ToUtf8(name)}));
        continue;
      }
      const auto k = static_cast<std::size_t>(entry);
      // As the chooser fills its controls on the entry's selection and reads them on OK: the
      // entry's own tip, and the box clear for the standard icon.
      const std::string tip =
          options.noTip ? "" : text::TrimEnd(options.tip ? *options.tip : catalogue.infoTips[k]);
      const bool standard = catalogue.fileNames[k] == catalogue::kStandardIcon;
      const bool thumbnail = options.thumbnail ? *options.thumbnail : !standard && thumbnailView;
      const folder::Choice choice = log::ChoiceOfEntry(catalogue, entry, tip, thumbnail);

      if (options.dryRun) {
        SayWouldWrite(shown,
                      standard ? say_(Text::kWouldRemoveIcon)
                      : entry == 0 && run.settings.settingsFileExisted
                          ? say_(Text::kWouldKeepIcon, {ToUtf8(run.settings.previousIconFile)})
                          : say_(Text::kIconLine, {ToUtf8(run.iconDirectory + choice.fileName) +
                                                   "," + std::to_string(choice.iconIndex)}),
                      choice);
        continue;
      }
      if (Confirmed(run, choice, shown)) Say(say_(Text::kSet, {shown}));
    }
  }

  // --- restore ----------------------------------------------------------------------------

  void Restore(const Options& options) {
    for (const std::string& argument : options.paths) {
      const std::optional<std::string> target = Folder(argument);
      if (!target) continue;
      const std::string shown = ToUtf8(*target);
      const log::FolderRecords records = log::ReadFolderRecords(host_, paths_, *target);
      if (records.logFile.empty()) {
        Fail(say_(Text::kLogOff, {shown}));
        continue;
      }
      const log::OriginRecord& origin = records.origin;
      if (origin.state != log::RecordState::kFound) {
        Fail(say_(
            origin.state == log::RecordState::kMissing ? Text::kNoOrigin : Text::kDamagedOrigin,
            {shown, ToUtf8(records.logFile)}));
        continue;
      }

      // The icon goes back as desktop.ini named it: the recorded name is the whole value.
      log::Customisation run;
      run.texts = ui::CustomisationTexts();
      run.targetFolder = *target;
      run.folderPrefix = text::AddTrailingSeparator(*target);
      run.platformId = host_.PlatformId();
      run.settings = ReadState(*target).settings;
      folder::Choice choice;
      choice.selectedIndex = -1;  // no entry of a catalogue: the icon is always written
      choice.fileName = origin.iconFile;
      choice.iconIndex = origin.iconIndex;
      choice.infoTipText = origin.infoTip;
      choice.thumbnailView = origin.thumbnailView;

      if (options.dryRun) {
        SayWouldWrite(shown,
                      origin.iconFile == catalogue::kStandardIcon
                          ? say_(Text::kWouldRemoveIcon)
                          : say_(Text::kIconLine, {ToUtf8(origin.iconFile) + "," +
                                                   std::to_string(origin.iconIndex)}),
                      choice);
        continue;
      }
      if (!Confirmed(run, choice, shown)) continue;
      // The confirmation keeps or drops its own "0"; the folder's earlier value comes back.
      const std::string& file = run.settings.settingsFilePath;
      const platform::IniText& iniText = run.settings.settingsText;
      if (folder::QueryStatus(file) &&
          platform::ReadIniString(file, folder::kShellClassInfo, folder::kConfirmFileOpKey, "",
                                  iniText) != origin.confirmValue) {
        const bool written =
            origin.confirmValue.empty()
                ? platform::DeleteIniKey(file, folder::kShellClassInfo, folder::kConfirmFileOpKey,
                                         iniText)
                : platform::WriteIniString(file, folder::kShellClassInfo, folder::kConfirmFileOpKey,
                                           origin.confirmValue, iniText);
        if (!written) {
          Fail(say_(Text::kSettingsNotWritten, {shown}));
          continue;
        }
      }
      Say(say_(Text::kRestored, {shown}));
    }
  }

  // --- icons ------------------------------------------------------------------------------

  void Icons(const Options& options) {
    catalogue::IconCatalogue catalogue;
    const std::string directory = paths_.GetDefaultIconPath();
    if (!catalogue.Load(directory, WindowsText())) {
      Fail(say_(Text::kIconsNotLoaded, {"zendrelctl", ToUtf8(directory)}));
      if (options.json) Print(Json::array());
      return;
    }
    Json icons = Json::array();
    for (std::size_t k = 0; k < catalogue.fileNames.size(); ++k) {
      const std::string file = ToUtf8(catalogue.fileNames[k]);
      const std::string label = k < catalogue.labels.size() ? ToUtf8(catalogue.labels[k]) : "";
      const std::string tip = k < catalogue.infoTips.size() ? ToUtf8(catalogue.infoTips[k]) : "";
      if (options.json) {
        icons.push_back({{"file", file},
                         {"index", catalogue.iconIndexes[k]},
                         {"label", label},
                         {"infoTip", tip}});
      } else {
        Say(file + "," + std::to_string(catalogue.iconIndexes[k]) + "\t" + label +
            (tip.empty() ? "" : "\t" + tip));
      }
    }
    if (options.json) Print(icons);
  }

  // --- check ------------------------------------------------------------------------------

  // The folders below `root` (itself first); links to folders are not followed.
  void Walk(const std::string& root, bool recursive,
            const std::function<void(const std::string&)>& visit) {
    visit(root);
    if (!recursive) return;
    std::error_code error;
    namespace fs = std::filesystem;
    fs::recursive_directory_iterator it(fs::path(root),
                                        fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
      std::error_code kindError;
      if (it->is_directory(kindError) && !it->is_symlink(kindError)) visit(it->path().string());
    }
  }

  // The catalogue entry of that file name (its bare name) and index; -1 when none.
  static int CatalogueEntry(const catalogue::IconCatalogue& catalogue, std::size_t first,
                            const std::string& iconFile, std::int32_t index) {
    const std::string bare = platform::BareFileName(iconFile);
    for (std::size_t k = first; k < catalogue.fileNames.size(); ++k) {
      if (text::SameAsciiName(catalogue.fileNames[k], bare) && catalogue.iconIndexes[k] == index) {
        return static_cast<int>(k);
      }
    }
    return -1;
  }

  // Confirms anew, through the chooser's steps, the icon named `iconFile` ("*" the standard
  // icon; with `mayKeepCurrent`, the folder's own when it is the current one; else the icon
  // folder's file of that name) with that tip and thumbnail view.
  bool Reconfirm(const std::string& target, const std::string& iconFile, std::int32_t iconIndex,
                 const std::string& tip, bool thumbnail, bool mayKeepCurrent) {
    catalogue::IconCatalogue catalogue;
    bool thumbnailView = false;
    log::Customisation run;
    if (!log::PrepareCustomisation(host_, paths_, target, ui::CustomisationTexts(), catalogue,
                                   thumbnailView, run)) {
      return false;
    }
    const std::size_t standard = run.settings.settingsFileExisted ? 1 : 0;
    int entry = -1;
    if (iconFile == catalogue::kStandardIcon) {
      entry = static_cast<int>(standard);
    } else if (mayKeepCurrent && run.settings.settingsFileExisted &&
               text::SameAsciiName(platform::BareFileName(run.settings.previousIconFile),
                                   platform::BareFileName(iconFile)) &&
               run.settings.previousIconIndex == iconIndex) {
      entry = 0;
    } else {
      entry = CatalogueEntry(catalogue, standard + 1, iconFile, iconIndex);
    }
    if (entry < 0) return false;
    const folder::Choice choice = log::ChoiceOfEntry(catalogue, entry, tip, thumbnail);
    return log::ConfirmChoice(host_, paths_, run, choice).Succeeded();
  }

  // The problems of one folder, repaired where `fix` asks it; empty for a folder that is not
  // customised. `customised` tells which.
  std::vector<Problem> CheckFolder(const std::string& target, bool fix, bool& customised) {
    const std::string shown = ToUtf8(target);
    const std::string file = text::AddTrailingSeparator(target) + folder::kSettingsFileName;
    const platform::IniText iniText = WindowsText();
    const std::string iconFile = text::TrimBoth(
        platform::ReadIniString(file, folder::kShellClassInfo, folder::kIconFileKey, "", iniText));
    const std::int32_t iconIndex =
        platform::ReadIniInt(file, folder::kShellClassInfo, folder::kIconIndexKey, 0, iniText);
    const std::string tip = text::TrimEnd(
        platform::ReadIniString(file, folder::kShellClassInfo, folder::kInfoTipKey, "", iniText));
    const bool thumbnail =
        platform::ReadIniString(file, folder::kFolderViews, folder::kThumbnailClassId, "",
                                iniText) == folder::kThumbnailClassId;
    const log::FolderRecords records = log::ReadFolderRecords(host_, paths_, target);
    const log::LoggedChoice& last = records.last;
    customised =
        !iconFile.empty() || !tip.empty() || thumbnail || last.state != log::RecordState::kMissing;
    std::vector<Problem> problems;
    if (!customised) return problems;

    // First what a new confirmation mends: it rewrites the file and sets the attributes too.
    if (!iconFile.empty()) {
      const std::optional<std::string> full = platform::SearchAndQualify(target, iconFile);
      if (!full || !platform::ExtractIcon(*full, iconIndex)) {
        // The icon folder's file of that name stands in for one that moved or went.
        problems.push_back({"icon-not-opening",
                            say_(Text::kProblemIconNotOpening, {shown, ToUtf8(iconFile)}), false});
        if (fix) {
          problems.back().fixed =
              Reconfirm(target, platform::BareFileName(iconFile), iconIndex, tip, thumbnail, false);
        }
      }
    }
    if (last.state == log::RecordState::kDamaged) {
      problems.push_back({"damaged-log-record", say_(Text::kProblemDamagedLog, {shown}), false});
    } else if (last.state == log::RecordState::kFound) {
      const std::string ownIcon = iconFile.empty() ? catalogue::kStandardIcon : iconFile;
      const bool standard = last.iconFile == catalogue::kStandardIcon;
      const bool sameIcon = text::SameAsciiName(platform::BareFileName(ownIcon),
                                                platform::BareFileName(last.iconFile)) &&
                            (standard || iconIndex == last.iconIndex);
      if (!sameIcon || tip != last.infoTip || thumbnail != last.thumbnailView) {
        problems.push_back({"log-mismatch", say_(Text::kProblemLogMismatch, {shown}), false});
        if (fix) {
          problems.back().fixed = Reconfirm(target, last.iconFile, last.iconIndex, last.infoTip,
                                            last.thumbnailView, true);
        }
      }
    }

    // Then the attributes, as they are after any such confirmation.
    const std::optional<folder::FileStatus> fileStatus = folder::QueryStatus(file);
    if (fileStatus && !(fileStatus->attributes & folder::kHidden)) {
      problems.push_back({"desktop-ini-not-hidden", say_(Text::kProblemNotHidden, {shown}), false});
      if (fix) {
        problems.back().fixed =
            folder::WriteAttributeByte(file, fileStatus->attributes | folder::kHidden);
      }
    }
    const std::optional<folder::FileStatus> folderStatus = folder::QueryStatus(target);
    if (fileStatus && folderStatus &&
        !(folderStatus->attributes & (folder::kReadOnly | folder::kSystem))) {
      problems.push_back(
          {"folder-not-read-only", say_(Text::kProblemFolderNotReadOnly, {shown}), false});
      if (fix) {
        // As a confirmation sets them: system too for an icon, unless the folder is hidden.
        std::uint8_t attributes = folderStatus->attributes | folder::kReadOnly;
        if (!iconFile.empty() && !(attributes & folder::kHidden)) attributes |= folder::kSystem;
        problems.back().fixed = folder::WriteAttributeByte(target, attributes);
      }
    }
    return problems;
  }

  void Check(const Options& options) {
    const bool progress = options.recursive && IsTerminal(Stream::kErr);
    std::size_t checked = 0, customisedCount = 0, problemCount = 0, fixedCount = 0;
    Json folders = Json::array();
    for (const std::string& argument : options.paths) {
      const std::optional<std::string> root = Folder(argument);
      if (!root) continue;
      Walk(*root, options.recursive, [&](const std::string& target) {
        ++checked;
        if (progress && checked % 50 == 0) {
          // Over the line before, which is never longer.
          std::string line(1, '\r');
          Write(Stream::kErr, line.append(say_(Text::kProgress, {std::to_string(checked)})));
        }
        bool customised = false;
        const std::vector<Problem> problems = CheckFolder(target, options.fix, customised);
        if (!customised) return;
        ++customisedCount;
        Json entry;
        entry["folder"] = ToUtf8(target);
        entry["problems"] = Json::array();
        for (const Problem& problem : problems) {
          ++problemCount;
          if (problem.fixed) ++fixedCount;
          if (!problem.fixed) status_ = kExitFolderFailed;
          if (options.json) {
            entry["problems"].push_back(
                {{"kind", problem.kind}, {"message", problem.message}, {"fixed", problem.fixed}});
          } else {
            Say(problem.message);
            if (options.fix) Say(say_(problem.fixed ? Text::kFixed : Text::kNotFixed));
          }
        }
        if (options.json) folders.push_back(entry);
      });
    }
    if (progress && checked >= 50) Write(Stream::kErr, "\n");
    const std::string summary =
        say_(Text::kCheckSummary, {std::to_string(checked), std::to_string(customisedCount),
                                   std::to_string(problemCount), std::to_string(fixedCount)});
    if (options.json) {
      Print({{"checked", checked},
             {"customised", customisedCount},
             {"problems", problemCount},
             {"fixed", fixedCount},
             {"folders", folders}});
    } else {
      Say(summary);
    }
  }

  // --- register, unregister ---------------------------------------------------------------

  // The folder verb runs the dialog program beside this one.
  std::string DialogProgram() const { return paths_.GetModuleDirectory() + kDialogProgram; }

  void Register() {
    platform::Registry& registry = platform::SystemRegistry();
    const config::Scope verb = config::Register(registry, DialogProgram()).verb;
    if (verb == config::Scope::kRefused) {
      Fail(say_(Text::kRegisterRefused));
      return;
    }
    registry.NotifyShell();
    Say(say_(verb == config::Scope::kMachine ? Text::kRegistered : Text::kRegisteredForUser));
  }

  void Unregister() {
    platform::Registry& registry = platform::SystemRegistry();
    const bool removed = config::Unregister(registry);
    // Even a refused removal may have taken the user's own part away.
    registry.NotifyShell();
    if (!removed) {
      Fail(say_(Text::kUnregisterRefused));
      return;
    }
    Say(say_(Text::kUnregistered));
  }

  platform::Host& host_;
  config::ProgramPaths paths_;
  const Messages& say_;
  int status_ = kExitDone;
};

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, platform::Host& host,
                   const Messages& messages) {
  Options options;
  try {
    options = Parse(arguments, messages);
  } catch (const UsageError& error) {
    if (!error.message.empty()) Write(Stream::kErr, "zendrelctl: " + error.message + "\n");
    Write(Stream::kErr, messages(Text::kUsage));
    return kExitUsage;
  }
  return Commands(host, messages).Run(options);
}

}  // namespace zendrel::ctl
