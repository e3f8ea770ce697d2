// The attribute byte as Windows machines see it through Samba. A private smbd serves a temp
// folder on the loopback address with DOS attributes stored in user.DOSATTRIB; smbclient
// shows what Samba makes of the records Zendrel writes, and Zendrel reads back the records
// Samba writes when a client changes attributes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "folder/file_status.h"
#include "support/temp_dir.h"

extern char** environ;

namespace zendrel::folder {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kRecordName = "user.DOSATTRIB";
constexpr auto kStartTimeout = 15s;

std::string Hex(const std::string& bytes) {
  std::string text;
  char byte[4];
  for (const char c : bytes) {
    std::snprintf(byte, sizeof byte, "%02x ", static_cast<unsigned char>(c));
    text += byte;
  }
  return text.empty() ? "(none)" : text.substr(0, text.size() - 1);
}

std::optional<std::string> StoredRecord(const std::string& path) {
  char buffer[256];
  const ssize_t size = getxattr(path.c_str(), kRecordName, buffer, sizeof buffer);
  if (size < 0) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(size));
}

std::string StoredHex(const std::string& path) {
  const std::optional<std::string> record = StoredRecord(path);
  return record ? Hex(*record) : "(no record: " + std::string(strerror(errno)) + ")";
}

struct Finished {
  int status = -1;  // as waitpid reports it; -1 when the program could not be started
  std::string output;
};

