// Reading the filters' option values into steps.
#include <cctype>

#include <vezuved/vezuved_core.h>

#include "files/failure.h"
#include "filters/filters.h"
#include "values/numbers.h"

namespace vezuved_cli {
namespace {

// A number followed by one of the units, each with its factor; none when the text is no such thing.
std::optional<double> Measure(const std::string& text,
                              std::initializer_list<std::pair<const char*, double>> units) {
    size_t split = text.size();
    while (split > 0 && std::isalpha(static_cast<unsigned char>(text[split - 1]))) --split;
    const std::string unit = text.substr(split);
    for (const auto& [name, factor] : units) {
        if (unit != name) continue;
        const std::optional<double> number = ParseNumber(text.substr(0, split));
        if (!number || !(*number > 0) || *number > 1e12) return std::nullopt;
        return *number * factor;
    }
    return std::nullopt;
}

std::optional<double> Metres(const std::string& text) { return Measure(text, {{"m", 1.0}, {"km", 1000.0}}); }

std::optional<size_t> Count(const std::string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    size_t count = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        count = count * 10 + static_cast<size_t>(c - '0');
    }
    return count;
}

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
    const std::string head = prefix;
    if (text.compare(0, head.size(), head) != 0) return false;
    rest = text.substr(head.size());
    return true;
}

// One end of a time window; a date alone at the upper end means the whole day.
std::optional<int64_t> WindowEnd(const std::string& text, bool upper, const std::string& option) {
    if (text.empty()) return std::nullopt;
    vezuved_iso_time moment{};
    if (vezuved_read_iso_time(text.c_str(), &moment) != VEZUVED_OK || !moment.has_date) {
        FailUsage(option + ": '" + text + "' is no ISO 8601 date and time (2021-08-14T10:15:00Z)");
    }
    constexpr int64_t kDay = 86400000;
    return upper && !moment.has_time ? moment.time + kDay - 1 : moment.time;
}

void ReadCrop(FilterStep& step, const std::string& value) {
    std::string rest;
    if (StartsWith(value, "time=", rest)) {
        const size_t dots = rest.find("..");
        if (dots == std::string::npos) {
            FailUsage(step.text + ": say time=FROM..TO, either end open (time=2021-08-14T08:00Z..)");
        }
        step.from = WindowEnd(rest.substr(0, dots), false, step.text);
        step.to = WindowEnd(rest.substr(dots + 2), true, step.text);
        if (step.from && step.to && *step.from > *step.to)
            FailUsage(step.text + ": the window ends before it begins");
        return;
    }
    if (StartsWith(value, "box=", rest)) {
        double edges[4];
        size_t at = 0;
        for (int i = 0; i < 4; ++i) {
            const size_t comma = i < 3 ? rest.find(',', at) : rest.size();
            const std::optional<double> edge =
                comma == std::string::npos ? std::nullopt : ParseNumber(rest.substr(at, comma - at));
            if (!edge)
                FailUsage(step.text + ": say box=SOUTH,WEST,NORTH,EAST in degrees (box=45.1,6.2,45.3,6.5)");
            edges[i] = *edge;
            at = comma + 1;
        }
        const GeoBox box{edges[0], edges[1], edges[2], edges[3]};
        if (!(box.south >= -90 && box.north <= 90 && box.south <= box.north && box.west >= -180 &&
              box.west <= 180 && box.east >= -180 && box.east <= 180)) {
            FailUsage(step.text +
                      ": the south edge must be at most the north one, latitudes within -90..90 and "
                      "longitudes within -180..180");
        }
        step.box = box;
        return;
    }
    FailUsage(step.text + ": say time=FROM..TO or box=SOUTH,WEST,NORTH,EAST");
}

void ReadSplit(FilterStep& step, const std::string& value) {
    std::string rest;
    if (value == "day") {
        step.splitBy = SplitBy::Day;
    } else if (StartsWith(value, "gap=", rest)) {
        const std::optional<double> seconds = Measure(rest, {{"s", 1.0}, {"min", 60.0}, {"h", 3600.0}});
        if (!seconds) FailUsage(step.text + ": say the gap with its unit: 30s, 10min, 2h");
        step.splitBy = SplitBy::Gap;
        step.gapMillis = static_cast<int64_t>(*seconds * 1000.0 + 0.5);
    } else if (StartsWith(value, "distance=", rest)) {
        const std::optional<double> metres = Metres(rest);
        if (!metres) FailUsage(step.text + ": say the distance with its unit: 500m, 2km");
        step.splitBy = SplitBy::Distance;
        step.distanceMetres = *metres;
    } else {
        FailUsage(step.text + ": say gap=10min, distance=500m or day");
    }
}

}  // namespace

bool FilterPlan::Splits() const {
    for (const FilterStep& step : steps) {
        if (step.kind == FilterKind::Split) return true;
    }
    return false;
}

FilterStep ParseFilterStep(const std::string& option, const std::string& value) {
    FilterStep step;
    step.text = "--" + option + (value.empty() ? "" : " " + value);
    if (option == "simplify") {
        step.kind = FilterKind::Simplify;
        if (const std::optional<size_t> count = Count(value)) {
            if (*count < 2) FailUsage(step.text + ": a route or track keeps at least its 2 ends");
            step.count = *count;
        } else if (const std::optional<double> metres = Metres(value)) {
            step.errorMetres = *metres;
        } else {
            FailUsage(step.text + ": say a point count (500) or an error distance (10m, 0.5km)");
        }
    } else if (option == "fit") {
        step.kind = FilterKind::Fit;
        const std::optional<size_t> count = value == "pdb" ? kDatabasePointLimit : Count(value);
        if (!count || *count < 2) FailUsage(step.text + ": say a point count of at least 2, or pdb (65535)");
        step.count = *count;
    } else if (option == "split") {
        step.kind = FilterKind::Split;
        ReadSplit(step, value);
    } else if (option == "crop") {
        step.kind = FilterKind::Crop;
        ReadCrop(step, value);
    } else if (option == "merge") {
        step.kind = FilterKind::Merge;
    } else {
        FailUsage("--" + option + " is no filter");
    }
    return step;
}

}  // namespace vezuved_cli
