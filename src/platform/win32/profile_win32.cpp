#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/folder_ops.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::platform {

// The files are in this system's own code page, which the profile functions know: the text
// setting of the Linux build has nothing to say here.

namespace {

// Room for a key or section list; only whether it holds a name is looked at.
constexpr DWORD kListSize = 4096;

// The system trims only spaces from the names it is given, but every blank from the names it
// reads in the file, and not alike in every call under Wine: a name that starts with a tab
// would be written and never found again. Names are trimmed here as the file's are, before
// every call, so that whatever is written is read, changed and deleted by the same name.
std::string Name(const std::string& name) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v'; };
  std::size_t begin = 0, end = name.size();
  while (begin < end && blank(name[begin])) ++begin;
  while (end > begin && blank(name[end - 1])) --end;
  return name.substr(begin, end - begin);
}

}  // namespace

std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& fallback, const IniText&) {
  char buffer[text::kBufferSize] = {};
  const DWORD n = GetPrivateProfileStringA(Name(section).c_str(), Name(key).c_str(),
                                           fallback.c_str(), buffer, sizeof buffer, file.c_str());
  // A double-byte character cut at the buffer's end can leave its lead byte's place empty:
  // the text ends at the first NUL whatever count came back.
  return std::string(buffer, std::min<std::size_t>(n, std::strlen(buffer)));
}

int ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
               int fallback, const IniText&) {
  return static_cast<int>(
      GetPrivateProfileIntA(Name(section).c_str(), Name(key).c_str(), fallback, file.c_str()));
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value, const IniText&) {
  return WritePrivateProfileStringA(Name(section).c_str(), Name(key).c_str(), value.c_str(),
                                    file.c_str()) != FALSE;
}

bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key,
                  const IniText&) {
  return WritePrivateProfileStringA(Name(section).c_str(), Name(key).c_str(), nullptr,
                                    file.c_str()) != FALSE;
}

bool DeleteIniSection(const std::string& file, const std::string& section, const IniText&) {
  return WritePrivateProfileStringA(Name(section).c_str(), nullptr, nullptr, file.c_str()) != FALSE;
}

bool IniSectionHasKeys(const std::string& file, const std::string& section, const IniText&) {
  char list[kListSize] = {};
  // Each name ends in a NUL and the list in one more: a key with an empty name ("=v") is a
  // list of two NULs, which the count of bytes copied tells from an empty list.
  return GetPrivateProfileStringA(Name(section).c_str(), nullptr, "", list, kListSize,
                                  file.c_str()) > 0;
}

bool IniHasSections(const std::string& file, const IniText&) {
  char list[kListSize] = {};
  // The same for a section named "" ("[]").
  return GetPrivateProfileStringA(nullptr, nullptr, "", list, kListSize, file.c_str()) > 0;
}

}  // namespace zendrel::platform

namespace zendrel::platform {

// The system's profile functions take each edit as it comes; what is kept is whether all of
// them were taken.
struct IniFileEdit::State {
  std::string file;
  bool refused = false;
};

IniFileEdit::IniFileEdit(std::string file, const IniText&)
    : state_(std::make_unique<State>(State{std::move(file)})) {}

IniFileEdit::~IniFileEdit() = default;

std::string IniFileEdit::ReadString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
  return ReadIniString(state_->file, section, key, fallback);
}

bool IniFileEdit::SectionHasKeys(const std::string& section) const {
  return IniSectionHasKeys(state_->file, section);
}

bool IniFileEdit::HasSections() const { return IniHasSections(state_->file); }

void IniFileEdit::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  if (!WriteIniString(state_->file, section, key, value)) state_->refused = true;
}

void IniFileEdit::DeleteKey(const std::string& section, const std::string& key) {
  if (!DeleteIniKey(state_->file, section, key)) state_->refused = true;
}

void IniFileEdit::DeleteSection(const std::string& section) {
  if (!DeleteIniSection(state_->file, section)) state_->refused = true;
}

bool IniFileEdit::Commit() { return !state_->refused; }

bool IniFileEdit::Remove() { return IsReadableFile(state_->file) && RemoveFile(state_->file); }

}  // namespace zendrel::platform
