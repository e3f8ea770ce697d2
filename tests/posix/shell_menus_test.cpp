// The folder verb in every file manager's own place, checked the way each file manager reads
// it: the files appear and go with the registration, pass their format's validator, run the
// program with the folder exactly as named, and never make Zendrel a handler of folders.
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/posix/shell_menus.h"
#include "platform/registry.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

// What a command prints on stdout and stderr, and whether it ended with status 0.
struct Output {
  bool ok = false;
  std::string text;
};

Output RunShell(const std::string& command) {
  Output out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char buffer[512];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.text.append(buffer, n);
  out.ok = pclose(pipe) == 0;
  return out;
}

// Writes the file, making its folders first.
void Put(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteBytes(path, bytes);
}

std::string Quoted(const std::string& path) {
  gchar* quoted = g_shell_quote(path.c_str());
  std::string out = quoted;
  g_free(quoted);
  return out;
}

class ShellMenusTest : public ::testing::Test {
 protected:
  ShellMenusTest() {
    // What Thunar installs as the system's actions, which a user without their own starts from.
    Put(dir_.File("xdg/Thunar/uca.xml"), kSystemActions);
  }

  static void Register(const std::string& menuText, const std::string& command) {
    RegHandle shell = 0, key = 0;
    ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\shell", RegAccess::kWrite, &shell), kRegSuccess);
    ASSERT_EQ(RegCreate(shell, "Zendrel", &key), kRegSuccess);
    EXPECT_EQ(RegSetString(key, "", menuText), kRegSuccess);
    EXPECT_EQ(RegClose(key), kRegSuccess);
    ASSERT_EQ(RegCreate(shell, "Zendrel\\command", &key), kRegSuccess);
    EXPECT_EQ(RegSetString(key, "", command), kRegSuccess);
    EXPECT_EQ(RegClose(key), kRegSuccess);
    EXPECT_EQ(RegClose(shell), kRegSuccess);
  }

  static void Unregister() {
    RegHandle shell = 0;
    ASSERT_EQ(RegOpen(ClassesRoot(), "Directory\\shell", RegAccess::kWrite, &shell), kRegSuccess);
    EXPECT_EQ(RegDeleteSubkey(shell, "Zendrel\\command"), kRegSuccess);
    EXPECT_EQ(RegDeleteSubkey(shell, "Zendrel"), kRegSuccess);
    EXPECT_EQ(RegClose(shell), kRegSuccess);
  }

  std::string Data(const std::string& name) const { return dir_.File("home/.local/share/" + name); }
  std::string ServiceMenu() const { return Data("kio/servicemenus/org.zendrel.zendrel.desktop"); }
  std::string Script(const std::string& name = "Zendrel...") const {
    return Data("nautilus/scripts/" + name);
  }
  std::string NemoAction() const { return Data("nemo/actions/org.zendrel.zendrel.nemo_action"); }
  std::string FileManagerAction() const {
    return Data("file-manager/actions/org.zendrel.zendrel.desktop");
  }
  std::string ThunarActions() const { return dir_.File("home/.config/Thunar/uca.xml"); }

  static constexpr char kSystemActions[] =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n\t<icon>utilities-"
      "terminal</icon>\n\t<name>Open Terminal Here</name>\n\t<unique-id>1-1</unique-id>\n\t"
      "<command>exo-open --working-directory %f --launch TerminalEmulator</command>\n\t"
      "<description>Example</description>\n\t<patterns>*</patterns>\n\t<startup-notify/>\n\t"
      "<directories/>\n</action>\n</actions>\n";

  test::TempDir dir_;
  test::ScopedVariable home_{"HOME", dir_.File("home").c_str()};
  test::ScopedVariable data_{"XDG_DATA_HOME", nullptr};
  test::ScopedVariable config_{"XDG_CONFIG_HOME", nullptr};
  test::ScopedVariable dirs_{"XDG_CONFIG_DIRS", dir_.File("xdg").c_str()};
};

