// The encoding the Linux INI engine writes a desktop.ini in, so that Windows machines that
// reach the folder read its text: text outside ASCII turns a new or ANSI file into UTF-16LE
// with a byte-order mark; a file with a mark keeps its encoding; a file that holds bytes of
// another code page is never converted, since that would garble them.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/profile.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

using namespace std::string_view_literals;

// A file of this text (given in UTF-8) in UTF-16LE with its byte-order mark.
std::string Unicode(std::string_view utf8) { return "\xFF\xFE" + test::Utf16Le(utf8); }

constexpr std::string_view kHyo = "\xE8\xA1\xA8";  // 表 in UTF-8

class IniEncoding : public ::testing::Test {
 protected:
  std::string Path(const std::string& name = "desktop.ini") const { return dir_.File(name); }
  std::string With(const std::string& name, std::string_view bytes) const {
    test::WriteBytes(Path(name), std::string(bytes));
    return Path(name);
  }
  static std::string Contents(const std::string& path) {
    return test::ReadBytes(path).value_or("(no file)");
  }

  test::TempDir dir_;
};

TEST_F(IniEncoding, NewFileIsAnsiUntilTextOutsideAsciiComes) {
  const std::string ascii = Path();
  EXPECT_TRUE(WriteIniString(ascii, ".ShellClassInfo", "IconIndex", "3"));
  EXPECT_EQ(Contents(ascii), "[.ShellClassInfo]\r\nIconIndex=3\r\n");

  // Value, key or section name: any of them outside ASCII makes the file Unicode.
  const struct {
    const char* section;
    const char* key;
    std::string value;
    std::string_view expected;  // in UTF-8
  } cases[] = {
      {".ShellClassInfo", "InfoTip", std::string(kHyo),
       "[.ShellClassInfo]\r\nInfoTip=\xE8\xA1\xA8\r\n"},
      {".ShellClassInfo", "\xE8\xA1\xA8", "1", "[.ShellClassInfo]\r\n\xE8\xA1\xA8=1\r\n"},
      {"\xE8\xA1\xA8", "k", "1", "[\xE8\xA1\xA8]\r\nk=1\r\n"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string folder = dir_.File("f" + std::to_string(n++));
    ASSERT_TRUE(test::MakeFolder(folder));
    const std::string path = folder + "/desktop.ini";
    EXPECT_TRUE(WriteIniString(path, c.section, c.key, c.value));
    EXPECT_EQ(Contents(path), Unicode(c.expected)) << c.section << " " << c.key;
    EXPECT_EQ(ReadIniString(path, c.section, c.key, "d"), c.value);
  }
}

TEST_F(IniEncoding, AnsiFileTakingTextOutsideAsciiBecomesUnicodeWithTheSameText) {
  // Every line the write leaves alone keeps its text: the lines before the first header, NUL
  // bytes, odd line ends, UTF-8 already there, a last line without a line end.
  const std::string path = With("desktop.ini",
                                "junk\0x\r\n[.ShellClassInfo]\n  IconFile = a.ico \r;note\r\n"
                                "[Other]\r\nname=caf\xC3\xA9\r\nk=v"sv);
  EXPECT_TRUE(WriteIniString(path, ".ShellClassInfo", "InfoTip", std::string(kHyo)));
  EXPECT_EQ(Contents(path),
            Unicode("junk\0x\r\n[.ShellClassInfo]\n  IconFile = a.ico \r"
                    "InfoTip=\xE8\xA1\xA8\r\n;note\r\n[Other]\r\nname=caf\xC3\xA9\r\nk=v"sv));
  EXPECT_EQ(ReadIniString(path, "Other", "name", ""), "caf\xC3\xA9");
  EXPECT_EQ(ReadIniString(path, ".ShellClassInfo", "IconFile", ""), "a.ico");

  // From then on it stays Unicode, whatever is written.
  EXPECT_TRUE(WriteIniString(path, "Other", "k", "w"));
  EXPECT_EQ(Contents(path).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ReadIniString(path, "Other", "k", ""), "w");
}

TEST_F(IniEncoding, AsciiWritesAndDeletionsKeepAnAnsiFileAnsi) {
  const std::string before = "[.ShellClassInfo]\r\nInfoTip=caf\xC3\xA9\r\nIconIndex=1\r\n";
  const std::string path = With("desktop.ini", before);
  EXPECT_TRUE(WriteIniString(path, ".ShellClassInfo", "IconIndex", "2"));
  EXPECT_TRUE(DeleteIniKey(path, ".ShellClassInfo", "IconIndex"));
  EXPECT_TRUE(DeleteIniSection(path, "Missing"));
  EXPECT_EQ(Contents(path), "[.ShellClassInfo]\r\nInfoTip=caf\xC3\xA9\r\n");

  // Writing the value a key already has changes nothing at all.
  const std::string same = With("desktop.ini", "[s]\r\nk=" + std::string(kHyo) + "\r\n");
  EXPECT_TRUE(WriteIniString(same, "s", "k", std::string(kHyo)));
  EXPECT_EQ(Contents(same), "[s]\r\nk=" + std::string(kHyo) + "\r\n");
}

TEST_F(IniEncoding, FileOfAnotherCodePageIsNotConverted) {
  // Shift-JIS from a Japanese Windows: no UTF-8, so converting would garble it. The new line
  // goes in as the code page's text and the old bytes stay.
  const std::string path = With("desktop.ini", "[.ShellClassInfo]\r\nInfoTip=\x95\x5C\r\n");
  EXPECT_TRUE(WriteIniString(path, ".ShellClassInfo", "IconFile", std::string(kHyo) + ".ico"));
  EXPECT_EQ(Contents(path),
            "[.ShellClassInfo]\r\nInfoTip=\x95\x5C\r\nIconFile=\xE8\xA1\xA8.ico\r\n");
}

TEST_F(IniEncoding, FilesWithAByteOrderMarkKeepTheirEncoding) {
  const std::string utf8 = With("desktop.ini", "\xEF\xBB\xBF[s]\r\nk=v\r\n");
  EXPECT_TRUE(WriteIniString(utf8, "s", "k", std::string(kHyo)));
  EXPECT_EQ(Contents(utf8), "\xEF\xBB\xBF[s]\r\nk=\xE8\xA1\xA8\r\n");

  const std::string utf16 = With("desktop.ini", Unicode("[s]\r\nk=v\r\n"));
  EXPECT_TRUE(WriteIniString(utf16, "s", "j", std::string(kHyo)));
  EXPECT_EQ(Contents(utf16), Unicode("[s]\r\nk=v\r\nj=\xE8\xA1\xA8\r\n"));
}

TEST_F(IniEncoding, OnlyTheFolderSettingsFileIsConverted) {
  const std::string upper = With("Desktop.INI", "[s]\r\n");
  EXPECT_TRUE(WriteIniString(upper, "s", "k", std::string(kHyo)));
  EXPECT_EQ(Contents(upper), Unicode("[s]\r\nk=\xE8\xA1\xA8\r\n"));

  // The change log, the catalogue files and the like stay in the code page.
  for (const char* name : {"Zendrel.log", "desktop.ini.bak", "my desktop.ini"}) {
    const std::string path = Path(name);
    EXPECT_TRUE(WriteIniString(path, "s", "k", std::string(kHyo)));
    EXPECT_EQ(Contents(path), "[s]\r\nk=" + std::string(kHyo) + "\r\n") << name;
  }
}

}  // namespace
}  // namespace zendrel::platform
