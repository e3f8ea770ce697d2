// The About box on Windows: the About template run modally over its owner.
#pragma once

#include <windows.h>

namespace zendrel::ui {

// Runs the box owned by `owner`, which stays disabled while it is open; IDOK for the OK
// button or Enter, IDCANCEL for Escape or the close box.
int ShowAboutBox(HWND owner);

}  // namespace zendrel::ui
