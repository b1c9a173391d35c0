#include "sets/point_extras.h"

#include <algorithm>

namespace vezuved::maps {
namespace {

constexpr PointExtraNames kNames[kPointExtraCount] = {
    {"magvar", "magvar", GpxPlace::Point},
    {"geoidheight", "geoidheight", GpxPlace::Point},
    {"cmt", "cmt", GpxPlace::Point},
    {"src", "src", GpxPlace::Point},
    {"link", "link", GpxPlace::PointXml},
    {"type", "type", GpxPlace::Point},
    {"fix", "fix", GpxPlace::Point},
    {"sat", "sat", GpxPlace::Point},
    {"hdop", "hdop", GpxPlace::Point},
    {"vdop", "vdop", GpxPlace::Point},
    {"pdop", "pdop", GpxPlace::Point},
    {"ageofdgpsdata", "ageofdgpsdata", GpxPlace::Point},
    {"dgpsid", "dgpsid", GpxPlace::Point},
    {"folder", "folder", GpxPlace::None},
    {"timeEnd", "timeEnd", GpxPlace::None},
    {"atemp", "temperature", GpxPlace::Sensor},
    {"wtemp", "watertemperature", GpxPlace::Sensor},
    {"depth", "depth", GpxPlace::Sensor},
    {"hr", "heartrate", GpxPlace::Sensor},
    {"cad", "cadence", GpxPlace::Sensor},
    {"speed", "speed", GpxPlace::Sensor},
    {"course", "course", GpxPlace::Sensor},
    {"extensions", "extensions", GpxPlace::Extensions},
};

}  // namespace

const PointExtraNames& NamesOf(PointExtra extra) { return kNames[static_cast<size_t>(extra)]; }

namespace {

// The first value whose names match.
template <typename Matches>
bool FindExtra(Matches&& matches, PointExtra& extra) {
    for (size_t i = 0; i < kPointExtraCount; ++i) {
        if (!matches(kNames[i])) continue;
        extra = static_cast<PointExtra>(i);
        return true;
    }
    return false;
}

}  // namespace

bool ExtraOfGpx(std::string_view local, bool sensor, PointExtra& extra) {
    const GpxPlace place = sensor ? GpxPlace::Sensor : GpxPlace::Point;
    return FindExtra([&](const PointExtraNames& names) { return names.place == place && local == names.gpx; },
                     extra);
}

bool ExtraOfGeoJson(std::string_view key, PointExtra& extra) {
    return FindExtra([&](const PointExtraNames& names) { return key == names.gpx; }, extra);
}

bool ExtraOfKml(std::string_view name, PointExtra& extra) {
    return FindExtra([&](const PointExtraNames& names) { return name == names.kml; }, extra);
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
