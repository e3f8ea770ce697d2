// Reading and writing one key of a large INI file, each against the plain file I/O it cannot
// avoid: a read against reading the whole file once, a write against one read plus one
// flushed write of the whole file. Usage: ini_ratio [FOLDER] [KEYS] [ROUNDS] [SECTIONS] [ending]
// With "ending", every key ends in the same characters as the one asked for (".ico", as the
// catalogue's labels do), so no key is passed over by its last characters alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/profile.h"
#include "text/text.h"
#ifndef _WIN32
#include "platform/posix/ini_document.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// The plainest whole read: one buffer of the file's size, not cleared first, one fread.
struct Whole {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

Whole ReadAll(const std::string& path) {
  Whole whole;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return whole;
  std::fseek(f, 0, SEEK_END);
  const auto size = static_cast<std::size_t>(std::ftell(f));
  std::fseek(f, 0, SEEK_SET);
  whole.data = std::make_unique_for_overwrite<char[]>(size);
  whole.size = std::fread(whole.data.get(), 1, size, f);
  std::fclose(f);
  return whole;
}

void WriteAllFlushed(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fflush(f);
#ifdef _WIN32
  _commit(_fileno(f));
#else
  fsync(fileno(f));
#endif
  std::fclose(f);
}

template <typename F>
double FastestSeconds(int rounds, F&& body) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    body();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

template <typename F>
double MedianSeconds(int rounds, F&& body) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    body(i);
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  namespace platform = zendrel::platform;
  const std::string folder = argc > 1 ? argv[1] : ".";
  const int keys = argc > 2 ? std::atoi(argv[2]) : 100000;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 21;
  const std::string file = zendrel::text::AddTrailingSeparator(folder) + "zendrel-bench.ini";
  const std::string copy = zendrel::text::AddTrailingSeparator(folder) + "zendrel-bench.copy";

  // The key asked for is the last one of the last section, the worst case. One section is
  // the shape of a change log; ten are the default.
  const int kSections = argc > 4 ? std::max(1, std::atoi(argv[4])) : 10;
  const bool sameEnding = argc > 5 && std::string_view(argv[5]) == "ending";
  const auto keyName = [&](int k) {
    return sameEnding ? "Folder icon " + std::to_string(k) + ".ico" : "Key" + std::to_string(k);
  };
  std::string content;
  for (int k = 0; k < keys; ++k) {
    if (k % (keys / kSections) == 0) content += "[Section" + std::to_string(k) + "]\r\n";
    content += keyName(k) + "=\\\\server\\share\\folder " + std::to_string(k) +
               ",Icon.icl,3,an info tip\r\n";
  }
  WriteAllFlushed(file, content);
  const std::string lastSection = "Section" + std::to_string(keys - keys / kSections);
  const std::string lastKey = keyName(keys - 1);

  std::size_t sink = 0;
  const double readFile = MedianSeconds(rounds, [&](int) { sink += ReadAll(file).size; });
  const double readKey = MedianSeconds(
      rounds, [&](int) { sink += platform::ReadIniString(file, lastSection, lastKey, "").size(); });
  const double rewriteFile = MedianSeconds(rounds, [&](int) {
    const Whole whole = ReadAll(file);
    WriteAllFlushed(copy, std::string_view(whole.data.get(), whole.size));
  });
  const double writeKey = MedianSeconds(rounds, [&](int i) {
    platform::WriteIniString(file, lastSection, lastKey, "value " + std::to_string(i));
  });

#ifndef _WIN32
  // The lookup alone, on the bytes in memory: the fastest of many rounds, which a busy machine
  // disturbs far less than it does the medians above.
  const double findKey = FastestSeconds(rounds * 10, [&] {
    sink += platform::ini::FindValue(content, lastSection, lastKey).value_or("").size();
  });
#endif

  const bool ok = platform::ReadIniString(file, lastSection, lastKey, "") ==
                  "value " + std::to_string(rounds - 1);
  std::printf("file: %d keys in %d sections%s, %zu bytes, median of %d rounds\n", keys, kSections,
              sameEnding ? ", every key ending as the one asked for" : "", content.size(), rounds);
  std::printf("read whole file      %8.3f ms\n", readFile * 1e3);
  std::printf("read one key         %8.3f ms   ratio %.2f (target <= 2)\n", readKey * 1e3,
              readKey / readFile);
  std::printf("read + flushed write %8.3f ms\n", rewriteFile * 1e3);
  std::printf("write one key        %8.3f ms   ratio %.2f (target <= 4)\n", writeKey * 1e3,
              writeKey / rewriteFile);
#ifndef _WIN32
  std::printf("find one key in memory %6.3f ms (fastest of %d)\n", findKey * 1e3, rounds * 10);
#endif
  std::printf("ratios read %.2f write %.2f\n", readKey / readFile, writeKey / rewriteFile);
  std::remove(file.c_str());
  std::remove(copy.c_str());
  if (!ok || sink == 0) {
    std::printf("the written key did not read back\n");
    return 1;
  }
  return 0;
}
