#include "platform/posix/ini_document.h"

#include "platform/posix/code_page.h"
#include "platform/posix/ini_scan.h"
#include "text/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace zendrel::platform::ini {

namespace {

enum class Encoding { kAnsi, kUtf8Bom, kUtf16Le, kCodePage };

constexpr std::string_view kCrLf = "\r\n";

// Blanks around names and values. Line ends never reach here; form feed is kept, as the
// system's own profile functions keep it.
bool IsIniBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view TrimIni(std::string_view s) {
  while (!s.empty() && IsIniBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsIniBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A section or key name given to a lookup or an edit loses the blanks a name in the file
// loses, in every operation alike: a name is written as it will be read, and one that ends in
// a blank finds, changes and deletes the line it wrote.
std::string_view TrimName(std::string_view s) { return TrimIni(s); }

// --- UTF-16LE <-> UTF-8 ---

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::uint16_t UnitAt(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                    (static_cast<unsigned char>(bytes[offset + 1]) << 8));
}

// Decodes whole units in [begin, end); a lone surrogate becomes U+FFFD.
void DecodeUtf16(std::string_view bytes, std::size_t begin, std::size_t end, std::string& out) {
  out.clear();
  for (std::size_t i = begin; i + 1 < end; i += 2) {
    std::uint32_t cp = UnitAt(bytes, i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < end) {
      const std::uint16_t low = UnitAt(bytes, i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
}

void AppendUnit(std::string& out, std::uint32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>((unit >> 8) & 0xFF);
}

// UTF-8 to UTF-16LE; a byte that starts no valid sequence becomes U+FFFD.
std::string EncodeUtf16(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::uint32_t cp = 0xFFFD;
    std::size_t length = 1;
    const auto cont = [&](std::size_t k) {
      return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    };
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF && cont(1)) {
      cp = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3F);
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF && cont(1) && cont(2)) {
      cp = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3F);
      if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF))
        length = 3;
      else
        cp = 0xFFFD;
    } else if (c >= 0xF0 && c <= 0xF4 && cont(1) && cont(2) && cont(3)) {
      cp = ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) |
           (s[i + 3] & 0x3F);
      if (cp >= 0x10000 && cp <= 0x10FFFF)
        length = 4;
      else
        cp = 0xFFFD;
    }
    i += length;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      AppendUnit(out, 0xD800 + (cp >> 10));
      AppendUnit(out, 0xDC00 + (cp & 0x3FF));
    } else {
      AppendUnit(out, cp);
    }
  }
  return out;
}

// --- the file as lines ---

struct Line {
  std::size_t begin = 0;  // first byte of the line's text
  std::size_t end = 0;    // just past the text, at the line end if any
  std::size_t next = 0;   // just past the line end
};

