#include <cstdint>

#include "pdb/pdb.h"

namespace vezuved {

uint32_t PdbDateFromHost(uint32_t hostSeconds) {
    // Unsigned arithmetic wraps modulo 2^32, as the field does.
    return hostSeconds == 0 ? 0 : hostSeconds + pdbEpochOffset;
}

uint32_t PdbDateToHost(uint32_t palmDate) {
    // The difference read as signed 32-bit; negative (dates before 1970,
    // and an unset 0) becomes 0.
    uint32_t seconds = palmDate - pdbEpochOffset;
    return seconds > static_cast<uint32_t>(INT32_MAX) ? 0 : seconds;
}

}  // namespace vezuved
