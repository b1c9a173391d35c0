#include "support/points.h"

#include "support/encoding.h"
#include "support/values.h"

namespace vezuved_cli {

Point MakePoint(const char* name, const char* latitude, const char* longitude,
                const char* elevation, const char* time, const char* icon,
                const char* description) {
    Point point;
    point.name = Cp1252ToUtf8(name);
    point.icon = Cp1252ToUtf8(icon);
    if (description != nullptr) point.description = Cp1252ToUtf8(description);
    point.latitude = ParseCoordinate(latitude);
    point.longitude = ParseCoordinate(longitude);
    point.elevationFeet = ParseNumber(elevation);
    if (point.elevationFeet) point.elevationMetres = *point.elevationFeet * kMetresPerFoot;
    point.time = RecordTime(time);
    return point;
}

std::string IsoTime(const Point& point) { return point.time ? FormatIsoTime(*point.time) : std::string(); }

bool HasValidPosition(const Point& point) {
    return point.latitude && point.longitude && *point.latitude >= -90.0 &&
           *point.latitude <= 90.0 && *point.longitude >= -180.0 && *point.longitude <= 180.0;
}

double NormalizedLongitude(double longitude) { return longitude >= 180.0 ? longitude - 360.0 : longitude; }

}  // namespace vezuved_cli
