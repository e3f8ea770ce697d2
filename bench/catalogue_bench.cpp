// Loading a large icon directory (.ico files, a library of 300 icons, a DLL of 500): wall
// time and peak memory, with the time as a ratio to reading the same files' bytes once in
// the same run, at several directory sizes to show that the time grows linearly.
//
// Usage: catalogue_bench [--labelled] FOLDER [ICO_FILES...]
//
// The processor time of the load and of the read is shown beside the wall time: on a busy
// machine the wall time also counts the time other programs held the processor, and the
// processor-time ratio is then the steadier figure. --labelled gives every icon a label and
// an info tip in the catalogue files, as the icon set we ship does, so that the look-ups in
// them are measured too; without it the catalogue file only switches the libraries on.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

// This needs windows.h first.
#include <psapi.h>
#else
#include <sys/resource.h>
#include <time.h>
#endif

#include "catalogue/icon_catalogue.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 7;
constexpr int kLibraryIcons = 300;
constexpr int kDllIcons = 500;

double PeakMegabytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize / 1048576.0;
#else
  rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
#endif
}

// User and system time of the process so far, in milliseconds.
double ProcessorMs() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
#else
  timespec t = {};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
#endif
}

// The better of several runs, in wall time and in processor time, each taken on its own.
struct Best {
  double wallMs = 1e300;
  double processorMs = 1e300;

  template <typename Work>
  void Time(Work&& work) {
    const double processorStart = ProcessorMs();
    const auto start = Clock::now();
    work();
    wallMs =
        std::min(wallMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    processorMs = std::min(processorMs, ProcessorMs() - processorStart);
  }
};

void Write(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::size_t ReadEverything(const std::string& folder) {
  std::size_t total = 0;
  std::vector<char> buffer(1 << 16);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    FILE* f = std::fopen(entry.path().string().c_str(), "rb");
    if (!f) continue;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) total += n;
    std::fclose(f);
  }
  return total;
}

// A label and an info tip for every icon of the folder, in the catalogue file's own form.
std::string Labels(int icoFiles, const std::string& switches) {
  std::string labels = switches + "[FolderIconLabels]\r\n";
  std::string tips = "[FolderIconInfoTip]\r\n";
  auto add = [&](const std::string& key, int n) {
    labels += key + "=Label " + std::to_string(n) + "\r\n";
    tips += key + "=What icon " + std::to_string(n) + " shows\r\n";
  };
  for (int i = 0; i < icoFiles; ++i) add("icon" + std::to_string(i) + ".ico", i);
  for (int i = 0; i < kLibraryIcons; ++i) add("Library.icl," + std::to_string(i), i);
  for (int i = 0; i < kDllIcons; ++i) add("Many.dll," + std::to_string(i), i);
  return labels + tips;
}

}  // namespace

int main(int argc, char** argv) {
  namespace test = zendrel::test;
  int arg = 1;
  const bool labelled = argc > arg && std::strcmp(argv[arg], "--labelled") == 0;
  if (labelled) ++arg;
  const std::string root = argc > arg ? argv[arg++] : ".";
  std::vector<int> sizes;
  for (; arg < argc; ++arg) sizes.push_back(std::atoi(argv[arg]));
  if (sizes.empty()) sizes = {500, 1000, 2000, 4000};

  // Each icon file holds the four sizes a real one does; the library holds 300 icons.
  const std::string ico = test::MakeIco(
      {{16, 0xFF3080C0, 32}, {32, 0xFF3080C0, 32}, {48, 0xFF3080C0, 32}, {32, 0xFF3080C0, 24}});
  std::vector<std::vector<test::IconImage>> groups(kLibraryIcons,
                                                   {{16, 0xFFC08030, 32}, {32, 0xFFC08030, 32}});
  const std::string icl = test::MakeIcl(groups);
  const std::string manyDll = test::ReadBytes(test::HostPath(ZENDREL_MANY_DLL)).value_or("");

  std::printf("%s catalogue file\n", labelled ? "Labelled" : "Switches-only");
  std::printf("%6s %7s %9s %9s %6s %9s %9s %6s %9s %8s\n", "ico", "entries", "load ms", "read ms",
              "ratio", "load cpu", "read cpu", "ratio", "us/entry", "peak MB");
  for (int count : sizes) {
    const std::string folder =
        zendrel::text::AddTrailingSeparator(root) + "icons-" + std::to_string(count);
    const std::string in = zendrel::text::AddTrailingSeparator(folder);
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) Write(in + "icon" + std::to_string(i) + ".ico", ico);
    Write(in + "Library.icl", icl);
    Write(in + "Many.dll", manyDll);
    const std::string switches = "[FolderIconConfig]\r\nReadIclFiles=1\r\nReadDllFiles=1\r\n";
    Write(in + "Zendrel.ini", labelled ? Labels(count, switches) : switches);

    // An icon folder is not written just before it is read: let the new files settle, as
    // the program treats files changed in the last two seconds as still changing.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));

    // Loads and reads taken in turn, the best of each: on a busy machine any one of them may
    // lose the processor for a while, and the first ones still meet the write-back of the
    // files just made.
    zendrel::catalogue::IconCatalogue catalogue;
    Best load, read;
    std::size_t bytes = 0;
    for (int round = 0; round < kRounds; ++round) {
      read.Time([&] { bytes = ReadEverything(folder); });
      load.Time([&] { catalogue.Load(folder); });
    }
    std::printf("%6d %7d %9.1f %9.1f %6.2f %9.1f %9.1f %6.2f %9.2f %8.1f   (%zu bytes)\n", count,
                catalogue.Count(), load.wallMs, read.wallMs, load.wallMs / read.wallMs,
                load.processorMs, read.processorMs, load.processorMs / read.processorMs,
                1e3 * load.wallMs / catalogue.Count(), PeakMegabytes(), bytes);
    std::filesystem::remove_all(folder);
  }
  return 0;
}
