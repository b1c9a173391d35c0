// How the map writers walk a set, now the library's.
#pragma once

#include "maps/line_walk.h"
#include "files/library_names.h"
