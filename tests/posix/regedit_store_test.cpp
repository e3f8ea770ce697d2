// The registry store's text: what it reads, what it writes, and what it leaves alone.
#include "platform/posix/regedit_store.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zendrel::platform::regedit {
namespace {

constexpr char kVerb[] = "HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel";
constexpr char kCommand[] = "HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel\\command";

// The text after an edit that must change it.
std::string Edited(const std::optional<std::string>& edit) {
  EXPECT_TRUE(edit.has_value());
  return edit.value_or("");
}

std::optional<std::string> StringOf(std::string_view store, std::string_view key,
                                    std::string_view name) {
  std::optional<Value> value = FindValue(store, key, name);
  if (!value) return std::nullopt;
  EXPECT_EQ(value->type, kString);
  return value->data;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

TEST(RegeditRead, ValuesEscapesAndTypes) {
  const std::string store =
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel]\r\n"
      "@=\"Zendrel...\"\r\n"
      "\"Quoted \\\"name\\\"\"=\"C:\\\\dir\\\\\\\"x\\\" 100%\"\r\n"
      "  \"Blanks\" = \"around\"  \r\n"
      "\"Other\"=\"a\\qb\"\r\n"
      "\"Lines\"=\"one\\r\\ntwo\\0three\"\r\n"
      "\"Number\"=dword:00000041\r\n"
      "\"Bytes\"=hex(2):25,57,69,\\\r\n"
      "  6e,44,\\\r\n"
      "  69,72,25,00\r\n"
      "\"Short\"=hex:5\r\n"
      "; a comment\r\n"
      "\"After\"=\"still here\"\r\n";
  EXPECT_EQ(StringOf(store, kVerb, ""), "Zendrel...");
  EXPECT_EQ(StringOf(store, kVerb, "Quoted \"name\""), "C:\\dir\\\"x\" 100%");
  EXPECT_EQ(StringOf(store, kVerb, "Blanks"), "around");
  // A backslash that starts no escape the writer makes stays as written.
  EXPECT_EQ(StringOf(store, kVerb, "Other"), "a\\qb");
  EXPECT_EQ(StringOf(store, kVerb, "Lines"), std::string("one\r\ntwo\0three", 14));

  const std::optional<Value> number = FindValue(store, kVerb, "Number");
  ASSERT_TRUE(number);
  EXPECT_EQ(number->type, kDword);
  EXPECT_EQ(number->data, std::string("A\0\0\0", 4));
  const std::optional<Value> bytes = FindValue(store, kVerb, "Bytes");
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->type, 2u);
  EXPECT_EQ(bytes->data, std::string("%WinDir%\0", 9));
  const std::optional<Value> single = FindValue(store, kVerb, "Short");
  ASSERT_TRUE(single);
  EXPECT_EQ(single->type, kBinary);
  EXPECT_EQ(single->data, "\x05");
  // The continued value did not swallow the lines after it.
  EXPECT_EQ(StringOf(store, kVerb, "After"), "still here");
  EXPECT_FALSE(FindValue(store, kVerb, "Missing"));
  EXPECT_FALSE(FindValue(store, kCommand, ""));
}

TEST(RegeditRead, KeysAndNamesMatchWithoutRegardToCaseAndTheLastValueCounts) {
  const std::string store =
      "REGEDIT4\n\n"
      "[hkey_classes_root\\DIRECTORY\\Shell\\zendrel]\n"
      "\"DisplayName\"=\"first\"\n"
      "@=\"menu\"\n"
      "\n"
      "[HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel]\n"
      "\"displayname\"=\"second\"\n"
      "\"\"=\"empty name is the default\"\n";
  EXPECT_TRUE(KeyExists(store, kVerb));
  EXPECT_TRUE(KeyExists(store, "HKEY_CLASSES_ROOT\\DIRECTORY\\SHELL\\ZENDREL"));
  EXPECT_EQ(StringOf(store, kVerb, "DISPLAYNAME"), "second");
  EXPECT_EQ(StringOf(store, kVerb, ""), "empty name is the default");
  // Case folds ASCII only; doubled and trailing separators are no levels.
  EXPECT_TRUE(KeyExists(store, "HKEY_CLASSES_ROOT\\\\Directory\\shell\\Zendrel\\"));
  EXPECT_FALSE(KeyExists(store, "HKEY_CLASSES_ROOT\\Directory\\shell\\Zendre"));
  EXPECT_FALSE(KeyExists(store, "HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel2"));
}

