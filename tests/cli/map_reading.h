// Reads a GPX, KML (KMZ) or GeoJSON file with the reader its extension
// names, as the map tests do: what was read, or why not, and what the
// reader printed on standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/map_input.h"
#include "support/failure.h"

namespace vezuved_cli {

struct Reading {
    bool read = false;
    std::string failure;  // the message of a failed read
    std::vector<PointSet> sets;
    std::string err;
};

inline Reading ReadMap(const std::string& path, const std::string& name, bool strict) {
    const std::string extension = path.substr(path.rfind('.'));
    const auto reader = extension == ".gpx" ? ReadGpx : extension == ".kml" || extension == ".kmz" ? ReadKml : ReadGeoJson;
    Reading reading;
    ::testing::internal::CaptureStderr();
    try {
        reading.sets = reader(path, name, strict);
        reading.read = true;
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.status(), kExitFailure);
        reading.failure = failure.what();
    }
    reading.err = ::testing::internal::GetCapturedStderr();
    return reading;
}

}  // namespace vezuved_cli
