// The byte searches under the INI engine's lookups. In a large file they are nearly all of
// the work, so they look at many bytes at a time where the processor allows.
#pragma once

#include <cstddef>
#include <string_view>

namespace zendrel::platform::ini {

// The first CR or LF at or after `from`, or `end`.
std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t end);

// The last two characters of a key name, each in both ASCII cases.
struct KeyEnding {
  explicit KeyEnding(std::string_view key);
  char last[2];
  char previous[2];  // both the last character's own when the key has only one
  bool hasPrevious;
};

// The first position q at or after `from` that holds '[', or '=' right after the key's
// ending or after a blank (space, tab, vertical tab): where a section may start, or where
// the key's line may have its '='. `end` when there is none.
std::size_t FindKeyCandidate(const char* data, std::size_t from, std::size_t end,
                             const KeyEnding& ending);

}  // namespace zendrel::platform::ini
