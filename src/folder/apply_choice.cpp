#include "folder/apply_choice.h"
