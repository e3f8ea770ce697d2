// Loading a large icon directory (.ico files, a library of 300 icons, a DLL of 500): wall
// time and peak memory, with the time as a ratio to reading the same files' bytes once in
// the same run, at several directory sizes to show that the time grows linearly.
// Usage: catalogue_bench FOLDER [ICO_FILES...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
#endif

#include "catalogue/icon_catalogue.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace {

using Clock = std::chrono::steady_clock;

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

}  // namespace

int main(int argc, char** argv) {
  namespace test = zendrel::test;
  const std::string root = argc > 1 ? argv[1] : ".";
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {500, 1000, 2000, 4000};

  // Each icon file holds the four sizes a real one does; the library holds 300 icons.
  const std::string ico = test::MakeIco(
      {{16, 0xFF3080C0, 32}, {32, 0xFF3080C0, 32}, {48, 0xFF3080C0, 32}, {32, 0xFF3080C0, 24}});
  std::vector<std::vector<test::IconImage>> groups(300,
                                                   {{16, 0xFFC08030, 32}, {32, 0xFFC08030, 32}});
  const std::string icl = test::MakeIcl(groups);
  std::string manyDll;
  {
    const std::string path = test::HostPath(ZENDREL_MANY_DLL);
    FILE* f = std::fopen(path.c_str(), "rb");
    char chunk[65536];
    std::size_t n;
    while (f && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) manyDll.append(chunk, n);
    if (f) std::fclose(f);
  }

  std::printf("%8s %8s %12s %12s %8s %10s\n", "ico", "entries", "load ms", "read ms", "ratio",
              "peak MB");
  for (int count : sizes) {
    const std::string folder =
        zendrel::text::AddTrailingSeparator(root) + "icons-" + std::to_string(count);
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) {
      Write(zendrel::text::AddTrailingSeparator(folder) + "icon" + std::to_string(i) + ".ico", ico);
    }
    Write(zendrel::text::AddTrailingSeparator(folder) + "Library.icl", icl);
    Write(zendrel::text::AddTrailingSeparator(folder) + "Many.dll", manyDll);
    Write(zendrel::text::AddTrailingSeparator(folder) + "Zendrel.ini",
          "[FolderIconConfig]\r\nReadIclFiles=1\r\nReadDllFiles=1\r\n");

    // An icon folder is not written just before it is read: let the new files settle, as
    // the program treats files changed in the last two seconds as still changing.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const auto readStart = Clock::now();
    const std::size_t bytes = ReadEverything(folder);
    double readMs = std::chrono::duration<double, std::milli>(Clock::now() - readStart).count();

    // The better of two loads and of two reads, each after the files were written: the
    // first of each may still meet the write-back of the files just made.
    zendrel::catalogue::IconCatalogue catalogue;
    double loadMs = 1e300;
    for (int round = 0; round < 2; ++round) {
      const auto loadStart = Clock::now();
      catalogue.Load(folder);
      loadMs = std::min(
          loadMs, std::chrono::duration<double, std::milli>(Clock::now() - loadStart).count());
    }
    const auto readAgain = Clock::now();
    ReadEverything(folder);
    readMs = std::min(readMs,
                      std::chrono::duration<double, std::milli>(Clock::now() - readAgain).count());
    std::printf("%8d %8d %12.1f %12.1f %8.2f %10.1f   (%zu bytes)\n", count, catalogue.Count(),
                loadMs, readMs, loadMs / readMs, PeakMegabytes(), bytes);
    std::filesystem::remove_all(folder);
  }
  return 0;
}
