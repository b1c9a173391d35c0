// Windows-1252 and UTF-8, now the library's.
#pragma once

#include "sets/encoding.h"
#include "files/library_names.h"
