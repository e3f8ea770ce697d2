// What the Windows build's dialogs need of its icons beyond the portable interface: the
// catalogue's image list at the size the window's DPI asks for.
#pragma once

#include <windows.h>

// These need windows.h first.
#include <commctrl.h>

#include "platform/icons.h"

namespace zendrel::platform {

// A new list of `pixels` x `pixels` images, slot for slot the icons of `images`, each taken
// again from the image its file (or the program's own resource) has that suits this size
// best, as an icon is drawn for a list at that DPI. A slot whose file cannot be read again
// keeps the list's own image, scaled. At the catalogue's own size it is the list made of
// the images themselves, handed over. The caller owns the list; nullptr when `images` holds
// none.
HIMAGELIST ImageListAtSize(const ImageList& images, int pixels);

}  // namespace zendrel::platform
