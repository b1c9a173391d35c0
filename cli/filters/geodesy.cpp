#include "filters/geodesy.h"

#include <cmath>

#include "support/failure.h"

#ifdef VEZUVED_HAVE_GEOGRAPHICLIB
#include <GeographicLib/Geodesic.hpp>
#endif

namespace vezuved_cli {
namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

UnitVector Cross(const UnitVector& a, const UnitVector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const UnitVector& a, const UnitVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(const UnitVector& a) { return std::sqrt(Dot(a, a)); }

}  // namespace

bool HaveEllipsoidDistances() {
#ifdef VEZUVED_HAVE_GEOGRAPHICLIB
    return true;
#else
    return false;
#endif
}

void RequireEllipsoidDistances(const std::string& what) {
    if (!HaveEllipsoidDistances()) {
        FailConversion(what + " needs distances on the WGS-84 ellipsoid, and this build of vezuved has no "
                       "GeographicLib to measure them");
    }
}

double EllipsoidDistance(double latitude1, double longitude1, double latitude2, double longitude2) {
#ifdef VEZUVED_HAVE_GEOGRAPHICLIB
    double metres = 0;
    GeographicLib::Geodesic::WGS84().Inverse(latitude1, longitude1, latitude2, longitude2, metres);
    return metres;
#else
    (void)latitude1, (void)longitude1, (void)latitude2, (void)longitude2;
    RequireEllipsoidDistances("a distance");
    return 0;
#endif
}

UnitVector ToUnitVector(double latitude, double longitude) {
    const double phi = latitude * kRadiansPerDegree, lambda = longitude * kRadiansPerDegree;
    return {std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi)};
}

// atan2 of the cross and dot products stays exact for tiny angles, where acos does not.
double AngleBetween(const UnitVector& a, const UnitVector& b) { return std::atan2(Length(Cross(a, b)), Dot(a, b)); }

double AngleToArc(const UnitVector& p, const UnitVector& a, const UnitVector& b) {
    const UnitVector normal = Cross(a, b);
    const double size = Length(normal);
    // a and b the same point (a closed loop) or opposite: no one great circle.
    if (size < 1e-15) return AngleBetween(p, a);
    const UnitVector n{normal.x / size, normal.y / size, normal.z / size};
    // p lies over the arc when it is on b's side of a and on a's side of b.
    if (Dot(Cross(a, p), n) >= 0 && Dot(Cross(p, b), n) >= 0) return std::asin(std::fmin(1.0, std::fabs(Dot(p, n))));
    return std::fmin(AngleBetween(p, a), AngleBetween(p, b));
}

}  // namespace vezuved_cli
