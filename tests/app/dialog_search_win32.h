// Finding a dialog of another running process and waiting for its end, for the tests that
// start Zendrel.exe.
#pragma once

#include <windows.h>

#include <string>

namespace zendrel::test {

struct DialogSearch {
  DWORD processId;
  const char* caption;  // null: any caption
  HWND found;
};

inline BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64] = {}, text[64] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, text, sizeof text);
  if (owner != search->processId || std::string(className) != "#32770" ||
      !IsWindowVisible(window) || (search->caption && std::string(text) != search->caption)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// The first visible dialog window of the process, with this caption when one is given;
// waits up to 30 s for it to appear. Null when none came.
inline HWND WaitForDialog(DWORD processId, const char* caption = nullptr) {
  DialogSearch search = {processId, caption, nullptr};
  for (int tries = 0; tries < 300 && !search.found; ++tries) {
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(100);
  }
  return search.found;
}

// Waits up to 30 s for the process to end and closes its handles; its exit status, or
// STILL_ACTIVE when it did not end.
inline DWORD FinishProcess(PROCESS_INFORMATION& process) {
  WaitForSingleObject(process.hProcess, 30000);
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

}  // namespace zendrel::test
