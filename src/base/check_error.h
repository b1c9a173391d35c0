// The library's one error convention: a failing step deep inside a driver
// prints "Err: 0x%x" and throws a LibraryError with its code. The export
// catches it once (api/export_call.h) and answers the value the host is
// promised; a driver catches only to finish what RAII does not (closing a
// database it must keep or drop), so no exception ever leaves an export.
#pragma once

#include <cstdint>

namespace vezuved {

// Thrown inside a driver. The code is the container's or the version
// check's; an export that answers codes returns it as a 32-bit value.
struct LibraryError {
    uint32_t code;
    int32_t Result() const { return static_cast<int32_t>(code); }
};

// The version check of a database read refuses with this code (-1).
constexpr uint32_t kErrVersionRefused = 0xFFFFFFFFu;

// Prints "Err: 0x%x" for a non-zero code; nothing for 0.
void ReportError(uint32_t code);

// Does nothing for 0; otherwise prints "Err: 0x%x" and throws LibraryError.
void CheckError(uint32_t code);

}  // namespace vezuved