// Runs the program to its end, stdin empty. Its output (stdout and stderr) is returned, or
// appended to `log` when one is named: smbd keeps its daemon's ends of a pipe open.
// `own_group` starts it in a process group of its own.
Finished Run(const std::vector<std::string>& arguments, const std::string& log = "",
             bool own_group = false) {
  Finished finished;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int pipe_ends[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!log.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  } else if (pipe2(pipe_ends, O_CLOEXEC) == 0) {
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
  } else {
    posix_spawn_file_actions_destroy(&actions);
    finished.output = std::string("pipe: ") + strerror(errno);
    return finished;
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (own_group) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t child = -1;
  const int error = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (pipe_ends[1] >= 0) close(pipe_ends[1]);
  if (error != 0) {
    if (pipe_ends[0] >= 0) close(pipe_ends[0]);
    finished.output = arguments[0] + ": " + strerror(error);
    return finished;
  }
  if (pipe_ends[0] >= 0) {
    char chunk[4096];
    ssize_t got;
    while ((got = read(pipe_ends[0], chunk, sizeof chunk)) != 0) {
      if (got > 0) {
        finished.output.append(chunk, static_cast<std::size_t>(got));
      } else if (errno != EINTR) {
        break;
      }
    }
    close(pipe_ends[0]);
  }
  while (waitpid(child, &finished.status, 0) < 0 && errno == EINTR) {
  }
  return finished;
}

// The program in PATH or in the system folders root finds it in; empty when it is nowhere.
std::string FindProgram(const std::string& name) {
  std::vector<std::string> folders;
  if (const char* path = std::getenv("PATH")) {
    std::stringstream list(path);
    for (std::string folder; std::getline(list, folder, ':');) {
      if (!folder.empty()) folders.push_back(folder);
    }
  }
  for (const char* folder : {"/usr/sbin", "/usr/local/sbin", "/sbin"}) folders.push_back(folder);
  for (const std::string& folder : folders) {
    const std::string candidate = folder + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::string();
}

// Whether the network namespace `pid` lives in has a socket listening on TCP port 445: the
// kernel's own table, as that namespace sees it.
bool ListensOnSmbPort(pid_t pid) {
  for (const char* table : {"/net/tcp", "/net/tcp6"}) {
    const std::optional<std::string> text = test::ReadBytes("/proc/" + std::to_string(pid) + table);
    if (!text) continue;
    std::stringstream lines(*text);
    std::string line;
    std::getline(lines, line);  // the column names
    while (std::getline(lines, line)) {
      std::stringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      const std::size_t colon = local.rfind(':');
      if (state == "0A" && colon != std::string::npos && local.substr(colon + 1) == "01BD") {
        return true;
      }
    }
  }
  return false;
}

// A private smbd that serves one temp folder as \\127.0.0.1\share to guests, with DOS
// attributes stored in user.DOSATTRIB. It runs in a network namespace of its own, on the usual
// port, which nothing else can hold there; smbclient joins that namespace. Stopped when
// destroyed; a guard process stops it should this program end some other way.
class SambaServer {
 public:
  SambaServer() = default;
  SambaServer(const SambaServer&) = delete;
  SambaServer& operator=(const SambaServer&) = delete;
  ~SambaServer() { Stop(); }

  // Empty when the server is up; otherwise why it is not.
  std::string Start() {
    smbd_ = FindProgram("smbd");
    smbclient_ = FindProgram("smbclient");
    unshare_ = FindProgram("unshare");
    nsenter_ = FindProgram("nsenter");
    const std::string ip = FindProgram("ip");
    if (smbd_.empty()) return "smbd is not installed (Debian package samba)";
    if (smbclient_.empty()) return "smbclient is not installed (Debian package smbclient)";
    if (unshare_.empty() || nsenter_.empty() || ip.empty()) {
      return "unshare, nsenter and ip are needed (Debian packages util-linux, iproute2)";
    }
    // Guests are served as root, the only account sure to exist here, and only root may
    // take that account's identity.
    if (geteuid() != 0) {
      return "a private smbd that serves guests as root must itself run as root (uid " +
             std::to_string(geteuid()) + ")";
    }
    std::error_code error;
    for (const char* folder : {"share", "private", "lock", "state", "cache", "pid", "ncalrpc"}) {
      fs::create_directory(dir_.File(folder), error);
      if (error) return "cannot make " + dir_.File(folder) + ": " + error.message();
    }
    const std::string probe = share() + "/.probe";
    test::WriteBytes(probe, "");
    if (setxattr(probe.c_str(), "user.zendrel-probe", "1", 1, 0) != 0) {
      return dir_.path() + " keeps no user extended attributes, where Samba stores DOS " +
             "attributes: " + strerror(errno) + " (set TMPDIR to a folder on ext4, xfs, btrfs)";
    }
    fs::remove(probe, error);
    WriteConfiguration();

    // smbd signals its whole process group when it stops; with --no-process-group that
    // group would be this program's, so the daemon gets one of its own.
    const Finished launch =
        Run({unshare_, "--net", "sh", "-c", ip + " link set lo up && exec \"$@\"", "smbd", smbd_,
             "-s", configuration_, "-D", "--no-process-group"},
            dir_.File("smbd.out"), true);
    if (launch.status != 0) {
      const int code = WIFEXITED(launch.status) ? WEXITSTATUS(launch.status) : launch.status;
      return "smbd did not start (status " + std::to_string(code) + ")" +
             (launch.output.empty() ? "" : ": " + launch.output) + LogTail();
    }

    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
      pid_ = PidFromFile();
      if (pid_ > 0 && ListensOnSmbPort(pid_)) {
        Guard();
        return std::string();
      }
      if (OurProcesses().empty()) return "smbd stopped before it answered" + LogTail();
      std::this_thread::sleep_for(50ms);
    }
    return "smbd did not listen within " + std::to_string(kStartTimeout.count()) + " s" + LogTail();
  }

  void Stop() {
    if (pid_ > 0) Terminate(pid_);
    // A daemon whose pid file never appeared, and helpers that outlived it.
    for (const pid_t straggler : OurProcesses()) Terminate(straggler);
    pid_ = -1;
    if (guard_ > 0) {
      // The guard is told that smbd is stopped, so that it never signals a recycled pid.
      const char done = 'd';
      (void)!write(guard_pipe_, &done, 1);
      close(guard_pipe_);
      while (waitpid(guard_, nullptr, 0) < 0 && errno == EINTR) {
      }
      guard_ = -1;
    }
  }

  // What smbclient prints for these commands, run against the share.
  std::string Client(const std::string& commands) const {
    return Run({nsenter_, "--net=/proc/" + std::to_string(pid_) + "/ns/net", smbclient_, "-s",
                configuration_, "-N", "-t", "10", "//127.0.0.1/share", "-c", commands})
        .output;
  }

  std::string share() const { return dir_.File("share"); }

 private:
  void WriteConfiguration() {
    configuration_ = dir_.File("smb.conf");
    std::string text =
        "[global]\n"
        "server role = standalone server\n"
        "interfaces = 127.0.0.1\n"
        "bind interfaces only = yes\n"
        "smb ports = 445\n"
        "disable netbios = yes\n"
        "load printers = no\n"
        "map to guest = Bad User\n"
        "guest account = root\n"
        "store dos attributes = yes\n";
    // Every place smbd keeps state lies in the temp folder, the system's Samba untouched.
    text += "private dir = " + dir_.File("private") + "\n";
    text += "lock directory = " + dir_.File("lock") + "\n";
    text += "state directory = " + dir_.File("state") + "\n";
    text += "cache directory = " + dir_.File("cache") + "\n";
    text += "pid directory = " + dir_.File("pid") + "\n";
    text += "ncalrpc dir = " + dir_.File("ncalrpc") + "\n";
    text += "log file = " + dir_.File("smbd.log") + "\n";
    text += "[share]\npath = " + share() + "\nguest ok = yes\nread only = no\nforce user = root\n";
    test::WriteBytes(configuration_, text);
  }

  pid_t PidFromFile() const {
    const std::optional<std::string> text = test::ReadBytes(dir_.File("pid/smbd.pid"));
    if (!text) return -1;
    const pid_t pid = static_cast<pid_t>(std::atol(text->c_str()));
    return pid > 0 && IsOurs(pid) ? pid : -1;
  }

  // A live process started with our configuration file (the pid file names nothing else).
  bool IsOurs(pid_t pid) const {
    const std::string proc = "/proc/" + std::to_string(pid);
    const std::optional<std::string> command_line = test::ReadBytes(proc + "/cmdline");
    if (!command_line) return false;
    bool ours = false;
    std::size_t start = 0;
    while (start < command_line->size()) {
      const std::size_t end = command_line->find('\0', start);
      if (command_line->substr(start, end - start) == configuration_) ours = true;
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return ours && !Ended(pid);
  }

  // Gone, or ended and waiting to be reaped (not every init reaps).
  static bool Ended(pid_t pid) {
    const std::optional<std::string> stat =
        test::ReadBytes("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return true;
    const std::size_t name_end = stat->rfind(')');
    if (name_end == std::string::npos || name_end + 2 >= stat->size()) return true;
    const char state = (*stat)[name_end + 2];
    return state == 'Z' || state == 'X';
  }

  std::vector<pid_t> OurProcesses() const {
    std::vector<pid_t> pids;
    if (configuration_.empty()) return pids;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
      const std::string name = entry.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      const pid_t pid = static_cast<pid_t>(std::atol(name.c_str()));
      if (pid != getpid() && IsOurs(pid)) pids.push_back(pid);
    }
    return pids;
  }

  static void Terminate(pid_t pid) {
    for (const int signal_number : {SIGTERM, SIGKILL}) {
      if (Ended(pid)) return;
      kill(pid, signal_number);
      const auto deadline = std::chrono::steady_clock::now() + 5s;
      while (!Ended(pid) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
      }
    }
  }

  // A child that outlives a crash of this program and stops smbd then: it waits for the end
  // of a pipe whose other end only this program holds.
  void Guard() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    const pid_t smbd = pid_;
    const pid_t child = fork();
    if (child < 0) {
      close(ends[0]);
      close(ends[1]);
      return;
    }
    if (child == 0) {
      // Ctrl-C reaches this program's whole process group; the guard stays to clean up.
      signal(SIGINT, SIG_IGN);
      close(ends[1]);
      char message;
      ssize_t got;
      while ((got = read(ends[0], &message, 1)) < 0 && errno == EINTR) {
      }
      if (got == 0) kill(smbd, SIGTERM);
      _exit(0);
    }
    close(ends[0]);
    guard_ = child;
    guard_pipe_ = ends[1];
  }

  std::string LogTail() const {
    std::string log;
    for (const char* name : {"smbd.out", "smbd.log"}) {
      if (const std::optional<std::string> text = test::ReadBytes(dir_.File(name))) log += *text;
    }
    if (log.size() > 1500) log = "..." + log.substr(log.size() - 1500);
    return log.empty() ? std::string() : "\n" + log;
  }

  test::TempDir dir_;
  std::string smbd_;
  std::string smbclient_;
  std::string unshare_;
  std::string nsenter_;
  std::string configuration_;
  pid_t pid_ = -1;
  pid_t guard_ = -1;
  int guard_pipe_ = -1;
};

// The value of allinfo's line "attributes: RSD (15)", the hex number in brackets.
std::optional<std::uint32_t> AttributesIn(const std::string& allinfo) {
  const std::size_t line = allinfo.find("\nattributes:");
  if (line == std::string::npos) return std::nullopt;
  const std::size_t open = allinfo.find('(', line);
  const std::size_t close = allinfo.find(')', line);
  const std::size_t end = allinfo.find('\n', line + 1);
  if (open == std::string::npos || close == std::string::npos || close < open || close > end) {
    return std::nullopt;
  }
  const std::string digits = allinfo.substr(open + 1, close - open - 1);
  char* rest = nullptr;
  const unsigned long value = std::strtoul(digits.c_str(), &rest, 16);
  if (digits.empty() || *rest != '\0') return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

class SambaInterop : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new SambaServer;
    unavailable_ = new std::string(server_->Start());
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
    delete unavailable_;
    unavailable_ = nullptr;
  }
  void SetUp() override {
    if (!unavailable_->empty()) GTEST_SKIP() << *unavailable_;
  }

  static std::string Local(const std::string& name) { return server_->share() + "/" + name; }
  static std::string AllInfo(const std::string& name) { return server_->Client("allinfo " + name); }
  // The attribute byte Zendrel reads; 0x100, which no byte is, when it finds no entry.
  static std::uint32_t ZendrelReads(const std::string& name) {
    const std::optional<FileStatus> status = QueryStatus(Local(name));
    return status ? status->attributes : 0x100u;
  }
  static void Store(const std::string& name, const std::string& record) {
    ASSERT_EQ(setxattr(Local(name).c_str(), kRecordName, record.data(), record.size(), 0), 0)
        << name << ": " << strerror(errno);
  }

  static SambaServer* server_;
  static std::string* unavailable_;
};

