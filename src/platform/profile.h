// The profile (INI file) functions: the only way Zendrel reads or writes an INI file.
//
// Windows calls the system's own profile functions; Linux has its own engine that follows
// the same rules (names match without regard to case, values lose surrounding blanks and one
// pair of quotes, untouched lines stay byte for byte, UTF-16LE files stay UTF-16LE).
// Soft errors are handled here: a missing file reads as defaults, a refused write returns
// false and changes nothing.
#pragma once

#include <memory>
#include <string>

namespace zendrel::platform {

// The code page Zendrel's users share files with unless configured otherwise: Japanese.
inline constexpr unsigned kDefaultWindowsCodePage = 932;

// How the Linux build takes the text of an INI file without a byte-order mark, which Windows'
// profile functions read and write in the machine's ANSI code page. A file whose bytes are
// UTF-8 throughout is UTF-8, Linux's own; any other holds text from a Windows machine, in
// `windowsCodePage`. The Windows build ignores this: its files are in its own code page.
struct IniText {
  unsigned windowsCodePage = kDefaultWindowsCodePage;
  // A file that Windows and Linux users write alike (the shared change log): it is in the
  // code page whatever its bytes, so that both builds write the same bytes for the same text;
  // a character the code page cannot hold is '?', as in a Windows program.
  bool sharedWithWindows = false;
};

// The value of `key` in `section`, through a 260-byte buffer; `fallback` (trailing spaces
// removed) when the file, the section or the key is missing.
std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& fallback,
                          const IniText& text = {});

// The leading number of the value (wrapping modulo 2^32); 0 for a value that is present but
// no number; `fallback` when the file, the section or the key is missing, or the value empty.
int ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
               int fallback, const IniText& text = {});

// Sets a key, creating the file, the section and the key as needed.
bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value, const IniText& text = {});

// Removes one key; removing a key that is not there succeeds and changes nothing.
bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key,
                  const IniText& text = {});

// Removes a section's header and its key lines.
bool DeleteIniSection(const std::string& file, const std::string& section,
                      const IniText& text = {});

// Whether the first section of that name lists any key.
bool IniSectionHasKeys(const std::string& file, const std::string& section,
                       const IniText& text = {});

// Whether the file lists any section.
bool IniHasSections(const std::string& file, const IniText& text = {});

// The edits of one file that belong together, made as one change. Lookups through the object
// see the edits made so far. On Linux the edits are made on the file's bytes in memory and
// written in one replacement of the whole file, under its lock: a reader, and the file after
// a crash, shows all of them or none. On Windows each edit goes to the system's profile
// functions as it is made, and Commit reports whether every one of them was taken.
class IniFileEdit {
 public:
  explicit IniFileEdit(std::string file, const IniText& text = {});
  ~IniFileEdit();
  IniFileEdit(const IniFileEdit&) = delete;
  IniFileEdit& operator=(const IniFileEdit&) = delete;

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  bool SectionHasKeys(const std::string& section) const;
  bool HasSections() const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void DeleteKey(const std::string& section, const std::string& key);
  void DeleteSection(const std::string& section);

  // Writes the edits; true when the file now holds them, or none was needed.
  bool Commit();
  // Deletes the file instead of writing it, when the edits leave it listing nothing; false
  // when it could not be deleted. A link or anything else that is not a regular file is
  // never deleted.
  bool Remove();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zendrel::platform
