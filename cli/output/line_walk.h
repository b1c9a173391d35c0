// How the map writers walk a set, now the library's.
#pragma once

#include "files/library_names.h"
#include "maps/line_walk.h"
