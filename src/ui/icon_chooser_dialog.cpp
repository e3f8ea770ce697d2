#include "ui/icon_chooser_dialog.h"