// What the end-to-end run in a fresh home (tests/app/file_manager_e2e.py) does not look at:
// the files' form, their modes, and a renamed verb.
TEST_F(ShellMenusTest, TheFilesAreWellFormedAndFollowTheMenuText) {
  Register("Zendrel...", "\"/opt/zendrel/zendrel\" \"%1\"");
  struct stat st;
  for (const std::string& file : {Script(), ServiceMenu()}) {
    ASSERT_EQ(stat(file.c_str(), &st), 0) << file;
    EXPECT_NE(st.st_mode & S_IXUSR, 0u) << file;
  }
  // No file is an application entry, so desktop-file-validate has none to judge; each must
  // be a key file that GLib (Nemo, Caja, libfm) reads whole.
  for (const std::string& file : {ServiceMenu(), NemoAction(), FileManagerAction()}) {
    GKeyFile* keys = g_key_file_new();
    GError* error = nullptr;
    EXPECT_TRUE(g_key_file_load_from_file(keys, file.c_str(), G_KEY_FILE_NONE, &error))
        << file << ": " << (error ? error->message : "");
    if (error) g_error_free(error);
    g_key_file_free(keys);
  }
  // A new menu text renames the script; the old name goes.
  Register("Zendrel Folder", "\"/opt/zendrel/zendrel\" \"%1\"");
  EXPECT_FALSE(Exists(Script()));
  EXPECT_TRUE(Exists(Script("Zendrel Folder")));
  Unregister();
  for (const std::string& file :
       {ServiceMenu(), Script("Zendrel Folder"), NemoAction(), FileManagerAction()}) {
    EXPECT_FALSE(Exists(file)) << file;
  }
  EXPECT_EQ(ReadBytes(ThunarActions()), std::string(kSystemActions));
}

TEST_F(ShellMenusTest, AUsersOwnFilesAreNeverTouched) {
  // Without Thunar on the system and without a uca.xml of the user's, none is made.
  {
    test::ScopedVariable noThunar("XDG_CONFIG_DIRS", dir_.File("nothing").c_str());
    Register("Zendrel...", "\"/opt/zendrel\" \"%1\"");
    EXPECT_TRUE(Exists(NemoAction()));
    EXPECT_FALSE(Exists(ThunarActions()));
    Unregister();
  }
  Put(Script(), "#!/bin/sh\necho mine\n");
  Put(ThunarActions(), "<actions>\n<!-- mine -->\n</actions>");
  Register("Zendrel...", "\"/opt/zendrel\" \"%1\"");
  EXPECT_EQ(ReadBytes(Script()), std::string("#!/bin/sh\necho mine\n"));
  Unregister();
  EXPECT_EQ(ReadBytes(Script()), std::string("#!/bin/sh\necho mine\n"));
  EXPECT_EQ(ReadBytes(ThunarActions()), std::string("<actions>\n<!-- mine -->\n</actions>"));
}

// --- what each file manager runs ---

// Each file manager's way from its file to the program's arguments, for one folder:
// Nautilus runs the script; Nemo escapes the path its own way and parses the line with
// GLib; Thunar and FileManager-Actions put in the path quoted by GLib and parse the line
// with GLib. The program is a recorder that writes the arguments it got.
class CommandLines : public ShellMenusTest {
 protected:
  std::vector<std::string> Recorded() const {
    std::vector<std::string> args;
    const std::string bytes = ReadBytes(dir_.File("record")).value_or("");
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t end = bytes.find('\0', at);
      args.push_back(bytes.substr(at, end - at));
      at = end + 1;
    }
    std::remove(dir_.File("record").c_str());
    return args;
  }

  // Runs a command line as GLib's parser splits it, waiting for the program.
  static bool Spawn(const std::string& line) {
    GError* error = nullptr;
    gint status = 0;
    const bool ok = g_spawn_command_line_sync(line.c_str(), nullptr, nullptr, &status, &error);
    if (error) {
      ADD_FAILURE() << line << ": " << error->message;
      g_error_free(error);
    }
    return ok && status == 0;
  }

  // A key of a GKeyFile file, string escapes undone.
  static std::string KeyOf(const std::string& path, const char* group, const char* key) {
    GKeyFile* file = g_key_file_new();
    std::string value = "<unreadable>";
    if (g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
      if (gchar* text = g_key_file_get_string(file, group, key, nullptr)) {
        value = text;
        g_free(text);
      }
    }
    g_key_file_free(file);
    return value;
  }

  // The line with the % codes replaced as the file manager does.
  static std::string Expand(const std::string& line, char code, const std::string& path) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '%' && i + 1 < line.size()) {
        const char c = line[++i];
        out += c == code ? path : c == '%' ? std::string("%") : std::string("%") + c;
      } else {
        out += line[i];
      }
    }
    return out;
  }

  static std::string NemoEscaped(const std::string& path) {
    std::string out;
    for (char c : path) {
      if (c == '\n') {
        out += "'\\n'";
        continue;
      }
      if (std::string_view(" \t'\"\\#").find(c) != std::string_view::npos) out += '\\';
      out += c;
    }
    return out;
  }

  static std::string XmlUnescaped(std::string text) {
    const std::pair<std::string, std::string> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, c] : entities) {
      for (std::size_t at; (at = text.find(entity)) != std::string::npos;) {
        text.replace(at, entity.size(), c);
      }
    }
    return text;
  }
};

