// Points and sets of points, now the library's.
#pragma once

#include "files/library_names.h"
#include "sets/points.h"
