// The registry of the Linux build on a private configuration and data folder: the results
// the Windows functions give, the keys the system provides, and the file managers' menus.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/mount_table.h"
#include "platform/posix/shell_menus.h"
#include "platform/registry.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

constexpr long kInvalidHandle = 6;

// Sets or clears a variable for one test and puts it back afterwards.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class RegistryTest : public ::testing::Test {
 protected:
  ~RegistryTest() override { test::UseMountTable(""); }

  std::string StoreFile() const { return dir_.File("config/zendrel/registry.reg"); }
  std::string DesktopEntry(const std::string& name = "org.zendrel.zendrel.desktop") const {
    return dir_.File("data/applications/" + name);
  }
  std::string ServiceMenu(const std::string& name = "org.zendrel.zendrel.desktop") const {
    return dir_.File("data/kio/servicemenus/" + name);
  }

  // The default value of a key, or the error of the open or the read.
  static std::string Query(RegHandle root, const std::string& path, const std::string& name = "") {
    RegHandle key = 0;
    if (const long error = RegOpen(root, path, RegAccess::kRead, &key)) {
      return "error " + std::to_string(error);
    }
    std::string text = "unset";
    const long error = RegQueryString(key, name, &text);
    EXPECT_EQ(RegClose(key), kRegSuccess);
    return error ? "error " + std::to_string(error) : text;
  }

  // Registration as the program does it, from a writable handle on Directory\shell.
  static void Register(const std::string& verb, const std::string& menuText,
                       const std::string& command) {
    RegHandle shell = 0, key = 0;
    ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\shell", RegAccess::kWrite, &shell), kRegSuccess);
    ASSERT_EQ(RegCreate(shell, verb, &key), kRegSuccess);
    EXPECT_EQ(RegSetString(key, "", menuText), kRegSuccess);
    EXPECT_EQ(RegClose(key), kRegSuccess);
    ASSERT_EQ(RegCreate(shell, verb + "\\command", &key), kRegSuccess);
    EXPECT_EQ(RegSetString(key, "", command), kRegSuccess);
    EXPECT_EQ(RegClose(key), kRegSuccess);
    EXPECT_EQ(RegClose(shell), kRegSuccess);
  }

  static void Unregister(const std::string& verb) {
    RegHandle shell = 0;
    ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\shell", RegAccess::kWrite, &shell), kRegSuccess);
    EXPECT_EQ(RegDeleteSubkey(shell, verb + "\\command"), kRegSuccess);
    EXPECT_EQ(RegDeleteSubkey(shell, verb), kRegSuccess);
    EXPECT_EQ(RegClose(shell), kRegSuccess);
  }

  test::TempDir dir_;
  ScopedVariable config_{"XDG_CONFIG_HOME", dir_.File("config")};
  ScopedVariable data_{"XDG_DATA_HOME", dir_.File("data")};
};

