// Civil dates as days, now the library's.
#pragma once

#include "files/library_names.h"
#include "sets/calendar.h"
