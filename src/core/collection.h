// The collection behind the public handle: its sets, and what the last
// call on it left for the caller (the failure's sentence, the warnings).
// Each collection is its own: nothing is shared between two of them.
#pragma once

#include <string>
#include <vector>

#include "maps/map_warning.h"
#include "sets/points.h"

struct vezuved_collection {
    std::vector<vezuved::maps::PointSet> sets;
    vezuved::maps::MapWarnings warnings;  // of the last read or write
    std::string error;                    // of the last call, "" when it succeeded
};
