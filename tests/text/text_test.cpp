#include "text/text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shlwapi.h>

#include <cstring>

#include "support/temp_dir.h"
#endif

namespace zendrel::text {
namespace {

// Failure messages show the bytes, since half of them are not printable.
std::string Hex(std::string_view s) {
  std::string out;
  char byte[4];
  for (const char c : s) {
    std::snprintf(byte, sizeof byte, "%02X ", static_cast<unsigned char>(c));
    out += byte;
  }
  return out.empty() ? "(empty)" : out;
}

int Sign(int v) { return (v > 0) - (v < 0); }

#ifdef _WIN32
// Code page 932. The trail bytes of these two are 0x5C, a backslash.
const std::string kHyo = "\x95\x5C";        // 表
const std::string kSo = "\x83\x5C";         // ソ
const std::string kIdeoSpace = "\x81\x40";  // ideographic space
#else
const std::string kIdeoSpace = "\xE3\x80\x80";
#endif

TEST(Text, StepsOverWholeCharacters) {
  struct Row {
    std::string s;
    std::vector<std::size_t> lengths;
  };
  const std::vector<Row> rows = {
#ifdef _WIN32
      {"a" + kHyo + "b", {1, 2, 1}},
      {kSo + "\\", {2, 1}},
      {"\xA1\xDF", {1, 1}},                       // half-width katakana are single bytes
      {"\x80\xA0\xFD\xFE\xFF", {1, 1, 1, 1, 1}},  // no lead bytes
      {"\x81\x40\x9F\xFC\xE0\x40\xFC\xFC", {2, 2, 2, 2}},
      {"a\x81", {1, 1}},                       // a lead byte at the end stands alone
      {std::string("\x81\0b", 3), {1, 1, 1}},  // so does one before a NUL
#else
      {"a\xC3\xA9z", {1, 2, 1}},
      {"\xE3\x81\x82\xF0\x9F\x98\x80", {3, 4}},
      {"\xC2\x80\xDF\xBF\xED\x9F\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF", {2, 2, 3, 3, 4}},
      {"\xC0\xAF", {1, 1}},                // overlong
      {"\xE0\x80\x80", {1, 1, 1}},         // overlong
      {"\xED\xA0\x80", {1, 1, 1}},         // surrogate
      {"\xF4\x90\x80\x80", {1, 1, 1, 1}},  // past U+10FFFF
      {"\xF5\x80", {1, 1}},
      {"\xE3\x81/", {1, 1, 1}},  // a cut sequence never swallows what follows
      {"\xE3\x81", {1, 1}},
      {"\x80", {1}},
#endif
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Hex(row.s));
    std::vector<std::size_t> lengths;
    for (std::size_t i = 0; i < row.s.size(); i = NextChar(row.s, i)) {
      lengths.push_back(CharLength(row.s, i));
    }
    EXPECT_EQ(lengths, row.lengths);
  }
}

// The program's texts are kept in UTF-8; labels and desktop.ini values need them in the
// system's code page.
TEST(Text, GivesProgramTextsInTheSystemCodePage) {
  EXPECT_EQ(SystemText(""), "");
  EXPECT_EQ(SystemText("Zendrel 1.02"), "Zendrel 1.02");
#ifdef _WIN32
  // 表 and the full-width parentheses of "（標準）" in code page 932.
  EXPECT_EQ(Hex(SystemText("\xE8\xA1\xA8")), Hex(kHyo));
  EXPECT_EQ(Hex(SystemText("\xEF\xBC\x88\xE6\xA8\x99\xE6\xBA\x96\xEF\xBC\x89")),
            Hex("\x81\x69\x95\x57\x8F\x80\x81\x6A"));
#else
  EXPECT_EQ(SystemText("\xE8\xA1\xA8"), "\xE8\xA1\xA8");
#endif
}

TEST(Text, TrimsSingleByteBlanksOnly) {
  struct Row {
    std::string s, both, end;
  };
  const std::vector<Row> rows = {
      {" \t\n\v\f\rabc \t\r\n", "abc", " \t\n\v\f\rabc"},
      {"  a \t b  ", "a \t b", "  a \t b"},
      {" \t\r\n", "", ""},
      {"", "", ""},
      {"\x08x\x0E", "\x08x\x0E", "\x08x\x0E"},  // just outside the blank set
      {" " + kIdeoSpace + " ", kIdeoSpace, " " + kIdeoSpace},
      {"a" + kIdeoSpace, "a" + kIdeoSpace, "a" + kIdeoSpace},
#ifdef _WIN32
      {kHyo + " \t", kHyo, kHyo},
      {" " + kSo, kSo, " " + kSo},
      // The platform pairs a lead byte with whatever follows; cutting the blank off would
      // leave a lead byte that swallows the next separator written after it.
      {"a\x81 ", "a\x81 ", "a\x81 "},
#else
      {"\xC3\xA9 \t", "\xC3\xA9", "\xC3\xA9"},
      {"a\xC2\xA0", "a\xC2\xA0", "a\xC2\xA0"},  // no-break space is not a blank
      {"a\xE3 ", "a\xE3", "a\xE3"},             // an invalid byte does not hide the blank
#endif
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Hex(row.s));
    EXPECT_EQ(TrimBoth(row.s), row.both);
    EXPECT_EQ(TrimEnd(row.s), row.end);
  }
}

