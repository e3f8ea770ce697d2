// Loading a large icon directory (.ico files, a library of 300 icons, a DLL of 500): wall
// time and peak memory at several directory sizes, to show that the time grows linearly.
//
// Usage: catalogue_bench FOLDER [ICO_FILES...]
//
// The floor is reading the bytes a load cannot do without, in the same run: the folder's
// listing, the catalogue file, and of each icon file the ranges its readers ask for (the
// directories and resource tree) and the one image of each icon that is shown. Reading every
// byte of the folder (mostly the DLL's images that no load looks at) is a second, more
// generous line. The processor time is shown beside the wall time: on a busy machine the wall
// time also counts the time other programs held the processor.
//
// Each size is loaded twice: with a catalogue file that only switches the libraries on, and
// with one that gives every icon a label and an info tip, as the icon set we ship does.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

// This needs windows.h first.
#include <psapi.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#endif

#include "catalogue/icon_catalogue.h"
#include "platform/posix/icon_container.h"
#include "platform/posix/icon_file_reader.h"
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

std::string Both(const Best& best) {
  char text[40];
  std::snprintf(text, sizeof text, "%.1f (%.1f)", best.wallMs, best.processorMs);
  return text;
}

void Write(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

namespace posix = zendrel::platform::posix;

struct Range {
  std::uint64_t offset;
  std::uint64_t size;
};

// A source that notes every range read from it.
class Recorder final : public posix::ByteSource {
 public:
  Recorder(const posix::ByteSource& inner, std::vector<Range>& ranges)
      : inner_(inner), ranges_(ranges) {}
  std::uint64_t size() const override { return inner_.size(); }

 protected:
  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const override {
    const std::optional<posix::Bytes> bytes = inner_.Read(offset, count);
    if (!bytes) return false;
    std::memcpy(out, bytes->data(), count);
    ranges_.push_back({offset, count});
    return true;
  }

 private:
  const posix::ByteSource& inner_;
  std::vector<Range>& ranges_;
};

// What a load must read of one icon file: the ranges the readers ask for to find each icon's
// images, and the image shown of each icon, overlapping ranges merged.
std::vector<Range> NeededRanges(const std::string& path, bool library) {
  std::vector<Range> ranges;
  const std::unique_ptr<posix::FileSource> file = posix::FileSource::Open(path);
  if (!file) return ranges;
  const Recorder source(*file, ranges);
  const std::unique_ptr<posix::IconContainer> container = posix::ReadIconContainer(source);
  if (!container) return ranges;
#ifdef _WIN32
  // The Windows build lets the system choose among all of a group's images.
  container->LocateEveryImage();
#endif
  for (int index = 0; library || index == 0; ++index) {
    const std::optional<posix::IconImageDirectory> images = container->Images(source, index);
    if (!images) break;
    const int shown = posix::ChooseLargeImage(*images);
    if (shown >= 0 && (*images)[static_cast<std::size_t>(shown)].place) {
      const posix::ImagePlace place = *(*images)[static_cast<std::size_t>(shown)].place;
      ranges.push_back({place.offset, std::min(place.size, file->size() - place.offset)});
    }
  }
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.offset < b.offset; });
  std::vector<Range> merged;
  for (const Range& range : ranges) {
    if (!merged.empty() && range.offset <= merged.back().offset + merged.back().size) {
      Range& last = merged.back();
      last.size = std::max(last.offset + last.size, range.offset + range.size) - last.offset;
    } else {
      merged.push_back(range);
    }
  }
  return merged;
}

struct NeededFile {
  std::string path;
  std::vector<Range> ranges;
};

