#pragma once

#include <cstdint>

namespace vezuved {

// Writes count records as a database of the given kind code (65 and 66:
// track and route in the older layout). 0, or -1.
int32_t WritePointDatabase(const char* path, void* records, int32_t count, int32_t kind);

}  // namespace vezuved