// Walks a file line by line. CRLF, LF and CR alone each end a line. The text of the current
// line is handed out as UTF-8: a view into the file for UTF-8 files, decoded for UTF-16 and
// for the code page. In the code pages of Windows, CR, LF, '=', blanks and the bytes of
// ASCII letters never occur inside a double-byte character, so the file's bytes are searched
// for them as they stand. Which of its two encodings an ANSI file is in matters only for
// text outside ASCII: a lookup of an ASCII name finds the same line in both, so the file is
// looked through only when such text is met.
class LineScanner {
 public:
  explicit LineScanner(std::string_view bytes, const Ansi& ansi = {})
      : bytes_(bytes), codePage_(ansi.codePage) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
      encoding_ = Encoding::kUtf16Le;
      start_ = 2;
      end_ = 2 + (bytes.size() - 2) / 2 * 2;  // an odd last byte is no character
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
      encoding_ = Encoding::kUtf8Bom;
      start_ = 3;
      end_ = bytes.size();
    } else {
      end_ = bytes.size();
      if (codePage_ && ansi.alwaysCodePage) encoding_ = Encoding::kCodePage;
      undecided_ = codePage_ && !ansi.alwaysCodePage;
    }
    pos_ = start_;
  }

  Encoding encoding() const {
    Decide();
    return encoding_;
  }
  std::size_t start() const { return start_; }
  // Back to the file's first line.
  void Rewind() { pos_ = start_; }
  // Where text appended at the end of the file goes.
  std::size_t end() const { return end_; }
  const Line& line() const { return line_; }
  std::string_view text() const { return text_; }

  bool Next() {
    if (pos_ >= end_) return false;
    line_.begin = pos_;
    if (encoding_ == Encoding::kUtf16Le) {
      NextUtf16();
    } else {
      NextAnsi();
    }
    pos_ = line_.next;
    return true;
  }

  // Moves to the next line whose first non-blank character is '[', skipping the lines in
  // between unread: outside the section asked for, only headers matter, and in a large file
  // looking at every line costs more than reading it. UTF-16 files are walked line by line.
  void SkipToHeader() {
    if (encoding_ == Encoding::kUtf16Le) return;
    const char* data = bytes_.data();
    for (std::size_t from = pos_; from < end_;) {
      const void* p = std::memchr(data + from, '[', end_ - from);
      if (!p) break;
      const std::size_t bracket = static_cast<const char*>(p) - data;
      std::size_t lineStart = bracket;
      while (lineStart > pos_ && IsIniBlank(data[lineStart - 1])) --lineStart;
      if (lineStart == pos_ || data[lineStart - 1] == '\n' || data[lineStart - 1] == '\r') {
        pos_ = lineStart;
        return;
      }
      from = bracket + 1;
    }
    pos_ = end_;
  }

  // For a lookup in an ANSI file: moves to the line of `key` in the section whose body starts
  // here and makes it the current line, without looking at the lines in between. False, and
  // positioned at the next header (or the end), when the section has no such key. The
  // candidates are the places where a header could begin or where the key's name, or a blank,
  // meets an '='; each is checked from the '=' backwards.
  bool SeekKeyLine(std::string_view key) {
    const char* data = bytes_.data();
    const std::size_t body = pos_;
    const KeyName name(key);
    for (std::size_t from = body; from < end_;) {
      const std::size_t q = FindKeyCandidate(data, from, end_, name);
      if (q >= end_) break;
      from = q + 1;
      std::size_t j = q;
      if (data[q] == '=') {
        while (j > body && IsIniBlank(data[j - 1])) --j;
        if (j - body < key.size() || !text::SameAsciiName({data + j - key.size(), key.size()}, key))
          continue;
        j -= key.size();
      }
      while (j > body && IsIniBlank(data[j - 1])) --j;
      if (j != body && data[j - 1] != '\n' && data[j - 1] != '\r') continue;
      pos_ = j;  // the line of the key, or of the next header
      if (data[q] == '[') return false;
      return Next();
    }
    pos_ = end_;
    return false;
  }

  bool IsAnsi() const { return encoding_ == Encoding::kAnsi || encoding_ == Encoding::kCodePage; }

  // Whether a key's line can be found by looking for the key's own bytes.
  bool CanSeek(std::string_view key) const {
    if (encoding_ == Encoding::kUtf16Le) return false;
    return !HasNonAscii(key) || !InCodePage();
  }

  // Text to be written that holds bytes of no UTF-8 was read from a file in the code page, where
  // they stood for themselves: a file of nothing but ASCII takes it in the code page, so that
  // those bytes read back as they were.
  void WriteCodePageFor(std::initializer_list<std::string_view> texts) {
    const bool utf8 = std::all_of(texts.begin(), texts.end(), IsUtf8);
    if (codePage_ && IsAnsi() && !utf8 && !HasNonAscii(bytes_)) {
      undecided_ = false;
      encoding_ = Encoding::kCodePage;
    }
  }

  // What a name or value given in UTF-8 stands for in this file.
  std::string Fit(std::string_view utf8) const {
    if (!HasNonAscii(utf8) || !InCodePage()) return std::string(utf8);
    std::string fitted;
    codePage_->Decode(codePage_->Encode(utf8), fitted);
    return fitted;
  }

  // Whether the file's last character is a line feed.
  bool EndsInLineFeed() const {
    if (encoding_ == Encoding::kUtf16Le)
      return end_ - start_ >= 2 && UnitAt(bytes_, end_ - 2) == '\n';
    return end_ > start_ && bytes_[end_ - 1] == '\n';
  }

  // Offset of the first '=' of a line's text, counted in the file's bytes.
  std::size_t RawEquals(const Line& line) const {
    if (encoding_ == Encoding::kUtf16Le) {
      for (std::size_t i = line.begin; i < line.end; i += 2) {
        if (UnitAt(bytes_, i) == '=') return i;
      }
      return line.end;
    }
    const void* eq = std::memchr(bytes_.data() + line.begin, '=', line.end - line.begin);
    return eq ? static_cast<const char*>(eq) - bytes_.data() : line.end;
  }

  std::string Encode(std::string_view utf8) const {
    if (encoding_ == Encoding::kUtf16Le) return EncodeUtf16(utf8);
    if (HasNonAscii(utf8) && InCodePage()) return codePage_->Encode(utf8);
    return std::string(utf8);
  }

 private:
  void NextAnsi() {
    const char* data = bytes_.data();
    const std::size_t stop = FindLineEnd(data, pos_, end_);
    line_.end = stop;
    if (stop >= end_) {
      line_.next = end_;
    } else if (data[stop] == '\r' && stop + 1 < end_ && data[stop + 1] == '\n') {
      line_.next = stop + 2;
    } else {
      line_.next = stop + 1;
    }
    text_ = bytes_.substr(line_.begin, line_.end - line_.begin);
    if ((undecided_ || encoding_ == Encoding::kCodePage) && HasNonAscii(text_) && InCodePage()) {
      scratch_.clear();
      codePage_->Decode(text_, scratch_);
      text_ = scratch_;
    }
  }

  // An ANSI file is in the code page when its bytes are not UTF-8 throughout.
  void Decide() const {
    if (!undecided_) return;
    undecided_ = false;
    if (!IsUtf8(bytes_)) encoding_ = Encoding::kCodePage;
  }

  bool InCodePage() const {
    Decide();
    return encoding_ == Encoding::kCodePage;
  }

  void NextUtf16() {
    std::size_t i = pos_;
    while (i < end_) {
      const std::uint16_t u = UnitAt(bytes_, i);
      if (u == '\r' || u == '\n') break;
      i += 2;
    }
    line_.end = i;
    if (i >= end_) {
      line_.next = end_;
    } else if (UnitAt(bytes_, i) == '\r' && i + 2 < end_ && UnitAt(bytes_, i + 2) == '\n') {
      line_.next = i + 4;
    } else {
      line_.next = i + 2;
    }
    DecodeUtf16(bytes_, line_.begin, line_.end, scratch_);
    text_ = scratch_;
  }

  std::string_view bytes_;
  posix::CodePage* codePage_;
  mutable Encoding encoding_ = Encoding::kAnsi;
  mutable bool undecided_ = false;
  std::size_t start_ = 0, end_ = 0, pos_ = 0;
  Line line_;
  std::string_view text_;
  std::string scratch_;
};