// The floor: list the folder, read the catalogue file, and read each needed range once.
std::size_t ReadNeeded(const std::string& folder, const std::vector<NeededFile>& files) {
  static volatile std::size_t listed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    listed = listed + entry.path().native().size();
  }
  std::size_t total = 0;
  std::vector<char> buffer(1 << 20);
  for (const NeededFile& file : files) {
#ifdef _WIN32
    FILE* f = std::fopen(file.path.c_str(), "rb");
    if (!f) continue;
    std::setvbuf(f, nullptr, _IONBF, 0);
    for (const Range& range : file.ranges) {
      if (range.size > buffer.size()) buffer.resize(range.size);
      std::fseek(f, static_cast<long>(range.offset), SEEK_SET);
      total += std::fread(buffer.data(), 1, range.size, f);
    }
    std::fclose(f);
#else
    const int fd = open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    for (const Range& range : file.ranges) {
      if (range.size > buffer.size()) buffer.resize(range.size);
      const ssize_t n = pread(fd, buffer.data(), range.size, static_cast<off_t>(range.offset));
      if (n > 0) total += static_cast<std::size_t>(n);
    }
    close(fd);
#endif
  }
  return total;
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

  std::printf("wall ms (processor ms), best of %d; needed: the bytes a load must read\n", kRounds);
  std::printf("%6s %7s %15s %15s %15s %15s %7s %7s %7s %8s\n", "ico", "entries", "load",
              "labelled load", "read needed", "read all", "/needed", "/all", "labels", "peak MB");
  double worstLabelled = 0, neededRatio = 0;
  int neededSize = 0;
  bool complete = true;
  for (int count : sizes) {
    // Two folders of the same icon files: one whose catalogue file only switches the libraries
    // on, one whose catalogue file labels every icon.
    const std::string folder =
        zendrel::text::AddTrailingSeparator(root) + "icons-" + std::to_string(count);
    const std::string labelledFolder = folder + "-labelled";
    const std::string in = zendrel::text::AddTrailingSeparator(folder);
    const std::string switches = "[FolderIconConfig]\r\nReadIclFiles=1\r\nReadDllFiles=1\r\n";
    for (const std::string& made : {folder, labelledFolder}) {
      const std::string into = zendrel::text::AddTrailingSeparator(made);
      std::filesystem::create_directories(made);
      for (int i = 0; i < count; ++i) Write(into + "icon" + std::to_string(i) + ".ico", ico);
      Write(into + "Library.icl", icl);
      Write(into + "Many.dll", manyDll);
      Write(into + "Zendrel.ini", made == folder ? switches : Labels(count, switches));
    }

    std::vector<NeededFile> needed = {{in + "Zendrel.ini", {{0, switches.size()}}}};
    for (int i = 0; i < count; ++i) {
      const std::string path = in + "icon" + std::to_string(i) + ".ico";
      needed.push_back({path, NeededRanges(path, false)});
    }
    for (const char* library : {"Library.icl", "Many.dll"}) {
      needed.push_back({in + library, NeededRanges(in + library, true)});
    }

    // An icon folder is not written just before it is read: let the new files settle, as
    // the program treats files changed in the last two seconds as still changing.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));

    // Loads and reads taken in turn, the best of each: on a busy machine any one of them may
    // lose the processor for a while, and the first ones still meet the write-back of the
    // files just made.
    zendrel::catalogue::IconCatalogue catalogue, labelledCatalogue;
    Best load, labelledLoad, readNeeded, readAll;
    std::size_t bytes = 0, neededBytes = 0;
    for (int round = 0; round < kRounds; ++round) {
      readAll.Time([&] { bytes = ReadEverything(folder); });
      readNeeded.Time([&] { neededBytes = ReadNeeded(folder, needed); });
      load.Time([&] { catalogue.Load(folder); });
      labelledLoad.Time([&] { labelledCatalogue.Load(labelledFolder); });
    }
    const int entries = catalogue.Count();
    // Every icon labelled: the same entries, now with the catalogue file's labels.
    const bool labelled =
        labelledCatalogue.Count() == entries && !labelledCatalogue.labels.empty() &&
        labelledCatalogue.labels.back() == "Label " + std::to_string(kDllIcons - 1);
    complete = complete && labelled && entries == count + kLibraryIcons + kDllIcons;

    const double labelledRatio = labelledLoad.wallMs / load.wallMs;
    worstLabelled = std::max(worstLabelled, labelledRatio);
    // The figure for the folder: 2,000 .ico files, or the size nearest to it.
    if (neededSize == 0 || std::abs(count - 2000) < std::abs(neededSize - 2000)) {
      neededSize = count;
      neededRatio = load.wallMs / readNeeded.wallMs;
    }
    std::printf("%6d %7d %15s %15s %15s %15s %7.2f %7.2f %7.2f %8.1f   (%zu of %zu bytes)\n", count,
                entries, Both(load).c_str(), Both(labelledLoad).c_str(), Both(readNeeded).c_str(),
                Both(readAll).c_str(), load.wallMs / readNeeded.wallMs,
                load.wallMs / readAll.wallMs, labelledRatio, PeakMegabytes(), neededBytes, bytes);
    std::filesystem::remove_all(folder);
    std::filesystem::remove_all(labelledFolder);
  }
  if (!complete) {
    std::printf("a load missed icons or labels: the figures measured something else\n");
    return 1;
  }
  std::printf("RATIO catalogue-labelled-vs-unlabelled %.2f target 1.5\n", worstLabelled);
  std::printf("RATIO catalogue-load-vs-needed-bytes %.2f target 2\n", neededRatio);
  return 0;
}
