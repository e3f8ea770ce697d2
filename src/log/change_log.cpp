#include "log/change_log.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

#include "folder/file_status.h"
#include "platform/file_lock.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::log {

namespace {

// A record is one line of the log: a line break inside a text would end it early and turn
// the rest into lines of their own, even keys or sections of the log.
using text::OneLine;

// An info tip as the folder's desktop.ini received it: its lines joined by a space.
std::string InfoTipField(const std::string& infoTip) { return OneLine(infoTip, ' '); }

// A field that the record's readers split at commas.
std::string CommaFree(const std::string& field) {
  return text::ReplaceChar(OneLine(field, '?'), ',', '?');
}

// The folder's creation stamp; 0 when the folder has gone since the dialog closed.
std::uint32_t CreationStamp(const std::string& folder) {
  const std::optional<folder::FileStatus> status = folder::QueryStatus(folder);
  return status ? status->creationTime : 0;
}

struct LogFile {
  std::string path;  // "" when the log is switched off
  platform::IniText text;
};

// Only a folder on the network may go to the shared log, and only a program on the network
// has one; every other folder goes to the local log, unless the log is switched off.
//
// The shared log is written in the code page of the Windows machines that share it, so that
// every user's record of a folder has the same key, byte for byte. The local log is read only
// on this machine: it is in this machine's code page (UTF-8 on Linux, which holds any name).
LogFile ChooseLogFile(const config::ProgramPaths& paths, const std::string& keyPath) {
  LogFile log;
  log.text.windowsCodePage = paths.GetWindowsCodePage();
  if (text::IsUNC(keyPath)) log.path = paths.GetNetworkLogPath();
  log.text.sharedWithWindows = !log.path.empty();
  if (log.path.empty()) log.path = paths.GetDefaultLogPath();
  return log;
}

std::string FolderLogValue(const std::string& stamp, const folder::Choice& choice) {
  const std::string iconFile = choice.fileName.empty() ? catalogue::kStandardIcon : choice.fileName;
  return stamp + "," + CommaFree(iconFile) + "," + std::to_string(choice.iconIndex) + "," +
         InfoTipField(choice.infoTipText) + "," + (choice.thumbnailView ? "1" : "0");
}

std::string FolderOrgValue(const folder::FolderSettings& previous) {
  const std::string iconFile =
      previous.previousIconFile.empty() ? catalogue::kStandardIcon : previous.previousIconFile;
  return CommaFree(iconFile) + "," + std::to_string(previous.previousIconIndex) + "," +
         CommaFree(previous.previousConfirmValue) + "," + InfoTipField(previous.previousInfoTip) +
         "," + (previous.previousThumbnail ? "1" : "0");
}

// The fields of a record: `count` of them, the text between the first `count - 2` commas
// and the last one being one field (an info tip may hold commas). Fewer commas: nothing.
std::optional<std::vector<std::string>> SplitRecord(const std::string& value, std::size_t count) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t i = 0; i + 2 < count; ++i) {
    const std::size_t comma = value.find(',', start);
    if (comma == std::string::npos) return std::nullopt;
    fields.push_back(value.substr(start, comma - start));
    start = comma + 1;
  }
  const std::size_t last = value.rfind(',');
  if (last == std::string::npos || last < start) return std::nullopt;
  fields.push_back(value.substr(start, last - start));
  fields.push_back(value.substr(last + 1));
  return fields;
}

// A whole decimal number that fits 32 bits, as the log writes an icon index.
std::optional<std::int32_t> WholeNumber(const std::string& text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<bool> Flag(const std::string& text) {
  if (text == "0" || text == "1") return text == "1";
  return std::nullopt;
}

// Where a folder's records are: the log it goes to, its key there and the stamp of this
// instance of the folder.
struct FolderPlace {
  LogFile log;
  std::string key;
  std::string stamp;
};

FolderPlace PlaceOf(const platform::Host& host, const config::ProgramPaths& paths,
                    const std::string& targetFolder) {
  const std::string keyPath = host.ToUniversalName(targetFolder);
  return {ChooseLogFile(paths, keyPath), text::ReplaceChar(OneLine(keyPath, '?'), '=', '?'),
          text::HexNumber(CreationStamp(targetFolder))};
}

}  // namespace

