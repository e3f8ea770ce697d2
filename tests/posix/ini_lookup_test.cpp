// A lookup in an ANSI file skips from candidate to candidate instead of reading every line;
// a lookup in a UTF-16 file reads every line. Both must find the same keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/ini_document.h"
#include "support/temp_dir.h"

namespace zendrel::platform::ini {
namespace {

TEST(IniLookup, SkippingFindsWhatReadingEveryLineFinds) {
  // Lines that look like the key without being its line, then the real ones.
  std::string file =
      "k9=before any header\r\n"
      "[Log]\r\n"
      ";k9=a comment\r\n"
      "x=k9=in a value\r\n"
      "xk9=longer name\r\n"
      "nothing here [k9=1]\r\n"
      "  k8 \t= spaced \r\n"
      "K9\v=upper case first\r\n"
      "k9=second of the name\r"
      "k7=cr only\r"
      "=empty name\n"
      "k\n"
      "k6";
  for (int i = 0; i < 2000; ++i) file += "\r\nfill" + std::to_string(i) + "=k9 k8 k7 = [x]";
  file += "\r\nlast9=the end\r\n[Next]\r\nk5=in the next section\r\n";

  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"k9", "upper case first"}, {"K9", "upper case first"}, {"k8", "spaced"},
      {"k7", "cr only"},          {"", "empty name"},         {"k", std::nullopt},
      {"k6", std::nullopt},       {"xk9", "longer name"},     {"x", "k9=in a value"},
      {"last9", "the end"},       {"k5", std::nullopt},       {"fill1999", "k9 k8 k7 = [x]"},
      {"9", std::nullopt},        {";k9", std::nullopt},      {"ill1999", std::nullopt},
  };
  const std::string wide = "\xFF\xFE" + test::Utf16Le(file);
  for (const auto& [key, expected] : cases) {
    SCOPED_TRACE("key '" + key + "'");
    EXPECT_EQ(FindValue(file, "Log", key), expected);
    EXPECT_EQ(FindValue(wide, "Log", key), expected);
  }
  EXPECT_EQ(FindValue(file, "next", "k5"), "in the next section");
  EXPECT_EQ(FindValue(file, "Log", "k5"), std::nullopt);
}

}  // namespace
}  // namespace zendrel::platform::ini