TEST_F(RegistryTest, RegistrationRoundTripGivesTheWindowsResults) {
  const std::string command = "\"/opt/My Apps/zendrel\" \"%1\"";
  RegHandle key = 0;
  EXPECT_EQ(RegOpen(ClassesRoot(), "Directory\\shell\\Zendrel\\command", RegAccess::kRead, &key),
            kRegNotFound);
  EXPECT_FALSE(Exists(dir_.File("config/zendrel")));  // nothing is made before a write

  Register("Zendrel", "Zendrel...", command);
  EXPECT_EQ(Query(ClassesRoot(), "directory\\SHELL\\zendrel\\Command"), command);
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell\\Zendrel"), "Zendrel...");
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell\\Zendrel", "Other"), "error 2");

  // A handle opened for reading reads, opens what exists, and changes nothing.
  RegHandle reader = 0;
  ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\shell\\Zendrel", RegAccess::kRead, &reader),
            kRegSuccess);
  EXPECT_EQ(RegSetString(reader, "", "changed"), kRegAccessDenied);
  EXPECT_EQ(RegCreate(reader, "another", &key), kRegAccessDenied);
  EXPECT_EQ(RegDeleteSubkey(reader, "command"), kRegAccessDenied);
  ASSERT_EQ(RegCreate(reader, "command", &key), kRegSuccess);
  EXPECT_EQ(RegClose(key), kRegSuccess);
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell\\Zendrel"), "Zendrel...");
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell\\Zendrel\\another"), "error 2");

  // The verb with its command cannot go first; the command, then the verb can.
  RegHandle shell = 0;
  ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\shell", RegAccess::kWrite, &shell), kRegSuccess);
  EXPECT_EQ(RegDeleteSubkey(shell, "Zendrel"), kRegAccessDenied);
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell\\Zendrel\\command"), command);
  EXPECT_EQ(RegDeleteSubkey(shell, "Zendrel\\command"), kRegSuccess);
  std::string text = "unset";
  EXPECT_EQ(RegQueryString(reader, "", &text), kRegSuccess);  // the verb itself is still there
  EXPECT_EQ(RegDeleteSubkey(shell, "Zendrel"), kRegSuccess);
  EXPECT_EQ(RegDeleteSubkey(shell, "Zendrel"), kRegNotFound);
  EXPECT_EQ(RegQueryString(reader, "", &text), kRegNotFound);  // its handle finds nothing now
  EXPECT_EQ(ReadBytes(StoreFile()), "REGEDIT4\r\n\r\n");

  // Handles end with their close; the roots need none and stay.
  EXPECT_EQ(RegClose(reader), kRegSuccess);
  EXPECT_EQ(RegClose(reader), kInvalidHandle);
  EXPECT_EQ(RegQueryString(reader, "", &text), kInvalidHandle);
  EXPECT_EQ(RegOpen(reader, "", RegAccess::kRead, &key), kInvalidHandle);
  EXPECT_EQ(RegSetString(reader, "", "x"), kInvalidHandle);
  EXPECT_EQ(RegDeleteSubkey(reader, ""), kInvalidHandle);
  EXPECT_EQ(RegClose(0), kInvalidHandle);
  EXPECT_EQ(RegClose(shell), kRegSuccess);
  EXPECT_EQ(RegClose(ClassesRoot()), kRegSuccess);
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell"), "error 2");  // no default value
}

TEST_F(RegistryTest, UninstallEntryAndKeysThatVanishWhileOpen) {
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  RegHandle list = 0, entry = 0, other = 0;
  ASSERT_EQ(RegOpen(LocalMachine(), uninstall, RegAccess::kWrite, &list), kRegSuccess);
  ASSERT_EQ(RegCreate(list, "Zendrel", &entry), kRegSuccess);
  EXPECT_EQ(RegSetString(entry, "DisplayName", "Zendrel"), kRegSuccess);
  EXPECT_EQ(RegSetString(entry, "UninstallString", "/opt/zendrel"), kRegSuccess);
  EXPECT_EQ(Query(LocalMachine(), uninstall + "\\zendrel", "displayname"), "Zendrel");
  EXPECT_EQ(Query(LocalMachine(), uninstall + "\\Zendrel", "UninstallString"), "/opt/zendrel");
  EXPECT_EQ(ReadBytes(StoreFile()), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + uninstall +
                                        "\\Zendrel]\r\n\"DisplayName\"=\"Zendrel\"\r\n"
                                        "\"UninstallString\"=\"/opt/zendrel\"\r\n\r\n");

  // Another process removes the entry while it is open here.
  ASSERT_EQ(RegOpen(list, "Zendrel", RegAccess::kWrite, &other), kRegSuccess);
  EXPECT_EQ(RegDeleteSubkey(list, "Zendrel"), kRegSuccess);
  EXPECT_EQ(RegSetString(entry, "DisplayName", "again"), kRegNotFound);
  EXPECT_EQ(RegCreate(other, "below", &entry), kRegNotFound);
  EXPECT_EQ(Query(LocalMachine(), uninstall + "\\Zendrel"), "error 2");
  EXPECT_EQ(ReadBytes(StoreFile()), "REGEDIT4\r\n\r\n");
  for (RegHandle handle : {entry, other, list}) EXPECT_EQ(RegClose(handle), kRegSuccess);
}

