#include "log/log_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "folder/file_status.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace zendrel::test {

std::string Join(const std::string& folder, const std::string& name) {
  return text::AddTrailingSeparator(folder) + name;
}

std::map<std::string, Record> SectionRecords(const std::string& file, const std::string& section) {
  std::map<std::string, Record> records;
  const std::string bytes = ReadBytes(file).value_or("");
  bool inside = false;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inside = line == "[" + section + "]";
    } else if (inside && line.find('=') != std::string::npos) {
      const std::size_t equals = line.find('=');
      Record& record = records[line.substr(0, equals)];
      record.value = line.substr(equals + 1);
      ++record.count;
    }
  }
  return records;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string StampOf(const std::string& folder) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "0x%x", folder::QueryStatus(folder).value().creationTime);
  return stamp;
}

}  // namespace zendrel::test
