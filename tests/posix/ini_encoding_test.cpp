// The encodings of the Linux INI engine. A desktop.ini is written so that Windows machines that
// reach the folder read its text: text outside ASCII turns a new or ANSI file into UTF-16LE
// with a byte-order mark, converted from what it held; a file with a mark keeps its encoding.
// An ANSI file that is not UTF-8 holds text in the code page of Windows machines; one that
// holds bytes of neither is never converted, since that would lose them.
#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

using namespace std::string_view_literals;

// A file of this text (given in UTF-8) in UTF-16LE with its byte-order mark.
std::string Unicode(std::string_view utf8) { return "\xFF\xFE" + test::Utf16Le(utf8); }

// UTF-8 text in a Windows code page, converted by the C library as a whole; "" when it cannot
// be converted.
std::string InCodePage(std::string_view utf8, unsigned codePage) {
  const iconv_t cd = iconv_open(("CP" + std::to_string(codePage)).c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size(), outLeft = out.size();
  char* to = out.data();
  const bool whole = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!whole) return {};
  out.resize(out.size() - outLeft);
  return out;
}

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

// Text from Windows machines in their code page, across many generated files: every key of a
// file reads the same in UTF-8, in UTF-16LE and in the code page, whatever trail bytes the
// double-byte characters have ('[', ']', '\\', ASCII letters). A write keeps every other
// line's text: a desktop.ini becomes UTF-16LE, any other file stays in the code page, its
// other lines byte for byte.
TEST_F(IniEncoding, TextOfAWindowsCodePageReadsAndRewritesAsItsText) {
  struct Pool {
    unsigned codePage;
    std::vector<std::string> characters;  // in UTF-8
  };
  const std::vector<std::string> ascii = {"a", "B", "z", "[", "]", "\\", " ", "."};
  const Pool pools[] = {
      // 表 95 5C, ソ 83 5C, ー 81 5B, 能 94 5C, ア 83 41, Ａ 82 60, ｱ B1, ﾝ DD
      {932,
       {"\xE8\xA1\xA8", "\xE3\x82\xBD", "\xE3\x83\xBC", "\xE8\x83\xBD", "\xE3\x82\xA2",
        "\xEF\xBC\xA1", "\xEF\xBD\xB1", "\xEF\xBE\x9D"}},
      // 中 文 表 简 丂 (81 40)
      {936, {"\xE4\xB8\xAD", "\xE6\x96\x87", "\xE8\xA1\xA8", "\xE7\xAE\x80", "\xE4\xB8\x82"}},
  };
  std::mt19937 random(14);
  for (const Pool& pool : pools) {
    const IniText text{pool.codePage};
    // No blank at either end, no '[' or ';' in front; a section name has no ']'.
    const auto word = [&](std::size_t length, bool section = false) {
      std::string w = "x";
      while (w.size() <= length) {
        const std::vector<std::string>& from = random() % 2 == 0 ? pool.characters : ascii;
        const std::string& c = from[random() % from.size()];
        if (!section || c != "]") w += c;
      }
      return w + "x";
    };
    for (int round = 0; round < 40; ++round) {
      // Sections and keys carry their number, so no two of them meet.
      std::vector<std::array<std::string, 3>> entries;  // section, key, value
      std::string document = "; " + word(3) + "\r\n";
      for (int s = 0; s < 3; ++s) {
        const std::string section = word(1 + random() % 4, true) + std::to_string(s);
        document += "[" + section + "]\r\n";
        for (int k = 0; k < 3; ++k) {
          entries.push_back({section, word(random() % 5) + std::to_string(k), word(random() % 8)});
          document += entries.back()[1] + "=" + entries.back()[2] + "\r\n";
        }
      }
      const std::string inCodePage = InCodePage(document, pool.codePage);
      ASSERT_FALSE(inCodePage.empty());
      const std::string files[] = {With("utf8.ini", document), With("utf16.ini", Unicode(document)),
                                   With("ansi.ini", inCodePage), With("desktop.ini", inCodePage)};
      for (const auto& [section, key, value] : entries) {
        for (const std::string& file : files) {
          ASSERT_EQ(ReadIniString(file, section, key, "d", text), value) << file << "\n"
                                                                         << document;
        }
      }

      const auto& [section, key, old] = entries[random() % entries.size()];
      const std::string value = word(4) + pool.characters[0];
      std::string edited = document;
      const std::size_t header = edited.find("\n[" + section + "]\r\n");
      edited.replace(edited.find(key + "=" + old + "\r", header), key.size() + 1 + old.size(),
                     key + "=" + value);
      EXPECT_TRUE(WriteIniString(files[2], section, key, value, text));
      EXPECT_EQ(Contents(files[2]), InCodePage(edited, pool.codePage)) << document;
      EXPECT_TRUE(WriteIniString(files[3], section, key, value, text));
      EXPECT_EQ(Contents(files[3]), Unicode(edited)) << document;
      for (const auto& [s, k, v] : entries) {
        EXPECT_EQ(ReadIniString(files[3], s, k, "d", text), s == section && k == key ? value : v);
      }
    }
  }
}

