#include "conversion/text_values.h"

#include <algorithm>
#include <cstring>

#include "api/tool_api.h"
#include "base/ascii.h"
#include "values/encoding.h"
#include "values/points.h"
#include "values/values.h"

using namespace vezuved;

namespace vezuved_cli {
namespace tool = vezuved::tool;
namespace {

constexpr char kGarminSeparator = '\t';
constexpr int kGarminPositionColumn = 4;
constexpr int kGarminAltitudeColumn = 5;

std::string Trimmed(std::string text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool HasDigit(const std::string& text) { return text.find_first_of("0123456789") != std::string::npos; }

// Digits, signs, points, spaces and the marks of degrees, minutes and
// seconds, after an optional hemisphere letter; not empty.
bool IsCoordinate(const std::string& raw, uint16_t locFormat, bool latitude) {
    const std::string text = Trimmed(raw);
    if (text.empty()) return false;
    if (locFormat == tool::kLocComp) return text.find_first_not_of("0123456789") == std::string::npos;
    size_t start = 0;
    const char first = AsciiLower(text[0]);
    if (first == 'n' || first == 's' || first == 'e' || first == 'w') start = 1;
    if (!HasDigit(text) || text.find_first_not_of("0123456789.+- \xB0'\"", start) != std::string::npos) {
        return false;
    }
    const double value =
        latitude ? tool::ReadLatitude(text, locFormat) : tool::ReadLongitude(text, locFormat);
    return latitude ? value >= -90.0 && value <= 90.0 : value >= -180.0 && value <= 180.0;
}

std::string Quoted(const std::string& text) { return "'" + Cp1252ToUtf8(Trimmed(text)) + "'"; }

// Why an elevation in the layout's unit is refused; empty when it is not.
std::string ElevationProblem(const std::string& text, bool metres) {
    if (Trimmed(text).empty()) return "";
    const auto value = ParseNumber(text);
    if (!value) return Quoted(text) + " is not an elevation";
    if (!IsSaneElevation(metres ? *value : *value * kMetresPerFoot)) {
        return Quoted(text) + " is no elevation: beyond " + FormatFixed(kMostElevationMetres, 0) + " m";
    }
    return "";
}

bool IsTimePart(const std::string& raw) {
    const std::string text = Trimmed(raw);
    return text.empty() ||
           (HasDigit(text) && text.find_first_not_of("0123456789 .:-_+=/\\|~?") == std::string::npos);
}

// The time the library makes of the two texts is a real date and time.
bool IsTime(const std::string& time, const std::string& date, bool hasDate) {
    std::string joined = Trimmed(time);
    if (hasDate) joined += " " + Trimmed(date);
    joined = Trimmed(joined);
    if (joined.empty()) return true;
    return RecordTime(tool::NormalizedTime(joined)).has_value();
}

struct Columns {
    std::vector<std::string> texts;  // by TextField; empty when the layout has no such column
    std::vector<int> numbers;        // counted from 0, -1 for none
    std::vector<bool> present;       // the line reaches the column
};

// The columns of a line cut at separator outside double quotes.
int ColumnsOfLine(const std::string& line, unsigned char separator) {
    int count = 1;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        const bool cuts =
            separator == tool::kRecordSeparators ? c == ',' || c == '*' : c == static_cast<char>(separator);
        if (cuts && !quoted) ++count;
    }
    return count;
}

// The fixed layout's column c, cut by the widths list.
Columns FixedColumns(const std::string& line, const TextLayout& layout) {
    Columns columns{std::vector<std::string>(8), std::vector<int>(8, -1), std::vector<bool>(8, false)};
    size_t position = 0;
    for (int c = 0;; ++c) {
        const std::string entry = LineColumn(layout.fieldWidths, c, ',');
        if (entry.empty()) break;
        const auto width = ParseNumber(entry);
        // A width beyond the line reads to its end.
        const size_t w =
            width && *width > 0 ? static_cast<size_t>(std::min(*width, double(line.size() + 1))) : 0;
        for (int field = kLatitude; field <= kDesc; ++field) {
            if (layout.columns[field] != c) continue;
            columns.texts[field] = position < line.size() ? line.substr(position, w) : "";
            columns.numbers[field] = c;
            columns.present[field] = position < line.size();
            break;
        }
        position += w;
    }
    return columns;
}

Columns SeparatedColumns(const std::string& line, const TextLayout& layout, bool recordLine) {
    Columns columns{std::vector<std::string>(8), std::vector<int>(8, -1), std::vector<bool>(8, false)};
    const unsigned char separator = recordLine ? tool::kRecordSeparators : layout.delimiter;
    const int count = ColumnsOfLine(line, separator);
    for (int field = kLatitude; field <= kDate; ++field) {
        const int column = recordLine ? (field <= kDesc ? field : -1) : layout.columns[field];
        if (column < 0) continue;
        columns.texts[field] = tool::ColumnOfLine(line, column, separator);
        columns.numbers[field] = column;
        columns.present[field] = column < count;
    }
    return columns;
}

std::optional<BadValue> GarminBadValue(const std::string& line, bool metres) {
    if (!IsGarminWaypointLine(line)) return std::nullopt;
    const std::string position = LineColumn(line, kGarminPositionColumn, kGarminSeparator);
    std::string latitude, longitude;
    if (Trimmed(position).empty()) return BadValue{kGarminPositionColumn + 1, "the position is empty"};
    if (!SplitGarminPosition(position, latitude, longitude) || !IsCoordinate(latitude, tool::kLocDeg, true) ||
        !IsCoordinate(longitude, tool::kLocDeg, false)) {
        return BadValue{kGarminPositionColumn + 1, Quoted(position) + " is not a position"};
    }
    const std::string altitude = LineColumn(line, kGarminAltitudeColumn, kGarminSeparator);
    const std::string problem = ElevationProblem(altitude, metres);
    if (!problem.empty()) return BadValue{kGarminAltitudeColumn + 1, problem};
    return std::nullopt;
}

// What a database record would make of the line's texts; a quoted
// separator or a long name are all a line can hold that it cannot.
void NoteFitting(const Columns& columns, FittingReport& fitting) {
    for (const int field : {kName, kIcon, kDesc}) {
        const std::string& text = columns.texts[field];
        const size_t room = field == kDesc ? 0 : kNameRoom;
        if (text.find_first_of(",*\t") == std::string::npos && (room == 0 || text.size() <= room)) continue;
        FitRecordText(Cp1252ToUtf8(text),
                      RecordUse::Database,
                      field == kName   ? RecordField::Name
                      : field == kIcon ? RecordField::Icon
                                       : RecordField::Description,
                      room,
                      fitting);
    }
}

// The first value of the columns that the layout cannot read.
std::optional<BadValue> BadValueOf(const Columns& columns, const TextLayout& layout, bool recordLine) {
    const uint16_t locFormat = recordLine ? static_cast<uint16_t>(tool::kLocNum) : layout.locFormat;
    const auto bad = [&](int field, const std::string& what) {
        const int column = columns.numbers[field] + 1;
        if (!columns.present[field]) {
            return BadValue{column, "no " + what + ": the line has fewer columns"};
        }
        if (Trimmed(columns.texts[field]).empty()) return BadValue{column, "the " + what + " is empty"};
        return BadValue{
            column, Quoted(columns.texts[field]) + " is not a" + (what == "elevation" ? "n " : " ") + what};
    };
    if (columns.numbers[kLatitude] >= 0 && !IsCoordinate(columns.texts[kLatitude], locFormat, true)) {
        return bad(kLatitude, "latitude");
    }
    if (columns.numbers[kLongitude] >= 0 && !IsCoordinate(columns.texts[kLongitude], locFormat, false)) {
        return bad(kLongitude, "longitude");
    }
    if (columns.numbers[kElevation] >= 0) {
        const std::string problem =
            ElevationProblem(columns.texts[kElevation], layout.eleFormat == 1 && !recordLine);
        if (!problem.empty()) return BadValue{columns.numbers[kElevation] + 1, problem};
    }
    const bool hasTime = columns.numbers[kTime] >= 0;
    const bool hasDate = columns.numbers[kDate] >= 0 && layout.code != tool::kLayoutFixed && !recordLine;
    if (hasTime && !IsTimePart(columns.texts[kTime])) return bad(kTime, "time");
    if (hasDate && !IsTimePart(columns.texts[kDate])) return bad(kDate, "time");
    if ((hasTime || hasDate) && !IsTime(columns.texts[kTime], columns.texts[kDate], hasDate)) {
        return bad(hasTime ? kTime : kDate, "time");
    }
    return std::nullopt;
}

}  // namespace

std::string LineColumn(const std::string& line, int column, char separator) {
    return tool::ColumnOfLine(line, column, static_cast<unsigned char>(separator));
}

bool IsGarminWaypointLine(const std::string& line) {
    return AsciiLowered(LineColumn(line, 0, kGarminSeparator).substr(0, 31)) == "waypoint";
}

bool SplitGarminPosition(const std::string& raw, std::string& latitude, std::string& longitude) {
    const std::string position = Trimmed(raw);
    const size_t first = position.find(' ');
    if (first == std::string::npos) return false;
    const size_t second = position.find(' ', first + 1);
    // "N45 24.158 W121 39.263": degrees and minutes on each side of the
    // second space; two plain numbers on each side of the only one.
    const size_t split = second != std::string::npos && IsAsciiLetter(position[0]) ? second : first;
    latitude = Trimmed(position.substr(0, split));
    longitude = Trimmed(position.substr(split + 1));
    return !latitude.empty() && !longitude.empty();
}

std::optional<BadValue> FindBadValue(const std::string& line,
                                     const TextLayout& layout,
                                     FittingReport* fitting) {
    if (layout.code == tool::kLayoutGarmin) return GarminBadValue(line, layout.eleFormat == 1);
    if (layout.code == tool::kLayoutPlain || layout.code == tool::kLayoutSurvey) return std::nullopt;
    const bool recordLine = layout.code == tool::kLayoutRecordLine;
    const Columns columns = layout.code == tool::kLayoutFixed ? FixedColumns(line, layout)
                                                              : SeparatedColumns(line, layout, recordLine);
    std::optional<BadValue> bad = BadValueOf(columns, layout, recordLine);
    // Only a line that goes into the record has its texts fitted.
    if (!bad && fitting != nullptr) NoteFitting(columns, *fitting);
    return bad;
}

}  // namespace vezuved_cli
