#include "maps/svg_writer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "maps/line_walk.h"
#include "maps/xml_writer.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

constexpr double kWidth = 800;
constexpr double kMapHeight = 600;
constexpr double kMargin = 40;
constexpr double kProfileHeight = 200;
constexpr double kPi = 3.14159265358979323846;
constexpr double kEarthRadiusKm = 6371.0;

const char* const kTrackColour = "#d62728";
const char* const kRouteColour = "#1f77b4";
const char* const kPointColour = "#2ca02c";

std::string Pixel(double value) { return FormatFixed(value, 1); }

// Degrees to the canvas: longitude shrunk by the cosine of the middle
// latitude, north up, the whole extent centred in the map area.
struct Projection {
    double minLongitude = 0;
    double maxLatitude = 0;
    double xFactor = 1;
    double scale = 1;
    double left = kMargin;
    double top = kMargin;

    double X(const Point& point) const {
        return left + (NormalizedLongitude(*point.longitude) - minLongitude) * xFactor * scale;
    }
    double Y(const Point& point) const { return top + (maxLatitude - *point.latitude) * scale; }
};

Projection FitProjection(const std::vector<PointSet>& sets) {
    double minLon = 0, maxLon = 0, minLat = 0, maxLat = 0;
    bool first = true;
    for (const PointSet& set : sets) {
        for (const Point& point : set.points) {
            if (!HasValidPosition(point)) continue;
            const double lon = NormalizedLongitude(*point.longitude);
            const double lat = *point.latitude;
            minLon = first ? lon : std::min(minLon, lon);
            maxLon = first ? lon : std::max(maxLon, lon);
            minLat = first ? lat : std::min(minLat, lat);
            maxLat = first ? lat : std::max(maxLat, lat);
            first = false;
        }
    }
    Projection projection;
    projection.minLongitude = minLon;
    projection.maxLatitude = maxLat;
    // Near a pole the cosine vanishes; a floor keeps the picture finite.
    projection.xFactor = std::max(std::cos((minLat + maxLat) / 2 * kPi / 180), 0.01);
    const double width = (maxLon - minLon) * projection.xFactor;
    const double height = maxLat - minLat;
    const double roomX = kWidth - 2 * kMargin;
    const double roomY = kMapHeight - 2 * kMargin;
    if (width > 0 && height > 0) {
        projection.scale = std::min(roomX / width, roomY / height);
    } else if (width > 0) {
        projection.scale = roomX / width;
    } else if (height > 0) {
        projection.scale = roomY / height;
    }  // one place only: any scale, it lands in the middle
    projection.left = kMargin + (roomX - width * projection.scale) / 2;
    projection.top = kMargin + (roomY - height * projection.scale) / 2;
    return projection;
}

// "x,y x,y ..." with points that fall on the previous one's pixel left out,
// so a long track costs no more than the picture can show.
class PolylinePoints {
public:
    void Add(double x, double y) {
        std::string pair = Pixel(x) + ',' + Pixel(y);
        if (pair == last_) return;
        if (!text_.empty()) text_ += ' ';
        text_ += pair;
        last_ = std::move(pair);
        ++count_;
    }
    const std::string& text() const { return text_; }
    size_t count() const { return count_; }

private:
    std::string text_;
    std::string last_;
    size_t count_ = 0;
};

void DrawPoint(
    XmlWriter& xml, const Projection& projection, const Point& point, const char* colour, double radius) {
    const double x = projection.X(point), y = projection.Y(point);
    xml.Empty("circle",
              {{"cx", Pixel(x)},
               {"cy", Pixel(y)},
               {"r", Pixel(radius)},
               {"fill", colour},
               {"stroke", "#333333"},
               {"stroke-width", "0.5"}});
    if (point.name.empty()) return;
    // Names near the right edge go to the circle's left, inside the picture.
    if (x > kWidth - 150) {
        xml.Element(
            "text", {{"x", Pixel(x - radius - 3)}, {"y", Pixel(y + 4)}, {"text-anchor", "end"}}, point.name);
    } else {
        xml.Element("text", {{"x", Pixel(x + radius + 3)}, {"y", Pixel(y + 4)}}, point.name);
    }
}

