// Writes `count` keys "<tag>-<n>" into one INI file; several of these run at once in the
// concurrency test.
#include <cstdlib>
#include <string>

#include "platform/profile.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string file = argv[1], tag = argv[2];
  const int count = std::atoi(argv[3]);
  for (int n = 0; n < count; ++n) {
    const std::string key = tag + "-" + std::to_string(n);
    if (!zendrel::platform::WriteIniString(file, "Writers", key, key)) return 1;
  }
  return 0;
}
