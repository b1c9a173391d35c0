// Numbers, coordinates and times as text, now the library's.
#pragma once

#include "sets/number_text.h"
#include "files/library_names.h"