// One polyline per segment: no stroke across the gap between two.
void DrawLine(XmlWriter& xml, const Projection& projection, const PointSet& set) {
    const bool route = set.kind == VEZUVED_KIND_ROUTE;
    auto draw = [&](const PolylinePoints& points) {
        std::vector<XmlWriter::Attribute> attributes = {{"points", points.text()},
                                                        {"fill", "none"},
                                                        {"stroke", route ? kRouteColour : kTrackColour},
                                                        {"stroke-width", route ? "2" : "2.5"},
                                                        {"stroke-linejoin", "round"}};
        if (route) attributes.emplace_back("stroke-dasharray", "8 5");
        xml.Empty("polyline", attributes);
    };
    PolylinePoints points;
    ForEachValidPoint(set, [&](const Point& point, bool startsSegment) {
        if (startsSegment) {
            draw(points);
            points = PolylinePoints();
        }
        points.Add(projection.X(point), projection.Y(point));
    });
    if (points.count() > 0) draw(points);
}

void DrawMap(XmlWriter& xml, const std::vector<PointSet>& sets) {
    const Projection projection = FitProjection(sets);
    xml.Empty("rect",
              {{"x", Pixel(kMargin / 2)},
               {"y", Pixel(kMargin / 2)},
               {"width", Pixel(kWidth - kMargin)},
               {"height", Pixel(kMapHeight - kMargin)},
               {"fill", "#f7f7f2"},
               {"stroke", "#bbbbbb"}});
    // Lines first, so every point and name stays on top of them.
    for (const PointSet& set : sets) {
        if (IsLine(set)) DrawLine(xml, projection, set);
    }
    for (const PointSet& set : sets) {
        const bool track = set.kind == VEZUVED_KIND_TRACK;
        size_t valid = 0;
        for (const Point& point : set.points) valid += HasValidPosition(point) ? 1 : 0;
        // A track's own points are many and unnamed as a rule: only its
        // ends are marked, unless it has a single one.
        if (track && valid > 1) {
            const Point* first = nullptr;
            const Point* last = nullptr;
            for (const Point& point : set.points) {
                if (!HasValidPosition(point)) continue;
                if (first == nullptr) first = &point;
                last = &point;
            }
            for (const Point* end : {first, last}) {
                xml.Empty("circle",
                          {{"cx", Pixel(projection.X(*end))},
                           {"cy", Pixel(projection.Y(*end))},
                           {"r", "3.5"},
                           {"fill", "#ffffff"},
                           {"stroke", kTrackColour},
                           {"stroke-width", "2"}});
            }
            continue;
        }
        const char* colour = track                            ? kTrackColour
                             : set.kind == VEZUVED_KIND_ROUTE ? kRouteColour
                                                              : kPointColour;
        for (const Point& point : set.points) {
            if (HasValidPosition(point)) DrawPoint(xml, projection, point, colour, IsLine(set) ? 3 : 4);
        }
    }
}