TEST_F(CommandLines, EveryFileManagerRunsTheProgramWithTheFolderAsNamed) {
  const std::string names[] = {
      "plain",      "with space",    "q\"uote and 'single'", "$HOME and `tick`",
      "100% %f %%", "back\\slash\\", "semi;amp&pipe|star*",  "ゼンドレル #hash",
  };
  const std::string programs[] = {"bin/zendrel", "my apps/it's $HOME 100%/zen\\drel"};
  for (const std::string& relative : programs) {
    const std::string program = dir_.File(relative);
    Put(program, "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > \"$ZENDREL_RECORD\"\n");
    chmod(program.c_str(), 0755);
    test::ScopedVariable record("ZENDREL_RECORD", dir_.File("record").c_str());
    Register("Zendrel...", "\"" + program + "\" \"%1\"");
    const std::string nemo = KeyOf(NemoAction(), "Nemo Action", "Exec");
    const std::string fma = KeyOf(FileManagerAction(), "X-Action-Profile folder", "Exec");
    const std::string uca = ReadBytes(ThunarActions()).value_or("");
    const std::size_t begin = uca.find("<command>", uca.find("org.zendrel.zendrel")) + 9;
    const std::string thunar =
        XmlUnescaped(uca.substr(begin, uca.find("</command>", begin) - begin));
    for (const std::string& name : names) {
      const std::string folder = dir_.File(name);
      SCOPED_TRACE(program + " on " + folder);
      const std::vector<std::string> expected = {program, folder};
      EXPECT_TRUE(Spawn("/bin/sh " + Quoted(Script()) + " " + Quoted(folder)));
      EXPECT_EQ(Recorded(), expected) << "Nautilus";
      // Nautilus names the selection relative to the folder shown, where the script starts.
      EXPECT_TRUE(Spawn("/bin/sh -c " + Quoted("cd " + Quoted(dir_.path()) + " && /bin/sh " +
                                               Quoted(Script()) + " " + Quoted(name))));
      EXPECT_EQ(Recorded(), expected) << "Nautilus, by name";
      EXPECT_TRUE(Spawn(Expand(nemo, 'F', NemoEscaped(folder))));
      EXPECT_EQ(Recorded(), expected) << "Nemo: " << nemo;
      EXPECT_TRUE(Spawn(Expand(thunar, 'f', Quoted(folder))));
      EXPECT_EQ(Recorded(), expected) << "Thunar: " << thunar;
      EXPECT_TRUE(Spawn(Expand(fma, 'f', Quoted(folder))));
      EXPECT_EQ(Recorded(), expected) << "FileManager-Actions: " << fma;
    }
  }
}

// --- uca.xml merging ---