TEST(Text, CutsToTheBufferOnCharacterBoundaries) {
  struct Row {
    std::string s;
    std::size_t kept;
  };
  const std::string a256(256, 'a'), a257(257, 'a'), a258(258, 'a');
  const std::vector<Row> rows = {
      {std::string(259, 'a'), 259}, {std::string(260, 'a'), 259}, {std::string(1000, 'a'), 259},
#ifdef _WIN32
      {a258 + kHyo, 258},  // the lead byte would be byte 259: it goes with its trail
      {a257 + kHyo, 259},           {a256 + kHyo + "b", 259},
#else
      {a257 + "\xE3\x81\x82", 257}, {a256 + "\xE3\x81\x82", 259}, {a258 + "\xC3\xA9", 258},
      {a258 + "\xE3\x81", 259},  // invalid bytes are characters of their own
#endif
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.s.size());
    EXPECT_EQ(CutToBuffer(row.s), row.s.substr(0, row.kept));
  }
  EXPECT_EQ(CutToBuffer("abc", 3), "ab");
  EXPECT_EQ(CutToBuffer("abc", 1), "");
  EXPECT_EQ(CutToBuffer("abc", 0), "");
}

TEST(Text, OrdersNames) {
  struct Row {
    std::string a, b;
    int sign;
  };
  const std::vector<Row> rows = {
      {"B.ico", "a.ico", -1},
      {"Z.ico", "_.ico", -1},
      {"a.ico", "a.ico", 0},
      {"a", "a.ico", -1},
      {"", "a", -1},
      {"", "", 0},
#ifdef _WIN32
      // A single byte weighs less than any double-byte character, whatever its lead byte.
      {"\xA1.ico", "\x81\x40.ico", -1},
      {"\xDF", "\x9F\xFC", -1},
      {"\xFD", "\xE0\x40", -1},
      {"z", "\x81\x40", -1},
      {kSo, kHyo, -1},
      {kSo + "B", kSo + "a", -1},
      {"\x88\x9F"
       "a",
       "\x88\x9F", 1},
#else
      {"a", "\xC3\xA9", -1},     // bytes compare unsigned
      {"B\xC3\xA9", "a", -1},
      {"\xE3\x80\x80", "\xEF\xBD\xA1", -1},  // U+3000 < U+FF61
      {"\xEF\xBF\xBF", "\xF0\x9F\x98\x80", -1},
#endif
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Hex(row.a) + "vs " + Hex(row.b));
    EXPECT_EQ(Sign(CompareNames(row.a, row.b)), row.sign);
    EXPECT_EQ(Sign(CompareNames(row.b, row.a)), -row.sign);
  }
}

TEST(Text, ReplacesAndFindsWholeCharactersOnly) {
  struct Row {
    std::string s;
    char from, to;
    std::string replaced;
    std::size_t first, last;
  };
  const auto npos = std::string::npos;
  const std::vector<Row> rows = {
      {"D:\\a=b=c", '=', '?', "D:\\a?b?c", 4, 6},
      {"a,b,,", ',', '?', "a?b??", 1, 4},
      {"abc", ',', '?', "abc", npos, npos},
#ifdef _WIN32
      {kHyo + "\\" + kSo + "\\x", '\\', '/', kHyo + "/" + kSo + "/x", 2, 5},
      {"C:\\" + kSo, '\\', '/', "C:/" + kSo, 2, 2},
      {kHyo + kSo, '\\', '/', kHyo + kSo, npos, npos},
      // A lead byte as replacement must not make the scan skip the next byte.
      {"a==", '=', '\x81', "a\x81\x81", 1, 2},
#else
      {"\xC3\xA9\xA9", '\xA9', '?', "\xC3\xA9?", 2, 2},  // the first 0xA9 belongs to é
      {"/\xC3\xA9/\xE3\x81\x82/", '/', '\\', "\\\xC3\xA9\\\xE3\x81\x82\\", 0, 7},
#endif
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Hex(row.s));
    EXPECT_EQ(ReplaceChar(row.s, row.from, row.to), row.replaced);
    EXPECT_EQ(FindChar(row.s, row.from), row.first);
    EXPECT_EQ(FindLastChar(row.s, row.from), row.last);
  }
}