SambaServer* SambaInterop::server_ = nullptr;
std::string* SambaInterop::unavailable_ = nullptr;

// The attribute byte of the low seven bits, as Zendrel keeps it; Samba adds 0x80 (normal)
// when no other bit is set.
constexpr std::uint32_t kByte = 0x7F;

TEST_F(SambaInterop, WhatZendrelWritesIsWhatSambaReports) {
  ASSERT_TRUE(test::MakeFolder(Local("Custom")));
  test::WriteBytes(Local("Custom/desktop.ini"), "[.ShellClassInfo]\r\n");

  // A customised folder is read-only and system; Samba keeps both on a folder.
  ASSERT_TRUE(WriteAttributeByte(Local("Custom"), kDirectory | kReadOnly | kSystem));
  const std::string folder = AllInfo("Custom");
  EXPECT_EQ(AttributesIn(folder), 0x15u) << folder << "\nrecord: " << StoredHex(Local("Custom"));

  // Its desktop.ini gains hidden and system on top of what it had.
  const std::optional<FileStatus> before = QueryStatus(Local("Custom/desktop.ini"));
  ASSERT_TRUE(before);
  const auto wanted = static_cast<std::uint8_t>(before->attributes | kHidden | kSystem);
  ASSERT_TRUE(WriteAttributeByte(Local("Custom/desktop.ini"), wanted));
  const std::string file = AllInfo("Custom/desktop.ini");
  EXPECT_EQ(AttributesIn(file), std::optional<std::uint32_t>(wanted))
      << file << "\nrecord: " << StoredHex(Local("Custom/desktop.ini"));
}