// Random uca.xml files in the shapes people and programs write: Thunar's own layout, one
// line, CRLF, comments and CDATA that look like actions, attributes holding '>', a
// declaration with an internal subset, actions nested below the list.
std::string RandomActions(std::mt19937& random, const std::string& ours) {
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::string nl = pick(4) == 0 ? "\r\n" : pick(5) == 0 ? "" : "\n";
  std::string doc;
  if (pick(2)) doc += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + nl;
  if (pick(4) == 0) doc += "<!DOCTYPE actions [ <!ENTITY e \"x>y\"> ]>" + nl;
  if (pick(3) == 0) doc += "<!-- <actions><action><unique-id>" + ours + "</unique-id> -->" + nl;
  doc += pick(4) == 0 ? "<actions version='1 > 0'>" : "<actions>";
  doc += nl;
  const int count = pick(5);
  const int oursAt = pick(2) ? pick(count + 1) : -1;
  for (int k = 0; k <= count; ++k) {
    if (k == oursAt) doc += "@OURS@";
    if (k == count) break;
    const std::string indent = pick(2) ? "\t" : "  ";
    doc += pick(3) == 0 ? indent : "";
    doc += "<action" + std::string(pick(4) == 0 ? " a=\"&lt;>\"" : "") + ">" + nl;
    doc += indent + "<name>Action &amp; " + std::to_string(k) + "</name>" + nl;
    switch (pick(4)) {
      case 0:
        doc += indent + "<unique-id><![CDATA[" + std::to_string(k) + "-1]]></unique-id>";
        break;
      case 1:
        doc += indent + "<unique-id> " + ours + "-not </unique-id>";
        break;
      case 2:
        doc += indent + "<!-- <unique-id>" + ours + "</unique-id> -->";
        break;
      default:
        doc += indent + "<unique-id>" + std::to_string(random()) + "</unique-id>";
    }
    doc += nl + indent + "<command>run %f &lt;x&gt;</command>" + nl;
    if (pick(3) == 0) {
      doc +=
          indent + "<submenu><action><unique-id>" + ours + "</unique-id></action></submenu>" + nl;
    }
    doc += indent + "<patterns>*</patterns>" + nl + indent + "<directories/>" + nl + "</action>";
    doc += pick(4) == 0 ? " " + nl : nl;
  }
  doc += pick(4) == 0 ? "  </actions>" : "</actions>";
  if (pick(2)) doc += nl + "<!-- end -->" + nl;
  return doc;
}

TEST(ThunarActionsMerge, OursComesAndGoesAndEveryOtherByteStays) {
  const std::string id = "org.zendrel.zendrel";
  const std::optional<std::string> element =
      posix::ThunarActionElement("Zendrel...", id, {"/opt/z & <z>", "%1"});
  ASSERT_TRUE(element);
  std::mt19937 random(18);
  test::TempDir dir;
  for (int round = 0; round < 300; ++round) {
    const std::string shape = RandomActions(random, id);
    SCOPED_TRACE(shape);
    // Without ours, and with ours where a user's editing put it.
    std::string without = shape;
    without.replace(without.find("@OURS@") == std::string::npos ? 0 : without.find("@OURS@"),
                    without.find("@OURS@") == std::string::npos ? 0 : 6, "");
    const bool hadOurs = shape.find("@OURS@") != std::string::npos;
    std::string with = shape;
    // An action on a line of its own takes its line ending with it.
    const bool ownLine = shape.find('\n') != std::string::npos;
    if (hadOurs) with.replace(with.find("@OURS@"), 6, *element + (ownLine ? "\n" : ""));

    const std::optional<std::string> added = posix::MergeThunarAction(without, id, element);
    ASSERT_TRUE(added);
    EXPECT_EQ(posix::MergeThunarAction(*added, id, std::nullopt), without);
    EXPECT_EQ(posix::MergeThunarAction(*added, id, element), std::nullopt);  // already there
    if (hadOurs) {
      EXPECT_EQ(posix::MergeThunarAction(with, id, std::nullopt), without);
      EXPECT_EQ(posix::MergeThunarAction(with, id, element), std::nullopt);
    } else {
      EXPECT_EQ(posix::MergeThunarAction(without, id, std::nullopt), std::nullopt);
    }
    if (round % 10 == 0) {
      WriteBytes(dir.File("uca.xml"), *added);
      const Output lint = RunShell("xmllint --noout " + dir.File("uca.xml"));
      EXPECT_TRUE(lint.ok) << lint.text;
    }
    // A file cut short anywhere before its end tag is left alone.
    const std::size_t cut = random() % without.rfind("</actions>");
    EXPECT_EQ(posix::MergeThunarAction(without.substr(0, cut), id, element), std::nullopt);
  }
  // An empty list gets ours, and a second copy of ours goes with the first.
  const std::optional<std::string> empty = posix::MergeThunarAction("<actions/>", id, element);
  ASSERT_TRUE(empty);
  EXPECT_EQ(*empty, "<actions>\n" + *element + "\n</actions>");
  EXPECT_EQ(
      posix::MergeThunarAction("<actions>" + *element + *element + "</actions>", id, std::nullopt),
      "<actions></actions>");
}

}  // namespace
}  // namespace zendrel::platform