// --- one line's meaning ---

std::size_t FirstNonBlank(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsIniBlank(text[i])) ++i;
  return i;
}

// A header runs from '[' to the first ']' or to the end of the line.
std::string_view SectionName(std::string_view text, std::size_t bracket) {
  std::string_view rest = text.substr(bracket + 1);
  const std::size_t close = rest.find(']');
  if (close != std::string_view::npos) rest = rest.substr(0, close);
  return TrimIni(rest);
}

std::string FinishValue(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  const std::size_t nul = value.find('\0');
  if (nul != std::string_view::npos) value = value.substr(0, nul);
  return std::string(value);
}

// What a write needs to know about the first section of a name and one key in it.
struct Location {
  bool sectionFound = false;
  Line header;
  bool keyFound = false;
  Line keyLine;
  std::string keyValue;  // the value the key has now, as a read gives it
  bool anyKey = false;
  Line lastKey;  // the last key line of the section
};

// Whether a line, whose first non-blank character is at i, is the key line of `key`: the
// name runs from i to the first '=' and loses its trailing blanks. Comparing the name first
// spares a search for '=' on every line that is not the one asked for.
bool IsKeyLine(std::string_view text, std::size_t i, std::string_view key) {
  if (text.size() - i < key.size()) return false;
  std::size_t j = i + key.size();
  // Cheap refusals first: what follows the name, then the name from its end, where keys
  // that share a long beginning (paths) differ.
  if (j < text.size() && text[j] != '=' && !IsIniBlank(text[j])) return false;
  if (!text::SameAsciiName(text.substr(i, key.size()), key)) return false;
  while (j < text.size() && IsIniBlank(text[j])) ++j;
  return j < text.size() && text[j] == '=';
}

