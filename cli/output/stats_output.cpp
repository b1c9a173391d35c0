#include "output/stats_output.h"

#include <cstdio>
#include <utility>

#include "output/json_text.h"
#include "values/numbers.h"
#include "values/options.h"

namespace vezuved_cli {
namespace {

bool IsLine(const TrackStats& stats) {
    return stats.kind == VEZUVED_KIND_TRACK || stats.kind == VEZUVED_KIND_ROUTE;
}

std::string Kilometres(double metres) { return FormatFixed(metres / 1000.0, 3) + " km"; }

// "3:05:09": hours, minutes, seconds.
std::string Clock(int64_t millis) {
    const int64_t seconds = (millis + 500) / 1000;
    char text[40];
    std::snprintf(text,
                  sizeof text,
                  "%lld:%02d:%02d",
                  static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
    return text;
}

// As --crop box= takes it: south,west,north,east.
std::string BoxText(const std::optional<GeoBox>& box) {
    if (!box) return "-";
    return FormatFixed(box->south, 7) + "," + FormatFixed(box->west, 7) + "," + FormatFixed(box->north, 7) +
           "," + FormatFixed(box->east, 7);
}

std::vector<std::pair<std::string, std::string>> Rows(const TrackStats& stats) {
    std::vector<std::pair<std::string, std::string>> rows = {{"points", std::to_string(stats.points)}};
    if (IsLine(stats)) {
        rows.insert(rows.end(),
                    {{"segments", std::to_string(stats.segments)},
                     {"distance", Kilometres(stats.distance2d)},
                     {"distance 3-D", Kilometres(stats.distance3d)},
                     {"ascent", FormatFixed(stats.ascent, 0) + " m"},
                     {"descent", FormatFixed(stats.descent, 0) + " m"},
                     {"start", stats.start ? IsoTimeText(*stats.start) : "-"},
                     {"end", stats.end ? IsoTimeText(*stats.end) : "-"},
                     {"duration", Clock(stats.durationMillis)},
                     {"moving time", Clock(stats.movingMillis)},
                     {"average speed", FormatFixed(stats.averageKmPerHour, 1) + " km/h"},
                     {"maximum speed", FormatFixed(stats.maximumKmPerHour, 1) + " km/h"}});
    }
    rows.emplace_back("box", BoxText(stats.box));
    return rows;
}

std::string SetName(const TrackStats& stats) { return KindText(stats.kind) + " '" + stats.title + "'"; }

}  // namespace

std::string StatsText(const std::vector<TrackStats>& stats) {
    std::string text;
    for (size_t i = 0; i < stats.size(); ++i) {
        text += (i ? "\n" : "") + SetName(stats[i]) + "\n";
        for (const auto& [label, value] : Rows(stats[i])) {
            text += "  " + label + std::string(16 - label.size(), ' ') + value + "\n";
        }
    }
    return text;
}

std::string StatsJson(const std::vector<TrackStats>& stats) {
    return JsonText([&](JsonWriter& json) {
        json.BeginArray();
        for (const TrackStats& set : stats) {
            json.BeginObject();
            json.Key("title");
            json.String(set.title);
            json.Key("kind");
            json.String(KindText(set.kind));
            json.Key("points");
            json.RawNumber(std::to_string(set.points));
            if (IsLine(set)) {
                const std::pair<const char*, std::string> figures[] = {
                    {"segments", std::to_string(set.segments)},
                    {"distanceMetres", FormatFixed(set.distance2d, 1)},
                    {"distance3dMetres", FormatFixed(set.distance3d, 1)},
                    {"ascentMetres", FormatFixed(set.ascent, 1)},
                    {"descentMetres", FormatFixed(set.descent, 1)},
                    {"durationSeconds", FormatFixed(static_cast<double>(set.durationMillis) / 1000.0, 3)},
                    {"movingSeconds", FormatFixed(static_cast<double>(set.movingMillis) / 1000.0, 3)},
                    {"averageKmPerHour", FormatFixed(set.averageKmPerHour, 2)},
                    {"maximumKmPerHour", FormatFixed(set.maximumKmPerHour, 2)}};
                for (const auto& [key, value] : figures) {
                    json.Key(key);
                    json.RawNumber(value);
                }
                for (const auto& [key, time] : {std::pair{"start", set.start}, std::pair{"end", set.end}}) {
                    json.Key(key);
                    json.StringOrNull(time ? std::optional<std::string>(IsoTimeText(*time)) : std::nullopt);
                }
            }
            json.Key("box");
            if (set.box) {
                json.BeginObject();
                const std::pair<const char*, double> edges[] = {{"south", set.box->south},
                                                                {"west", set.box->west},
                                                                {"north", set.box->north},
                                                                {"east", set.box->east}};
                for (const auto& [key, value] : edges) {
                    json.Key(key);
                    json.RawNumber(FormatFixed(value, 7));
                }
                json.EndObject();
            } else {
                json.Null();
            }
            json.EndObject();
        }
        json.EndArray();
    });
}

std::vector<std::vector<std::string>> StatsTable(const std::vector<TrackStats>& stats) {
    std::vector<std::vector<std::string>> table;
    if (stats.empty()) return table;
    // The columns of a route or track; waypoints fill the ones they have.
    TrackStats line;
    line.kind = VEZUVED_KIND_TRACK;
    const auto columns = Rows(line);
    table.emplace_back(1, std::string());
    for (const auto& column : columns) table.back().push_back(column.first);
    for (const TrackStats& set : stats) {
        const auto rows = Rows(set);
        table.emplace_back(1, SetName(set));
        for (const auto& column : columns) {
            std::string value;
            for (const auto& row : rows) {
                if (row.first == column.first) value = row.second;
            }
            table.back().push_back(value);
        }
    }
    return table;
}

}  // namespace vezuved_cli