TEST(RegeditRead, ABlockMakesItsParentsExist) {
  const std::string store = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n";
  EXPECT_TRUE(KeyExists(store, "HKEY_LOCAL_MACHINE\\A\\B\\C"));
  EXPECT_TRUE(KeyExists(store, "HKEY_LOCAL_MACHINE\\a\\b"));
  EXPECT_TRUE(KeyExists(store, "HKEY_LOCAL_MACHINE"));
  EXPECT_FALSE(KeyExists(store, "HKEY_LOCAL_MACHINE\\A\\B\\C\\D"));
  EXPECT_FALSE(KeyExists(store, "HKEY_LOCAL_MACHINE\\A\\BC"));
  EXPECT_TRUE(HasSubkeys(store, "HKEY_LOCAL_MACHINE\\A\\B"));
  EXPECT_FALSE(HasSubkeys(store, "HKEY_LOCAL_MACHINE\\A\\B\\C"));
  EXPECT_FALSE(HasSubkeys(store, "HKEY_LOCAL_MACHINE\\A\\B\\C\\D"));
}

TEST(RegeditWrite, RegistrationWritesRegeditLayoutAndRemovalRestoresTheStore) {
  // The root and Directory\shell exist without being written: three fixed levels.
  const std::string command = "\"/home/u/My Apps/zendrel\" \"%1\"";
  std::string store = Edited(CreateKey(std::nullopt, kVerb, 3));
  store = Edited(SetString(store, kVerb, "", "Zendrel...", 3));
  store = Edited(CreateKey(store, kCommand, 3));
  store = Edited(SetString(store, kCommand, "", command, 3));
  const std::string uninstall =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zendrel";
  store = Edited(CreateKey(store, uninstall, 6));
  store = Edited(SetString(store, uninstall, "DisplayName", "Zendrel", 6));
  store = Edited(SetString(store, uninstall, "UninstallString", "/home/u/My Apps/zendrel", 6));
  EXPECT_EQ(store,
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel]\r\n"
            "@=\"Zendrel...\"\r\n"
            "\r\n"
            "[HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel\\command]\r\n"
            "@=\"\\\"/home/u/My Apps/zendrel\\\" \\\"%1\\\"\"\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
            "Zendrel]\r\n"
            "\"DisplayName\"=\"Zendrel\"\r\n"
            "\"UninstallString\"=\"/home/u/My Apps/zendrel\"\r\n"
            "\r\n");
  EXPECT_EQ(StringOf(store, kCommand, ""), command);

  // Registering again changes nothing; removing in the program's order leaves the header.
  EXPECT_FALSE(CreateKey(store, kVerb, 3));
  EXPECT_FALSE(SetString(store, kCommand, "", command, 3));
  EXPECT_FALSE(DeleteKey(store, kVerb, 3));  // it still has its command
  store = Edited(DeleteKey(store, kCommand, 3));
  store = Edited(DeleteKey(store, kVerb, 3));
  store = Edited(DeleteKey(store, uninstall, 6));
  EXPECT_EQ(store, "REGEDIT4\r\n\r\n");
  EXPECT_FALSE(DeleteKey(store, uninstall, 6));
}

TEST(RegeditWrite, EveryCharacterZendrelWritesReadsBack) {
  const std::string texts[] = {
      "\"/home/user/Program Files (x86)/zendrel\" \"%1\"",
      "\"\\\\server\\share\\tools\\zendrel.exe\" \"%1\"",
      "C:\\trailing\\",
      "\\\"",
      "100% \"quoted\" \\\\ %%1 %WinDir%",
      "/home/ユーザー/ツール/ゼンドレル \"%1\"",
      "表示",
      std::string("line\r\nbreak\rand\nnul\0end", 23),
      "",
      "=\"@\"=[x]",
  };
  std::string store = "REGEDIT4\r\n\r\n";
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    for (const std::string name : {"", "Name with \"quotes\" and \\", "名前"}) {
      const std::optional<std::string> edit = SetString(store, kCommand, name, text);
      if (edit) store = *edit;
      EXPECT_EQ(StringOf(store, kCommand, name), text);
    }
  }
  // Nothing leaked into other keys or made keys of its own: one block per level.
  EXPECT_FALSE(HasSubkeys(store, kCommand));
  EXPECT_EQ(StringOf(store, kVerb, ""), std::nullopt);
  std::size_t lines = 0;
  for (char c : store) lines += c == '\n';
  EXPECT_EQ(lines, 2u + 4u * 2u + 3u);  // header, four levels with their blank lines, values
}

