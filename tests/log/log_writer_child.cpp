// One of several users of one change log, run several times at once by the concurrency tests.
//
//   log_writer_child own    MODULE BASE INDEX WRITERS RUNS
//       confirms RUNS folders BASE/w<INDEX>-<n> of its own
//   log_writer_child shared MODULE BASE INDEX WRITERS RUNS
//       confirms the folders BASE/shared-<n> that all writers share, and lists in
//       BASE/w<INDEX>.claims those whose "FolderOrg" record turned out to be its own
//   log_writer_child hold   FILE READY
//       takes the lock of FILE, creates READY and waits to be killed
//   log_writer_child confirm MODULE FOLDER READY
//       creates READY, then confirms one fixed choice into FOLDER as the dialog's OK does:
//       the apply step with its change-log record (the crash tests kill it on the way)
//
// The WRITERS confirming children go in step: all of them confirm run n at the same moment,
// as users who press OK together would, and none starts run n+1 before all have finished
// run n. MODULE is the program path whose ZenConfig.ini names the log's folder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "config/program_paths.h"
#include "folder/apply_choice.h"
#include "log/change_log.h"
#include "log/log_files.h"
#include "platform/file_lock.h"
#include "platform/profile.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

using namespace zendrel;
using test::Join;

std::string Tag(int writer) { return std::string("w").append(std::to_string(writer)); }

// Marks this writer's arrival at `step` and waits for all the others to arrive there.
bool Step(const std::string& base, int index, int writers, const std::string& step) {
  test::WriteBytes(Join(base, Tag(index) + "." + step), "");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  for (int w = 0; w < writers; ++w) {
    while (!test::Exists(Join(base, Tag(w) + "." + step))) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return true;
}

int Hold(const std::string& file, const std::string& ready) {
  const platform::FileLock lock(file);
  if (!lock.held()) return 1;
  test::WriteBytes(ready, "");
  std::this_thread::sleep_for(std::chrono::minutes(2));
  return 0;
}

int Confirm(bool shared, const std::string& module, const std::string& base, int index, int writers,
            int runs) {
  test::FakeHost host;
  host.moduleFileName = module;
  const config::ProgramPaths paths(host);
  const std::string logFile = paths.GetDefaultLogPath();
  const std::string tag = Tag(index);

  std::string claims;
  for (int n = 0; n < runs; ++n) {
    const std::string folder = Join(base, (shared ? "shared-" : tag + "-") + std::to_string(n));
    const std::string settingsFile = Join(folder, "desktop.ini");
    if (!shared) {
      if (!test::MakeFolder(folder)) return 4;
      test::WriteBytes(settingsFile, "[.ShellClassInfo]\r\nIconFile=x.ico\r\n");
    }
    folder::Choice choice;
    choice.fileName = tag + ".ico";
    choice.iconIndex = n;
    choice.infoTipText = "by " + tag;
    folder::FolderSettings previous;
    previous.settingsFilePath = settingsFile;
    previous.previousInfoTip = tag;  // tells whose "FolderOrg" record it is

    if (!Step(base, index, writers, std::to_string(n))) return 3;
    log::WriteChangeLog(host, paths, folder, settingsFile, choice, previous);

    if (shared) {
      // Windows rewrites a profile file in place: a reader must hold the lock too, or it may
      // find the file half written.
      const platform::FileLock lock(logFile);
      const std::string origin = platform::ReadIniString(logFile, log::kFolderOrgSection,
                                                         folder + "," + test::StampOf(folder), "");
      if (origin == "*,0,," + tag + ",0") claims += std::to_string(n) + "\n";
    }
  }
  if (shared) test::WriteBytes(Join(base, tag + ".claims"), claims);
  return 0;
}

// The choice the crash tests confirm, over a desktop.ini that already customises the folder.
int ConfirmOnce(const std::string& module, const std::string& folder, const std::string& ready) {
  test::FakeHost host;
  host.moduleFileName = module;
  const config::ProgramPaths paths(host);
  folder::Choice choice;
  choice.selectedIndex = 2;
  choice.fileName = "Dog.ico";
  choice.iconIndex = 3;
  choice.infoTipText = "new tip";
  choice.thumbnailView = true;
  folder::FolderSettings previous;
  previous.settingsFilePath = Join(folder, "desktop.ini");
  previous.settingsFileExisted = true;
  previous.previousIconFile = "old.ico";
  previous.previousIconIndex = 1;
  previous.previousInfoTip = "old tip";
  folder::ApplyContext context;
  context.targetFolder = folder;
  context.folderPrefix = Join(folder, "");
  context.iconDirectory = Join("icons", "");
  context.thumbnailMenuText = "menu";
  context.thumbnailHelpText = "help";
  context.recordChange = [&] {
    return log::WriteChangeLog(host, paths, folder, previous.settingsFilePath, choice, previous);
  };
  test::WriteBytes(ready, "");
  return folder::ApplyChoice(choice, previous, context).Succeeded() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "hold" && argc == 4) return Hold(argv[2], argv[3]);
  if (mode == "confirm" && argc == 5) return ConfirmOnce(argv[2], argv[3], argv[4]);
  if ((mode == "own" || mode == "shared") && argc == 7) {
    return Confirm(mode == "shared", argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]),
                   std::atoi(argv[6]));
  }
  std::fprintf(stderr, "usage: see the comment at the top of log_writer_child.cpp\n");
  return 2;
}
