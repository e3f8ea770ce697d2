// A property a fuzz target asserts: when it fails, the run stops and keeps the input.
#pragma once

#include <cstdlib>

namespace zendrel::fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace zendrel::fuzz
