#include "platform/posix/regedit_store.h"
#include "text/text.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zendrel::platform::regedit {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kNewStore = "REGEDIT4\r\n\r\n";

// What the store writes with a backslash: each character of kEscaped as the backslash and
// the letter below it. A line break must not end the value's line, and a NUL is no text.
constexpr char kEscaped[] = {'\\', '"', '\n', '\r', '\0'};
constexpr char kEscapeLetters[] = "\\\"nr0";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

bool StartsWithName(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && text::SameAsciiName(s.substr(0, prefix.size()), prefix);
}

// Whether `key` lies below `ancestor` (both normal paths).
bool IsBelow(std::string_view key, std::string_view ancestor) {
  return key.size() > ancestor.size() && key[ancestor.size()] == '\\' &&
         text::SameAsciiName(key.substr(0, ancestor.size()), ancestor);
}

std::size_t LevelCount(std::string_view key) {
  return key.empty() ? 0 : static_cast<std::size_t>(std::count(key.begin(), key.end(), '\\')) + 1;
}

// The first `levels` levels of a normal path.
std::string_view Prefix(std::string_view key, std::size_t levels) {
  std::size_t end = 0;
  for (std::size_t level = 0; level < levels; ++level) {
    end = key.find('\\', level == 0 ? 0 : end + 1);
    if (end == std::string_view::npos) return key;
  }
  return key.substr(0, end);
}

