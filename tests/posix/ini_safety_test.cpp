// What the Linux INI engine promises beyond the profile functions' results: no input breaks
// it, a write never tears or redirects a file, and concurrent writers lose nothing.
#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "support/temp_dir.h"

extern char** environ;

namespace zendrel::platform {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

struct Nasty {
  const char* name;
  std::string bytes;
};

std::vector<Nasty> NastyFiles() {
  std::mt19937 random(12345);
  std::string binary(64 * 1024, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  return {
      {"binary", binary},
      {"nul bytes", std::string("[s]\r\nk=a\0b\r\n\0\0\0=\0\r\n", 18)},
      {"megabyte line", "[s]\r\nk=" + std::string(1 << 20, 'x') + "\r\nother=1\r\n"},
      {"no final line break", "[s]\r\nk=v"},
      {"cr only", "[s]\rk=v\r[t]\rz=1\r"},
      {"odd utf-16", "\xFF\xFE" + test::Utf16Le("[s]\r\nk=v\r\n") + "\x41"},
      {"lone surrogates", "\xFF\xFE" + test::Utf16Le("[s]\r\nk=") + "\x00\xD8\x00\xDC\x00\xDC" +
                              test::Utf16Le("\r\n")},
      {"bom only", "\xFF\xFE"},
      {"utf-8 bom and junk", "\xEF\xBB\xBF\xC3\x28[s]\n\xFF=\xFE\n"},
      {"brackets", "[[[]]]\n[\n]\n=\n==\n[s\nk"},
  };
}

TEST(IniBadInput, ReadsAsKeysOrDefaultsAndWritesKeepEveryOtherByte) {
  TempDir dir;
  const std::string file = dir.File("nasty.ini");
  for (const Nasty& nasty : NastyFiles()) {
    SCOPED_TRACE(nasty.name);
    WriteBytes(file, nasty.bytes);
    // Reads give something and change nothing.
    const std::string value = ReadIniString(file, "s", "k", "default");
    EXPECT_LE(value.size(), 259u);
    ReadIniInt(file, "s", "k", 7);
    IniSectionHasKeys(file, "s");
    IniHasSections(file);
    EXPECT_EQ(ReadBytes(file), nasty.bytes);

    // A key in a section of its own: everything that was there stays, in front of it.
    ASSERT_TRUE(WriteIniString(file, "Zendrel New", "added", "yes"));
    const std::string after = *ReadBytes(file);
    const bool utf16 = nasty.bytes.compare(0, 2, "\xFF\xFE") == 0;
    const std::size_t kept = utf16 ? 2 + (nasty.bytes.size() - 2) / 2 * 2 : nasty.bytes.size();
    EXPECT_EQ(after.substr(0, kept), nasty.bytes.substr(0, kept));
    EXPECT_EQ(after.substr(after.size() - (nasty.bytes.size() - kept)), nasty.bytes.substr(kept));
    EXPECT_EQ(ReadIniString(file, "Zendrel New", "added", ""), "yes");

    // Taking the section out again leaves the original bytes and the line break that had to
    // go in front of the new header.
    ASSERT_TRUE(DeleteIniSection(file, "Zendrel New"));
    EXPECT_EQ(ReadIniString(file, "Zendrel New", "added", "gone"), "gone");
    EXPECT_EQ(ReadBytes(file)->substr(0, kept), nasty.bytes.substr(0, kept));
  }
}

TEST(IniBadInput, ValueOfAMegabyteIsCutToTheBuffer) {
  TempDir dir;
  const std::string file = dir.File("long.ini");
  WriteBytes(file, "[s]\r\nk=" + std::string(1 << 20, 'x') + "\r\n");
  EXPECT_EQ(ReadIniString(file, "s", "k", ""), std::string(259, 'x'));
}

TEST(IniAtomicWrite, ReplacesTheFileAndKeepsModeAndExtendedAttributes) {
  TempDir dir;
  const std::string file = dir.File("desktop.ini");
  WriteBytes(file, "[.ShellClassInfo]\r\nIconIndex=0\r\n");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  const char dosattrib[] = "0x26";
  const bool xattrs = setxattr(file.c_str(), "user.DOSATTRIB", dosattrib, 4, 0) == 0;
  struct stat before;
  ASSERT_EQ(stat(file.c_str(), &before), 0);

  ASSERT_TRUE(WriteIniString(file, ".ShellClassInfo", "IconIndex", "3"));

  struct stat after;
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino) << "expected a new file renamed into place";
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(file), "[.ShellClassInfo]\r\nIconIndex=3\r\n");
  if (xattrs) {
    char value[16] = {};
    EXPECT_EQ(getxattr(file.c_str(), "user.DOSATTRIB", value, sizeof value), 4);
    EXPECT_STREQ(value, dosattrib);
  }
  // No temporary file is left beside it.
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"desktop.ini"});
}

