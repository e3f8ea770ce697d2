#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
  // Every multibyte rule is written for the Japanese double-byte code page; a Wine prefix
  // that fell back to a Western one would make the double-byte tests pass for no reason.
  if (GetACP() != 932) {
    std::fprintf(stderr, "ANSI code page is %u, not 932: check the ja_JP.UTF-8 locale\n", GetACP());
    return 2;
  }
#endif
  return RUN_ALL_TESTS();
}