TEST(RegeditWrite, EditsTouchOnlyTheirOwnLines) {
  const std::string before =
      "REGEDIT4\n"
      "; kept comment\n"
      "\n"
      "[HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel\\command]\n"
      "@=\"old\"\n"
      "\"Hex\"=hex:41,\\\n"
      "  42\n"
      "; inside\n"
      "\n"
      "[HKEY_CLASSES_ROOT\\Other]\n"
      "\"x\"=\"y\"";
  // A value changes between its '=' and its line end; the name keeps its spelling.
  EXPECT_EQ(Edited(SetString(before, kCommand, "", "new")),
            "REGEDIT4\n; kept comment\n\n"
            "[HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel\\command]\n"
            "@=\"new\"\n"
            "\"Hex\"=hex:41,\\\n  42\n; inside\n\n[HKEY_CLASSES_ROOT\\Other]\n\"x\"=\"y\"");
  // A value over several lines is replaced whole.
  EXPECT_EQ(Edited(SetString(before, kCommand, "hex", "s")),
            "REGEDIT4\n; kept comment\n\n"
            "[HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel\\command]\n"
            "@=\"old\"\n"
            "\"Hex\"=\"s\"\n; inside\n\n[HKEY_CLASSES_ROOT\\Other]\n\"x\"=\"y\"");
  // A new value follows the block's last value, before its comments and blank lines.
  EXPECT_EQ(Edited(SetString(before, kCommand, "New", "v")),
            "REGEDIT4\n; kept comment\n\n"
            "[HKEY_CLASSES_ROOT\\Directory\\shell\\Zendrel\\command]\n"
            "@=\"old\"\n"
            "\"Hex\"=hex:41,\\\n  42\n"
            "\"New\"=\"v\"\r\n"
            "; inside\n\n[HKEY_CLASSES_ROOT\\Other]\n\"x\"=\"y\"");
  // The last line had no line end.
  EXPECT_EQ(Edited(SetString(before, "HKEY_CLASSES_ROOT\\Other", "z", "w")),
            before + "\r\n\"z\"=\"w\"\r\n");
  // A new key goes at the end, after a line break and a blank line.
  EXPECT_EQ(Edited(SetString(before, "HKEY_CLASSES_ROOT\\New", "", "n")),
            before + "\r\n\r\n[HKEY_CLASSES_ROOT\\New]\r\n@=\"n\"\r\n\r\n");
}

TEST(RegeditWrite, CreationMakesMissingParentsAsBlocks) {
  const std::string before = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\a]\r\n\r\n";
  EXPECT_EQ(Edited(CreateKey(before, "HKEY_LOCAL_MACHINE\\software\\A\\b\\c")),
            before +
                "[HKEY_LOCAL_MACHINE\\software\\A\\b]\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\software\\A\\b\\c]\r\n\r\n");
  EXPECT_EQ(Edited(CreateKey(std::nullopt, "HKEY_LOCAL_MACHINE\\x\\y")),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\x]\r\n\r\n[HKEY_LOCAL_MACHINE\\x\\y]\r\n\r\n");
  // Existing keys, implied or written, and keys the system provides are not written.
  EXPECT_FALSE(CreateKey(before, "HKEY_LOCAL_MACHINE\\SOFTWARE"));
  EXPECT_FALSE(CreateKey(before, "HKEY_LOCAL_MACHINE\\Software\\A"));
  EXPECT_FALSE(CreateKey(before, "HKEY_CLASSES_ROOT\\Directory\\shell", 3));
  // A value on a key that exists without a block of its own gets that block, alone.
  EXPECT_EQ(Edited(SetString(before, "HKEY_LOCAL_MACHINE\\SOFTWARE", "v", "1")),
            before + "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\"v\"=\"1\"\r\n\r\n");
  EXPECT_EQ(
      Edited(SetString(std::nullopt, "HKEY_CLASSES_ROOT\\Directory\\DefaultIcon", "", "i", 3)),
      "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Directory\\DefaultIcon]\r\n@=\"i\"\r\n\r\n");
  // Names that no line could hold are refused.
  EXPECT_FALSE(CreateKey(before, "HKEY_LOCAL_MACHINE\\bad\nname"));
  EXPECT_FALSE(CreateKey(before, std::string("HKEY_LOCAL_MACHINE\\nul\0", 23)));
  EXPECT_FALSE(CreateKey(before, "-HKEY_LOCAL_MACHINE\\x"));
  EXPECT_FALSE(SetString(before, "", "v", "1"));
}