TEST_F(RegistryTest, SystemKeysExistAndTheStoreOverridesTheirValues) {
  for (const char* path : {"Directory", "DIRECTORY\\Shell", "Directory\\DefaultIcon"}) {
    EXPECT_EQ(Query(ClassesRoot(), path, "none"), "error 2") << path;
  }
  EXPECT_EQ(
      Query(LocalMachine(), "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "none"),
      "error 2");
  EXPECT_EQ(Query(LocalMachine(), "SOFTWARE\\Other"), "error 2");
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\Background"), "error 2");

  // The folder icon that ships beside the running program.
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  std::string folder(exe, static_cast<std::size_t>(n));
  folder.erase(folder.rfind('/'));
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\DefaultIcon"), folder + "/zendrel-folder.ico,0");

  // Nothing the system provides can be deleted, not even after it is overridden.
  RegHandle classes = 0, icon = 0;
  ASSERT_EQ(RegOpen(ClassesRoot(), "", RegAccess::kWrite, &classes), kRegSuccess);
  for (const char* path : {"Directory\\DefaultIcon", "Directory\\shell", "Directory", ""}) {
    EXPECT_EQ(RegDeleteSubkey(classes, path), kRegAccessDenied) << path;
  }
  EXPECT_EQ(RegDeleteSubkey(LocalMachine(), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
            kRegAccessDenied);
  EXPECT_FALSE(Exists(StoreFile()));

  ASSERT_EQ(RegOpen(classes, "Directory\\DefaultIcon", RegAccess::kWrite, &icon), kRegSuccess);
  EXPECT_EQ(RegSetString(icon, "", "%SystemRoot%\\folder.ico,3"), kRegSuccess);
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\DefaultIcon"), "%SystemRoot%\\folder.ico,3");
  EXPECT_EQ(ReadBytes(StoreFile()),
            "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Directory\\DefaultIcon]\r\n"
            "@=\"%SystemRoot%\\\\folder.ico,3\"\r\n\r\n");
  EXPECT_EQ(RegDeleteSubkey(classes, "Directory\\DefaultIcon"), kRegAccessDenied);
  EXPECT_EQ(RegClose(icon), kRegSuccess);
  EXPECT_EQ(RegClose(classes), kRegSuccess);
}

TEST_F(RegistryTest, AReadTakesWhatFitsA260ByteBufferAndNothingElse) {
  RegHandle key = 0;
  ASSERT_EQ(RegCreate(ClassesRoot(), "Zendrel.Test", &key), kRegSuccess);
  std::string japanese;
  for (int i = 0; i < 86; ++i) japanese += "あ";  // 258 bytes
  EXPECT_EQ(RegSetString(key, "exact", std::string(259, 'b')), kRegSuccess);
  EXPECT_EQ(RegSetString(key, "long", std::string(260, 'a')), kRegSuccess);
  EXPECT_EQ(RegSetString(key, "japanese", japanese), kRegSuccess);
  EXPECT_EQ(RegSetString(key, "japanese long", japanese + "あ"), kRegSuccess);
  EXPECT_EQ(RegSetString(key, "nul", std::string("ab\0cd", 5)), kRegSuccess);
  std::string text;
  EXPECT_EQ(RegQueryString(key, "exact", &text), kRegSuccess);
  EXPECT_EQ(text, std::string(259, 'b'));
  EXPECT_EQ(RegQueryString(key, "japanese", &text), kRegSuccess);
  EXPECT_EQ(text, japanese);
  EXPECT_EQ(RegQueryString(key, "nul", &text), kRegSuccess);
  EXPECT_EQ(text, "ab");
  // Too long: the buffer keeps what it held before, and the store keeps the whole value.
  EXPECT_EQ(RegQueryString(key, "long", &text), kRegMoreData);
  EXPECT_EQ(RegQueryString(key, "japanese long", &text), kRegMoreData);
  EXPECT_EQ(text, "ab");
  EXPECT_NE(ReadBytes(StoreFile())->find(std::string(260, 'a')), std::string::npos);
  EXPECT_EQ(RegClose(key), kRegSuccess);

  // Other types count their own bytes: binary data needs no room for a terminating NUL.
  std::string hex260, hex261;
  for (int i = 0; i < 260; ++i) hex260 += i ? ",41" : "41";
  hex261 = hex260 + ",42";
  WriteBytes(StoreFile(), "[HKEY_CLASSES_ROOT\\T]\n\"fits\"=hex:" + hex260 +
                              "\n\"long\"=hex:" + hex261 + "\n\"n\"=dword:00004241\n");
  ASSERT_EQ(RegOpen(ClassesRoot(), "T", RegAccess::kRead, &key), kRegSuccess);
  EXPECT_EQ(RegQueryString(key, "fits", &text), kRegSuccess);
  EXPECT_EQ(text, std::string(260, 'A'));
  EXPECT_EQ(RegQueryString(key, "long", &text), kRegMoreData);
  EXPECT_EQ(RegQueryString(key, "n", &text), kRegSuccess);
  EXPECT_EQ(text, "AB");
  EXPECT_EQ(RegClose(key), kRegSuccess);
}

TEST_F(RegistryTest, DamagedOrUnwritableStoresLoseNothing) {
  const std::string damaged = std::string("\xFF\xFE\0junk\r\n", 9) +
                              "[HKEY_CLASSES_ROOT\\Directory\\shell\\Broken\r\n" +
                              "@=\"not broken's\"\r\n"
                              "[HKEY_CLASSES_ROOT\\Directory\\DefaultIcon]\r\n"
                              "@=\"/icons/folder.ico,1\"\r\n" +
                              std::string(100000, '\x01');
  ASSERT_TRUE(test::MakeFolder(dir_.File("config")));
  ASSERT_TRUE(test::MakeFolder(dir_.File("config/zendrel")));
  WriteBytes(StoreFile(), damaged);
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\DefaultIcon"), "/icons/folder.ico,1");
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell\\Broken"), "error 2");
  EXPECT_EQ(ReadBytes(StoreFile()), damaged);  // reads write nothing

  Register("Zendrel", "Zendrel...", "\"/opt/zendrel\" \"%1\"");
  const std::string registered = ReadBytes(StoreFile()).value_or("");
  EXPECT_EQ(registered.substr(0, damaged.size()), damaged);
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell\\Zendrel\\command"), "\"/opt/zendrel\" \"%1\"");
  Unregister("Zendrel");
  EXPECT_EQ(ReadBytes(StoreFile())->substr(0, damaged.size()), damaged);

  // A store that is a link is never written through; a folder in its place cannot be written.
  const std::string elsewhere = dir_.File("elsewhere.reg");
  WriteBytes(elsewhere, "REGEDIT4\r\n\r\n");
  ASSERT_EQ(unlink(StoreFile().c_str()), 0);
  ASSERT_EQ(symlink(elsewhere.c_str(), StoreFile().c_str()), 0);
  RegHandle key = 0;
  EXPECT_EQ(RegCreate(ClassesRoot(), "Directory\\shell\\Zendrel", &key), kRegAccessDenied);
  EXPECT_EQ(ReadBytes(elsewhere), "REGEDIT4\r\n\r\n");
  ASSERT_EQ(unlink(StoreFile().c_str()), 0);
  ASSERT_TRUE(test::MakeFolder(StoreFile()));
  EXPECT_EQ(RegCreate(ClassesRoot(), "Directory\\shell\\Zendrel", &key), kRegAccessDenied);
  RegHandle icon = 0;
  ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\DefaultIcon", RegAccess::kWrite, &icon),
            kRegSuccess);
  EXPECT_EQ(RegSetString(icon, "", "x"), kRegAccessDenied);
  EXPECT_EQ(RegClose(icon), kRegSuccess);
}