// How many leading levels of `key` a block named `header` makes exist.
std::size_t CoveredLevels(std::string_view header, std::string_view key) {
  const std::size_t n = std::min(header.size(), key.size());
  std::size_t levels = 0;
  std::size_t i = 0;
  for (; i < n; ++i) {
    if (text::LowerAscii(header[i]) != text::LowerAscii(key[i])) return levels;
    if (key[i] == '\\') ++levels;
  }
  if (i == key.size() ? (i == header.size() || header[i] == '\\') : key[i] == '\\') ++levels;
  return levels;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// --- the text as lines and items ---

struct Line {
  std::size_t begin = 0;  // first byte of the line's text
  std::size_t end = 0;    // just past its text
  std::size_t next = 0;   // just past its line end
};

enum class Kind { kOther, kBlank, kHeader, kValue };

// One meaningful unit of the text: a line, or a value with its continuation lines.
struct Item {
  Kind kind = Kind::kOther;
  std::size_t begin = 0, end = 0, next = 0;  // as for a Line, over all the item's lines
  bool validHeader = false;
  std::string key;  // a valid header's normal path
  std::string name;
  std::size_t equals = 0;  // offset of a value's '='
  Value value;
};

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  // `values` says whether value lines are wanted; without them every line but a key line
  // counts as another line.
  bool Next(Item& item, bool values) {
    if (pos_ >= text_.size()) return false;
    const Line line = ReadLine(pos_);
    item.kind = Kind::kOther;
    item.begin = line.begin;
    item.end = line.end;
    item.next = line.next;
    pos_ = line.next;
    const std::string_view body = Body(line);
    const std::size_t i = FirstNonBlank(body);
    if (i == body.size()) {
      item.kind = Kind::kBlank;
    } else if (body[i] == '[') {
      item.kind = Kind::kHeader;
      ReadHeader(body, i, item);
    } else if (values && (body[i] == '@' || body[i] == '"') && ReadValue(line, i, item)) {
      item.kind = Kind::kValue;
      pos_ = item.next;
    }
    return true;
  }

  // Moves to the next line whose first non-blank character is '[', without looking at the
  // lines in between: outside the key asked for only key lines matter, and a large store is
  // mostly other keys.
  void SkipToHeader() {
    const char* data = text_.data();
    for (std::size_t from = pos_; from < text_.size();) {
      const void* p = std::memchr(data + from, '[', text_.size() - from);
      if (!p) break;
      const std::size_t bracket = static_cast<const char*>(p) - data;
      std::size_t lineStart = bracket;
      while (lineStart > pos_ && IsBlank(data[lineStart - 1])) --lineStart;
      if (lineStart == pos_ || IsLineEnd(data[lineStart - 1])) {
        pos_ = lineStart;
        return;
      }
      from = bracket + 1;
    }
    pos_ = text_.size();
  }

 private:
  // The next position of `c` at or after pos, remembered in `cache`: each search starts
  // past the last one found, so a text with only one kind of line end is not searched to
  // its end for the other kind on every line.
  std::size_t Find(char c, std::size_t pos, std::size_t& cache) const {
    if (cache < pos || cache == kUnknown) {
      const void* p = std::memchr(text_.data() + pos, c, text_.size() - pos);
      cache =
          p ? static_cast<std::size_t>(static_cast<const char*>(p) - text_.data()) : text_.size();
    }
    return cache;
  }

  Line ReadLine(std::size_t pos) {
    const char* data = text_.data();
    const std::size_t n = text_.size();
    const std::size_t i = std::min(Find('\n', pos, nextLf_), Find('\r', pos, nextCr_));
    Line line{pos, i, i};
    if (i < n) line.next = data[i] == '\r' && i + 1 < n && data[i + 1] == '\n' ? i + 2 : i + 1;
    return line;
  }

  std::string_view Body(const Line& line) const {
    return text_.substr(line.begin, line.end - line.begin);
  }

  static std::size_t FirstNonBlank(std::string_view body, std::size_t from = 0) {
    while (from < body.size() && IsBlank(body[from])) ++from;
    return from;
  }

  // "[path]", with blanks allowed around it; the path runs to the last ']' of the line, since
  // a key name may hold one itself. A line without its closing bracket is no key's.
  static void ReadHeader(std::string_view body, std::size_t open, Item& item) {
    item.validHeader = false;
    std::size_t close = body.size();
    while (close > open && IsBlank(body[close - 1])) --close;
    if (close - open < 2 || body[close - 1] != ']') return;
    item.key = NormalKey(body.substr(open + 1, close - open - 2));
    item.validHeader = IsStorableKey(item.key);
  }

  // A quoted string from body[p] == '"'; p ends past the closing quote. The escapes are those
  // the writer makes; any other backslash stays as written.
  static bool ReadQuoted(std::string_view body, std::size_t& p, std::string& out) {
    out.clear();
    for (++p; p < body.size(); ++p) {
      const char c = body[p];
      if (c == '"') {
        ++p;
        return true;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (++p == body.size()) return false;
      if (const char* escaped = std::strchr(kEscapeLetters, body[p]); escaped && *escaped) {
        out += kEscaped[escaped - kEscapeLetters];
      } else {
        out += '\\';
        out += body[p];
      }
    }
    return false;
  }

  bool ReadValue(const Line& line, std::size_t p, Item& item) {
    const std::string_view body = Body(line);
    if (body[p] == '@') {
      item.name.clear();
      ++p;
    } else if (!ReadQuoted(body, p, item.name)) {
      return false;
    }
    p = FirstNonBlank(body, p);
    if (p == body.size() || body[p] != '=') return false;
    item.equals = line.begin + p;
    p = FirstNonBlank(body, p + 1);
    Value& value = item.value;
    value.data.clear();
    const std::string_view rest = body.substr(p);
    if (!rest.empty() && rest.front() == '"') {
      value.type = kString;
      return ReadQuoted(body, p, value.data) && FirstNonBlank(body, p) == body.size();
    }
    if (StartsWithName(rest, "dword:")) {
      p += 6;
      std::uint32_t number = 0;
      std::size_t digits = 0;
      for (; p < body.size() && HexDigit(body[p]) >= 0 && digits < 8; ++p, ++digits) {
        number = number << 4 | static_cast<std::uint32_t>(HexDigit(body[p]));
      }
      if (digits == 0 || FirstNonBlank(body, p) != body.size()) return false;
      value.type = kDword;
      for (int shift = 0; shift < 32; shift += 8) value.data += static_cast<char>(number >> shift);
      return true;
    }
    if (!StartsWithName(rest, "hex")) return false;
    p += 3;
    value.type = kBinary;
    if (p < body.size() && body[p] == '(') {
      std::uint32_t type = 0;
      std::size_t digits = 0;
      for (++p; p < body.size() && HexDigit(body[p]) >= 0 && digits < 8; ++p, ++digits) {
        type = type << 4 | static_cast<std::uint32_t>(HexDigit(body[p]));
      }
      if (digits == 0 || p == body.size() || body[p] != ')') return false;
      ++p;
      value.type = type;
    }
    if (p == body.size() || body[p] != ':') return false;
    return ReadHexBytes(line, p + 1, item);
  }

  // Bytes as "41,42,\" with the list going on in the next line after a final backslash. A
  // key line, a blank line or the end of the text ends a list that promised more.
  bool ReadHexBytes(Line line, std::size_t p, Item& item) {
    std::string& data = item.value.data;
    for (;;) {
      const std::string_view body = Body(line);
      p = FirstNonBlank(body, p);
      if (p == body.size()) break;
      if (body[p] == '\\') {
        if (FirstNonBlank(body, p + 1) != body.size()) return false;
        if (line.next >= text_.size()) break;
        const Line following = ReadLine(line.next);
        const std::string_view next = Body(following);
        const std::size_t q = FirstNonBlank(next);
        if (q == next.size() || next[q] == '[') break;
        line = following;
        p = 0;
        continue;
      }
      const int high = HexDigit(body[p]);
      if (high < 0) return false;
      int byte = high;
      if (++p < body.size() && HexDigit(body[p]) >= 0) byte = byte * 16 + HexDigit(body[p++]);
      data += static_cast<char>(byte);
      p = FirstNonBlank(body, p);
      if (p < body.size() && body[p] == ',') {
        ++p;
      } else if (p < body.size() && body[p] != '\\') {
        return false;
      }
    }
    item.end = line.end;
    item.next = line.next;
    return true;
  }

  static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t nextLf_ = kUnknown, nextCr_ = kUnknown;
};

// --- what an operation needs to know about one key ---

// Whole lines: [begin, next), the last line's text ending at `end`.
struct Range {
  std::size_t begin, end, next;
};

// Whether the line ending at `end` promises more with a final backslash: the line after it
// would be read as the rest of a hex list, so no edit may put another line there.
bool Dangles(std::string_view text, std::size_t begin, std::size_t end) {
  while (end > begin && IsBlank(text[end - 1])) --end;
  return end > begin && text[end - 1] == '\\';
}

// A value of the key: where its data lies (from its '=' to the end of its last line), and
// what it holds.
struct Found {
  std::size_t equals = 0, end = 0;
  Value value;
};

struct Survey {
  std::size_t covered = 0;  // how many leading levels of the key exist
  bool hasSubkeys = false;
  bool parentKept = false;  // the parent exists through something besides the key's blocks
  bool hasBlock = false;
  Item firstHeader;
  // Where a new value of the key goes: after the last value of its last block, or after the
  // header when that block has none.
  std::size_t insertAt = 0;
  bool insertNeedsBreak = false;  // the line before has no line end: the text ends there
  std::optional<Found> value;     // the last occurrence of the value asked for
  std::vector<Range> doomed;      // the lines a deletion removes, in text order
};

enum class Want { kKey, kValue, kDeletion };

Survey Examine(std::string_view text, std::string_view key, std::string_view name, Want want) {
  Survey s;
  const std::string_view parent = key.substr(0, std::min(key.size(), key.rfind('\\')));
  const bool hasParent = key.find('\\') != std::string_view::npos;
  Scanner scanner(text);
  Item item;
  bool inKey = false;
  const auto placeAfter = [&](const Item& it) {
    if (Dangles(text, it.begin, it.end)) return;
    s.insertAt = it.next;
    s.insertNeedsBreak = it.next == it.end;
  };
  const auto doom = [&](const Item& it) {
    if (want == Want::kDeletion) s.doomed.push_back({it.begin, it.end, it.next});
  };
  for (;;) {
    if (!inKey) scanner.SkipToHeader();
    if (!scanner.Next(item, inKey)) break;
    switch (item.kind) {
      case Kind::kHeader: {
        inKey = false;
        if (!item.validHeader) break;
        s.covered = std::max(s.covered, CoveredLevels(item.key, key));
        const bool same = text::SameAsciiName(item.key, key);
        if (same) {
          inKey = true;
          if (!s.hasBlock) s.firstHeader = item;
          s.hasBlock = true;
          placeAfter(item);
          doom(item);
        } else if (IsBelow(item.key, key)) {
          s.hasSubkeys = true;
        }
        if (!same && hasParent &&
            (text::SameAsciiName(item.key, parent) || IsBelow(item.key, parent))) {
          s.parentKept = true;
        }
        break;
      }
      case Kind::kValue:
        if (!inKey) break;
        placeAfter(item);
        if (want == Want::kValue && text::SameAsciiName(item.name, name)) {
          // Only what is needed: copying the whole item each time would copy its key line.
          if (!s.value) s.value.emplace();
          s.value->equals = item.equals;
          s.value->end = item.end;
          s.value->value.type = item.value.type;
          s.value->value.data.assign(item.value.data);
        }
        doom(item);
        break;
      case Kind::kBlank:
        if (inKey) doom(item);
        break;
      case Kind::kOther:
        break;
    }
  }
  return s;
}

void AppendEscaped(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    const void* special = std::memchr(kEscaped, c, sizeof kEscaped);
    if (special) {
      out += '\\';
      out += kEscapeLetters[static_cast<const char*>(special) - kEscaped];
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string ValueLine(std::string_view name, std::string_view text) {
  std::string line;
  if (name.empty()) {
    line += '@';
  } else {
    AppendEscaped(line, name);
  }
  line += '=';
  AppendEscaped(line, text);
  line += kCrLf;
  return line;
}

// The text with blocks for the levels of `key` after the first `from` appended, each followed
// by a blank line, as regedit lays them out; the key's own block holds `values`.
std::string AppendBlocks(std::string_view text, std::string_view key, std::size_t from,
                         std::string_view values) {
  std::string out;
  out.reserve(text.size() + 2 * key.size() + values.size() + 32);
  if (text.empty()) {
    out += kNewStore;
  } else {
    out += text;
    if (!IsLineEnd(out.back())) out += kCrLf;
    // A blank line before the first new block, unless the text ends in one.
    std::size_t i = out.size() - 1;
    if (i > 0 && out[i] == '\n' && out[i - 1] == '\r') --i;
    while (i > 0 && IsBlank(out[i - 1])) --i;
    if (i > 0 && !IsLineEnd(out[i - 1])) out += kCrLf;
  }
  std::size_t end = Prefix(key, from).size();
  while (end < key.size()) {
    end = std::min(key.find('\\', end + 1), key.size());
    out += '[';
    out += key.substr(0, end);
    out += ']';
    out += kCrLf;
    if (end == key.size()) out += values;
    out += kCrLf;
  }
  return out;
}

std::string Splice(std::string_view text, std::size_t from, std::size_t to,
                   std::string_view insert) {
  std::string out;
  out.reserve(text.size() - (to - from) + insert.size());
  out += text.substr(0, from);
  out += insert;
  out += text.substr(to);
  return out;
}

}  // namespace

std::string NormalKey(std::string_view key) {
  std::string out;
  out.reserve(key.size());
  for (std::size_t i = 0; i < key.size();) {
    std::size_t slash = key.find('\\', i);
    if (slash == std::string_view::npos) slash = key.size();
    if (slash > i) {
      if (!out.empty()) out += '\\';
      out += key.substr(i, slash - i);
    }
    i = slash + 1;
  }
  return out;
}

bool IsStorableKey(std::string_view key) {
  if (key.empty() || key.front() == '-' || key.front() == '\\') return false;
  return key.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool KeyExists(std::string_view store, std::string_view key) {
  const std::string normal = NormalKey(key);
  if (!IsStorableKey(normal)) return false;
  return Examine(store, normal, {}, Want::kKey).covered == LevelCount(normal);
}

bool HasSubkeys(std::string_view store, std::string_view key) {
  const std::string normal = NormalKey(key);
  if (!IsStorableKey(normal)) return false;
  return Examine(store, normal, {}, Want::kKey).hasSubkeys;
}

std::optional<Value> FindValue(std::string_view store, std::string_view key,
                               std::string_view name) {
  const std::string normal = NormalKey(key);
  if (!IsStorableKey(normal)) return std::nullopt;
  std::optional<Found> found = Examine(store, normal, name, Want::kValue).value;
  if (!found) return std::nullopt;
  return std::move(found->value);
}

std::optional<std::string> CreateKey(std::optional<std::string_view> store, std::string_view key,
                                     std::size_t fixedLevels) {
  const std::string normal = NormalKey(key);
  if (!IsStorableKey(normal)) return std::nullopt;
  const std::size_t levels = LevelCount(normal);
  const std::string_view text = store.value_or("");
  const Survey s = Examine(text, normal, {}, Want::kKey);
  if (s.covered == levels || levels <= fixedLevels) return std::nullopt;
  return AppendBlocks(text, normal, std::max(s.covered, fixedLevels), {});
}

std::optional<std::string> SetString(std::optional<std::string_view> store, std::string_view key,
                                     std::string_view name, std::string_view text,
                                     std::size_t fixedLevels) {
  const std::string normal = NormalKey(key);
  if (!IsStorableKey(normal)) return std::nullopt;
  const std::string_view bytes = store.value_or("");
  const Survey s = Examine(bytes, normal, name, Want::kValue);
  const std::string line = ValueLine(name, text);
  if (s.value) {
    if (s.value->value.type == kString && s.value->value.data == text) return std::nullopt;
    // The name keeps its spelling; the data, over all its lines, gives way to the string.
    std::string data = "=";
    AppendEscaped(data, text);
    return Splice(bytes, s.value->equals, s.value->end, data);
  }
  if (s.hasBlock) {
    std::string insert;
    if (s.insertNeedsBreak) insert += kCrLf;
    insert += line;
    return Splice(bytes, s.insertAt, s.insertAt, insert);
  }
  // The key's own block is needed even when the key exists through a subkey or is provided
  // by the system.
  const std::size_t levels = LevelCount(normal);
  const std::size_t from = std::min(std::max(s.covered, fixedLevels), levels - 1);
  return AppendBlocks(bytes, normal, from, line);
}

std::optional<std::string> DeleteKey(std::optional<std::string_view> store, std::string_view key,
                                     std::size_t fixedLevels) {
  if (!store) return std::nullopt;
  const std::string normal = NormalKey(key);
  if (!IsStorableKey(normal)) return std::nullopt;
  const Survey s = Examine(*store, normal, {}, Want::kDeletion);
  if (s.hasSubkeys || !s.hasBlock) return std::nullopt;
  const std::size_t levels = LevelCount(normal);
  const bool keepParent = levels - 1 > fixedLevels && !s.parentKept;
  const std::string_view text = *store;
  std::string out;
  out.reserve(text.size());
  std::size_t kept = 0;
  std::size_t i = 0;
  if (keepParent) {
    // The store's own spelling of the parent, taken from the key's first line.
    const Range& first = s.doomed.front();
    const std::string_view header = s.firstHeader.key;
    out += text.substr(0, first.begin);
    out += '[';
    out += header.substr(0, header.rfind('\\'));
    out += ']';
    out += text.substr(first.end, first.next - first.end);
    kept = first.next;
    i = 1;
  }
  while (i < s.doomed.size()) {
    // A run of adjacent lines goes at once.
    const std::size_t begin = s.doomed[i].begin;
    Range last = s.doomed[i];
    while (++i < s.doomed.size() && s.doomed[i].begin == last.next) last = s.doomed[i];
    out += text.substr(kept, begin - kept);
    kept = last.next;
    // After a line that promises more, an empty line stays, so that what follows the run
    // does not become the rest of that line's list.
    std::size_t lineEnd = out.size();
    if (lineEnd > 0 && out[lineEnd - 1] == '\n') --lineEnd;
    if (lineEnd > 0 && out[lineEnd - 1] == '\r') --lineEnd;
    std::size_t lineBegin = lineEnd;
    while (lineBegin > 0 && !IsLineEnd(out[lineBegin - 1])) --lineBegin;
    if (lineEnd < out.size() && Dangles(out, lineBegin, lineEnd)) kept = last.end;
  }
  out += store->substr(kept);
  return out;
}

}  // namespace zendrel::platform::regedit
