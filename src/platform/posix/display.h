// Whether the GUI toolkit will find a display to open windows on.
#pragma once

namespace zendrel::platform::posix {

// Asked before the toolkit starts, since the toolkit itself ends the process when it finds
// none. Honours QT_QPA_PLATFORM; otherwise a Wayland compositor or an X server must answer
// on its socket, and an X server must accept the client (it may be at its client limit).
bool CanOpenDisplay();

// Tells that the toolkit holds its connection: from then on the display is there, and asking
// the X server again would take one more of its places, which it may no longer have.
void ToolkitConnected();

}  // namespace zendrel::platform::posix
