#include "filters/geodesy.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

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

void VectorBox::Add(const UnitVector& p) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
}

void VectorBox::Add(const VectorBox& other) {
    if (other.Empty()) return;
    Add(other.low);
    Add(other.high);
}

namespace {

// The least and most of v.p over the box: a linear function is at its
// extremes in the box's corners.
std::pair<double, double> Extremes(const VectorBox& box, const UnitVector& v) {
    double least = 0, most = 0;
    for (const auto& [c, lo, hi] : {std::tuple{v.x, box.low.x, box.high.x},
                                    std::tuple{v.y, box.low.y, box.high.y},
                                    std::tuple{v.z, box.low.z, box.high.z}}) {
        least += std::min(c * lo, c * hi);
        most += std::max(c * lo, c * hi);
    }
    return {least, most};
}

// The farthest the box reaches from a, as a chord.
double Reach(const VectorBox& box, const UnitVector& a) {
    const double x = std::max(std::abs(box.low.x - a.x), std::abs(box.high.x - a.x));
    const double y = std::max(std::abs(box.low.y - a.y), std::abs(box.high.y - a.y));
    const double z = std::max(std::abs(box.low.z - a.z), std::abs(box.high.z - a.z));
    return std::sqrt(x * x + y * y + z * z);
}

// A few units in 1e-16 is what a product of unit vectors may be off by:
// the bounds keep well clear of it.
constexpr double kRounding = 1e-15;

}  // namespace

double ArcGauge::MostSquaredChord(const VectorBox& box) const {
    const auto squared = [](double chord) { return chord * chord * (1 + 1e-12); };
    const double ends = squared(std::min(Reach(box, a_), Reach(box, b_)) + kRounding);
    if (point_) return ends;
    const auto [lowSine, highSine] = Extremes(box, normal_);
    const double sine = std::max(std::abs(lowSine), std::abs(highSine)) + kRounding;
    const double sine2 = std::min(1.0, sine * sine);
    const double over = 2 * sine2 / (1 + std::sqrt(1 - sine2)) * (1 + 1e-12);
    // Wholly over the arc, the great circle alone decides.
    if (Extremes(box, pastA_).first >= kRounding && Extremes(box, pastB_).first >= kRounding) return over;
    return std::max(over, ends);
}

double AngleOfSquaredChord(double squaredChord) {
    return 2 * std::asin(std::fmin(1.0, std::sqrt(squaredChord) / 2));
}

}  // namespace vezuved_cli
