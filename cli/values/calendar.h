// Civil dates as days, now the library's.
#pragma once

#include "sets/calendar.h"
#include "files/library_names.h"