TEST(RegeditWrite, DeletionRemovesEveryBlockOfTheKeyAndKeepsItsParent) {
  const std::string store =
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\P\\K]\r\n"
      "@=\"one\"\r\n"
      "; note about K\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Q]\r\n"
      "\"q\"=\"kept\"\r\n"
      "\r\n"
      "[hkey_local_machine\\p\\k]\r\n"
      "\"second\"=hex:00,\\\r\n"
      "  01\r\n"
      "\r\n";
  // P exists only through K: the first line of K now names P, in the store's spelling.
  EXPECT_EQ(Edited(DeleteKey(store, "HKEY_LOCAL_MACHINE\\P\\K")),
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\P]\r\n"
            "; note about K\r\n"
            "[HKEY_LOCAL_MACHINE\\Q]\r\n"
            "\"q\"=\"kept\"\r\n"
            "\r\n");
  // A parent within the fixed levels needs no block.
  EXPECT_EQ(Edited(DeleteKey(store, "HKEY_LOCAL_MACHINE\\P\\K", 2)),
            "REGEDIT4\r\n\r\n; note about K\r\n[HKEY_LOCAL_MACHINE\\Q]\r\n\"q\"=\"kept\"\r\n\r\n");
  EXPECT_FALSE(DeleteKey(store, "HKEY_LOCAL_MACHINE\\P"));  // has a subkey, and no block
  EXPECT_FALSE(DeleteKey(store, "HKEY_LOCAL_MACHINE\\P\\K\\L"));
  EXPECT_FALSE(DeleteKey(std::nullopt, "HKEY_LOCAL_MACHINE\\Q"));
  const std::string rest = Edited(DeleteKey(store, "HKEY_LOCAL_MACHINE\\Q"));
  EXPECT_FALSE(KeyExists(rest, "HKEY_LOCAL_MACHINE\\Q"));
  EXPECT_EQ(FindValue(rest, "HKEY_LOCAL_MACHINE\\P\\K", "second")->data, std::string("\0\1", 2));
}

TEST(RegeditDamage, ALineThatDoesNotParseIsKeptAndOwnsNothing) {
  const std::string store =
      "REGEDIT4\r\n\r\n"
      "[HKEY_CLASSES_ROOT\\A]\r\n"
      "@=\"a\"\r\n"
      "[HKEY_CLASSES_ROOT\\B\r\n"  // no closing bracket
      "@=\"b\"\r\n"
      "\"unterminated\"=\"x\r\n"
      "\"trailing\"=\"x\" junk\r\n"
      "\"bad hex\"=hex:4g\r\n"
      "@=dword:123456789\r\n"
      "\r\n"
      "[-HKEY_CLASSES_ROOT\\C]\r\n"
      "@=\"deleted key syntax\"\r\n"
      "[HKEY_CLASSES_ROOT\\D]\r\n"
      "\"v\"=hex:41,\\\r\n"
      "[HKEY_CLASSES_ROOT\\E]\r\n"
      "@=\"e\"\r\n";
  EXPECT_EQ(StringOf(store, "HKEY_CLASSES_ROOT\\A", ""), "a");  // not b: that line is no A's
  EXPECT_FALSE(KeyExists(store, "HKEY_CLASSES_ROOT\\B"));
  EXPECT_FALSE(KeyExists(store, "HKEY_CLASSES_ROOT\\C"));
  EXPECT_EQ(FindValue(store, "HKEY_CLASSES_ROOT\\D", "v")->data, "A");
  EXPECT_EQ(StringOf(store, "HKEY_CLASSES_ROOT\\E", ""), "e");  // the key line ended the list

  // Writing B makes a block of its own at the end; deleting A takes its two lines only.
  const std::string withB = Edited(SetString(store, "HKEY_CLASSES_ROOT\\B", "", "new b"));
  EXPECT_TRUE(StartsWith(withB, store));
  EXPECT_EQ(StringOf(withB, "HKEY_CLASSES_ROOT\\B", ""), "new b");
  EXPECT_EQ(StringOf(withB, "HKEY_CLASSES_ROOT\\A", ""), "a");
  const std::string withoutA = Edited(DeleteKey(store, "HKEY_CLASSES_ROOT\\A"));
  EXPECT_EQ(withoutA, store.substr(0, 12) + store.substr(12 + 30));
}