// A key name that no line can have: names never hold '=', never start or end in a blank,
// and a line starting with '[' or ';' is a header or a comment.
bool IsPossibleName(std::string_view key) {
  if (key.find('=') != std::string_view::npos) return false;
  return key.empty() || (!IsIniBlank(key.front()) && !IsIniBlank(key.back()) &&
                         key.front() != '[' && key.front() != ';');
}

enum class Scan {
  kFind,   // only the key
  kWrite,  // the key, and the last key line of the section for a key to follow
  kList,   // every key line of the section
};

// Scans up to the end of the first section named `section`.
template <typename OnKey>
Location Locate(LineScanner& scanner, std::string_view section, std::string_view key, Scan scan,
                OnKey&& onKey) {
  Location loc;
  const bool wantKey = scan != Scan::kList && IsPossibleName(key);
  // A plain lookup in an ANSI file goes from the header straight to the key's line.
  const bool seek = scan == Scan::kFind && wantKey && !key.empty() && scanner.CanSeek(key);
  const auto takeKey = [&] {
    const std::string_view text = scanner.text();
    loc.keyFound = true;
    loc.keyLine = scanner.line();
    loc.keyValue = FinishValue(TrimIni(text.substr(text.find('=') + 1)));
  };
  for (;;) {
    if (!loc.sectionFound) scanner.SkipToHeader();
    if (!scanner.Next()) break;
    const std::string_view text = scanner.text();
    const std::size_t i = FirstNonBlank(text);
    if (i == text.size() || text[i] == ';') continue;
    if (text[i] == '[') {
      if (loc.sectionFound) break;
      if (text::SameAsciiName(SectionName(text, i), section)) {
        loc.sectionFound = true;
        loc.header = scanner.line();
        if (seek) {
          if (scanner.SeekKeyLine(key)) takeKey();
          break;
        }
      }
      continue;
    }
    if (!loc.sectionFound) continue;
    if (wantKey && IsKeyLine(text, i, key)) {
      takeKey();
      break;
    }
    if (scan == Scan::kFind || text.find('=', i) == std::string_view::npos) continue;
    loc.anyKey = true;
    loc.lastKey = scanner.line();
    onKey(scanner.line());
  }
  return loc;
}

Location Locate(LineScanner& scanner, std::string_view section, std::string_view key, Scan scan) {
  return Locate(scanner, section, key, scan, [](const Line&) {});
}

std::string Splice(std::string_view bytes, std::size_t from, std::size_t to,
                   std::string_view insert) {
  std::string out;
  out.reserve(bytes.size() - (to - from) + insert.size());
  out.append(bytes.substr(0, from));
  out.append(insert);
  out.append(bytes.substr(to));
  return out;
}

std::string_view Bytes(std::optional<std::string_view> file) { return file.value_or(""); }

// The first byte outside ASCII at or after `from`, or the end. ASCII is most of any INI file:
// it is crossed 32 bytes at a time.
std::size_t SkipAscii(std::string_view s, std::size_t from) {
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  const char* data = s.data();
  std::size_t i = from;
  for (std::uint64_t w[4]; i + sizeof w <= s.size(); i += sizeof w) {
    std::memcpy(w, data + i, sizeof w);
    if (((w[0] | w[1] | w[2] | w[3]) & kHigh) != 0) break;
  }
  while (i < s.size() && static_cast<unsigned char>(data[i]) < 0x80) ++i;
  return i;
}

}  // namespace

std::optional<std::string> FindValue(std::string_view file, std::string_view section,
                                     std::string_view key, const Ansi& ansi) {
  LineScanner scanner(file, ansi);
  const Location loc =
      Locate(scanner, scanner.Fit(TrimName(section)), scanner.Fit(TrimName(key)), Scan::kFind);
  if (!loc.keyFound) return std::nullopt;
  return loc.keyValue;
}

