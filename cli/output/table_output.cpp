#include "output/table_output.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "output/json_text.h"
#include "values/numbers.h"

namespace vezuved_cli {
namespace {

const std::vector<std::string> kHeader = {
    "name", "latitude", "longitude", "elevation_ft", "time", "icon", "description"};

// Seven decimals, as the record's own texts carry them. A value that is no
// finite number (an elevation in metres too large for feet) is blank, never
// "inf".
std::string NumberCell(const std::optional<double>& value) {
    return value && std::isfinite(*value) ? FormatFixed(*value, 7) : "";
}

// Says once per set how many elevations had no finite value in feet.
void WarnAboutElevations(std::ostream& err, const PointSet& set) {
    size_t blank = 0;
    for (const Point& point : set.points)
        blank += point.elevationFeet && !std::isfinite(*point.elevationFeet);
    if (blank > 0) {
        err << "vezuved: " << blank << " elevation(s) of '" << set.title
            << "' are too large to give in feet and are left blank\n";
    }
}

std::vector<std::string> Cells(const Point& point) {
    return {point.name,
            NumberCell(point.latitude),
            NumberCell(point.longitude),
            NumberCell(point.elevationFeet),
            IsoTime(point),
            point.icon,
            point.description.value_or("")};
}

// A table cell stays on one line.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    return text;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Characters, not bytes, for aligning columns: every character of UTF-8
// has one byte that is no continuation byte (10xxxxxx).
size_t Utf8Length(const std::string& text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

std::string AlignColumns(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Utf8Length(row[c]));
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line.append(widths[c] - Utf8Length(row[c]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

std::string WriteTable(std::ostream& err, const PointSet& set) {
    WarnAboutElevations(err, set);
    std::vector<std::vector<std::string>> rows = {kHeader};
    for (const Point& point : set.points) {
        std::vector<std::string> cells = Cells(point);
        for (std::string& cell : cells) cell = OneLine(std::move(cell));
        rows.push_back(std::move(cells));
    }
    return AlignColumns(rows);
}

std::string WriteCsv(std::ostream& err, const PointSet& set) {
    WarnAboutElevations(err, set);
    std::string out;
    auto writeRow = [&out](const std::vector<std::string>& cells) {
        for (size_t c = 0; c < cells.size(); ++c) {
            if (c > 0) out += ',';
            out += CsvField(cells[c]);
        }
        out += "\r\n";
    };
    writeRow(kHeader);
    for (const Point& point : set.points) writeRow(Cells(point));
    return out;
}

std::string WritePointsJson(std::ostream& err, const PointSet& set) {
    WarnAboutElevations(err, set);
    return JsonText([&set](JsonWriter& json) {
        json.BeginObject();
        json.Key("title");
        json.String(set.title);
        json.Key("kind");
        json.String(set.kind == VEZUVED_KIND_ROUTE   ? "route"
                    : set.kind == VEZUVED_KIND_TRACK ? "track"
                                                     : "points");
        json.Key("points");
        json.BeginArray();
        for (const Point& point : set.points) {
            json.BeginObject();
            json.Key("name");
            json.String(point.name);
            for (const auto& [key, value] : {std::pair{"latitude", point.latitude},
                                             std::pair{"longitude", point.longitude},
                                             std::pair{"elevation_ft", point.elevationFeet}}) {
                json.Key(key);
                json.NumberOrNull(value);
            }
            json.Key("time");
            json.StringOrNull(point.time ? std::optional<std::string>(IsoTime(point)) : std::nullopt);
            json.Key("icon");
            json.String(point.icon);
            json.Key("description");
            json.StringOrNull(point.description);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    });
}

}  // namespace vezuved_cli