TEST(RegeditDamage, AListThatPromisesMoreNeverTakesInANeighbour) {
  const std::string store =
      "[HKEY_CLASSES_ROOT\\K]\r\n"
      "\"h\"=hex:41,\\\r\n"
      "\r\n"
      "[HKEY_CLASSES_ROOT\\Other]\r\n"
      "\"o\"=hex:41,\\\r\n"
      "[HKEY_CLASSES_ROOT\\Gone]\r\n"
      "  42\r\n";
  // A new value of K goes before the open list, not into it.
  const std::string set = Edited(SetString(store, "HKEY_CLASSES_ROOT\\K", "n", "v"));
  EXPECT_EQ(set, "[HKEY_CLASSES_ROOT\\K]\r\n\"n\"=\"v\"\r\n" + store.substr(23));
  EXPECT_EQ(FindValue(set, "HKEY_CLASSES_ROOT\\K", "h")->data, "A");
  // Gone's line leaves an empty line behind, and its stray "42" stays no one's.
  const std::string gone = Edited(DeleteKey(store, "HKEY_CLASSES_ROOT\\Gone"));
  EXPECT_EQ(gone, store.substr(0, store.find("[HKEY_CLASSES_ROOT\\Gone]")) + "\r\n  42\r\n");
  EXPECT_EQ(FindValue(gone, "HKEY_CLASSES_ROOT\\Other", "o")->data, "A");
}

TEST(RegeditDamage, BinaryJunkAndLargeStoresStayReadableAndIntact) {
  std::mt19937 random(20240611);
  std::string junk(256 * 1024, '\0');
  for (char& c : junk) {
    c = static_cast<char>(random());
    if (c == '@' || c == '"' || c == '[') c = 'x';  // no values or keys of its own
  }
  junk.front() = 'J';
  const std::string block = "\n[HKEY_CLASSES_ROOT\\K]\r\n@=\"v\"\r\n";
  const std::string next = "[HKEY_CLASSES_ROOT\\Z]\r\n";
  const std::string damaged = junk + block + next + junk;
  EXPECT_EQ(StringOf(damaged, "HKEY_CLASSES_ROOT\\K", ""), "v");
  const std::string changed = Edited(SetString(damaged, "HKEY_CLASSES_ROOT\\K", "", "w"));
  EXPECT_EQ(changed.size(), damaged.size());
  EXPECT_TRUE(changed == junk + "\n[HKEY_CLASSES_ROOT\\K]\r\n@=\"w\"\r\n" + next + junk);
  EXPECT_TRUE(Edited(DeleteKey(damaged, "HKEY_CLASSES_ROOT\\K")) == junk + "\n" + next + junk);

  // Ten megabytes of keys, then one long line of junk: each edit is one pass.
  std::string large = "REGEDIT4\r\n\r\n";
  for (int i = 0; large.size() < (10u << 20); ++i) {
    large += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product " + std::to_string(i) +
             "]\r\n\"Path\"=\"C:\\\\Program Files\\\\Product\"\r\n\"Notes\"=\"" +
             std::string(200, 'n') + "\"\r\n\r\n";
  }
  large += std::string(1 << 20, '\\');
  {
    const std::string grown = Edited(SetString(large, kCommand, "", "x"));
    EXPECT_TRUE(StartsWith(grown, large));
    EXPECT_EQ(StringOf(grown, kCommand, ""), "x");
    EXPECT_EQ(StringOf(grown, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product 7", "path"),
              "C:\\Program Files\\Product");
    EXPECT_TRUE(HasSubkeys(grown, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor"));
    const std::string shrunk = Edited(DeleteKey(grown, kCommand));
    EXPECT_FALSE(KeyExists(shrunk, kCommand));
    EXPECT_TRUE(KeyExists(shrunk, kVerb));  // kept by a block of its own
  }

  // A long key line over many values of one name: each value is read once, not its key.
  const std::string longKey = "HKEY_CLASSES_ROOT\\" + std::string(1 << 20, 'k');
  std::string repeated = "[" + longKey + "]\n";
  for (int i = 0; i < 200000; ++i) repeated += "@=\"\"\n";
  repeated += "@=\"last\"\n";
  EXPECT_EQ(StringOf(repeated, longKey, ""), "last");
  // Compared whole, not printed: a report of a megabyte apart would drown the failure.
  EXPECT_TRUE(Edited(SetString(repeated, longKey, "", "new")) ==
              repeated.substr(0, repeated.size() - 7) + "\"new\"\n");
  EXPECT_TRUE(Edited(DeleteKey(repeated, longKey)).empty());
}

}  // namespace
}  // namespace zendrel::platform::regedit
