// The byte searches under the INI engine's lookups. In a large file they are nearly all of
// the work, so they look at many bytes at a time where the processor allows.
#pragma once

#include <cstddef>

namespace zendrel::platform::ini {

// The first CR or LF at or after `from`, or `end`.
std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t end);

// The first position q at or after `from` that holds '[', or '=' right after `lower`,
// `upper` or a blank (space, tab, vertical tab): where a section may start, or where a key
// whose name ends in that letter may end. `end` when there is none. `from` must be at least 1.
std::size_t FindKeyCandidate(const char* data, std::size_t from, std::size_t end, char lower,
                             char upper);

}  // namespace zendrel::platform::ini
