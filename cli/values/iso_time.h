// ISO 8601 dates and times, now the library's.
#pragma once

#include "files/library_names.h"
#include "sets/iso_time.h"
