// The byte searches under the INI engine's lookups. In a large file they are nearly all of
// the work, so they look at many bytes at a time where the processor allows.
#pragma once

#include <cstddef>
#include <string_view>

namespace zendrel::platform::ini {

// The first CR or LF at or after `from`, or `end`.
std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t end);

// A key name as the candidate search compares it. Its last bytes (up to kCompared) are kept
// with the case bit (0x20) set, so that one comparison per byte lets both ASCII cases of a
// letter through; what else that lets through is weeded out by comparing the whole name.
// It refers to the name it is made from, which must outlive it.
class KeyName {
 public:
  static constexpr std::size_t kCompared = 8;

  explicit KeyName(std::string_view key);
  std::string_view key() const { return key_; }
  // How many of the name's last bytes the fast search compares.
  std::size_t compared() const { return compared_; }
  // The name's byte `k` places before its end (0 is the last byte), case bit set.
  char FoldedFromEnd(std::size_t k) const { return folded_[k]; }

 private:
  std::string_view key_;
  std::size_t compared_;
  char folded_[kCompared];
};

// Which implementation searches; the answers are the same.
enum class Search { kFastest, kPlain };

// The first position q at or after `from` that holds '[', or '=' right after a blank (space,
// tab, vertical tab) or right after the key's name in either ASCII case: where a section may
// start, or where the key's line may have its '='. `end` when there is none. The name before
// an '=' may reach back past `from` (to the start of `data`): the caller checks where the
// line starts.
std::size_t FindKeyCandidate(const char* data, std::size_t from, std::size_t end,
                             const KeyName& name, Search search = Search::kFastest);

}  // namespace zendrel::platform::ini
