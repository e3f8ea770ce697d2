#include "log/change_log.h"
