// Distances between points: on the WGS-84 ellipsoid (Karney's geodesics,
// GeographicLib) where a figure is reported, and on a sphere of the
// Earth's mean radius where only an error bound is wanted.
#pragma once

#include <string>

namespace vezuved_cli {

// Whether this build has the ellipsoid's geodesics (a cross build may lack
// GeographicLib).
bool HaveEllipsoidDistances();
// Fails (exit 1) with a sentence naming what needs them when the build lacks them.
void RequireEllipsoidDistances(const std::string& what);

// Metres along the WGS-84 geodesic between two points in degrees.
double EllipsoidDistance(double latitude1, double longitude1, double latitude2, double longitude2);

// The Earth's mean radius (IUGG), for the spherical error bounds.
constexpr double kMeanEarthRadiusMetres = 6371008.8;

// A point on the unit sphere, for angles between points and great circles.
struct UnitVector {
    double x = 0, y = 0, z = 0;
};
UnitVector ToUnitVector(double latitude, double longitude);

// How far points lie from the shortest great circle arc from a to b (from
// its nearer end when a point lies beyond one), as the squared chord to the
// arc's nearest point: a few products per point, growing with the angle,
// and exact for the tiny angles of GPS jitter. Many points are measured
// against one arc, so what depends on the arc alone is worked out once.
// The box of space that holds some points of the sphere, side by side with the axes.
struct VectorBox {
    UnitVector low{2, 2, 2}, high{-2, -2, -2};  // empty
    bool Empty() const { return low.x > high.x; }
    void Add(const UnitVector& p);
    void Add(const VectorBox& other);
};

class ArcGauge {
public:
    ArcGauge(const UnitVector& a, const UnitVector& b);
    double SquaredChord(const UnitVector& p) const;
    // At least the SquaredChord of every point of the sphere inside the
    // box, with room for rounding: a box whose bound is below a point's
    // chord holds no point farther.
    double MostSquaredChord(const VectorBox& box) const;

private:
    UnitVector a_, b_, normal_, pastA_, pastB_;
    bool point_ = false;  // a and b one place (a closed loop): no one great circle
};

// The angle (radians) a squared chord stands for.
double AngleOfSquaredChord(double squaredChord);

}  // namespace vezuved_cli
