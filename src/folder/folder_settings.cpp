#include "folder/folder_settings.h"
