#include "sets/points.h"

#include "sets/encoding.h"
#include "sets/number_text.h"

namespace vezuved::maps {

Point MakePoint(const char* name,
                const char* latitude,
                const char* longitude,
                const char* elevation,
                const char* time,
                const char* icon,
                const char* description) {
    Point point;
    point.name = Cp1252ToUtf8(name);
    point.icon = Cp1252ToUtf8(icon);
    if (description != nullptr) point.description = Cp1252ToUtf8(description);
    point.latitude = ParseCoordinate(latitude);
    point.longitude = ParseCoordinate(longitude);
    point.elevationFeet = ParseNumber(elevation);
    if (point.elevationFeet) {
        point.elevationMetres = *point.elevationFeet * kMetresPerFoot;
        point.feetDecimals = static_cast<int8_t>(DecimalsAsWritten(elevation, *point.elevationFeet));
    }
    point.time = RecordTime(time);
    return point;
}

std::string IsoTime(const Point& point) { return point.time ? FormatIsoTime(*point.time) : std::string(); }

namespace {

std::optional<double> ElevationMetres(const Point& point) {
    if (point.elevationMetres) return point.elevationMetres;
    if (point.elevationFeet) return *point.elevationFeet * kMetresPerFoot;
    return std::nullopt;
}

// NaN fails every comparison, so it is out of every range.
bool Within(double value, double bound) { return value >= -bound && value <= bound; }

}  // namespace

// The rule is PointFault's; an empty text costs no allocation.
bool HasValidPosition(const Point& point) { return PointFault(point).empty(); }

bool IsSaneElevation(double metres) { return Within(metres, kMostElevationMetres); }

std::string PointFault(const Point& point) {
    if (!point.latitude) return "no latitude";
    if (!Within(*point.latitude, 90.0))
        return "latitude " + FormatShortest(*point.latitude) + " is outside -90..90";
    if (!point.longitude) return "no longitude";
    if (!Within(*point.longitude, 180.0)) {
        return "longitude " + FormatShortest(*point.longitude) + " is outside -180..180";
    }
    const std::optional<double> elevation = ElevationMetres(point);
    if (elevation && !IsSaneElevation(*elevation)) {
        return "elevation " + FormatShortest(*elevation) + " m is beyond " +
               FormatFixed(kMostElevationMetres, 0) + " m";
    }
    return "";
}

double NormalizedLongitude(double longitude) { return longitude >= 180.0 ? longitude - 360.0 : longitude; }

}  // namespace vezuved::maps