// Bytes that are text in neither encoding (Windows would never have written them) come back as
// they are, which shows them as replacement characters; written back, even after the key was
// deleted, they are the same bytes. New text leaves such a file in the code page.
TEST_F(IniEncoding, BytesOfNeitherEncodingAreShownButNeverWrittenOver) {
  const std::string before =
      "[.ShellClassInfo]\r\nIconIndex=1\r\nInfoTip=ok\x81\x20\xFF\x95\x5C\xA0\r\n";
  const std::string path = With("desktop.ini", before);
  const std::string shown = ReadIniString(path, ".ShellClassInfo", "InfoTip", "");
  EXPECT_EQ(shown, "ok\x81 \xFF\xE8\xA1\xA8\xA0");
  EXPECT_TRUE(WriteIniString(path, ".ShellClassInfo", "InfoTip", shown));
  EXPECT_TRUE(DeleteIniKey(path, ".ShellClassInfo", "InfoTip"));
  EXPECT_TRUE(WriteIniString(path, ".ShellClassInfo", "InfoTip", shown));
  EXPECT_EQ(Contents(path), before);

  // In the code page as far as it goes (é has no place in 932), not in UTF-16.
  EXPECT_TRUE(WriteIniString(path, ".ShellClassInfo", "IconFile", std::string(kHyo) + "\xC3\xA9"));
  EXPECT_EQ(Contents(path), before + "IconFile=\x95\x5C?\r\n");
}

// A file Windows and Linux users both write: in the code page from its first byte, even while
// its bytes happen to be UTF-8; a name or value the code page cannot hold stands for what the
// code page makes of it, so the same name finds its one record again.
TEST_F(IniEncoding, AFileSharedWithWindowsIsInTheCodePage) {
  const IniText shared{932, true};
  const std::string log = Path("Zendrel.LAN.log");
  const std::string folder = "\\\\srv\\" + std::string(kHyo) + "\\caf\xC3\xA9";
  for (int n = 0; n < 2; ++n) {
    EXPECT_TRUE(WriteIniString(log, "FolderLog", folder, "0x1," + std::to_string(n), shared));
    if (ReadIniString(log, "FolderOrg", folder, "", shared).empty()) {
      EXPECT_TRUE(WriteIniString(log, "FolderOrg", folder, std::string(kHyo), shared));
    }
  }
  EXPECT_EQ(Contents(log),
            "[FolderLog]\r\n\\\\srv\\\x95\x5C\\caf?=0x1,1\r\n"
            "[FolderOrg]\r\n\\\\srv\\\x95\x5C\\caf?=\x95\x5C\r\n");
  EXPECT_EQ(ReadIniString(log, "FolderLog", "\\\\srv\\" + std::string(kHyo) + "\\caf?", "", shared),
            "0x1,1");

  // A record in UTF-8 bytes is no record of this file: it reads as the code page's text.
  const std::string utf8 = With("utf8.LAN.log", "[s]\r\n" + std::string(kHyo) + "=1\r\n");
  EXPECT_EQ(ReadIniString(utf8, "s", std::string(kHyo), "none", shared), "none");
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