TEST_F(RegistryTest, TheStoreLivesInTheHomeFolderWhenTheVariableIsNoAbsolutePath) {
  ScopedVariable home("HOME", dir_.File("home"));
  ScopedVariable relative("XDG_CONFIG_HOME", std::string("relative/config"));
  RegHandle key = 0;
  ASSERT_EQ(RegCreate(LocalMachine(), "SOFTWARE\\Zendrel", &key), kRegSuccess);
  EXPECT_EQ(RegClose(key), kRegSuccess);
  EXPECT_TRUE(Exists(dir_.File("home/.config/zendrel/registry.reg")));
  EXPECT_FALSE(Exists("relative/config"));
  struct stat st;
  ASSERT_EQ(stat(dir_.File("home/.config/zendrel").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);  // the user's own
}

// --- the file managers' menus ---

// Reads an Exec value back the way a launcher does: the string escapes first, then the
// quoting of arguments, then the field codes. A lone %f stays as the marker it is.
std::vector<std::string> ExecArguments(std::string_view exec) {
  std::string unescaped;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    if (exec[i] == '\\' && i + 1 < exec.size()) {
      const char c = exec[++i];
      unescaped += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    } else {
      unescaped += exec[i];
    }
  }
  std::vector<std::string> args;
  std::size_t i = 0;
  while (i < unescaped.size()) {
    if (unescaped[i] == ' ') {
      ++i;
      continue;
    }
    std::string arg;
    if (unescaped[i] == '"') {
      for (++i; i < unescaped.size() && unescaped[i] != '"'; ++i) {
        if (unescaped[i] == '\\' && i + 1 < unescaped.size()) ++i;
        arg += unescaped[i];
      }
      ++i;
    } else {
      while (i < unescaped.size() && unescaped[i] != ' ') arg += unescaped[i++];
    }
    if (arg != "%f") {
      std::string literal;
      for (std::size_t k = 0; k < arg.size(); ++k) {
        literal += arg[k];
        if (arg[k] == '%' && k + 1 < arg.size() && arg[k + 1] == '%') ++k;
      }
      arg = literal;
    }
    args.push_back(arg);
  }
  return args;
}

