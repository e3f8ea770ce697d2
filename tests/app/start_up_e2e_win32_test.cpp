// The real Zendrel.exe, started on a file: its message 107 comes up with the program's
// caption, this test presses OK as a user would, and the process ends with status 1.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "ui/strings.h"

namespace {

// A UTF-8 text in the ANSI code page, as the message box holds it.
std::string Ansi(const char* utf8) {
  wchar_t wide[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 512);
  char ansi[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr);
  return ansi;
}

struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindDialogOf(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (owner == search->processId && std::string(className) == "#32770") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

TEST(StartUpEndToEnd, AFileIsRefusedWithMessage107AndStatus1) {
  zendrel::test::TempDir dir;
  const std::string file = dir.File("not a folder.txt");
  zendrel::test::WriteBytes(file, "x");

  // Built up piece by piece: GCC 12 at -O3 warns wrongly about a chain of + here.
  std::string commandLine = "\"";
  commandLine += zendrel::test::HostPath(ZENDREL_EXE);
  commandLine += "\" \"";
  commandLine += file;
  commandLine += "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process))
      << commandLine;

  Search search = {process.dwProcessId, nullptr};
  for (int tries = 0; tries < 300 && !search.found; ++tries) {
    EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(100);
  }
  ASSERT_NE(search.found, nullptr) << "no message box appeared";

  char caption[256] = {}, message[1024] = {};
  GetWindowTextA(search.found, caption, sizeof caption);
  GetDlgItemTextA(search.found, 0xFFFF, message, sizeof message);
  EXPECT_STREQ(caption, "Zendrel");
  EXPECT_EQ(std::string(message), Ansi(ZENDREL_TEXT_107));

  SendMessageA(GetDlgItem(search.found, IDOK), BM_CLICK, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  EXPECT_EQ(status, 1u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