double DistanceKm(const Point& a, const Point& b) {
    const double lat1 = *a.latitude * kPi / 180, lat2 = *b.latitude * kPi / 180;
    const double dLat = lat2 - lat1, dLon = (*b.longitude - *a.longitude) * kPi / 180;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

struct ProfileSample {
    double distanceKm;
    double elevationMetres;
    bool startsSegment;  // the profile's line breaks here as the track does
};

// Elevation against distance along the track, over the valid positions.
std::vector<ProfileSample> ProfileOf(const PointSet& set) {
    std::vector<ProfileSample> samples;
    if (set.kind != VEZUVED_KIND_TRACK) return samples;
    const Point* previous = nullptr;
    double distance = 0;
    bool breaks = false;
    ForEachValidPoint(set, [&](const Point& point, bool startsSegment) {
        if (previous != nullptr) distance += DistanceKm(*previous, point);
        previous = &point;
        breaks = breaks || startsSegment;
        if (const auto metres = WrittenElevation(point)) {
            samples.push_back({distance, *metres, breaks && !samples.empty()});
            breaks = false;
        }
    });
    if (samples.size() < 2) samples.clear();
    return samples;
}

void DrawProfile(XmlWriter& xml, const PointSet& set, const std::vector<ProfileSample>& samples, double top) {
    const double left = kMargin + 65, right = kWidth - kMargin;
    const double plotTop = top + 30, plotBottom = top + kProfileHeight - 40;
    double low = samples[0].elevationMetres, high = low;
    for (const ProfileSample& sample : samples) {
        low = std::min(low, sample.elevationMetres);
        high = std::max(high, sample.elevationMetres);
    }
    const double length = samples.back().distanceKm;
    xml.Element("text",
                {{"x", Pixel(kMargin / 2)}, {"y", Pixel(top + 16)}, {"font-weight", "bold"}},
                "Elevation" + (set.title.empty() ? std::string() : " of " + set.title));
    xml.Empty("rect",
              {{"x", Pixel(left)},
               {"y", Pixel(plotTop)},
               {"width", Pixel(right - left)},
               {"height", Pixel(plotBottom - plotTop)},
               {"fill", "#f7f7f2"},
               {"stroke", "#bbbbbb"}});
    auto draw = [&](const PolylinePoints& points) {
        xml.Empty("polyline",
                  {{"points", points.text()},
                   {"fill", "none"},
                   {"stroke", kTrackColour},
                   {"stroke-width", "1.5"},
                   {"stroke-linejoin", "round"}});
    };
    PolylinePoints points;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i].startsSegment) {
            draw(points);
            points = PolylinePoints();
        }
        // No distance at all (every position the same): spread the samples evenly.
        const double along =
            length > 0 ? samples[i].distanceKm / length : double(i) / double(samples.size() - 1);
        // Halved first, so the widest range of doubles cannot overflow.
        const double up =
            high > low ? (samples[i].elevationMetres / 2 - low / 2) / (high / 2 - low / 2) : 0.5;
        points.Add(left + along * (right - left), plotBottom - up * (plotBottom - plotTop));
    }
    draw(points);
    xml.Element("text",
                {{"x", Pixel(left - 5)}, {"y", Pixel(plotTop + 4)}, {"text-anchor", "end"}},
                "max " + FormatFixed(high, 0) + " m");
    xml.Element("text",
                {{"x", Pixel(left - 5)}, {"y", Pixel(plotBottom + 4)}, {"text-anchor", "end"}},
                "min " + FormatFixed(low, 0) + " m");
    xml.Element("text", {{"x", Pixel(left)}, {"y", Pixel(plotBottom + 18)}}, "0 km");
    xml.Element("text",
                {{"x", Pixel(right)}, {"y", Pixel(plotBottom + 18)}, {"text-anchor", "end"}},
                FormatFixed(length, length < 10 ? 2 : 1) + " km");
}

}  // namespace

std::string PictureTitle(const std::vector<PointSet>& sets) {
    std::string title;
    for (const PointSet& set : sets) {
        if (set.title.empty()) continue;
        if (!title.empty()) title += ", ";
        title += set.title;
    }
    return title.empty() ? "Map" : title;
}

void DrawPicture(XmlWriter& xml, const std::vector<PointSet>& sets) {
    std::vector<std::pair<const PointSet*, std::vector<ProfileSample>>> profiles;
    for (const PointSet& set : sets) {
        std::vector<ProfileSample> samples = ProfileOf(set);
        if (!samples.empty()) profiles.emplace_back(&set, std::move(samples));
    }
    const std::string width = FormatFixed(kWidth, 0);
    const std::string height = FormatFixed(kMapHeight + kProfileHeight * double(profiles.size()), 0);
    xml.Open("svg",
             {{"xmlns", "http://www.w3.org/2000/svg"},
              {"width", width},
              {"height", height},
              {"viewBox", "0 0 " + width + " " + height},
              {"font-family", "sans-serif"},
              {"font-size", "12"}});
    xml.Element("title", PictureTitle(sets));
    xml.Empty("rect", {{"width", width}, {"height", height}, {"fill", "#ffffff"}});
    DrawMap(xml, sets);
    for (size_t i = 0; i < profiles.size(); ++i) {
        DrawProfile(xml, *profiles[i].first, profiles[i].second, kMapHeight + kProfileHeight * double(i));
    }
    xml.Close();
}

size_t DrawablePointCount(const std::vector<PointSet>& sets) {
    size_t count = 0;
    for (const PointSet& set : sets) {
        for (const Point& point : set.points) count += HasValidPosition(point) ? 1 : 0;
    }
    return count;
}

void WriteSvg(DocumentSink& sink, const std::vector<PointSet>& sets) {
    XmlWriter xml(sink);
    DrawPicture(xml, sets);
    xml.Finish();
}

}  // namespace vezuved::maps
