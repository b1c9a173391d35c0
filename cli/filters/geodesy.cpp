#include "filters/geodesy.h"

#include <cmath>

#include "files/failure.h"

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
        FailConversion(what +
                       " needs distances on the WGS-84 ellipsoid, and this build of vezuved has no "
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

namespace {

double SquaredDistance(const UnitVector& a, const UnitVector& b) {
    const double x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
    return x * x + y * y + z * z;
}

}  // namespace

ArcGauge::ArcGauge(const UnitVector& a, const UnitVector& b) : a_(a), b_(b) {
    const UnitVector normal = Cross(a, b);
    const double size = Length(normal);
    point_ = size < 1e-15;
    if (point_) return;
    normal_ = {normal.x / size, normal.y / size, normal.z / size};
    // p lies over the arc when it is on b's side of a, (a x p).n >= 0, and
    // on a's side of b, (p x b).n >= 0: as dot products with p, n x a and b x n.
    pastA_ = Cross(normal_, a);
    pastB_ = Cross(b, normal_);
}

double ArcGauge::SquaredChord(const UnitVector& p) const {
    if (point_) return SquaredDistance(p, a_);
    if (Dot(p, pastA_) >= 0 && Dot(p, pastB_) >= 0) {
        // The sine s of the angle to the great circle; the chord's square is
        // 2 - 2 cos, written so that small angles lose no digits.
        const double s = Dot(p, normal_);
        const double sine2 = std::fmin(1.0, s * s);
        return 2 * sine2 / (1 + std::sqrt(1 - sine2));
    }
    return std::fmin(SquaredDistance(p, a_), SquaredDistance(p, b_));
}

double AngleOfSquaredChord(double squaredChord) {
    return 2 * std::asin(std::fmin(1.0, std::sqrt(squaredChord) / 2));
}

}  // namespace vezuved_cli
