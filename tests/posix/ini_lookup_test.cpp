// A lookup in an ANSI file skips from candidate to candidate instead of reading every line;
// a lookup in a UTF-16 file reads every line. Both must find the same keys.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/posix/ini_document.h"
#include "platform/posix/ini_scan.h"
#include "platform/posix/small_file_cache.h"
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

// Generated files in which many names share the asked name's ending or beginning, its case
// aside: the candidate search answers the same with and without vector instructions, and the
// skipping lookup finds what reading every line of the UTF-16 file finds.
TEST(IniLookup, SkippingAgreesWithReadingEveryLineOnGeneratedFiles) {
  std::mt19937 random(16);
  const auto pick = [&](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  const auto chance = [&](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
  };
  const std::vector<std::string> starts = {"", "", "Folder icon ", "a", "K", "x.", "\xC3\xA9"};
  const std::vector<std::string> middles = {"",  "1", "9",   "12",
                                            "A", "b", "ico", "long name " + std::string(30, 'n')};
  const std::vector<std::string> endings = {"", ".ico", ".ICO", "o", "9", "e"};
  const std::vector<std::string> blanks = {"", "", " ", "\t", "\v", " \t"};
  const std::vector<std::string> breaks = {"\r\n", "\n", "\r"};
  const auto name = [&] {
    std::string n = pick(starts) + pick(middles) + pick(endings);
    if (n.empty()) n = "z";
    for (char& c : n) {
      if (chance(20) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return n;
  };

  int found = 0, lookups = 0;
  for (int round = 0; round < 600; ++round) {
    std::vector<std::string> names;
    std::string file;
    if (chance(30)) file += name() + "=before any header" + pick(breaks);
    const int lines = std::uniform_int_distribution<int>(0, 50)(random);
    bool header = false;
    for (int i = 0; i < lines; ++i) {
      if (i > 0) file += pick(breaks);
      if (!header || chance(5)) {
        file += pick(blanks) + "[" + pick(blanks) + (chance(80) ? "log" : "Other") + "]";
        header = true;
        continue;
      }
      names.push_back(name());
      const std::string value = "v" + std::to_string(i) + (chance(20) ? "=" + name() : "");
      if (chance(8)) {
        file += ";" + names.back() + "=" + value;  // a comment
      } else if (chance(5)) {
        file += "x" + names.back() + "=" + value;  // a longer name ending alike
      } else {
        file += pick(blanks) + names.back() + pick(blanks) + "=" + pick(blanks) + value;
      }
    }
    if (chance(50)) file += pick(breaks);
    const std::string wide = "\xFF\xFE" + test::Utf16Le(file);

    for (int k = 0; k < 6; ++k) {
      std::string key = names.empty() || chance(15) ? name() : pick(names);
      if (chance(10) && key.size() > 1) key.erase(0, 1);
      for (char& c : key) {
        if (chance(30) && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
      const std::string what = "key [" + key + "] in [" + file + "]";
      const std::optional<std::string> expected = FindValue(wide, "Log", key);
      ASSERT_EQ(FindValue(file, "Log", key), expected) << what;
      found += expected.has_value();
      ++lookups;

      const KeyName asked(key);
      for (std::size_t from = 0; from <= file.size(); from += 1 + from / 3) {
        ASSERT_EQ(FindKeyCandidate(file.data(), from, file.size(), asked),
                  FindKeyCandidate(file.data(), from, file.size(), asked, Search::kPlain))
            << what << " from " << from;
      }
    }
  }
  // Many lookups must be of keys that are there, or the comparison proves little.
  EXPECT_GT(found, lookups / 4) << found << " of " << lookups;
}

// Every name an edit is given, blanks around it or not, in an ANSI and in a UTF-16 file: the
// value written reads back by the same name, a second write changes that line instead of adding
// one, and the key and its section are deleted by the same names.
TEST(IniLookup, EveryNameWrittenIsFoundChangedAndDeletedByTheSameName) {
  const std::vector<std::string> cores = {"k", "Key x", "", "\xE8\xA1\xA8"};
  const std::vector<std::string> pads = {"", " ", "\t", "\v", " \t ", "\t\v"};
  using namespace std::string_literals;
  const std::vector<std::string> files = {"[other]\r\na=1\r\n", "\xFF\xFE[\0o\0]\0\r\0\n\0"s};
  int checked = 0;
  for (const std::string& before : files) {
    for (const std::string& core : cores) {
      for (std::size_t p = 0; p < pads.size(); ++p) {
        const std::string section = pads[p] + "S " + core + pads[(p + 1) % pads.size()];
        const std::string key = pads[(p + 2) % pads.size()] + core + pads[p];
        const std::string what = "section [" + section + "], key [" + key + "]";
        const std::optional<std::string> first = SetValue(before, section, key, "one");
        ASSERT_TRUE(first) << what;
        EXPECT_EQ(FindValue(*first, section, key), "one") << what;
        EXPECT_TRUE(SectionHasKeys(*first, section)) << what;
        const std::optional<std::string> second = SetValue(*first, section, key, "two");
        ASSERT_TRUE(second) << what;
        EXPECT_EQ(FindValue(*second, section, key), "two") << what;
        // Only the value changed: no second line for the key.
        EXPECT_EQ(second->size(), first->size()) << what;
        EXPECT_EQ(SetValue(*second, section, key, "two"), std::nullopt) << what;
        const std::optional<std::string> gone = DeleteKey(*second, section, key);
        ASSERT_TRUE(gone) << what;
        EXPECT_EQ(FindValue(*gone, section, key), std::nullopt) << what;
        EXPECT_FALSE(SectionHasKeys(*gone, section)) << what;
        const std::optional<std::string> none = DeleteSection(*gone, section);
        ASSERT_TRUE(none) << what;
        EXPECT_EQ(*none, before) << what;
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 48);
}

}  // namespace
}  // namespace zendrel::platform::ini

namespace zendrel::platform::posix {
namespace {

// The kept file answers again only while it is the same, settled file; a file changed within
// the last ticks of the clock, a changed file and a large one are read afresh.
TEST(SmallFileCache, KeepsOnlyASettledUnchangedSmallFile) {
  test::TempDir dir;
  const std::string path = dir.File("labels.ini");
  test::WriteBytes(path, "[a]\nk=1\n");
  struct stat status;
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  time_t now = status.st_mtime + 1;
  SmallFileCache cache([&] { return now; });
  std::vector<std::string> seen;
  const auto look = [&](const std::string& file) {
    EXPECT_TRUE(cache.WithBytes(file, [&](std::string_view bytes) { seen.emplace_back(bytes); }));
  };
  look(path);
  look(path);
  EXPECT_EQ(cache.hits(), 0u);  // changed a moment ago: it could change again unseen

  now += SmallFileCache::kSettled + 1;
  look(path);
  look(path);
  look(path);
  EXPECT_EQ(cache.hits(), 2u);

  // Same size, a write time of its own (set, so that a coarse clock cannot hide it).
  test::WriteBytes(path, "[a]\nk=2\n");
  const timespec times[2] = {{status.st_mtime + 1, 0}, {status.st_mtime + 1, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  look(path);
  EXPECT_EQ(cache.hits(), 2u);
  EXPECT_EQ(seen.back(), "[a]\nk=2\n");

  const std::string large = dir.File("large.ini");
  test::WriteBytes(large, std::string(SmallFileCache::kLargestKept + 1, ';'));
  now += 100;
  look(large);
  look(large);
  EXPECT_EQ(cache.hits(), 2u);
  EXPECT_FALSE(cache.WithBytes(dir.File("missing.ini"), [](std::string_view) {}));
}

}  // namespace
}  // namespace zendrel::platform::posix