TEST(IniAtomicWrite, NeverWritesThroughASymbolicLink) {
  TempDir dir;
  const std::string target = dir.File("target.ini"), link = dir.File("link.ini");
  WriteBytes(target, "[s]\r\nk=v\r\n");
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  EXPECT_FALSE(WriteIniString(link, "s", "k", "changed"));
  EXPECT_FALSE(DeleteIniKey(link, "s", "k"));
  EXPECT_FALSE(DeleteIniSection(link, "s"));
  EXPECT_EQ(ReadBytes(target), "[s]\r\nk=v\r\n");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  // A dangling link is not followed to create its target either.
  const std::string missing = dir.File("missing.ini"), dangling = dir.File("dangling.ini");
  ASSERT_EQ(symlink(missing.c_str(), dangling.c_str()), 0);
  EXPECT_FALSE(WriteIniString(dangling, "s", "k", "v"));
  EXPECT_FALSE(test::Exists(missing));
}

TEST(IniBadInput, APipeWhereTheFileShouldBeIsNotWaitedOn) {
  TempDir dir;
  const std::string fifo = dir.File("desktop.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadIniString(fifo, "s", "k", "default"), "default");
  EXPECT_FALSE(IniHasSections(fifo));
  EXPECT_FALSE(WriteIniString(fifo, "s", "k", "v"));
}

TEST(IniReads, AFileChangedBehindTheReaderIsReadAgain) {
  TempDir dir;
  const std::string file = dir.File("Zendrel.ini");
  WriteBytes(file, "[s]\r\nk=one\r\n");
  EXPECT_EQ(ReadIniString(file, "s", "k", ""), "one");
  // Rewritten in place by another program, to the same size.
  WriteBytes(file, "[s]\r\nk=two\r\n");
  EXPECT_EQ(ReadIniString(file, "s", "k", ""), "two");
  // Replaced by our own writer.
  ASSERT_TRUE(WriteIniString(file, "s", "k", "three"));
  EXPECT_EQ(ReadIniString(file, "s", "k", ""), "three");
  // Another file in between, then the first again.
  const std::string other = dir.File("other.ini");
  WriteBytes(other, "[s]\r\nk=other\r\n");
  EXPECT_EQ(ReadIniString(other, "s", "k", ""), "other");
  EXPECT_EQ(ReadIniString(file, "s", "k", ""), "three");
  // Gone.
  std::remove(file.c_str());
  EXPECT_EQ(ReadIniString(file, "s", "k", "gone"), "gone");
}

TEST(IniAtomicWrite, RefusedWritesChangeNothing) {
  TempDir dir;
  // A folder that does not exist, and a folder where a file is expected.
  EXPECT_FALSE(WriteIniString(dir.File("no/such.ini"), "s", "k", "v"));
  EXPECT_FALSE(WriteIniString(dir.path(), "s", "k", "v"));
  // Deleting from a missing file creates nothing.
  EXPECT_TRUE(DeleteIniKey(dir.File("absent.ini"), "s", "k"));
  EXPECT_TRUE(DeleteIniSection(dir.File("absent.ini"), "s"));
  EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

TEST(IniConcurrency, EightWritersLoseNoKey) {
  TempDir dir;
  const std::string file = dir.File("shared.log");
  constexpr int kWriters = 8, kKeys = 200;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const std::string tag = "w" + std::to_string(w), count = std::to_string(kKeys);
    const char* argv[] = {ZENDREL_WRITER_CHILD, file.c_str(), tag.c_str(), count.c_str(), nullptr};
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, ZENDREL_WRITER_CHILD, nullptr, nullptr, const_cast<char**>(argv),
                          environ),
              0);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  int found = 0;
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = "w" + std::to_string(w) + "-" + std::to_string(k);
      found += ReadIniString(file, "Writers", key, "") == key;
    }
  }
  EXPECT_EQ(found, kWriters * kKeys);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"shared.log"});
}

}  // namespace
}  // namespace zendrel::platform
