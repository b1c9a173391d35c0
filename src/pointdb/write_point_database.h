#pragma once

#include <cstdint>

#include "state/conversion_state.h"

namespace vezuved {

// Writes count records as a database of the given kind code (65 and 66:
// track and route in the older layout). 0, or -1. The kind, its record
// version and the last leg stay in state, for whoever keeps it.
int32_t WritePointDatabase(
    ConversionState& state, const char* path, void* records, int32_t count, int32_t kind);

}  // namespace vezuved
