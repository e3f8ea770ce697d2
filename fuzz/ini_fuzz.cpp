// Any bytes as an INI file, edited and read back, as UTF-8 and as text of a Windows code page.
// The first bytes choose the names and the value, the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/posix/code_page.h"
#include "platform/posix/ini_document.h"

using zendrel::fuzz::Check;

namespace ini = zendrel::platform::ini;

namespace {

// A name or value the engine reads back unchanged: printable ASCII, no brackets, '=' or ';',
// nothing that trimming or quote removal would take away.
std::string Plain(std::string_view raw, std::size_t length) {
  std::string out;
  for (char c : raw.substr(0, length)) {
    if (c >= 'a' && c <= 'z')
      out += c;
    else if (c >= '0' && c <= '9')
      out += c;
  }
  return out.empty() ? "x" : out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t head = input.size() < 12 ? input.size() : 12;
  const std::string section = Plain(input.substr(0, head), 4);
  const std::string key = Plain(input.substr(head < 4 ? head : 4), 4);
  const std::string value = Plain(input.substr(head < 8 ? head : 8), 4);
  const std::string file(input.substr(head));

  // Reading never fails, whatever the bytes.
  (void)ini::FindValue(file, section, key);
  (void)ini::SectionHasKeys(file, section);
  (void)ini::HasSections(file);
  (void)ini::ParseInt(file.substr(0, 64));

  // An ANSI lookup skips straight to the key's line; a UTF-16 lookup walks every line. The
  // same ASCII text in both encodings must give the same answers.
  bool ascii = file.compare(0, 2, "\xFF\xFE") != 0 && file.compare(0, 3, "\xEF\xBB\xBF") != 0;
  for (char c : file) ascii = ascii && static_cast<unsigned char>(c) < 0x80 && c != '\0';
  if (ascii) {
    std::string wide = "\xFF\xFE";
    for (char c : file) {
      wide += c;
      wide += '\0';
    }
    Check(ini::FindValue(file, section, key) == ini::FindValue(wide, section, key));
    const std::string shortKey = key.substr(0, 1);
    Check(ini::FindValue(file, section, shortKey) == ini::FindValue(wide, section, shortKey));
  }

  // A written key reads back, and a deleted one is gone.
  const std::optional<std::string> written = ini::SetValue(file, section, key, value);
  const std::string& after = written ? *written : file;
  Check(ini::FindValue(after, section, key) == value);
  std::optional<std::string> deleted = ini::DeleteKey(after, section, key);
  if (deleted) Check(deleted->size() < after.size());
  // The same edits made where the bytes are give the same bytes.
  std::string inPlace = file;
  Check(ini::SetValueInPlace(inPlace, section, key, value) == written.has_value());
  Check(inPlace == after);
  Check(ini::DeleteKeyInPlace(inPlace, section, key) == deleted.has_value());
  Check(inPlace == (deleted ? *deleted : after));
  (void)ini::DeleteSection(after, section);

  // The same bytes as a file from a Japanese Windows machine, and as one shared with Windows:
  // text outside ASCII written in either reads back.
  zendrel::platform::posix::CodePage codePage(932);
  for (const bool shared : {false, true}) {
    const ini::Ansi ansi{&codePage, shared};
    const std::string japanese = value + "\xE8\xA1\xA8";  // 表
    const std::optional<std::string> inCodePage = ini::SetValue(file, section, key, japanese, ansi);
    const std::string& edited = inCodePage ? *inCodePage : file;
    Check(ini::FindValue(edited, section, key, ansi) == japanese);
    (void)ini::SectionHasKeys(edited, section, ansi);
    (void)ini::DeleteKey(edited, section, key, ansi);
    (void)ini::DecodeAnsi(edited, ansi);
  }
  return 0;
}