// One path through the helpers: with a trailing separator, its directory, its file name.
struct PathRow {
  std::string path, withSeparator, directory, name;
};

std::vector<PathRow> PathRows() {
  return {
      {"", "", "", ""},
#ifdef _WIN32
      {"C:\\dir\\file.ico", "C:\\dir\\file.ico\\", "C:\\dir", "file.ico"},
      {"C:\\dir\\", "C:\\dir\\", "C:\\dir", "dir\\"},
      {"C:\\", "C:\\", "C:\\", "C:\\"},
      {"C:", "C:\\", "C:", "C:"},
      {"C:file.ico", "C:file.ico\\", "C:", "file.ico"},
      {"file.ico", "file.ico\\", "", "file.ico"},
      {"\\", "\\", "\\", "\\"},
      {"\\file.ico", "\\file.ico\\", "\\", "file.ico"},
      {"C:\\dir/file.ico", "C:\\dir/file.ico\\", "C:\\", "file.ico"},
      {"C:\\dir/", "C:\\dir/\\", "C:\\", "dir/"},
      {"\\\\server", "\\\\server\\", "\\\\", "server"},
      {"\\\\server\\share", "\\\\server\\share\\", "\\\\server", "share"},
      {"\\\\server\\share\\dir\\Zendrel.exe", "\\\\server\\share\\dir\\Zendrel.exe\\",
       "\\\\server\\share\\dir", "Zendrel.exe"},
      // Trail bytes 0x5C at the end of a path and inside it.
      {"C:\\" + kHyo, "C:\\" + kHyo + "\\", "C:\\", kHyo},
      {"C:\\dir\\" + kHyo + "\\", "C:\\dir\\" + kHyo + "\\", "C:\\dir\\" + kHyo, kHyo + "\\"},
      {"C:\\" + kHyo + "\\" + kSo, "C:\\" + kHyo + "\\" + kSo + "\\", "C:\\" + kHyo, kSo},
      {"C:\\" + kSo + "x.ico", "C:\\" + kSo + "x.ico\\", "C:\\", kSo + "x.ico"},
      // A lead byte that ends the text stands alone, and a separator added after it pairs
      // with it: the shell does the same.
      {"C:\\a\x81", "C:\\a\x81\\", "C:\\", "a\x81"},
      {"\\\\" + kHyo + "\\" + kSo + "\\" + kSo, "\\\\" + kHyo + "\\" + kSo + "\\" + kSo + "\\",
       "\\\\" + kHyo + "\\" + kSo, kSo},
#else
      {"/home/u/file.ico", "/home/u/file.ico/", "/home/u", "file.ico"},
      {"/home/u/", "/home/u/", "/home/u", "u/"},
      {"/", "/", "/", "/"},
      {"/file.ico", "/file.ico/", "/", "file.ico"},
      {"file.ico", "file.ico/", "", "file.ico"},
      {"dir\\x", "dir\\x/", "", "dir\\x"},  // a backslash is part of a Linux name
      {"/tmp/\xC3\xA9/\xE3\x81\x82.ico", "/tmp/\xC3\xA9/\xE3\x81\x82.ico/", "/tmp/\xC3\xA9",
       "\xE3\x81\x82.ico"},
      {"/tmp/\xE3\x81/x", "/tmp/\xE3\x81/x/", "/tmp/\xE3\x81", "x"},
      {"/tmp/\xE3", "/tmp/\xE3/", "/tmp", "\xE3"},
      // A program that runs from a CIFS mount sees its own path as a universal name.
      {"\\\\server\\share\\dir\\zendrel", "\\\\server\\share\\dir\\zendrel\\",
       "\\\\server\\share\\dir", "zendrel"},
      {"\\\\server\\share\\", "\\\\server\\share\\", "\\\\server\\share", "share\\"},
      {"\\\\server\\share", "\\\\server\\share\\", "\\\\server", "share"},
      {"\\\\server", "\\\\server\\", "\\\\", "server"},
      {"\\\\server\\share\\a/b", "\\\\server\\share\\a/b\\", "\\\\server\\share", "a/b"},
#endif
  };
}

