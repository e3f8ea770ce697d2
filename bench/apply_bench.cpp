// Confirming a choice into a folder while the change log already holds many records: the
// median time of one apply with its log entry, against the plain file I/O that a change of
// the log cannot avoid, one read plus one flushed write of the whole log, measured in turn
// with it in the same run. Each apply customises a folder never seen before, so the log
// gains both of its records.
// Usage: apply_bench [RECORDS] [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "config/program_paths.h"
#include "folder/apply_choice.h"
#include "log/change_log.h"
#include "log/log_files.h"
#include "platform/profile.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace {

using namespace zendrel;
using Clock = std::chrono::steady_clock;
using test::Join;

// The plain file I/O a change of the log cannot do without: the whole file read in one go,
// and written back in one go and flushed to the disk, as a writer that never leaves a torn
// file must.
#ifdef _WIN32
std::string ReadAll(const std::string& path) {
  std::string bytes;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(file);
  return bytes;
}

void WriteAllFlushed(const std::string& path, std::string_view bytes) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
}
#else
std::string ReadAll(const std::string& path) {
  std::string bytes;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd < 0) return bytes;
  if (fstat(fd, &st) == 0) bytes.resize(static_cast<std::size_t>(st.st_size));
  const ssize_t got = read(fd, bytes.data(), bytes.size());
  bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  close(fd);
  return bytes;
}

void WriteAllFlushed(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return;
  if (write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size())) fsync(fd);
  close(fd);
}
#endif

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// A log as years of use leave it: half the records current, half originals, of folders on
// a file server.
std::string MakeLog(int records) {
  std::string current = "[FolderLog]\r\n", origins = "[FolderOrg]\r\n";
  for (int k = 0; k < records / 2; ++k) {
    const std::string folder = "\\\\fileserver\\projects\\team " + std::to_string(k % 40) +
                               "\\folder " + std::to_string(k);
    current += folder + "=0x5f3e1a2b,blue-star.ico," + std::to_string(k % 7) +
               ",Papers of the project,0\r\n";
    origins += folder + ",0x5f3e1a2b=*,0,,,0\r\n";
  }
  return current + origins;
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;

  // A program whose configuration puts the local log into a folder of its own.
  test::TempDir dir;
  const std::string app = dir.File("app"), logs = dir.File("logs"), work = dir.File("work");
  for (const std::string& folder : {app, logs, work}) test::MakeFolder(folder);
  test::FakeHost host;
  host.moduleFileName = Join(app, "Zendrel.exe");
  const config::ProgramPaths paths(host);
  platform::WriteIniString(paths.ConfigFile(), config::kConfigSection, config::kDefaultLogPath,
                           logs);
  const std::string log = paths.GetDefaultLogPath(), copy = Join(logs, "copy.log");
  const std::string bytes = MakeLog(records);
  WriteAllFlushed(log, bytes);

  folder::Choice choice;
  choice.selectedIndex = 3;
  choice.fileName = "blue-star.ico";
  choice.iconIndex = 2;
  choice.infoTipText = "Papers of the project";

  std::vector<double> applyTimes, fileTimes;
  std::size_t sink = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto fileStart = Clock::now();
    const std::string whole = ReadAll(log);
    WriteAllFlushed(copy, whole);
    fileTimes.push_back(std::chrono::duration<double>(Clock::now() - fileStart).count());
    sink += whole.size();

    const std::string target = Join(work, std::string("folder ").append(std::to_string(round)));
    test::MakeFolder(target);
    folder::FolderSettings settings;
    settings.settingsFilePath = Join(target, folder::kSettingsFileName);
    folder::ApplyContext context;
    context.targetFolder = target;
    context.folderPrefix = text::AddTrailingSeparator(target);
    context.iconDirectory = Join(app, config::kIconFolderName) + text::kSeparator;
    context.thumbnailMenuText = "Thumbnails";
    context.thumbnailHelpText = "Shows the items as thumbnails.";
    context.recordChange = [&] {
      return log::WriteChangeLog(host, paths, target, settings.settingsFilePath, choice, settings);
    };
    const auto applyStart = Clock::now();
    folder::ApplyChoice(choice, settings, context);
    applyTimes.push_back(std::chrono::duration<double>(Clock::now() - applyStart).count());
  }

  // The last folder must have both its records, or the figures measured something else.
  const std::string last = Join(work, std::string("folder ").append(std::to_string(rounds - 1)));
  const bool recorded = !platform::ReadIniString(log, log::kFolderLogSection, last, "").empty() &&
                        platform::ReadIniString(log, log::kFolderOrgSection,
                                                last + "," + test::StampOf(last), "") == "*,0,,,0";

  const double apply = Median(applyTimes), file = Median(fileTimes);
  std::printf("change log: %d records, %zu bytes; median of %d rounds\n", records, bytes.size(),
              rounds);
  std::printf("read + flushed write of the log  %9.3f ms\n", file * 1e3);
  std::printf("apply a choice + log it          %9.3f ms   ratio %.2f (target <= 1.5)\n",
              apply * 1e3, apply / file);
  std::printf("RATIO apply-log-vs-one-rewrite %.2f target 1.5\n", apply / file);
  if (!recorded || sink == 0) {
    std::printf("the change log lacks the last folder's records\n");
    return 1;
  }
  return 0;
}
