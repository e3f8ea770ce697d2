// Any bytes as a registry store, read and edited. The first 24 bytes choose the keys, the
// value name and the value; the rest is the store.
//
//   byte 0        which edits run, and the letter case of the lookups
//   bytes 1-9     three key names of three letters or digits each: a, b and c
//   bytes 10-13   the value name (its length is byte 0's low two bits)
//   bytes 14-23   the value (its length is bits 2-5 of byte 0, at most 10)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/posix/regedit_store.h"

using zendrel::fuzz::Check;

namespace regedit = zendrel::platform::regedit;

namespace {

constexpr std::size_t kHead = 24;

std::string Component(std::string_view bytes) {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string out;
  for (char c : bytes) out += kAlphabet[static_cast<unsigned char>(c) % 36];
  return out;
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Whether old[from, to) holds the '[' of a key line: an edit never takes one away.
bool HoldsKeyLine(std::string_view text, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) {
    if (text[i] != '[') continue;
    std::size_t j = i;
    while (j > 0 && (text[j - 1] == ' ' || text[j - 1] == '\t')) --j;
    if (j == 0 || IsLineEnd(text[j - 1])) return true;
  }
  return false;
}

// The edit changed one stretch of the text, and that stretch held no key line.
void CheckOneStretch(std::string_view before, std::string_view after) {
  std::size_t prefix = 0;
  const std::size_t shorter = std::min(before.size(), after.size());
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < shorter - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  Check(!HoldsKeyLine(before, prefix, before.size() - suffix));
}

// Only whole lines, or the tail of a key line, went.
bool IsSubsequence(std::string_view part, std::string_view whole) {
  std::size_t k = 0;
  for (std::size_t i = 0; i < whole.size() && k < part.size(); ++i) {
    if (whole[i] == part[k]) ++k;
  }
  return k == part.size();
}

std::optional<std::string> Data(std::string_view store, std::string_view key,
                                std::string_view name) {
  std::optional<regedit::Value> value = regedit::FindValue(store, key, name);
  if (!value) return std::nullopt;
  return std::to_string(value->type) + ":" + value->data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHead) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto flags = static_cast<unsigned char>(input[0]);
  const std::string a = Component(input.substr(1, 3));
  const std::string b = Component(input.substr(4, 3));
  std::string c = Component(input.substr(7, 3));
  if (c == a) c += 'z';
  const std::string name(input.substr(10, flags & 3));
  const std::string value(input.substr(14, std::min<std::size_t>((flags >> 2) & 15, 10)));
  const std::string store(input.substr(kHead));

  const std::string parent = "HKEY_CLASSES_ROOT\\" + a;
  const std::string key = parent + "\\" + b;
  const std::string lookup = (flags & 64) ? Upper(key) : key;
  const std::string other = "HKEY_CLASSES_ROOT\\" + c;
  const std::string otherName = name + "~";

  // Reads never fail and agree with each other.
  const bool existed = regedit::KeyExists(store, key);
  Check(regedit::KeyExists(store, lookup) == existed);
  if (regedit::HasSubkeys(store, key)) Check(existed);
  if (existed) Check(regedit::KeyExists(store, parent));
  const std::optional<std::string> otherBefore = Data(store, other, name);
  const bool otherExisted = regedit::KeyExists(store, other);
  const std::optional<std::string> siblingBefore = Data(store, key, otherName);

  // A set value reads back, through any letter case; nothing else changes.
  const std::optional<std::string> set = regedit::SetString(store, key, name, value);
  const std::string& written = set ? *set : store;
  const std::optional<regedit::Value> read = regedit::FindValue(written, lookup, name);
  Check(read && read->type == regedit::kString && read->data == value);
  Check(Data(written, other, name) == otherBefore);
  Check(regedit::KeyExists(written, other) == otherExisted);
  Check(Data(written, key, otherName) == siblingBefore);
  if (set) CheckOneStretch(store, *set);

  // A created key exists, and its creation only appended to the text.
  if (flags & 128) {
    if (std::optional<std::string> created = regedit::CreateKey(store, lookup)) {
      Check(created->compare(0, store.size(), store) == 0);
      Check(regedit::KeyExists(*created, key));
      Check(Data(*created, other, name) == otherBefore);
    } else {
      Check(existed);
    }
  }

  // A deleted key is gone with its values, its parent stays, and only lines went.
  const std::optional<std::string> deleted = regedit::DeleteKey(written, lookup);
  if (deleted) {
    Check(!regedit::HasSubkeys(written, key));
    Check(!regedit::KeyExists(*deleted, key));
    Check(regedit::KeyExists(*deleted, parent));
    Check(Data(*deleted, other, name) == otherBefore);
    Check(regedit::KeyExists(*deleted, other) == otherExisted);
    Check(IsSubsequence(*deleted, written));
  } else {
    Check(regedit::HasSubkeys(written, key));
  }
  return 0;
}
