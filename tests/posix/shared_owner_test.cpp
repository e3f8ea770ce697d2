// Files that several users write on a shared folder keep their owner, group, mode and
// extended attributes (POSIX ACLs, the DOS attributes) whoever writes them, and every user
// with access keeps it. The users are played by child processes that take other ids, which
// needs root.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_attributes.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

namespace fs = std::filesystem;

constexpr gid_t kStaff = 4240;
constexpr uid_t kAnn = 4241;  // owns the files, in the group
constexpr uid_t kBen = 4242;  // in the group
constexpr uid_t kCal = 4243;  // not in the group: reaches the files through their ACL alone
constexpr char kAcl[] = "system.posix_acl_access";

// A POSIX access ACL as the kernel stores it: rw for the owner, for kCal, for the group and as
// the mask; nothing for others.
std::string AccessAcl() {
  std::string acl;
  const auto put = [&acl](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) acl.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  put(2, 4);  // version
  for (const auto& [tag, id] : std::vector<std::pair<std::uint16_t, std::uint32_t>>{
           {0x01, 0xFFFFFFFF}, {0x02, kCal}, {0x04, 0xFFFFFFFF}, {0x10, 0xFFFFFFFF}}) {
    put(tag, 2);
    put(6, 2);  // read and write
    put(id, 4);
  }
  put(0x20, 2);  // others: nothing
  put(0, 2);
  put(0xFFFFFFFF, 4);
  return acl;
}

std::optional<std::string> Xattr(const std::string& path, const char* name) {
  char buffer[256];
  const ssize_t n = getxattr(path.c_str(), name, buffer, sizeof buffer);
  if (n < 0) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n));
}

// Runs `work` in a child process as `user`; true when it returned true there.
bool As(uid_t user, bool inStaff, const std::function<bool()>& work) {
  const pid_t child = fork();
  if (child == 0) {
    const gid_t group = inStaff ? kStaff : user;
    const bool ok = setgroups(inStaff ? 1 : 0, &group) == 0 &&
                    setresgid(group, group, group) == 0 && setresuid(user, user, user) == 0;
    _exit(ok && work() ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

struct Identity {
  uid_t owner;
  gid_t group;
  mode_t mode;
  std::optional<std::string> acl;
  bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return {st.st_uid, st.st_gid, st.st_mode & 07777, Xattr(path, kAcl)};
}

class SharedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "playing other users needs root";
    fs::permissions(dir_.path(), fs::perms(0755));
    share_ = dir_.File("share");
    fs::create_directory(share_);
    ASSERT_EQ(chown(share_.c_str(), 0, kStaff), 0);
    fs::permissions(share_, fs::perms(0775));
  }

  // The file made by kAnn, opened to the group and to kCal, as an administrator would.
  std::string MadeByAnn(const std::string& name) {
    const std::string path = share_ + "/" + name;
    EXPECT_TRUE(As(kAnn, true, [&] { return WriteIniString(path, "Start", "Ann", "1"); }));
    EXPECT_EQ(chmod(path.c_str(), 0660), 0);
    const std::string acl = AccessAcl();
    EXPECT_EQ(setxattr(path.c_str(), kAcl, acl.data(), acl.size(), 0), 0) << "no ACLs here";
    return path;
  }

  bool NoTemporaryLeft() const {
    for (const auto& entry : fs::directory_iterator(share_)) {
      if (entry.path().filename().string().find(".zendrel-") != std::string::npos) return false;
    }
    return true;
  }

  test::TempDir dir_;
  std::string share_;
};

TEST_F(SharedFiles, EveryWriterKeepsTheLogItsOwnerGroupModeAndAcl) {
  const std::string log = MadeByAnn("Zendrel.LAN.log");
  const Identity made = IdentityOf(log);
  ASSERT_EQ(made.owner, kAnn);
  ASSERT_TRUE(made.acl);

  // In turn: a group member, the owner, a user of the ACL alone (who may not add files to
  // the folder), and the group member again.
  const std::vector<std::pair<uid_t, bool>> writers = {
      {kBen, true}, {kAnn, true}, {kCal, false}, {kBen, true}};
  for (std::size_t i = 0; i < writers.size(); ++i) {
    const auto [user, inStaff] = writers[i];
    const std::string key = "K" + std::to_string(i);
    EXPECT_TRUE(As(user, inStaff, [&] { return WriteIniString(log, "FolderLog", key, "v"); }))
        << "user " << user << " lost access";
    EXPECT_EQ(IdentityOf(log), made) << "after user " << user;
  }
  for (std::size_t i = 0; i < writers.size(); ++i) {
    EXPECT_EQ(ReadIniString(log, "FolderLog", "K" + std::to_string(i), ""), "v");
  }
  EXPECT_EQ(ReadIniString(log, "Start", "Ann", ""), "1");
  EXPECT_TRUE(NoTemporaryLeft());
}

TEST_F(SharedFiles, AnotherUsersDesktopIniKeepsItsOwnerAndHiddenBit) {
  const std::string ini = MadeByAnn("desktop.ini");
  ASSERT_TRUE(WriteAttributes(ini, 0x22));
  const Identity made = IdentityOf(ini);
  const std::optional<std::string> dosAttributes = Xattr(ini, "user.DOSATTRIB");
  ASSERT_TRUE(dosAttributes);

  EXPECT_TRUE(As(kBen, true, [&] {
    return WriteIniString(ini, ".ShellClassInfo", "InfoTip", "from Ben") &&
           DeleteIniKey(ini, "Start", "Ann");
  }));
  EXPECT_EQ(IdentityOf(ini), made);
  EXPECT_EQ(Xattr(ini, "user.DOSATTRIB"), dosAttributes);
  EXPECT_EQ(ReadAttributes(ini).value_or(0) & 0x02, 0x02u);
  EXPECT_EQ(ReadIniString(ini, ".ShellClassInfo", "InfoTip", ""), "from Ben");
  EXPECT_EQ(ReadIniString(ini, "Start", "Ann", ""), "");
  EXPECT_TRUE(NoTemporaryLeft());
}

}  // namespace
}  // namespace zendrel::platform
