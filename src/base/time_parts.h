// The seven parts of a point's time. No part is range-checked anywhere: a
// month of 13 passes through unchanged.
#pragma once

#include <cstdint>

namespace vezuved {

struct TimeParts {
    int16_t hour = 0;
    int16_t minute = 0;
    int16_t second = 0;
    int16_t fraction = 0;  // the integer written after the "." of the seconds
    int16_t day = 0;
    int16_t month = 0;
    int16_t year = 0;  // as written: no century is added
};

}  // namespace vezuved
