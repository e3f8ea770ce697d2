// Windows entry point: the composition root of the Windows build.
#include <windows.h>

#include "app/first_paint_probe.h"
#include "app/folder_icon_app.h"
#include "platform/host.h"
#include "ui/win32/message_box_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
  zendrel::app::InstallFirstPaintProbe();
  zendrel::ui::Win32MessageBoxes boxes;
  zendrel::app::FolderIconApp app(zendrel::platform::SystemHost(), boxes);
  app.StartUp(commandTail ? commandTail : "");
  return app.ExitStatus();
}