struct UnquoteRow {
  std::string s, unquoted;
};

std::vector<UnquoteRow> UnquoteRows() {
  return {
      {"\"C:\\Program Files\\x\"", "C:\\Program Files\\x"},
      {"\"abc", "\"abc"},
      {"abc\"", "abc\""},
      {"\"\"abc\"\"", "\"abc\""},
      {"\"a\"b\"", "a\"b"},
      {" \"abc\"", " \"abc\""},
      {"\"\"", ""},
      {"\"", ""},
      {"", ""},
#ifdef _WIN32
      {"\"C:\\" + kSo + "\"", "C:\\" + kSo},
#else
      {"\"/tmp/\xC3\xA9 x\"", "/tmp/\xC3\xA9 x"},
#endif
  };
}

struct UncRow {
  std::string path;
  bool unc;
};

std::vector<UncRow> UncRows() {
  return {
      {"\\\\server\\share\\dir", true},
      {"\\\\server", true},
      {"\\server\\share", false},
      {"C:\\dir", false},
      {"//server/share", false},
      {"", false},
      {"/home/u", false},
  };
}

TEST(Text, SplitsPaths) {
  for (const PathRow& row : PathRows()) {
    SCOPED_TRACE(Hex(row.path));
    EXPECT_EQ(AddTrailingSeparator(row.path), row.withSeparator);
    EXPECT_EQ(RemoveFileSpec(row.path), row.directory);
    EXPECT_EQ(FileNamePart(row.path), row.name);
  }
  for (const UnquoteRow& row : UnquoteRows()) {
    SCOPED_TRACE(Hex(row.s));
    EXPECT_EQ(UnquoteSpaces(row.s), row.unquoted);
  }
  for (const UncRow& row : UncRows()) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(IsUNC(row.path), row.unc);
  }
  // Paths live in strings here, not in 260-byte buffers: the separator is added at any
  // length, so a folder name of 259 bytes never runs into the file name appended to it.
  const std::string longest(259, 'a');
  EXPECT_EQ(AddTrailingSeparator(longest), longest + kSeparator);
}

#ifdef _WIN32
// The shell's own functions under code page 932 must agree with every row the helpers are
// held to above: this is what keeps the rows honest.
std::string ThroughShell(const std::string& in, void (*fn)(char*)) {
  char buffer[MAX_PATH + 1] = {};
  std::memcpy(buffer, in.data(), in.size());
  fn(buffer);
  return buffer;
}

TEST(Text, PathRowsMatchTheShell) {
  for (const PathRow& row : PathRows()) {
    SCOPED_TRACE(Hex(row.path));
    EXPECT_EQ(ThroughShell(row.path, [](char* p) { PathAddBackslashA(p); }), row.withSeparator);
    EXPECT_EQ(ThroughShell(row.path, [](char* p) { PathRemoveFileSpecA(p); }), row.directory);
    EXPECT_EQ(std::string(PathFindFileNameA(row.path.c_str())), row.name);
  }
  for (const UnquoteRow& row : UnquoteRows()) {
    SCOPED_TRACE(Hex(row.s));
    EXPECT_EQ(ThroughShell(row.s, [](char* p) { PathUnquoteSpacesA(p); }), row.unquoted);
  }
  for (const UncRow& row : UncRows()) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(PathIsUNCA(row.path.c_str()) != FALSE, row.unc);
  }
  // With 259 bytes in a MAX_PATH buffer there is no room for a separator and its NUL: Windows
  // documents a null result and an unchanged path. Wine appends anyway, writing one byte past
  // such a buffer (this one has a spare byte). AddTrailingSeparator has no buffer and always
  // appends, see above.
  char buffer[MAX_PATH + 1] = {};
  std::memset(buffer, 'a', 259);
  const char* end = PathAddBackslashA(buffer);
  if (test::UnderWine()) {
    EXPECT_NE(end, nullptr);
    EXPECT_EQ(std::strlen(buffer), 260u);
  } else {
    EXPECT_EQ(end, nullptr);
    EXPECT_EQ(std::strlen(buffer), 259u);
  }
}
#endif

}  // namespace
}  // namespace zendrel::text
