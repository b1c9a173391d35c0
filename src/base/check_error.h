// The library's one error convention: a failing step deep inside a driver
// prints "Err: 0x%x" and throws its code; the driver catches everything and
// returns its failure value, so no exception ever leaves an export.
#pragma once

#include <cstdint>

// Thrown, as a bare value, by CheckError.
using ErrorCode = uint32_t;

// Thrown by the version check of a database read.
using VersionError = int32_t;

// Does nothing for 0; otherwise prints "Err: 0x%x" and throws the code.
void CheckError(uint32_t code);