bool SectionHasKeys(std::string_view file, std::string_view section, const Ansi& ansi) {
  LineScanner scanner(file, ansi);
  return Locate(scanner, scanner.Fit(TrimName(section)), {}, Scan::kList).anyKey;
}

bool HasSections(std::string_view file, const Ansi& ansi) {
  LineScanner scanner(file, ansi);
  for (;;) {
    scanner.SkipToHeader();
    if (!scanner.Next()) break;
    const std::string_view text = scanner.text();
    const std::size_t i = FirstNonBlank(text);
    if (i < text.size() && text[i] == '[') return true;
  }
  return false;
}

void ForEachKey(std::string_view file, const Ansi& ansi,
                const std::function<bool(std::string_view)>& onSection,
                const std::function<void(std::string_view, std::string_view)>& onKey) {
  LineScanner scanner(file, ansi);
  bool wanted = false;
  for (;;) {
    if (!wanted) scanner.SkipToHeader();
    if (!scanner.Next()) break;
    const std::string_view text = scanner.text();
    const std::size_t i = FirstNonBlank(text);
    if (i == text.size() || text[i] == ';') continue;
    if (text[i] == '[') {
      wanted = onSection(SectionName(text, i));
      continue;
    }
    const std::size_t equals = text.find('=', i);
    if (!wanted || equals == std::string_view::npos) continue;
    onKey(TrimIni(text.substr(i, equals - i)), FinishValue(TrimIni(text.substr(equals + 1))));
  }
}

