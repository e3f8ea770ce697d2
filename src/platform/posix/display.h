// Whether the GUI toolkit will find a display to open windows on.
#pragma once

namespace zendrel::platform::posix {

// Asked before the toolkit starts, since the toolkit itself ends the process when it finds
// none. Honours QT_QPA_PLATFORM; otherwise a Wayland compositor or an X server must answer
// on its socket.
bool CanOpenDisplay();

}  // namespace zendrel::platform::posix
