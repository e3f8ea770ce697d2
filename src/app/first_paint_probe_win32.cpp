#include <windows.h>

#include <cstdio>
#include <string>

#include "app/first_paint_probe.h"

namespace zendrel::app {

namespace {

std::string probeFile;
HWND painted = nullptr;
bool written = false;

bool IsChooser(HWND window) {
  char className[16] = {}, caption[16] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  return std::string(className) == "#32770" && std::string(caption) == "Zendrel";
}

// Sees every message the thread takes from its queue. The chooser's first WM_PAINT posts a
// Cancel; when that comes out of the queue the paint has been dispatched and done.
LRESULT CALLBACK WatchQueue(int code, WPARAM remove, LPARAM param) {
  const MSG* msg = reinterpret_cast<const MSG*>(param);
  if (code == HC_ACTION && remove == PM_REMOVE && msg) {
    if (!painted && msg->message == WM_PAINT && IsChooser(msg->hwnd)) {
      painted = msg->hwnd;
      PostMessageA(painted, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (!written && painted && msg->hwnd == painted && msg->message == WM_COMMAND) {
      written = true;
      FILETIME now = {};
      GetSystemTimePreciseAsFileTime(&now);
      const unsigned long long ticks =
          (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
      // 100 ns ticks since 1601 to nanoseconds since 1970.
      const unsigned long long nanoseconds = (ticks - 116444736000000000ULL) * 100ULL;
      if (FILE* out = std::fopen(probeFile.c_str(), "w")) {
        std::fprintf(out, "%llu\n", nanoseconds);
        std::fclose(out);
      }
    }
  }
  return CallNextHookEx(nullptr, code, remove, param);
}

}  // namespace

void InstallFirstPaintProbe() {
  char file[MAX_PATH] = {};
  if (GetEnvironmentVariableA("ZENDREL_FIRST_PAINT", file, sizeof file) == 0) return;
  probeFile = file;
  SetWindowsHookExA(WH_GETMESSAGE, WatchQueue, nullptr, GetCurrentThreadId());
}

}  // namespace zendrel::app
