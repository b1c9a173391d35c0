// Numbers, coordinates and times as text, now the library's.
#pragma once

#include "files/library_names.h"
#include "sets/number_text.h"