FolderRecords ReadFolderRecords(const platform::Host& host, const config::ProgramPaths& paths,
                                const std::string& targetFolder) {
  FolderRecords records;
  const auto [log, folderKey, stamp] = PlaceOf(host, paths, targetFolder);
  records.logFile = log.path;
  if (log.path.empty()) return records;

  // Both records from one read of the log, which may be large.
  const platform::IniFileEdit logFile(log.path, log.text);
  const std::string origin = logFile.ReadString(kFolderOrgSection, folderKey + "," + stamp, "");
  if (!origin.empty()) {
    OriginRecord& record = records.origin;
    record.state = RecordState::kDamaged;
    const auto fields = SplitRecord(origin, 5);
    const auto index = fields ? WholeNumber((*fields)[1]) : std::nullopt;
    const auto thumbnail = fields ? Flag((*fields)[4]) : std::nullopt;
    if (index && thumbnail && !(*fields)[0].empty()) {
      record = {RecordState::kFound, (*fields)[0], *index, (*fields)[2], (*fields)[3], *thumbnail};
    }
  }

  // The last choice counts only for this instance of the folder.
  const std::string last = logFile.ReadString(kFolderLogSection, folderKey, "");
  if (!last.empty()) {
    LoggedChoice& record = records.last;
    record.state = RecordState::kDamaged;
    const auto fields = SplitRecord(last, 5);
    const auto index = fields ? WholeNumber((*fields)[2]) : std::nullopt;
    const auto thumbnail = fields ? Flag((*fields)[4]) : std::nullopt;
    if (fields && (*fields)[0] != stamp) {
      record.state = RecordState::kMissing;
    } else if (index && thumbnail && !(*fields)[1].empty()) {
      record = {RecordState::kFound, (*fields)[1], *index, (*fields)[3], *thumbnail};
    }
  }
  return records;
}

bool WriteChangeLog(const platform::Host& host, const config::ProgramPaths& paths,
                    const std::string& targetFolder, const std::string& settingsFilePath,
                    const folder::Choice& choice, const folder::FolderSettings& previous) {
  const auto [log, folderKey, stamp] = PlaceOf(host, paths, targetFolder);
  const std::string& logFile = log.path;
  if (logFile.empty()) return true;
  const bool settingsFileExists = folder::QueryStatus(settingsFilePath).has_value();

  // Several users may confirm into one shared log at once. Windows rewrites a profile file
  // in place, so two writers can lose each other's record and a reader can meet a half
  // written file; and the test for an earlier "FolderOrg" record and the write of a new one
  // are two steps, between which another writer could put in its own. Writers of the log
  // take turns, as far as the lock can be had within a moment.
  const platform::FileLock lock(logFile);

  // Both records change in one rewrite of the log: a reader, or the log after a crash, has
  // both of them or neither.
  platform::IniFileEdit edit(logFile, log.text);
  if (settingsFileExists) {
    edit.WriteString(kFolderLogSection, folderKey, FolderLogValue(stamp, choice));
  } else {
    edit.DeleteKey(kFolderLogSection, folderKey);
  }

  // The folder as it was before Zendrel first changed it, once per folder instance. A value
  // too long for the buffer comes back cut, which still counts as present.
  const std::string originKey = folderKey + "," + stamp;
  if (edit.ReadString(kFolderOrgSection, originKey, "").empty()) {
    edit.WriteString(kFolderOrgSection, originKey, FolderOrgValue(previous));
  }
  return edit.Commit();
}

}  // namespace zendrel::log