// The value of the first `key=` line after the line `group`.
std::string Entry(const std::string& file, const std::string& group, const std::string& key) {
  const std::size_t start = file.find("\n" + group + "\n") + group.size() + 2;
  const std::size_t line = file.find("\n" + key + "=", start - 1);
  if (start < group.size() + 2 || line == std::string::npos) return "<missing>";
  const std::size_t begin = line + key.size() + 2;
  return file.substr(begin, file.find('\n', begin) - begin);
}

TEST_F(RegistryTest, TheCommandMakesTheMenusAndTheirRemovalFollowsTheKey) {
  Register("Zendrel", "Zendrel...", "\"/opt/My Apps/zendrel\" \"%1\"");
  const std::optional<std::string> service = ReadBytes(ServiceMenu());
  ASSERT_TRUE(service);
  // No application entry: it would make Zendrel a handler of folders.
  EXPECT_FALSE(Exists(DesktopEntry()));
  const std::string top = "[Desktop Entry]";
  const std::vector<std::string> expected = {"/opt/My Apps/zendrel", "%f"};
  EXPECT_EQ(Entry("\n" + *service, top, "Type"), "Service");
  EXPECT_EQ(Entry("\n" + *service, top, "MimeType"), "inode/directory;");
  const std::string actions = Entry("\n" + *service, top, "Actions");
  ASSERT_TRUE(actions.size() > 1 && actions.back() == ';') << actions;
  const std::string group = "[Desktop Action " + actions.substr(0, actions.size() - 1) + "]";
  EXPECT_EQ(Entry("\n" + *service, group, "Name"), "Zendrel...");
  EXPECT_EQ(ExecArguments(Entry("\n" + *service, group, "Exec")), expected);
  struct stat st;
  ASSERT_EQ(stat(ServiceMenu().c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IXUSR, 0u);

  // New menu text shows at once; the command's removal takes both menus away.
  RegHandle verb = 0;
  ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\shell\\ZENDREL", RegAccess::kWrite, &verb),
            kRegSuccess);
  EXPECT_EQ(RegSetString(verb, "", " Zendrel\\&more"), kRegSuccess);
  EXPECT_EQ(Entry("\n" + ReadBytes(ServiceMenu()).value_or(""), "[Desktop Action open]", "Name"),
            "\\sZendrel\\\\&more");
  EXPECT_EQ(RegDeleteSubkey(verb, "Command"), kRegSuccess);
  EXPECT_FALSE(Exists(ServiceMenu()));
  EXPECT_EQ(RegClose(verb), kRegSuccess);
  Register("Zendrel", "", "\"/opt/zendrel\" \"%1\"");
  EXPECT_EQ(Entry("\n" + ReadBytes(ServiceMenu()).value_or(""), "[Desktop Action open]", "Name"),
            "Zendrel");
  Unregister("zendrel");
  EXPECT_FALSE(Exists(ServiceMenu()));
}

