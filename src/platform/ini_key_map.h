// Every key of an INI file, read once, for a caller that asks one file for many values (the
// icon catalogue asks its catalogue files for a label and an info tip of every icon): each
// answer is a hash look-up instead of another pass over the file.
//
// The map answers as the profile functions would for the file as it was read: the first
// section of a name and the first key of a name within it count, names match without regard
// to case and lose their surrounding blanks, values lose their blanks and one pair of quotes.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/profile.h"

namespace zendrel::platform {

class IniKeyMap {
 public:
  // The value of `key` in `section`, or nullptr when either is missing.
  const std::string* Find(std::string_view section, std::string_view key) const;

  // What ReadIniString gives for the same file: the value through a 260-byte buffer, or
  // `fallback` without its trailing spaces.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;

  bool empty() const { return values_.empty(); }

  // For the readers. A section counts only the first time its name is met: false for a
  // later one, whose keys the caller then leaves out.
  bool BeginSection(std::string_view section);
  // A key of the section begun last; a later key of the same name is ignored.
  void Add(std::string_view key, std::string_view value);

 private:
  std::string section_;                       // the folded name of the section begun last
  std::unordered_set<std::string> sections_;  // the folded names met so far
  std::unordered_map<std::string, std::string> values_;  // folded "section\nkey" -> value
};

// The keys of `file`; an empty map when it cannot be read.
IniKeyMap ReadIniKeyMap(const std::string& file, const IniText& text = {});

// How the build's profile functions compare a name: the name, blanks removed, in the form in
// which two names that match are equal.
std::string FoldIniName(std::string_view name);

}  // namespace zendrel::platform
