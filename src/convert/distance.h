// Great-circle distance between two positions given in millionths of a degree.
#pragma once

#include <cstdint>

namespace vezuved {

double DistanceNm(int32_t latitude1, int32_t longitude1, int32_t latitude2, int32_t longitude2);

}  // namespace vezuved