int ParseInt(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
  unsigned base = 10;
  if (i + 1 < value.size() && value[i] == '0') {
    const char p = value[i + 1];
    if (p == 'x' || p == 'X') base = 16;
    if (p == 'o' || p == 'O') base = 8;
    if (p == 'b' || p == 'B') base = 2;
    if (base != 10) i += 2;
  }
  std::uint32_t result = 0;
  for (; i < value.size(); ++i) {
    const char c = value[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      break;
    if (digit >= base) break;
    result = result * base + digit;
  }
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}

namespace {

// One edit as the bytes to put in place of [from, to).
struct SpliceEdit {
  std::size_t from = 0;
  std::size_t to = 0;
  std::string insert;
};

std::optional<SpliceEdit> PlanSetValue(std::string_view bytes, std::string_view givenSection,
                                       std::string_view givenKey, std::string_view givenValue,
                                       const Ansi& ansi) {
  LineScanner scanner(bytes, ansi);
  scanner.WriteCodePageFor({givenSection, givenKey, givenValue});
  const std::string section = scanner.Fit(TrimName(givenSection));
  const std::string key = scanner.Fit(TrimName(givenKey));
  const std::string value = scanner.Fit(givenValue);
  // A key that is there is found the quick way of a lookup; only a new key needs the walk to
  // the section's last key line.
  Location loc = Locate(scanner, section, key, Scan::kFind);
  if (!loc.keyFound) {
    scanner.Rewind();
    loc = Locate(scanner, section, key, Scan::kWrite);
  }

  if (loc.keyFound) {
    if (loc.keyValue == value) return std::nullopt;
    // The key keeps its spelling and everything before the '='; only the value changes.
    const std::size_t eq = scanner.RawEquals(loc.keyLine);
    std::string replacement = scanner.Encode("=");
    replacement += scanner.Encode(value);
    return SpliceEdit{eq, loc.keyLine.end, std::move(replacement)};
  }

  std::string newKey(key);
  newKey += '=';
  newKey.append(value);
  newKey.append(kCrLf);

  if (loc.sectionFound) {
    // Right after the section's last key line, before its trailing comments and blanks.
    const Line& after = loc.anyKey ? loc.lastKey : loc.header;
    std::string insert;
    if (after.next == after.end) insert = scanner.Encode(kCrLf);  // last line had no line end
    insert += scanner.Encode(newKey);
    return SpliceEdit{after.next, after.next, std::move(insert)};
  }

  std::string block;
  // A file holding nothing but its byte-order mark is not empty: the header goes on a line
  // of its own after it, as Windows writes it.
  if (!bytes.empty() && !scanner.EndsInLineFeed()) block.append(kCrLf);
  block += '[';
  block.append(section);
  block += ']';
  block.append(kCrLf);
  block += newKey;
  return SpliceEdit{scanner.end(), scanner.end(), scanner.Encode(block)};
}

std::optional<SpliceEdit> PlanDeleteKey(std::string_view bytes, std::string_view section,
                                        std::string_view key, const Ansi& ansi) {
  LineScanner scanner(bytes, ansi);
  const Location loc =
      Locate(scanner, scanner.Fit(TrimName(section)), scanner.Fit(TrimName(key)), Scan::kFind);
  if (!loc.keyFound) return std::nullopt;
  return SpliceEdit{loc.keyLine.begin, loc.keyLine.next, {}};
}

std::optional<std::string> Spliced(std::string_view bytes, const std::optional<SpliceEdit>& edit) {
  if (!edit) return std::nullopt;
  return Splice(bytes, edit->from, edit->to, edit->insert);
}

bool SplicedInPlace(std::string& bytes, const std::optional<SpliceEdit>& edit) {
  if (!edit) return false;
  bytes.replace(edit->from, edit->to - edit->from, edit->insert);
  return true;
}

}  // namespace

std::optional<std::string> SetValue(std::optional<std::string_view> file, std::string_view section,
                                    std::string_view key, std::string_view value,
                                    const Ansi& ansi) {
  return Spliced(Bytes(file), PlanSetValue(Bytes(file), section, key, value, ansi));
}

bool SetValueInPlace(std::string& file, std::string_view section, std::string_view key,
                     std::string_view value, const Ansi& ansi) {
  return SplicedInPlace(file, PlanSetValue(file, section, key, value, ansi));
}

std::optional<std::string> DeleteKey(std::optional<std::string_view> file, std::string_view section,
                                     std::string_view key, const Ansi& ansi) {
  if (!file) return std::nullopt;
  return Spliced(*file, PlanDeleteKey(*file, section, key, ansi));
}

bool DeleteKeyInPlace(std::string& file, std::string_view section, std::string_view key,
                      const Ansi& ansi) {
  return SplicedInPlace(file, PlanDeleteKey(file, section, key, ansi));
}

std::optional<std::string> DeleteSection(std::optional<std::string_view> file,
                                         std::string_view section, const Ansi& ansi) {
  if (!file) return std::nullopt;
  LineScanner scanner(*file, ansi);
  std::vector<Line> doomed;
  const Location loc = Locate(scanner, scanner.Fit(TrimName(section)), {}, Scan::kList,
                              [&](const Line& line) { doomed.push_back(line); });
  if (!loc.sectionFound) return std::nullopt;
  doomed.insert(doomed.begin(), loc.header);
  // Comments, blank lines and lines without '=' inside the section stay.
  std::string out;
  out.reserve(file->size());
  std::size_t kept = 0;
  for (const Line& line : doomed) {
    out.append(file->substr(kept, line.begin - kept));
    kept = line.next;
  }
  out.append(file->substr(kept));
  return out;
}

bool HasNonAscii(std::string_view text) { return SkipAscii(text, 0) < text.size(); }

bool IsUtf8(std::string_view bytes) {
  for (std::size_t i = SkipAscii(bytes, 0); i < bytes.size(); i = SkipAscii(bytes, i)) {
    const std::size_t length = text::CharLength(bytes, i);
    if (length == 1) return false;
    i += length;
  }
  return true;
}

std::optional<std::string> DecodeAnsi(std::string_view file, const Ansi& ansi) {
  const LineScanner scanner(file, ansi);
  if (scanner.encoding() == Encoding::kAnsi) {
    // Without a code page the scanner has not looked.
    if (!ansi.codePage && !IsUtf8(file)) return std::nullopt;
    return std::string(file);
  }
  if (scanner.encoding() != Encoding::kCodePage) return std::nullopt;
  std::string text;
  if (!ansi.codePage->Decode(file, text)) return std::nullopt;
  return text;
}

std::optional<std::string> AnsiToUtf16(std::string_view file) {
  if (LineScanner(file).encoding() != Encoding::kAnsi || !IsUtf8(file)) return std::nullopt;
  std::string utf16 = "\xFF\xFE";
  utf16 += EncodeUtf16(file);
  return utf16;
}

}  // namespace zendrel::platform::ini
