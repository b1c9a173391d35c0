#include "maps/line_walk.h"

#include <cmath>

namespace vezuved::maps {

bool IsLine(const PointSet& set) { return set.kind == VEZUVED_KIND_ROUTE || set.kind == VEZUVED_KIND_TRACK; }

std::optional<double> WrittenElevation(const Point& point) {
    if (point.elevationMetres && std::isfinite(*point.elevationMetres)) return point.elevationMetres;
    return std::nullopt;
}

std::string_view DescriptionOf(const Point& point) {
    return point.description ? std::string_view(*point.description) : std::string_view();
}

std::string_view PointText::Time(const Point& point) {
    return point.time ? std::string_view(text_, WriteIsoTime(*point.time, text_)) : std::string_view();
}

size_t WriteDegrees(double degrees, char* out) { return WriteShortestFixed(degrees, out); }

size_t WriteMetres(const Point& point, char* out) {
    const auto metres = WrittenElevation(point);
    if (!metres) return 0;
    if (point.elevationFeet && point.feetDecimals >= 0 && *metres == *point.elevationFeet * kMetresPerFoot) {
        return WriteMetresOfFeet(*metres, *point.elevationFeet, point.feetDecimals, out);
    }
    return WriteShortestFixed(*metres, out);
}

std::string_view PointText::Position(const Point& point, char separator) {
    size_t size = WriteDegrees(NormalizedLongitude(*point.longitude), text_);
    text_[size++] = separator;
    size += WriteDegrees(*point.latitude, text_ + size);
    if (WrittenElevation(point)) {
        text_[size++] = separator;
        size += WriteMetres(point, text_ + size);
    }
    return std::string_view(text_, size);
}

LineFacts ScanLine(const PointSet& set) {
    LineFacts facts;
    bool pending = false;
    ForEachPoint(set, [&](const Point& point) {
        pending = pending || point.segmentStart;
        if (!HasValidPosition(point)) return;
        if (facts.valid == 0 || pending) ++facts.segments;
        pending = false;
        ++facts.valid;
        const bool elevation = WrittenElevation(point).has_value();
        facts.someElevations = facts.someElevations || elevation;
        facts.someWithoutElevation = facts.someWithoutElevation || !elevation;
        facts.someTimes = facts.someTimes || point.time.has_value();
        facts.names = facts.names || !point.name.empty();
        facts.descriptions = facts.descriptions || !DescriptionOf(point).empty();
        facts.symbols = facts.symbols || !point.icon.empty();
        if (point.extras) {
            for (const auto& [extra, text] : point.extras->values)
                facts.extras |= 1u << static_cast<unsigned>(extra);
        }
    });
    return facts;
}

std::vector<LineFacts> ScanLines(const std::vector<PointSet>& sets) {
    std::vector<LineFacts> facts;
    facts.reserve(sets.size());
    for (const PointSet& set : sets) facts.push_back(ScanLine(set));
    return facts;
}

}  // namespace vezuved::maps
