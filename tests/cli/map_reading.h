// A map file read by its extension: what was read, or why not, and what was said.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "conversion/records.h"
#include "files/failure.h"
#include "library_names.h"
#include "sets/number_text.h"

namespace vezuved_cli {

struct Reading {
    bool read = false;
    std::string failure;  // the message of a failed read
    std::vector<PointSet> sets;
    std::string err;
};

// Sets as "T 'Day': 1,2 /3,4^5@1000 'P'#Flag" (segment, metres, UTC ms, symbol).
inline std::string Summary(const std::vector<PointSet>& sets) {
    std::string text;
    for (const PointSet& set : sets) {
        if (!text.empty()) text += "; ";
        text += set.kind == VEZUVED_KIND_POINT ? "W" : set.kind == VEZUVED_KIND_ROUTE ? "R" : "T";
        if (set.kind != VEZUVED_KIND_POINT) text += " '" + set.title + "'";
        text += ":";
        for (const Point& point : set.points) {
            text += point.segmentStart ? " /" : " ";
            text += FormatShortest(*point.longitude) + "," + FormatShortest(*point.latitude);
            if (point.elevationMetres) text += "^" + FormatShortest(*point.elevationMetres);
            if (point.time) text += "@" + std::to_string(*point.time);
            if (!point.name.empty()) text += " '" + point.name + "'";
            if (point.description) text += " \"" + *point.description + "\"";
            if (!point.icon.empty()) text += "#" + point.icon;
        }
    }
    return text;
}

inline Reading ReadMap(const std::string& path, const std::string& name, bool strict) {
    // By extension, as the core chooses; a name without one is GeoJSON.
    const int32_t format =
        path.rfind('.') == std::string::npos ? VEZUVED_FORMAT_GEOJSON : VEZUVED_FORMAT_BY_EXTENSION;
    Reading reading;
    std::ostringstream err;
    try {
        for (LoadedPoints& loaded : ReadThroughCore(err, path, name, format, strict, true))
            reading.sets.push_back(std::move(loaded.set));
        reading.read = true;
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.status(), kExitFailure);
        reading.failure = failure.what();
    }
    reading.err = err.str();
    return reading;
}

}  // namespace vezuved_cli
