// The values of a point, route or track that the tool has no field of its
// own for, kept so that the map formats write them again: GPX's own
// (a comment, a fix's quality, its satellites) and a sensor's (heart rate,
// cadence, temperature). Each is a text as the file wrote it, so nothing
// goes to a number and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vezuved::maps {

// A point's values, in the order GPX's schema gives its elements, then
// KML's own that GPX has no place for, then those of Garmin's
// TrackPointExtension (v2), then the other extensions.
enum class PointExtra : uint8_t {
    MagneticVariation,
    GeoidHeight,
    Comment,
    Source,
    Link,  // GPX's <link> elements, as XML
    Type,
    Fix,
    Satellites,
    Hdop,
    Vdop,
    Pdop,
    DgpsAge,
    DgpsStation,
    Folder,   // the name of the KML Folder a waypoint stands in
    TimeEnd,  // the end of a waypoint's KML TimeSpan (its begin is its time)
    AirTemperature,
    WaterTemperature,
    Depth,
    HeartRate,
    Cadence,
    Speed,
    Course,
    Extensions,  // a GPX <extensions>'s other elements, as XML
};
constexpr size_t kPointExtraCount = 23;

// Where GPX keeps a value: as a point's own element, in a
// TrackPointExtension, as XML in its <extensions>, as its own elements kept
// as XML (links), or nowhere (KML's own).
enum class GpxPlace : uint8_t { Point, Sensor, Extensions, PointXml, None };

// How each format names a value: GPX's element (a TrackPointExtension's
// without its prefix; for KML's own, the same style of name), which is
// also the key of a GeoJSON property or list, and the name of a KML array
// (gpsbabel's and Google's where they have one).
struct PointExtraNames {
    const char* gpx;
    const char* kml;
    GpxPlace place;
    bool sensor() const { return place == GpxPlace::Sensor; }
};
const PointExtraNames& NamesOf(PointExtra extra);
// The value a GPX element (sensor: of a TrackPointExtension), a GeoJSON key
// or a KML array names; false when none.
bool ExtraOfGpx(std::string_view local, bool sensor, PointExtra& extra);
bool ExtraOfGeoJson(std::string_view key, PointExtra& extra);
bool ExtraOfKml(std::string_view name, PointExtra& extra);

struct PointExtras {
    std::vector<std::pair<PointExtra, std::string>> values;  // in PointExtra's order
    const std::string* Find(PointExtra extra) const;
    // Sets a value, keeping the order.
    void Set(PointExtra extra, std::string text);
    // Removes a value and gives it; none when there was none.
    std::optional<std::string> Take(PointExtra extra);
};

// Shared between the copies of a point, never changed once read.
using SharedExtras = std::shared_ptr<const PointExtras>;

// A route's or track's texts and a file's description, by GPX's names:
// "desc", "cmt", "src", "type", "number" for the line; "metadata:desc",
// "metadata:author", "metadata:keywords", "metadata:time" for the file
// (kept on its first set).
using SetExtras = std::vector<std::pair<std::string, std::string>>;

}  // namespace vezuved::maps
