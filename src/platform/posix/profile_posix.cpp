// The profile functions of the Linux build: our INI engine over whole-file reads and locked,
// atomic rewrites. A universal name is read and written through the mount behind it.
#include <sys/stat.h>

#include <ctime>

#include "platform/posix/atomic_file.h"
#include "platform/posix/code_page.h"
#include "platform/posix/ini_document.h"
#include "platform/posix/mount_table.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

// The catalogue asks one small file for two values of every icon. The last small file read
// is kept while the name still leads to the same, unchanged file (same inode, size, change
// and write times). File times move in clock ticks, so a file changed in the last two
// seconds could change again without its times showing it: such a file is not kept. Large
// files are always read afresh.
constexpr off_t kRememberedSize = 64 * 1024;

struct Remembered {
  std::string path;
  struct stat status = {};
  std::string bytes;
};

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Calls `use` with the file's bytes; false when it cannot be read.
template <typename Use>
bool WithBytes(const std::string& file, Use&& use) {
  static Remembered remembered;
  const std::string local = posix::ToLocalPath(file);
  struct stat status;
  if (stat(local.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
      status.st_size <= kRememberedSize) {
    if (remembered.path == local && SameFile(remembered.status, status)) {
      use(std::string_view(remembered.bytes));
      return true;
    }
    const std::optional<posix::FileBytes> bytes = posix::ReadWholeFile(local);
    if (!bytes) return false;
    const time_t settled = time(nullptr) - 2;
    if (status.st_mtim.tv_sec < settled && status.st_ctim.tv_sec < settled) {
      remembered = {local, status, std::string(bytes->view())};
    } else {
      remembered = {};
    }
    use(bytes->view());
    return true;
  }
  const std::optional<posix::FileBytes> bytes = posix::ReadWholeFile(local);
  if (!bytes) return false;
  use(bytes->view());
  return true;
}

// A folder's desktop.ini is read by Windows machines that reach the folder over the network.
// Their profile functions read a file without a byte-order mark in their own code page, where
// our UTF-8 would come out garbled; a file in UTF-16LE with the mark they read as Unicode. So
// text outside ASCII turns a new or ANSI desktop.ini into UTF-16LE. Every other INI file takes
// new text in its own encoding: UTF-8, or the Windows code page of a file from Windows.
bool IsReadByWindows(const std::string& local) {
  const std::size_t slash = local.rfind('/');
  const std::string_view name =
      std::string_view(local).substr(slash == std::string::npos ? 0 : slash + 1);
  return text::SameAsciiName(name, "desktop.ini");
}

// The converter and the rules for one call's file.
struct FileText {
  explicit FileText(const IniText& text)
      : codePage(text.windowsCodePage), ansi{&codePage, text.sharedWithWindows} {}
  posix::CodePage codePage;
  ini::Ansi ansi;
};

std::optional<std::string> Lookup(const std::string& file, const std::string& section,
                                  const std::string& key, const IniText& text) {
  FileText coding(text);
  std::optional<std::string> value;
  WithBytes(file, [&](std::string_view bytes) {
    value = ini::FindValue(bytes, section, key, coding.ansi);
  });
  return value;
}

// A desktop.ini taking text outside ASCII becomes UTF-16LE, holding what the file held in
// whichever encoding it was. A file with bytes that are text in neither stays as it is, the
// new line going in in the code page, so that no byte of it is lost to a replacement character.
std::optional<std::string> SetUnicodeValue(std::optional<std::string_view> bytes,
                                           const std::string& section, const std::string& key,
                                           const std::string& value, const ini::Ansi& ansi) {
  const std::optional<std::string> text =
      bytes ? ini::DecodeAnsi(*bytes, ansi) : std::optional<std::string>("");
  if (text) {
    const std::optional<std::string_view> before =
        bytes ? std::optional<std::string_view>(*text) : std::nullopt;
    const std::optional<std::string> edited = ini::SetValue(before, section, key, value);
    if (!edited) return std::nullopt;
    if (std::optional<std::string> wide = ini::AnsiToUtf16(*edited)) return wide;
  }
  return ini::SetValue(bytes, section, key, value, ansi);
}

}  // namespace

std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& fallback,
                          const IniText& text) {
  if (std::optional<std::string> value = Lookup(file, section, key, text)) {
    return text::CutToBuffer(*value);
  }
  std::string_view def(fallback);
  while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
  return text::CutToBuffer(def);
}

int ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
               int fallback, const IniText& text) {
  const std::optional<std::string> value = Lookup(file, section, key, text);
  if (!value || value->empty()) return fallback;
  return ini::ParseInt(text::CutToBuffer(*value));
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value, const IniText& text) {
  const std::string local = posix::ToLocalPath(file);
  const bool unicode = IsReadByWindows(local) && (ini::HasNonAscii(section) ||
                                                  ini::HasNonAscii(key) || ini::HasNonAscii(value));
  FileText coding(text);
  return posix::RewriteFile(local, [&](std::optional<std::string_view> bytes) {
    if (unicode) return SetUnicodeValue(bytes, section, key, value, coding.ansi);
    return ini::SetValue(bytes, section, key, value, coding.ansi);
  });
}

bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key,
                  const IniText& text) {
  FileText coding(text);
  return posix::RewriteFile(posix::ToLocalPath(file), [&](std::optional<std::string_view> bytes) {
    return ini::DeleteKey(bytes, section, key, coding.ansi);
  });
}

bool DeleteIniSection(const std::string& file, const std::string& section, const IniText& text) {
  FileText coding(text);
  return posix::RewriteFile(posix::ToLocalPath(file), [&](std::optional<std::string_view> bytes) {
    return ini::DeleteSection(bytes, section, coding.ansi);
  });
}

bool IniSectionHasKeys(const std::string& file, const std::string& section, const IniText& text) {
  FileText coding(text);
  bool has = false;
  WithBytes(file, [&](std::string_view bytes) {
    has = ini::SectionHasKeys(bytes, section, coding.ansi);
  });
  return has;
}

bool IniHasSections(const std::string& file, const IniText& text) {
  FileText coding(text);
  bool has = false;
  WithBytes(file, [&](std::string_view bytes) { has = ini::HasSections(bytes, coding.ansi); });
  return has;
}

}  // namespace zendrel::platform