TEST_F(RegistryTest, ProgramPathsOfEveryShapeRunAsWritten) {
  const std::string paths[] = {
      "/opt/zendrel/zendrel",
      "/opt/q\"uote/`tick`/zendrel",
      "/opt/$HOME/back\\slash/100%/zendrel",
      "/opt/ゼンドレル/tab\there/zendrel",
      "/opt/a;b&c|d*e?f#g(h)i<j>k~l'm/zendrel",
  };
  for (const std::string& program : paths) {
    SCOPED_TRACE(program);
    Register("Zendrel", "Zendrel...", "\"" + program + "\" \"%1\"");
    const std::string entry = "\n" + ReadBytes(ServiceMenu()).value_or("");
    const std::vector<std::string> expected = {program, "%f"};
    EXPECT_EQ(ExecArguments(Entry(entry, "[Desktop Action open]", "Exec")), expected);
  }
  Unregister("Zendrel");
}

TEST_F(RegistryTest, AUniversalNameRunsFromTheMountBehindIt) {
  const std::string table = dir_.File("mountinfo");
  WriteBytes(table, "36 25 0:45 /tools " + dir_.File("mnt") +
                        " rw,relatime shared:7 - cifs //Server/Share rw,vers=3.1.1\n");
  test::UseMountTable(table);
  Register("Zendrel", "Zendrel...", "\"\\\\server\\share\\tools\\bin\\zendrel\" \"%1\"");
  // The registry keeps the universal name; the menu runs the local path.
  EXPECT_EQ(Query(ClassesRoot(), "Directory\\shell\\Zendrel\\command"),
            "\"\\\\server\\share\\tools\\bin\\zendrel\" \"%1\"");
  const std::vector<std::string> expected = {dir_.File("mnt/bin/zendrel"), "%f"};
  EXPECT_EQ(ExecArguments(Entry("\n" + ReadBytes(ServiceMenu()).value_or(""),
                                "[Desktop Action open]", "Exec")),
            expected);
  // A share that is not mounted here leaves no menu that could not run.
  Register("Zendrel", "Zendrel...", "\"\\\\other\\share\\zendrel\" \"%1\"");
  EXPECT_FALSE(Exists(ServiceMenu()));
  Unregister("Zendrel");
}

TEST(RegistryMenuNames, EveryVerbHasItsOwnNameWhateverItsCase) {
  EXPECT_EQ(posix::MenuFileName("Zendrel"), "org.zendrel.zendrel.desktop");
  EXPECT_EQ(posix::MenuFileName("ZENDREL"), posix::MenuFileName("zendrel"));
  const std::string names[] = {
      posix::MenuFileName("a.b"), posix::MenuFileName("a_b"),  posix::MenuFileName("a_2eb"),
      posix::MenuFileName("ab"),  posix::MenuFileName("ゼン"), posix::MenuFileName("a b"),
  };
  for (std::size_t i = 0; i < std::size(names); ++i) {
    for (std::size_t k = i + 1; k < std::size(names); ++k) EXPECT_NE(names[i], names[k]);
    const std::string_view id = std::string_view(names[i]).substr(0, names[i].size() - 8);
    EXPECT_EQ(id.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_-."), std::string::npos)
        << names[i];
  }
}

}  // namespace
}  // namespace zendrel::platform
