// What the change-log tests look at: the records of a log file as they stand in its bytes,
// and the files of a folder.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zendrel::test {

// `name` inside `folder`, joined with the build's separator.
std::string Join(const std::string& folder, const std::string& name);

// The keys and values of every section of that name, read from the file's bytes: one entry
// per key line, so a key written twice would show up as one entry with a count of two.
struct Record {
  std::string value;
  int count = 0;
};
std::map<std::string, Record> SectionRecords(const std::string& file, const std::string& section);

// The names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// The creation stamp a record carries for an existing folder.
std::string StampOf(const std::string& folder);

}  // namespace zendrel::test