// Every change a Windows client makes is read by Zendrel exactly; Zendrel's own change then
// touches nothing but the attributes in the record Samba keeps, and Samba reads it.
TEST_F(SambaInterop, ZendrelReadsAndUpdatesTheRecordsSambaWrites) {
  ASSERT_TRUE(test::MakeFolder(Local("Shared")));
  test::WriteBytes(Local("notes.txt"), "text");

  struct Change {
    const char* name;
    const char* mode;
    std::uint32_t reported;  // what Samba reports afterwards
  };
  const Change changes[] = {
      {"notes.txt", "+h", 0x02},  {"notes.txt", "+s", 0x06}, {"notes.txt", "+r", 0x07},
      {"notes.txt", "-h", 0x05},  {"notes.txt", "+a", 0x25}, {"notes.txt", "-rsa", 0x80},
      {"notes.txt", "+rh", 0x03}, {"Shared", "+s", 0x14},    {"Shared", "+h", 0x16},
      {"Shared", "-s", 0x12},     {"Shared", "+r", 0x13},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(std::string(change.name) + " " + change.mode);
    const std::string info = server_->Client(std::string("setmode ") + change.name + " " +
                                             change.mode + "; allinfo " + change.name);
    const std::optional<std::uint32_t> samba = AttributesIn(info);
    ASSERT_EQ(samba, change.reported) << info;
    EXPECT_EQ(ZendrelReads(change.name), *samba & kByte)
        << "record: " << StoredHex(Local(change.name));
  }

  struct Update {
    const char* name;
    std::uint8_t attributes;
  };
  for (const Update update : {Update{"notes.txt", kHidden | kSystem},
                              Update{"Shared", kDirectory | kReadOnly | kSystem}}) {
    SCOPED_TRACE(update.name);
    const std::optional<std::string> samba_record = StoredRecord(Local(update.name));
    ASSERT_TRUE(samba_record);
    // Samba keeps version 5 here (some older releases version 4, laid out alike up to the
    // attributes): an empty string, the version twice, valid flags at 8, the attributes at 12.
    // It marks its creation time valid, which Zendrel's write must not lose.
    ASSERT_GE(samba_record->size(), 16u) << Hex(*samba_record);
    ASSERT_EQ(samba_record->substr(0, 2), std::string(2, '\0')) << Hex(*samba_record);
    ASSERT_TRUE((*samba_record)[2] == 5 || (*samba_record)[2] == 4) << Hex(*samba_record);
    ASSERT_EQ((*samba_record)[8] & 0x10, 0x10) << Hex(*samba_record);

    ASSERT_TRUE(WriteAttributeByte(Local(update.name), update.attributes));
    std::string expected = *samba_record;
    expected[12] = static_cast<char>(update.attributes);
    expected[13] = expected[14] = expected[15] = '\0';
    EXPECT_EQ(StoredHex(Local(update.name)), Hex(expected));
    const std::string info = AllInfo(update.name);
    EXPECT_EQ(AttributesIn(info), std::optional<std::uint32_t>(update.attributes)) << info;
  }
}

// A record in the old string form, with or without a final NUL (older Samba, and Wine today),
// stays in that form, and Samba reads what Zendrel put there.
TEST_F(SambaInterop, LegacyRecordsStayLegacyAndSambaReadsThem) {
  test::WriteBytes(Local("wine.txt"), "text");
  ASSERT_TRUE(test::MakeFolder(Local("Old")));
  Store("wine.txt", "0x20");
  Store("Old", std::string("0x10\0", 5));

  ASSERT_TRUE(WriteAttributeByte(Local("wine.txt"), kArchive | kHidden));
  EXPECT_EQ(StoredRecord(Local("wine.txt")), std::string("0x22"));
  const std::string file = AllInfo("wine.txt");
  EXPECT_EQ(AttributesIn(file), 0x22u) << file;

  ASSERT_TRUE(WriteAttributeByte(Local("Old"), kDirectory | kReadOnly | kSystem));
  EXPECT_EQ(StoredRecord(Local("Old")), std::string("0x15\0", 5));
  const std::string folder = AllInfo("Old");
  EXPECT_EQ(AttributesIn(folder), 0x15u) << folder;
}

}  // namespace
}  // namespace zendrel::folder
