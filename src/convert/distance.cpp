// Great-circle distance by the spherical law of cosines. The constants carry
// the single-precision pi (3.1415927410125732) that stored leg distances were
// always computed with, so distances match those already in databases.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "convert/distance.h"

namespace vezuved {

namespace {

constexpr double kPi = 3.1415927410125732;
constexpr double kRadiansPerDegree = 0.017453293005625408;      // kPi / 180
constexpr double kNauticalMilesPerRadian = 3437.7466751209226;  // 10800 / kPi

double ToRadians(int32_t microdegrees) { return microdegrees * 1e-6 * kRadiansPerDegree; }

}  // namespace

double DistanceNm(int32_t latitude1, int32_t longitude1, int32_t latitude2, int32_t longitude2) {
    if (latitude1 == latitude2 && longitude1 == longitude2) return 0.0;
    const double phi1 = ToRadians(latitude1);
    const double phi2 = ToRadians(latitude2);
    const double delta = ToRadians(longitude1) - ToRadians(longitude2);
    if (std::fabs(delta) > kPi) return std::fabs(delta) * kNauticalMilesPerRadian;
    const double cosine = std::cos(delta) * std::cos(phi2) * std::cos(phi1) + std::sin(phi2) * std::sin(phi1);
    // Rounding can push the cosine of two near or antipodal points just past
    // +-1, where acos has no value; the caller truncates the result to an integer.
    return std::acos(std::clamp(cosine, -1.0, 1.0)) * kNauticalMilesPerRadian;
}

}  // namespace vezuved
