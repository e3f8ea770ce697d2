// The key map read once from a file answers every look-up as the build's own profile function
// does on the same file: generated files full of repeated sections and keys in other letter
// cases, blanks, quotes, comments and lines that are no keys, each asked for every name.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/ini_key_map.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

const std::vector<std::string> kSections = {"Labels", "Tips", "Config", "a.ico,1"};
const std::vector<std::string> kKeys = {"x.ico", "X.ico,1", "lib.icl,12", "lib.icl,2", "k"};

std::string Pick(std::mt19937& random, const std::vector<std::string>& from) {
  return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
}

// The name in a random mix of letter cases.
std::string Cased(std::mt19937& random, std::string name) {
  for (char& c : name) {
    if (random() % 2 == 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return name;
}

std::string Blanks(std::mt19937& random) {
  static const std::vector<std::string> kBlanks = {"", "", " ", "\t", "  "};
  return Pick(random, kBlanks);
}

std::string Value(std::mt19937& random) {
  static const std::vector<std::string> kValues = {
      "v", "two words", "\"quoted\"", "'single'", "\"open", "", "a=b", "x ;not a comment"};
  return Blanks(random) + Pick(random, kValues) + std::to_string(random() % 10) + Blanks(random);
}

std::string GeneratedFile(std::mt19937& random) {
  std::string file;
  const int lines = 5 + static_cast<int>(random() % 40);
  for (int n = 0; n < lines; ++n) {
    switch (random() % 10) {
      case 0:
      case 1:
        file += Blanks(random) + "[" + Blanks(random) + Cased(random, Pick(random, kSections)) +
                Blanks(random) + "]";
        break;
      case 2:
        file += "; " + Pick(random, kKeys) + "=comment";
        break;
      case 3:
        file += random() % 2 ? "" : "no key here";
        break;
      default:
        file += Blanks(random) + Cased(random, Pick(random, kKeys)) + Blanks(random) + "=" +
                Value(random);
    }
    file += random() % 4 ? "\r\n" : "\n";
  }
  return file;
}

TEST(IniKeyMap, AnswersAsTheProfileFunctionsOnGeneratedFiles) {
  test::TempDir dir;
  std::mt19937 random(16);
  int found = 0, asked = 0;
  for (int round = 0; round < 150; ++round) {
    // A new name for every file: the system may keep the last file it parsed.
    const std::string path = dir.File("catalogue" + std::to_string(round) + ".ini");
    const std::string bytes = GeneratedFile(random);
    test::WriteBytes(path, bytes);
    const IniKeyMap map = ReadIniKeyMap(path);
    for (const std::string& section : kSections) {
      for (const std::string& key : kKeys) {
        const std::string askedSection = Blanks(random) + Cased(random, section);
        const std::string askedKey = Cased(random, key) + Blanks(random);
        const std::string expected = ReadIniString(path, askedSection, askedKey, "none ");
        ASSERT_EQ(map.ReadString(askedSection, askedKey, "none "), expected)
            << "[" << askedSection << "] " << askedKey << " in:\n"
            << bytes;
        found += map.Find(askedSection, askedKey) != nullptr;
        ++asked;
      }
    }
  }
  // The generator gives both outcomes plenty of cases.
  EXPECT_GT(found, asked / 5);
  EXPECT_LT(found, asked * 4 / 5);
  EXPECT_TRUE(ReadIniKeyMap(dir.File("missing.ini")).empty());
}

}  // namespace
}  // namespace zendrel::platform
