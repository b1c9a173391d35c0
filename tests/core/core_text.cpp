#include "core_text.h"

#include <charconv>

namespace core_test {
namespace {

std::string WithoutFolder(std::string text, const std::string& folder) {
    for (size_t at = text.find(folder); !folder.empty() && at != std::string::npos;
         at = text.find(folder, at)) {
        text.replace(at, folder.size(), "DIR");
    }
    return text;
}

}  // namespace

std::string Shortest(double value) {
    char text[64];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ptr);
}

std::string Summary(const vezuved_collection* collection) {
    std::string text;
    for (int32_t set = 0; set < vezuved_set_count(collection); ++set) {
        const int32_t kind = vezuved_set_kind(collection, set);
        text += kind == VEZUVED_SET_WAYPOINTS ? "W" : kind == VEZUVED_SET_ROUTE ? "R" : "T";
        text += std::string(" '") + vezuved_set_name(collection, set) + "' " +
                std::to_string(vezuved_set_point_count(collection, set)) + ":";
        for (int64_t i = 0; i < vezuved_set_point_count(collection, set); ++i) {
            vezuved_point point{};
            if (vezuved_get_point(collection, set, i, &point) != VEZUVED_OK)
                return text + " <unreadable point>";
            text += point.segment_start != 0 ? " /" : " ";
            text += Shortest(point.longitude) + "," + Shortest(point.latitude);
            if (point.has_elevation != 0) text += "^" + Shortest(point.elevation);
            if (point.has_time != 0) text += "@" + std::to_string(point.time);
            if (point.name[0] != '\0') text += std::string(" '") + point.name + "'";
            if (point.description != nullptr) text += std::string(" \"") + point.description + "\"";
            if (point.symbol[0] != '\0') text += std::string(" #") + point.symbol;
        }
        text += "\n";
    }
    return text;
}

std::string Warnings(const vezuved_collection* collection, const std::string& folder) {
    std::string text;
    for (int32_t i = 0; i < vezuved_warning_count(collection); ++i) {
        vezuved_warning warning{};
        if (vezuved_get_warning(collection, i, &warning) != VEZUVED_OK)
            return text + "<unreadable warning>\n";
        text += std::to_string(warning.line) + " " + WithoutFolder(warning.message, folder) + "\n";
    }
    return text;
}

std::string Message(const vezuved_collection* collection, const std::string& folder) {
    return WithoutFolder(vezuved_error_message(collection), folder);
}

}  // namespace core_test
