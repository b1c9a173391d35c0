// A point between the public struct and the sets: read out as it is held,
// and taken in only when every value is one the writers can keep.
#pragma once

#include <string>

#include "sets/points.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {

// The point as the public struct; its texts point into the held point.
vezuved_point PublicPoint(const maps::Point& point);

// The caller's point as held. Fails (VEZUVED_ERROR_ARGUMENT) for a
// position outside -90..90 and -180..180, a number that is not finite, an
// elevation beyond 100 km, or a text that is no UTF-8.
maps::Point PointFromPublic(const vezuved_point& point);

// A caller's text: "" for null; fails when it is no UTF-8, naming what.
std::string CheckedText(const char* text, const char* what);

}  // namespace vezuved::core
