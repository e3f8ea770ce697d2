// The real Zendrel.exe, started on a file: its message 107 comes up with the program's
// caption, this test presses OK as a user would, and the process ends with status 1.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/dialog_search_win32.h"
#include "support/temp_dir.h"
#include "text/text.h"
#include "ui/strings.h"

namespace {

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

  const HWND box = zendrel::test::WaitForDialog(process.dwProcessId);
  ASSERT_NE(box, nullptr) << "no message box appeared";

  char caption[256] = {}, message[1024] = {};
  GetWindowTextA(box, caption, sizeof caption);
  GetDlgItemTextA(box, 0xFFFF, message, sizeof message);
  EXPECT_STREQ(caption, "Zendrel");
  EXPECT_EQ(std::string(message), zendrel::text::SystemText(ZENDREL_TEXT_107));

  SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(zendrel::test::FinishProcess(process), 1u);
}

}  // namespace
