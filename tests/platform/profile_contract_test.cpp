// What every INI file operation must do, on both builds. The Windows build runs these against
// the system's own profile functions (under Wine in our test runs); the Linux build runs them
// against our engine, which has to give the same bytes and values.
//
// Where Wine is known to behave differently from Windows, the case says so and expects Wine's
// result when the Windows build runs under Wine, Windows' result everywhere else. The Linux
// engine always follows Windows.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/profile.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zendrel::platform {
namespace {

using namespace std::string_view_literals;

// "表" in the build's multibyte code page: Shift-JIS on Windows, UTF-8 on Linux. In Shift-JIS
// its second byte is a backslash, so a scan that steps into the character would see one.
#ifdef _WIN32
constexpr std::string_view kHyo = "\x95\x5C";
#else
constexpr std::string_view kHyo = "\xE8\xA1\xA8";
#endif

// The multibyte cases are written for Shift-JIS on Windows; a run that silently fell back to
// another code page would fail them for the wrong reason.
::testing::AssertionResult InJapaneseCodePage() {
#ifdef _WIN32
  if (GetACP() != 932) {
    return ::testing::AssertionFailure() << "code page " << GetACP() << ", not 932";
  }
#endif
  return ::testing::AssertionSuccess();
}

// Picks the expected result: Wine's when the Windows build runs under Wine, Windows' otherwise
// (real Windows and the Linux engine).
std::string_view Expected(std::string_view windows, std::string_view wine) {
  return test::UnderWine() ? wine : windows;
}

std::string Utf16Le(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (const char16_t unit : text) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

std::string Repeat(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out.append(piece);
  return out;
}

// One lookup and what it gives on Windows and under Wine.
struct Lookup {
  std::string_view file;
  const char* section;
  const char* key;
  std::string_view windows;
  std::string_view wine;
};

// One write and the file it leaves on Windows and under Wine.
struct Edit {
  std::string_view before;
  const char* section;
  const char* key;
  const char* value;
  std::string_view windows;
  std::string_view wine;
};

class Profile : public ::testing::Test {
 protected:
  // Every case gets a file of its own, so that no case depends on whether the system keeps a
  // profile it has read before in memory.
  std::string NewPath() { return dir_.File("case" + std::to_string(count_++) + ".ini"); }

  std::string FileWith(std::string_view bytes) {
    const std::string path = NewPath();
    test::WriteBytes(path, std::string(bytes));
    return path;
  }

  std::string Read(std::string_view bytes, const std::string& section, const std::string& key,
                   const std::string& fallback = "(default)") {
    return ReadIniString(FileWith(bytes), section, key, fallback);
  }

  static std::string Contents(const std::string& path) {
    return test::ReadBytes(path).value_or("(no file)");
  }

  // The file's bytes after setting one key.
  std::string AfterWrite(std::string_view bytes, const std::string& section, const std::string& key,
                         const std::string& value) {
    const std::string path = FileWith(bytes);
    EXPECT_TRUE(WriteIniString(path, section, key, value));
    return Contents(path);
  }

  template <std::size_t N>
  void ExpectLookups(const Lookup (&cases)[N]) {
    for (const Lookup& c : cases) {
      EXPECT_EQ(Read(c.file, c.section, c.key), Expected(c.windows, c.wine))
          << "file " << Printed(c.file) << ", section [" << c.section << "], key [" << c.key << "]";
    }
  }

  template <std::size_t N>
  void ExpectEdits(const Edit (&cases)[N]) {
    for (const Edit& c : cases) {
      EXPECT_EQ(AfterWrite(c.before, c.section, c.key, c.value), Expected(c.windows, c.wine))
          << "file " << Printed(c.before) << ", [" << c.section << "] " << c.key << "=" << c.value;
    }
  }

  static std::string Printed(std::string_view bytes) {
    return testing::PrintToString(std::string(bytes));
  }

 private:
  test::TempDir dir_;
  int count_ = 0;
};

class ProfileRead : public Profile {};
class ProfileReadInt : public Profile {};
class ProfileWrite : public Profile {};
class ProfileList : public Profile {};

// --- reading ---

TEST_F(ProfileRead, EachKindOfLineEndEndsALine) {
  const std::string_view file = "[s]\r\na=1\nb=2\rc=3\r\n[t]\rd=4\ne=5";
  const Lookup cases[] = {
      {file, "s", "a", "1", "1"}, {file, "s", "b", "2", "2"}, {file, "s", "c", "3", "3"},
      {file, "t", "d", "4", "4"}, {file, "t", "e", "5", "5"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileRead, BlanksAroundHeadersNamesAndValuesAreIgnored) {
  const std::string_view file =
      " \t\v[s]\r\n"
      " \t\v k \t\v = \t\v v w \t\v \r\n"
      "f=\fv\f\r\n"
      "z=\x1Av\x1A\r\n";
  const Lookup cases[] = {
      {file, "s", "k", "v w", "v w"},
      // Only space, tab and vertical tab are blanks to Windows as far as we know; that form
      // feed and ^Z stay is our reading, unconfirmed. Wine trims both.
      {file, "s", "f", "\fv\f", "v"},
      {file, "s", "z", "\x1Av\x1A", "v"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileRead, ValueIsEverythingAfterTheFirstEqualsSign) {
  // No end-of-line comments: ';' and '#' inside a value are part of it.
  const std::string_view file = "[s]\r\nk=a=b;c#d\r\ne = = v\r\nx=y ;c\r\n";
  const Lookup cases[] = {
      {file, "s", "k", "a=b;c#d", "a=b;c#d"},
      {file, "s", "e", "= v", "= v"},
      {file, "s", "x", "y ;c", "y ;c"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileRead, CommentsAndLinesWithoutEqualsAreNoKeys) {
  const std::string_view file = "[s]\r\n;k=v\r\n  ;j=w\r\n#h=x\r\njunk\r\nn=1\r\n";
  const Lookup cases[] = {
      // Wine departs: it reads a line starting with ';' as a key named ";...".
      {file, "s", ";k", "(default)", "v"},
      {file, "s", ";j", "(default)", "w"},
      // '#' starts no comment.
      {file, "s", "#h", "x", "x"},
      // Windows has not been seen looking up a line without '='; like Wine, we give the
      // default.
      {file, "s", "junk", "(default)", "(default)"},
      // Neither kind of line ends the section.
      {file, "s", "n", "1", "1"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileRead, TextBeforeTheFirstHeaderBelongsToNoSection) {
  const std::string_view withEmptyName = "k=pre\r\n[]\r\nk=v\r\n";
  const std::string_view withNul = "x\0y\r\nk=pre\r\n[s]\r\nk=v\r\n"sv;
  const Lookup cases[] = {
      // "[]" names the section "", and the lines before the first header are out of reach.
      // Wine does the opposite: the name "" reaches the lines before the first header, and
      // "[]" cannot be looked up.
      {withEmptyName, "", "k", "v", "pre"},
      // A NUL byte there disturbs nothing after it.
      {withNul, "s", "k", "v", "v"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileRead, HeaderNameRunsToTheFirstClosingBracket) {
  const Lookup cases[] = {
      {" \t[ s ] text after\r\nk=v\r\n", "s", "k", "v", "v"},
      // Text after ']' is ignored, even when it looks like a key.
      {"[sec]k=v\r\nj=w\r\n", "sec", "k", "(default)", "(default)"},
      {"[sec]k=v\r\nj=w\r\n", "sec", "j", "w", "w"},
      {"[[s]\r\nk=v\r\n", "[s", "k", "v", "v"},
      // Wine departs: the name runs to the LAST ']'.
      {"[a]b]\r\nk=v\r\n", "a", "k", "v", "(default)"},
      {"[a]b]\r\nk=v\r\n", "a]b", "k", "(default)", "v"},
      // With no ']' the name runs to the end of the line. Wine departs: such a line is a key
      // of the section before it.
      {"[t]\r\n[s\r\nk=v\r\n", "s", "k", "v", "(default)"},
      {"[t]\r\n[s\r\nk=v\r\n", "t", "k", "(default)", "v"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileRead, NamesIgnoreCaseAndKeepTheirQuotes) {
  const std::string_view quoted = "[\"s\"]\r\n\"k\"=v\r\n";
  const Lookup cases[] = {
      {"[SeC]\r\nKeY=VaLuE\r\n", "sec", "KEY", "VaLuE", "VaLuE"},
      {quoted, "\"s\"", "\"k\"", "v", "v"},
      {quoted, "s", "k", "(default)", "(default)"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileRead, FirstKeyAndFirstSectionOfANameWin) {
  const std::string_view file = "[s]\r\nk=1\r\nK=2\r\n[S]\r\nk=3\r\nj=4\r\n";
  const Lookup cases[] = {
      {file, "s", "k", "1", "1"},
      // Only the first section named "s" is searched.
      {file, "s", "j", "(default)", "(default)"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileRead, OnePairOfOuterQuotesIsRemovedAndEmptyIsAValue) {
  struct Case {
    std::string_view value;  // as it stands in the file
    std::string_view read;
  };
  const Case cases[] = {
      {"\"v\"", "v"},
      {"'v'", "v"},
      {"  \"  a  \"  ", "  a  "},
      {"\"\"x\"\"", "\"x\""},
      {"\"\"", ""},
      {"\"", "\""},
      {"\"v'", "\"v'"},
      {"\"a\"b", "\"a\"b"},
      {"a\"", "a\""},
      // Present but empty is "", not the default.
      {"", ""},
      {"   ", ""},
  };
  for (const Case& c : cases) {
    std::string file = "[s]\r\nk=";
    file.append(c.value);
    file.append("\r\n");
    EXPECT_EQ(Read(file, "s", "k"), c.read) << "value in the file: [" << c.value << "]";
  }
}

TEST_F(ProfileRead, Utf16LeFileGivesTextInTheCodePage) {
  ASSERT_TRUE(InJapaneseCodePage());
  const std::string file = Utf16Le(u"[s]\r\nk=\u8868\r\nq= \"x\" \r\n");
  EXPECT_EQ(Read(file, "s", "k"), kHyo);
  EXPECT_EQ(Read(file, "s", "q"), "x");
}

TEST_F(ProfileRead, Utf8ByteOrderMark) {
  ASSERT_TRUE(InJapaneseCodePage());
  // Windows does not know this mark: it is text on line 1, which spoils the header there.
  // Wine recognises it, and so does the Linux engine, whose code page is UTF-8 anyway. The
  // file holds "表" in UTF-8 on both builds.
  const std::string file = "\xEF\xBB\xBF[s]\r\nk=\xE8\xA1\xA8\r\n";
#ifdef _WIN32
  const std::string_view expected = Expected("(default)", kHyo);
#else
  const std::string_view expected = kHyo;
#endif
  EXPECT_EQ(Read(file, "s", "k"), expected);
}

TEST_F(ProfileRead, ValueIsCutTo259Bytes) {
  for (const int length : {258, 259, 260, 300}) {
    const std::string value(static_cast<std::size_t>(length), 'x');
    EXPECT_EQ(Read("[s]\r\nk=" + value + "\r\n", "s", "k"), value.substr(0, 259))
        << length << " bytes";
  }
}

TEST_F(ProfileRead, MultibyteValueIsCutAtACharacterBoundary) {
  ASSERT_TRUE(InJapaneseCodePage());
#ifdef _WIN32
  // 1 + 2 * 129 = 259 bytes. Where Windows cuts a double-byte character in two is not
  // something Zendrel relies on.
  const std::string head = "a";
  const int kept = 129;
#else
  // 2 + 3 * 85 = 257 bytes: the 86th character would end at byte 260, so it goes whole.
  const std::string head = "ab";
  const int kept = 85;
#endif
  EXPECT_EQ(Read("[s]\r\nk=" + head + Repeat(kHyo, 150) + "\r\n", "s", "k"),
            head + Repeat(kHyo, kept));
}

TEST_F(ProfileRead, DefaultLosesTrailingSpaces) {
  const std::string missing = NewPath();
  EXPECT_EQ(ReadIniString(missing, "s", "k", "d"), "d");
  EXPECT_FALSE(test::Exists(missing));
  EXPECT_EQ(Read("[t]\r\nk=v\r\n", "s", "k", "d"), "d");
  EXPECT_EQ(Read("[s]\r\nj=v\r\n", "s", "k", "d"), "d");
  // Spaces only, and only at the end.
  EXPECT_EQ(Read("[s]\r\n", "s", "k", "d  "), "d");
  EXPECT_EQ(Read("[s]\r\n", "s", "k", "  d  "), "  d");
  EXPECT_EQ(Read("[s]\r\n", "s", "k", "d\t"), "d\t");
}

// Windows trims only spaces from the names it is given, but every blank from the names in
// the file: a name with a tab at either end would be written and never found again. Both
// builds trim names given to every call as the file's are.
TEST_F(ProfileRead, SectionAndKeyArgumentsLoseSurroundingBlanks) {
  const std::string_view file = "[s]\r\nk=v\r\n";
  const Lookup cases[] = {
      {file, "  s  ", "  k  ", "v", "v"},
      {file, "\ts", "k", "v", "v"},
      {file, "s", "k\t", "v", "v"},
      {file, "\v s", "k \t", "v", "v"},
  };
  ExpectLookups(cases);
}

TEST_F(ProfileReadInt, ReadsTheLeadingNumber) {
  struct Case {
    const char* value;
    int read;
  };
  const Case cases[] = {
      {"1", 1},
      {"+1", 1},
      {" 7", 7},
      {"42A9", 42},
      // Present but no number: 0, not the default.
      {"B42", 0},
      {"-1", -1},
      // Wraps modulo 2^32.
      {"4294967297", 1},
      // Base prefixes as Wine reads them; Windows has not been seen with one, and both builds
      // must agree.
      {"0x10", 16},
      // Empty: the default, as in Wine (unconfirmed on Windows).
      {"", 77},
  };
  for (const Case& c : cases) {
    const std::string path = FileWith(std::string("[s]\r\nk=") + c.value + "\r\n");
    EXPECT_EQ(ReadIniInt(path, "s", "k", 77), c.read) << "value [" << c.value << "]";
  }
  const std::string path = FileWith("[s]\r\nk=1\r\n");
  EXPECT_EQ(ReadIniInt(path, "s", "j", 77), 77);
  EXPECT_EQ(ReadIniInt(path, "t", "k", 77), 77);
  EXPECT_EQ(ReadIniInt(NewPath(), "s", "k", 77), 77);
}

// --- writing ---

TEST_F(ProfileWrite, NewFileAndNewSection) {
  const std::string missing = NewPath();
  EXPECT_TRUE(WriteIniString(missing, "Section", "key", "value"));
  EXPECT_EQ(Contents(missing), "[Section]\r\nkey=value\r\n");

  // Wine rewrites the whole file from what it parsed, so the lines before the new section come
  // out in its own form.
  const Edit cases[] = {
      {"", "Section", "key", "value", "[Section]\r\nkey=value\r\n", "[Section]\r\nkey=value\r\n"},
      {"[a]\r\nx=1\r\n", "b", "y", "2", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n",
       "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
      // A file that does not end in LF gets a CRLF first.
      {"[a]\r\nx=1", "b", "y", "2", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
      {"[a]\r\nx=1\r", "b", "y", "2", "[a]\r\nx=1\r\r\n[b]\r\ny=2\r\n",
       "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
      // No blank line is added, and none is taken away.
      {"[a]\nx=1\n\n", "b", "y", "2", "[a]\nx=1\n\n[b]\r\ny=2\r\n", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
  };
  ExpectEdits(cases);
}

TEST_F(ProfileWrite, NewKeyGoesAfterTheLastKeyLineOfTheFirstSection) {
  // Wine departs: it appends after the section's trailing comments and drops blank lines.
  const Edit cases[] = {
      {"[s]\r\na=1\r\n;c\r\n\r\n[t]\r\n", "s", "b", "2", "[s]\r\na=1\r\nb=2\r\n;c\r\n\r\n[t]\r\n",
       "[s]\r\na=1\r\n;c\r\nb=2\r\n[t]\r\n"},
      {"[s]\r\nk=v\r\n\r\n", "s", "b", "2", "[s]\r\nk=v\r\nb=2\r\n\r\n", "[s]\r\nk=v\r\nb=2\r\n"},
      // A section with no key yet: right after its header.
      {"[s]\r\n;c\r\n[t]\r\n", "s", "b", "2", "[s]\r\nb=2\r\n;c\r\n[t]\r\n",
       "[s]\r\n;c\r\nb=2\r\n[t]\r\n"},
      {"[s]", "s", "b", "2", "[s]\r\nb=2\r\n", "[s]\r\nb=2\r\n"},
      {"[s]\r\na=1", "s", "b", "2", "[s]\r\na=1\r\nb=2\r\n", "[s]\r\na=1\r\nb=2\r\n"},
      // Only the first section of the name takes keys, even one that a later one holds.
      {"[s]\r\na=1\r\n[S]\r\nc=3\r\nb=4\r\n", "s", "b", "2",
       "[s]\r\na=1\r\nb=2\r\n[S]\r\nc=3\r\nb=4\r\n", "[s]\r\na=1\r\nb=2\r\n[S]\r\nc=3\r\nb=4\r\n"},
  };
  ExpectEdits(cases);
}

TEST_F(ProfileWrite, ExistingKeyKeepsItsSpellingAndTakesTheValueVerbatim) {
  const Edit cases[] = {
      {"[SeC]\r\nKeY=old\r\n", "sec", "key", "new", "[SeC]\r\nKeY=new\r\n", "[SeC]\r\nKeY=new\r\n"},
      // Only the first of two equal keys changes.
      {"[s]\r\nk=1\r\nK=2\r\n", "s", "k", "3", "[s]\r\nk=3\r\nK=2\r\n", "[s]\r\nk=3\r\nK=2\r\n"},
      // Whether Windows keeps the blanks of "k = old" is unknown; we keep everything before
      // the '=' as it stands. Wine rewrites the line.
      {"[s]\r\nk = old\r\n", "s", "k", "new", "[s]\r\nk =new\r\n", "[s]\r\nk=new\r\n"},
      // No trimming, quoting or escaping. Wine departs: it drops the leading blanks.
      {"[s]\r\nk=1\r\n", "s", "k", "  a ;b \"q\" ", "[s]\r\nk=  a ;b \"q\" \r\n",
       "[s]\r\nk=a ;b \"q\" \r\n"},
  };
  ExpectEdits(cases);
}

TEST_F(ProfileWrite, DeletingAKeyKeepsTheHeader) {
  const std::string path = FileWith("[s]\r\nk=1\r\n[t]\r\nx=1\r\n");
  EXPECT_TRUE(DeleteIniKey(path, "S", "K"));
  EXPECT_EQ(Contents(path), "[s]\r\n[t]\r\nx=1\r\n");
  EXPECT_FALSE(IniSectionHasKeys(path, "s"));

  const std::string twice = FileWith("[s]\r\nk=1\r\nk=2\r\n");
  EXPECT_TRUE(DeleteIniKey(twice, "s", "k"));
  EXPECT_EQ(Contents(twice), "[s]\r\nk=2\r\n");
  EXPECT_EQ(ReadIniString(twice, "s", "k", "d"), "2");

  // A key or section that is not there: success, and not a byte changes.
  const std::string_view untidy = "[s]\r\n  k = 1 \n";
  const std::string absent = FileWith(untidy);
  EXPECT_TRUE(DeleteIniKey(absent, "s", "j"));
  EXPECT_TRUE(DeleteIniKey(absent, "t", "k"));
  EXPECT_EQ(Contents(absent), untidy);
}

TEST_F(ProfileWrite, DeletingASectionKeepsItsComments) {
  const std::string path = FileWith("[a]\r\nx=1\r\n[s]\r\nk=1\r\n;c\r\nj=2\r\n[t]\r\ny=1\r\n");
  EXPECT_TRUE(DeleteIniSection(path, "S"));
  // Wine departs: the comment goes with the section.
  EXPECT_EQ(Contents(path),
            Expected("[a]\r\nx=1\r\n;c\r\n[t]\r\ny=1\r\n", "[a]\r\nx=1\r\n[t]\r\ny=1\r\n"));
  EXPECT_EQ(ReadIniString(path, "s", "k", "d"), "d");
}

TEST_F(ProfileWrite, LinesTheWriteDoesNotChangeStayByteForByte) {
  // Wine departs: it rewrites the file from what it parsed, which loses what follows a NUL
  // byte, the blanks and the line ends.
  const Edit cases[] = {
      {"junk\0x\r\n[a]\n  x = 1 \r;c\n[s]\r\nk=1\r\n"sv, "s", "k", "2",
       "junk\0x\r\n[a]\n  x = 1 \r;c\n[s]\r\nk=2\r\n"sv,
       "junk\r\n[a]\r\nx=1\r\n;c\r\n[s]\r\nk=2\r\n"},
      // The lines before the first header, NUL bytes and all.
      {"junk\0x\r\nk=v\r\n\r\n[s]\r\nk=1\r\n"sv, "s", "k", "2",
       "junk\0x\r\nk=v\r\n\r\n[s]\r\nk=2\r\n"sv, "junk\r\nk=v\r\n[s]\r\nk=2\r\n"},
      {"junk\0x\r\nk=v\r\n"sv, "s", "k", "1", "junk\0x\r\nk=v\r\n[s]\r\nk=1\r\n"sv,
       "junk\r\nk=v\r\n[s]\r\nk=1\r\n"},
  };
  ExpectEdits(cases);
}

TEST_F(ProfileWrite, WritingTheValueAKeyHasLeavesTheFileAlone) {
  const std::string_view untidy = "[s]\r\n  k = v \n";
  const std::string path = FileWith(untidy);
  EXPECT_TRUE(WriteIniString(path, "s", "k", "v"));
  EXPECT_EQ(Contents(path), untidy);
}

TEST_F(ProfileWrite, DeletingFromAMissingFile) {
  // Windows creates an empty file. Wine creates nothing, and neither does the Linux engine:
  // an empty desktop.ini would be a file Zendrel never meant to write.
#ifdef _WIN32
  const bool created = !test::UnderWine();
#else
  const bool created = false;
#endif
  const std::string forKey = NewPath();
  EXPECT_TRUE(DeleteIniKey(forKey, "s", "k"));
  EXPECT_EQ(test::Exists(forKey), created);
  if (created) {
    EXPECT_EQ(Contents(forKey), "");
  }

  const std::string forSection = NewPath();
  EXPECT_TRUE(DeleteIniSection(forSection, "s"));
  EXPECT_EQ(test::Exists(forSection), created);
  if (created) {
    EXPECT_EQ(Contents(forSection), "");
  }
}

TEST_F(ProfileWrite, Utf16LeFileStaysUtf16Le) {
  ASSERT_TRUE(InJapaneseCodePage());
  const std::string file = Utf16Le(u"[s]\r\nk=v\r\n");
  EXPECT_EQ(AfterWrite(file, "s", "j", std::string(kHyo)), Utf16Le(u"[s]\r\nk=v\r\nj=\u8868\r\n"));
  EXPECT_EQ(AfterWrite(file, "s", "k", std::string(kHyo)), Utf16Le(u"[s]\r\nk=\u8868\r\n"));
  EXPECT_EQ(AfterWrite(file, "t", "j", "x"), Utf16Le(u"[s]\r\nk=v\r\n[t]\r\nj=x\r\n"));

  // How a UTF-16LE desktop.ini is made: the mark alone, then the profile functions. The mark
  // counts as content that does not end in LF, so a CRLF comes first. Wine writes none.
  const std::string path = FileWith("\xFF\xFE");
  EXPECT_TRUE(WriteIniString(path, ".ShellClassInfo", "InfoTip", std::string(kHyo)));
  EXPECT_EQ(Contents(path), Expected(Utf16Le(u"\r\n[.ShellClassInfo]\r\nInfoTip=\u8868\r\n"),
                                     Utf16Le(u"[.ShellClassInfo]\r\nInfoTip=\u8868\r\n")));
  EXPECT_EQ(ReadIniString(path, ".ShellClassInfo", "InfoTip", "d"), kHyo);
}

TEST_F(ProfileWrite, Utf8ByteOrderMarkFile) {
  ASSERT_TRUE(InJapaneseCodePage());
  const std::string value(kHyo);
  const std::string inPlace = "\xEF\xBB\xBF[s]\r\nk=\xE8\xA1\xA8\r\n";
#ifdef _WIN32
  // To Windows the mark spoils the header on line 1, so the key goes into a new section, in
  // the code page. Wine reads the file as UTF-8 and writes it back as such, mark included.
  const std::string appended = "\xEF\xBB\xBF[s]\r\nk=v\r\n[s]\r\nk=" + value + "\r\n";
  const std::string expected(Expected(appended, inPlace));
#else
  // The Linux engine keeps the mark and changes the key in place.
  const std::string expected = inPlace;
#endif
  EXPECT_EQ(AfterWrite("\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", value), expected);
}

TEST_F(ProfileWrite, MultibyteNamesAndValuesInTheCodePage) {
  ASSERT_TRUE(InJapaneseCodePage());
  const std::string hyo(kHyo);
  const std::string path = FileWith("[s]\r\nk=v\r\n");
  EXPECT_TRUE(WriteIniString(path, hyo, hyo, hyo + "\\"));
  EXPECT_EQ(Contents(path), "[s]\r\nk=v\r\n[" + hyo + "]\r\n" + hyo + "=" + hyo + "\\\r\n");
  EXPECT_EQ(ReadIniString(path, hyo, hyo, "d"), hyo + "\\");
  EXPECT_TRUE(IniSectionHasKeys(path, hyo));
}

// --- lists (Zendrel only asks whether they are empty) ---

TEST_F(ProfileList, FileHasSections) {
  EXPECT_FALSE(IniHasSections(NewPath()));
  EXPECT_FALSE(IniHasSections(FileWith("")));
  EXPECT_FALSE(IniHasSections(FileWith("k=v\r\n;c\r\n")));
  EXPECT_TRUE(IniHasSections(FileWith("k=v\r\n  [s]")));
  // Wine departs: without ']' the line is no header.
  EXPECT_EQ(IniHasSections(FileWith("k=v\r\n[s\r\n")), !test::UnderWine());
}

TEST_F(ProfileList, SectionHasKeys) {
  struct Case {
    std::string_view file;
    const char* section;
    bool hasKeys;
  };
  const Case cases[] = {
      {"[S]\r\nk=1\r\n", "s", true},
      {"[s]\r\nk=\r\n", "s", true},
      // Comments, lines without '=' and blank lines are not listed.
      {"[s]\r\n;c=1\r\njunk\r\n\r\n[t]\r\nk=1\r\n", "s", false},
      {"[sec]k=v\r\n", "sec", false},
      // Only the first section of the name counts.
      {"[s]\r\n[s]\r\nk=1\r\n", "s", false},
      {"[t]\r\nk=1\r\n", "s", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniSectionHasKeys(FileWith(c.file), c.section), c.hasKeys)
        << "file " << Printed(c.file) << ", section [" << c.section << "]";
  }
  EXPECT_FALSE(IniSectionHasKeys(NewPath(), "s"));
  // A key whose name is empty is listed as an empty name, after which the list goes on. Wine
  // departs: it gives an empty list when such a key comes first.
  EXPECT_EQ(IniSectionHasKeys(FileWith("[s]\r\n=v\r\n"), "s"), !test::UnderWine());
  EXPECT_TRUE(IniSectionHasKeys(FileWith("[s]\r\nk=1\r\n=v\r\n"), "s"));
}

}  // namespace
}  // namespace zendrel::platform

namespace zendrel::platform {
namespace {

// Edits made as one change see each other, and a change another writer made to the file in
// the meantime survives them: it is neither lost nor taken for the edits' own.
TEST_F(ProfileWrite, EditsOfOneChangeSeeEachOtherAndKeepAnotherWritersChange) {
  const std::string path = FileWith("[s]\r\nold=1\r\nkeep=2\r\n");
  IniFileEdit edit(path);
  edit.DeleteKey("s", "old");
  edit.WriteString("s", "new", "3");
  EXPECT_EQ(edit.ReadString("s", "new", ""), "3");
  EXPECT_EQ(edit.ReadString("s", "old", "gone"), "gone");
  ASSERT_TRUE(WriteIniString(path, "other", "k", "v"));  // another writer, before the commit
  EXPECT_TRUE(edit.Commit());
  EXPECT_EQ(ReadIniString(path, "s", "new", ""), "3");
  EXPECT_EQ(ReadIniString(path, "s", "old", "gone"), "gone");
  EXPECT_EQ(ReadIniString(path, "s", "keep", ""), "2");
  EXPECT_EQ(ReadIniString(path, "other", "k", ""), "v");
}

}  // namespace
}  // namespace zendrel::platform
