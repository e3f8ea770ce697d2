// Peak memory for reading and for rewriting a large INI file, as a multiple of the file's
// size: one lookup, and one confirmation's worth of edits written in one step. Each runs in a
// process of its own, so that its peak is its own.
// Usage: ini_memory [FOLDER] [MEGABYTES]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/profile.h"

namespace {

using namespace zendrel;

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// How much the peak resident size grows while `work` runs in a child process, in kilobytes.
long PeakGrowth(const std::function<void()>& work) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    const long before = PeakKilobytes();
    work();
    const long growth = PeakKilobytes() - before;
    if (write(pipeEnds[1], &growth, sizeof growth) != sizeof growth) _exit(1);
    _exit(0);
  }
  long growth = -1;
  if (read(pipeEnds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  waitpid(child, nullptr, 0);
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  return growth;
}

// A desktop.ini that also holds another program's data, written a line at a time.
std::size_t WriteLargeFile(const std::string& path, std::size_t bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::size_t size = static_cast<std::size_t>(
      std::fprintf(f, "[.ShellClassInfo]\r\nIconFile=old.ico\r\nIconIndex=1\r\n[Data]\r\n"));
  const std::string value(70, 'v');
  for (long i = 0; size < bytes; ++i) {
    size += static_cast<std::size_t>(std::fprintf(f, "key%ld=%s\r\n", i, value.c_str()));
  }
  std::fclose(f);
  return size;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/tmp";
  const std::size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
  const std::string file = folder + "/desktop.ini";
  const double size = static_cast<double>(WriteLargeFile(file, megabytes << 20));
  if (size == 0) return 1;

  const long read = PeakGrowth([&] { platform::ReadIniString(file, "Data", "no such key", ""); });
  const long rewrite = PeakGrowth([&] {
    platform::IniFileEdit edit(file);
    edit.DeleteKey(".ShellClassInfo", "InfoTip");
    edit.WriteString(".ShellClassInfo", "IconFile", "new.ico");
    edit.WriteString(".ShellClassInfo", "IconIndex", "2");
    edit.WriteString(".ShellClassInfo", "InfoTip", "new tip");
    edit.WriteString(".ShellClassInfo", "ConfirmFileOp", "0");
    edit.Commit();
  });
  std::remove(file.c_str());
  std::printf("file %.0f MB: read peak %.2fx its size, confirmation's rewrite peak %.2fx\n",
              size / (1 << 20), read * 1024.0 / size, rewrite * 1024.0 / size);
  std::printf("RATIO ini-rewrite-memory %.2f target 2.0\n", rewrite * 1024.0 / size);
  return 0;
}
