// Checking the values of a text line before the library reads it: the
// library reads any text as a number (a latitude 'abc' becomes 0.0), so a
// mistyped value would silently put a point in the wrong place.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/text_layout.h"
#include "values/record_fitting.h"

namespace vezuved_cli {

struct BadValue {
    int column = 0;       // counted from 1
    std::string problem;  // in UTF-8: "'abc' is not a latitude", "the latitude is empty"
};

// The first value of a record line that its column cannot hold; none when
// the line is fine or its layout reads no values (whole-line layouts, or a
// line the Garmin layout does not take). The position is required: an
// empty or missing latitude or longitude is as bad as an unreadable one,
// and so is an elevation the rule of HasValidPosition refuses.
// With fitting, also notes what fitting the line's name, symbol and
// description into a database record would change.
std::optional<BadValue> FindBadValue(const std::string& line,
                                     const TextLayout& layout,
                                     FittingReport* fitting = nullptr);

// Column column (from 0) of a line, split at separator outside double
// quotes, quotes dropped.
std::string LineColumn(const std::string& line, int column, char separator);

// Whether the Garmin layout takes the line: its first column is "WAYPOINT".
bool IsGarminWaypointLine(const std::string& line);

// Splits a Garmin position ("N45 24.158 W121 39.263", or two decimal
// numbers "45.4026 -121.6544") into its latitude and longitude texts.
bool SplitGarminPosition(const std::string& position, std::string& latitude, std::string& longitude);

}  // namespace vezuved_cli
