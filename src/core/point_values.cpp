#include "core/point_values.h"

#include <cmath>

#include "core/core_failure.h"
#include "maps/set_collector.h"
#include "sets/encoding.h"
#include "sets/number_text.h"

namespace vezuved::core {

vezuved_point PublicPoint(const maps::Point& point) {
    vezuved_point out{};
    out.latitude = point.latitude.value_or(0.0);
    out.longitude = point.longitude.value_or(0.0);
    if (point.elevationMetres) {
        out.has_elevation = 1;
        out.elevation = *point.elevationMetres;
    } else if (point.elevationFeet) {
        out.has_elevation = 1;
        out.elevation = *point.elevationFeet * maps::kMetresPerFoot;
    }
    if (point.time) {
        out.has_time = 1;
        out.time = *point.time;
    }
    out.segment_start = point.segmentStart ? 1 : 0;
    out.name = point.name.c_str();
    out.description = point.description ? point.description->c_str() : nullptr;
    out.symbol = point.icon.c_str();
    return out;
}

std::string CheckedText(const char* text, const char* what) {
    if (text == nullptr) return std::string();
    std::string checked(text);
    if (maps::FindInvalidUtf8(checked) != std::string::npos) {
        FailCore(VEZUVED_ERROR_ARGUMENT, std::string(what) + " is no UTF-8 text");
    }
    return checked;
}

maps::Point PointFromPublic(const vezuved_point& given) {
    maps::Point point;
    point.latitude = given.latitude;
    point.longitude = given.longitude;
    if (given.has_elevation != 0) maps::SetElevation(point, given.elevation);
    if (given.has_time != 0) {
        // Years 0000 to 9999, the ones an ISO 8601 time and a record write.
        constexpr int64_t kFirst = -62167219200000;
        constexpr int64_t kLast = 253402300799999;
        if (given.time < kFirst || given.time > kLast) {
            FailCore(VEZUVED_ERROR_ARGUMENT,
                     "the point is refused: time " + std::to_string(given.time) +
                         " ms lies outside the years 0000 to 9999");
        }
        point.time = given.time;
    }
    point.segmentStart = given.segment_start != 0;
    point.name = CheckedText(given.name, "the point's name");
    if (given.description != nullptr)
        point.description = CheckedText(given.description, "the point's description");
    point.icon = CheckedText(given.symbol, "the point's symbol");
    // The one rule every reader keeps: what a collection holds, any writer takes.
    const std::string fault = maps::PointFault(point);
    if (!fault.empty()) FailCore(VEZUVED_ERROR_ARGUMENT, "the point is refused: " + fault);
    return point;
}

}  // namespace vezuved::core
