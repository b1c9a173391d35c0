#include "sets/point_extras.h"

#include <algorithm>

namespace vezuved::maps {
namespace {

constexpr PointExtraNames kNames[kPointExtraCount] = {
    {"magvar", "magvar", false},
    {"geoidheight", "geoidheight", false},
    {"cmt", "cmt", false},
    {"src", "src", false},
    {"type", "type", false},
    {"fix", "fix", false},
    {"sat", "sat", false},
    {"hdop", "hdop", false},
    {"vdop", "vdop", false},
    {"pdop", "pdop", false},
    {"ageofdgpsdata", "ageofdgpsdata", false},
    {"dgpsid", "dgpsid", false},
    {"atemp", "temperature", true},
    {"wtemp", "watertemperature", true},
    {"depth", "depth", true},
    {"hr", "heartrate", true},
    {"cad", "cadence", true},
    {"speed", "speed", true},
    {"course", "course", true},
};

}  // namespace

const PointExtraNames& NamesOf(PointExtra extra) { return kNames[static_cast<size_t>(extra)]; }

bool ExtraOfGpx(std::string_view local, bool sensor, PointExtra& extra) {
    for (size_t i = 0; i < kPointExtraCount; ++i) {
        if (kNames[i].sensor == sensor && local == kNames[i].gpx) {
            extra = static_cast<PointExtra>(i);
            return true;
        }
    }
    return false;
}

bool ExtraOfKml(std::string_view name, PointExtra& extra) {
    for (size_t i = 0; i < kPointExtraCount; ++i) {
        if (name == kNames[i].kml) {
            extra = static_cast<PointExtra>(i);
            return true;
        }
    }
    return false;
}

const std::string* PointExtras::Find(PointExtra extra) const {
    for (const auto& [which, text] : values) {
        if (which == extra) return &text;
    }
    return nullptr;
}

void PointExtras::Set(PointExtra extra, std::string text) {
    const auto at =
        std::lower_bound(values.begin(), values.end(), extra, [](const auto& value, PointExtra wanted) {
            return value.first < wanted;
        });
    if (at != values.end() && at->first == extra) {
        at->second = std::move(text);
    } else {
        values.insert(at, {extra, std::move(text)});
    }
}

std::optional<std::string> PointExtras::Take(PointExtra extra) {
    for (auto at = values.begin(); at != values.end(); ++at) {
        if (at->first != extra) continue;
        std::string text = std::move(at->second);
        values.erase(at);
        return text;
    }
    return std::nullopt;
}

}  // namespace vezuved::maps
