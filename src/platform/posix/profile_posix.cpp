// The profile functions of the Linux build: our INI engine over whole-file reads and locked,
// atomic rewrites. A universal name is read and written through the mount behind it.
#include "platform/posix/atomic_file.h"
#include "platform/posix/ini_document.h"
#include "platform/posix/mount_table.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

std::optional<std::string> Lookup(const std::string& file, const std::string& section,
                                  const std::string& key) {
  const std::optional<posix::FileBytes> bytes = posix::ReadWholeFile(posix::ToLocalPath(file));
  if (!bytes) return std::nullopt;
  return ini::FindValue(bytes->view(), section, key);
}

}  // namespace

std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& fallback) {
  if (std::optional<std::string> value = Lookup(file, section, key)) {
    return text::CutToBuffer(*value);
  }
  std::string_view def(fallback);
  while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
  return text::CutToBuffer(def);
}

int ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
               int fallback) {
  const std::optional<std::string> value = Lookup(file, section, key);
  if (!value || value->empty()) return fallback;
  return ini::ParseInt(text::CutToBuffer(*value));
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
  return posix::RewriteFile(posix::ToLocalPath(file), [&](std::optional<std::string_view> bytes) {
    return ini::SetValue(bytes, section, key, value);
  });
}

bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key) {
  return posix::RewriteFile(posix::ToLocalPath(file), [&](std::optional<std::string_view> bytes) {
    return ini::DeleteKey(bytes, section, key);
  });
}

bool DeleteIniSection(const std::string& file, const std::string& section) {
  return posix::RewriteFile(posix::ToLocalPath(file), [&](std::optional<std::string_view> bytes) {
    return ini::DeleteSection(bytes, section);
  });
}

bool IniSectionHasKeys(const std::string& file, const std::string& section) {
  const std::optional<posix::FileBytes> bytes = posix::ReadWholeFile(posix::ToLocalPath(file));
  return bytes && ini::SectionHasKeys(bytes->view(), section);
}

bool IniHasSections(const std::string& file) {
  const std::optional<posix::FileBytes> bytes = posix::ReadWholeFile(posix::ToLocalPath(file));
  return bytes && ini::HasSections(bytes->view());
}

}  // namespace zendrel::platform
