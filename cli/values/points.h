// Points and sets of points, now the library's.
#pragma once

#include "sets/points.h"
#include "files/library_names.h"
