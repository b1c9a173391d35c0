// Windows-1252 and UTF-8, now the library's.
#pragma once

#include "files/library_names.h"
#include "sets/encoding.h"
