#include "core/text_sets.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "base/file_handle.h"
#include "convert/coordinates.h"
#include "core/core_failure.h"
#include "core/library_call.h"
#include "formats/format_file.h"
#include "layouts/column_text.h"
#include "layouts/layout_table.h"
#include "maps/set_collector.h"
#include "platform/page_buffer.h"
#include "platform/replacing_file.h"
#include "record/columns.h"
#include "record/point_record.h"
#include "sets/encoding.h"
#include "sets/iso_time.h"
#include "sets/number_text.h"
#include "state/conversion_state.h"
#include "text/layout_reading.h"
#include "text/work_record.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Garmin text's waypoint columns.
constexpr int kGarminName = 1;
constexpr int kGarminDescription = 2;
constexpr int kGarminPosition = 4;
constexpr int kGarminAltitude = 5;
constexpr int kGarminSymbol = 10;

// One value's column as the line holds it, quotes dropped.
struct RawColumn {
    int column = -1;       // from 0; -1 when the layout maps none
    bool present = false;  // the line reaches the column
    std::string text;
};
using RawColumns = std::array<RawColumn, kSlotDate + 1>;

// A value of a line that cannot be read: its column (from 1; 0 for none)
// and why.
struct LineProblem {
    int column = 0;
    std::string cause;
};

// What every line of one file is read with.
struct LineReading {
    LayoutSettings settings;
    bool utf8;      // the file's texts are UTF-8 bytes
    bool metres;    // its elevations are metres
    bool isoTimes;  // its time and date columns hold ISO 8601
};

// Bytes of the file as UTF-8 text: as they are, or each a Windows-1252
// character. A text the library cut inside a character keeps what is whole.
std::string Decoded(std::string_view bytes, bool utf8) {
    if (!utf8) return maps::Cp1252ToUtf8(bytes);
    const size_t invalid = maps::FindInvalidUtf8(bytes);
    return std::string(bytes.substr(0, invalid == std::string_view::npos ? bytes.size() : invalid));
}

std::string Quoted(std::string_view text, bool utf8) {
    std::string quoted = "'";
    quoted += Decoded(maps::TrimWhite(text), utf8);
    quoted += '\'';
    return quoted;
}

// Column `column` of a line whose first count columns are spans, copied by
// the library's own column rules, however long. A column past those the
// line was cut into is past its end.
RawColumn SeparatedColumn(const ColumnSpan* spans, int count, int column) {
    RawColumn raw;
    raw.column = column;
    if (column < 0 || column >= count) return raw;
    // The column before it ends at a separator when the line reaches it.
    raw.present = column == 0 || (spans[column - 1].end != nullptr && *spans[column - 1].end != '\0');
    const ColumnSpan& span = spans[column];
    if (!raw.present || span.begin == nullptr) return raw;
    raw.text.assign(SpanTextLength(span) + 1, '\0');
    raw.text.resize(CopyColumnSpan(span, raw.text.data(), SpanTextLength(span)));
    return raw;
}

// The fixed layout's columns, cut by the definition's widths as the
// layout cuts them.
void FixedColumns(const std::string& line, const LayoutSettings& settings, RawColumns& raw) {
    size_t position = 0;
    for (int c = 0;; ++c) {
        const std::optional<size_t> width = FixedColumnWidth(settings.fieldWidths, c);
        if (!width) break;
        const size_t take = *width;
        for (int slot = kSlotLatitude; slot <= kSlotDesc; ++slot) {
            if (settings.fieldMap[slot] != c) continue;
            raw[slot].present = position < line.size();
            if (!raw[slot].present) continue;
            // The spaces that pad a column to its width are no part of its text.
            raw[slot].text = line.substr(position, take);
            raw[slot].text.erase(raw[slot].text.find_last_not_of(' ') + 1);
        }
        // Past the line's end every later column is absent: held there, the
        // position cannot wrap however wide the definition says they are.
        position += std::min(take, line.size() - position);
    }
}

// The columns of each value of a column layout.
RawColumns ColumnsOf(const std::string& line, int layout, const LayoutSettings& settings) {
    RawColumns raw;
    for (int slot = kSlotLatitude; slot <= kSlotDate; ++slot) {
        // A record line's columns are its fields in their own order.
        raw[slot].column =
            layout == kLayoutRecordLine ? (slot <= kSlotDesc ? slot : -1) : settings.fieldMap[slot];
    }
    if (layout == kLayoutFixed) {
        // The fixed layout reads no date column.
        raw[kSlotDate].column = -1;
        FixedColumns(line, settings, raw);
        return raw;
    }
    const int separator = layout == kLayoutRecordLine ? kRecordSeparators
                          : layout == kLayoutTab      ? '\t'
                                                      : static_cast<unsigned char>(settings.delimiter);
    // The line is cut once, up to the last column a value reads; a line of
    // n bytes has at most n + 1 columns, however far a definition's reach.
    int last = 0;
    for (const RawColumn& column : raw) last = std::max(last, column.column);
    const int count = static_cast<int>(std::min(static_cast<size_t>(last), line.size())) + 1;
    std::array<ColumnSpan, 32> near;
    std::vector<ColumnSpan> far;
    ColumnSpan* spans = near.data();
    if (count > static_cast<int>(near.size())) {
        far.resize(static_cast<size_t>(count));
        spans = far.data();
    }
    SplitColumnsUpTo(line.c_str(), line.c_str() + line.size(), separator, spans, count);
    for (RawColumn& column : raw) column = SeparatedColumn(spans, count, column.column);
    return raw;
}

// A coordinate text in the style the definition names: digits alone for
// the compact style; otherwise a hemisphere letter, digits, signs, points,
// spaces and the marks of degrees, minutes and seconds.
bool LooksLikeCoordinate(std::string_view text, uint16_t locFormat) {
    if (text.empty()) return false;
    if (locFormat == kLocComp) return text.find_first_not_of("0123456789") == std::string_view::npos;
    size_t start = 0;
    const char first = static_cast<char>(text[0] | 0x20);
    if (first == 'n' || first == 's' || first == 'e' || first == 'w') start = 1;
    return text.find_first_of("0123456789") != std::string_view::npos &&
           text.find_first_not_of("0123456789.+- '\"\xB0\xC2", start) == std::string_view::npos;
}

// "-45.3311", "7": an optional minus, digits and at most one point with
// digits after it, fifteen digits at most (a double holds them exactly).
bool IsPlainDecimal(std::string_view text) {
    size_t at = text.size() > 0 && text[0] == '-' ? 1 : 0;
    size_t digits = 0, point = std::string_view::npos;
    for (; at < text.size(); ++at) {
        if (text[at] >= '0' && text[at] <= '9') {
            ++digits;
        } else if (text[at] == '.' && point == std::string_view::npos && digits > 0) {
            point = at;
        } else {
            return false;
        }
    }
    return digits > 0 && digits <= 15 && point != text.size() - 1;
}

// The coordinate the library read (normalized, the record's decimal
// degrees), with the text's own digits when it is a plain decimal the
// library read as the same number.
std::optional<LineProblem> ReadCoordinate(const RawColumn& raw,
                                          const char* normalized,
                                          bool latitude,
                                          const LineReading& reading,
                                          maps::OptionalDouble& out) {
    if (raw.column < 0) return std::nullopt;
    const std::string what = latitude ? "latitude" : "longitude";
    const int column = raw.column + 1;
    if (!raw.present) return LineProblem{column, "no " + what + ": the line has fewer columns"};
    const std::string_view text = maps::TrimWhite(raw.text);
    if (text.empty()) return LineProblem{column, "the " + what + " is empty"};
    std::optional<double> value;
    if (reading.settings.locFormat == kLocNum && IsPlainDecimal(text)) {
        // The library reads a short plain decimal as that number: its own
        // digits are the value, with no second reading of the record's.
        value = maps::ParseNumber(text);
    } else if (LooksLikeCoordinate(text, reading.settings.locFormat)) {
        value = maps::ParseCoordinate(normalized);
        if (value) {
            const std::optional<double> plain = maps::ParseNumber(text);
            if (plain && std::fabs(*plain - *value) < 1e-6) value = plain;
        }
    }
    const double bound = latitude ? 90.0 : 180.0;
    if (!value || !(std::fabs(*value) <= bound)) {
        return LineProblem{column, Quoted(text, reading.utf8) + " is not a " + what};
    }
    out = value;
    return std::nullopt;
}

// An elevation in the text's unit, kept as written: metres as metres.
std::optional<LineProblem> ReadElevation(const RawColumn& raw,
                                         const LineReading& reading,
                                         bool metres,
                                         maps::Point& point) {
    if (raw.column < 0 || !raw.present) return std::nullopt;
    const std::string_view text = maps::TrimWhite(raw.text);
    if (text.empty()) return std::nullopt;
    const int column = raw.column + 1;
    const std::optional<double> value = maps::ParseNumber(text);
    if (!value) return LineProblem{column, Quoted(text, reading.utf8) + " is not an elevation"};
    if (!maps::IsSaneElevation(metres ? *value : *value * maps::kMetresPerFoot)) {
        return LineProblem{column,
                           Quoted(text, reading.utf8) + " is no elevation: beyond " +
                               maps::FormatFixed(maps::kMostElevationMetres, 0) + " m"};
    }
    if (metres) {
        maps::SetElevation(point, *value);
    } else {
        point.elevationFeet = *value;
        point.elevationMetres = *value * maps::kMetresPerFoot;
        point.feetDecimals = static_cast<int8_t>(maps::DecimalsAsWritten(text, *value));
    }
    return std::nullopt;
}

// The time of a line's ISO 8601 time and date, in UTC: a time with its
// date, a time joined to the date column's date, a time with its zone when
// there is no date column, or the date column alone; none when they make
// no such moment.
std::optional<int64_t> IsoTimeOf(const RawColumns& raw) {
    const auto textOf = [&raw](int slot) -> std::optional<std::string_view> {
        if (raw[slot].column < 0) return std::nullopt;
        return maps::TrimWhite(raw[slot].text);
    };
    const std::optional<maps::IsoStamp> stamp = maps::IsoMoment(textOf(kSlotTime), textOf(kSlotDate));
    if (!stamp) return std::nullopt;
    return maps::RecordTime(maps::LibraryTimeText(*stamp));
}

std::optional<LineProblem> ReadColumnPoint(const std::string& line,
                                           int layout,
                                           const PointRecord& record,
                                           const LineReading& reading,
                                           maps::Point& point) {
    const RawColumns raw = ColumnsOf(line, layout, reading.settings);
    // A record line holds plain decimal degrees and feet, whatever the definition says.
    const bool recordLine = layout == kLayoutRecordLine;
    LineReading own = reading;
    if (recordLine) own.settings.locFormat = kLocNum;
    if (auto problem = ReadCoordinate(raw[kSlotLatitude], record.latitude, true, own, point.latitude))
        return problem;
    if (auto problem = ReadCoordinate(raw[kSlotLongitude], record.longitude, false, own, point.longitude))
        return problem;
    if (auto problem = ReadElevation(raw[kSlotElevation], own, reading.metres && !recordLine, point))
        return problem;
    // ISO 8601 when the read says so; otherwise, and for what makes no ISO
    // moment, the time and date as the library joined and read them. It
    // reads any text as some time ("noon" as midnight of 2000-01-01), so a
    // column that is no time's digits and marks is refused first.
    const std::optional<int64_t> iso = reading.isoTimes ? IsoTimeOf(raw) : std::nullopt;
    point.time =
        iso ? iso : maps::RecordTime(std::string_view(record.time, strnlen(record.time, sizeof record.time)));
    for (const int slot : {kSlotTime, kSlotDate}) {
        const RawColumn& column = raw[slot];
        const std::string_view text = maps::TrimWhite(column.text);
        if (iso || column.column < 0 || text.empty()) continue;
        const bool timeMarks = text.find_first_of("0123456789") != std::string_view::npos &&
                               text.find_first_not_of("0123456789 .:-_+=/\\|~?") == std::string_view::npos;
        if (!timeMarks || !point.time) {
            return LineProblem{column.column + 1, Quoted(text, reading.utf8) + " is not a time"};
        }
    }
    point.name = Decoded(raw[kSlotName].text, reading.utf8);
    if (raw[kSlotIcon].column >= 0) {
        point.icon = Decoded(raw[kSlotIcon].text, reading.utf8);
    } else {
        // The definition's icon for every point.
        point.icon =
            Decoded(std::string_view(record.icon, strnlen(record.icon, sizeof record.icon)), reading.utf8);
    }
    if (!raw[kSlotDesc].text.empty()) point.description = Decoded(raw[kSlotDesc].text, reading.utf8);
    return std::nullopt;
}

// A Garmin waypoint line: the library reads its name and position; the
// description, altitude and symbol columns are read here.
std::optional<LineProblem> ReadGarminPoint(const std::string& line,
                                           const PointRecord& record,
                                           const LineReading& reading,
                                           maps::Point& point) {
    std::array<ColumnSpan, kGarminSymbol + 1> spans;
    SplitColumnsUpTo(line.c_str(), line.c_str() + line.size(), '\t', spans.data(), kGarminSymbol + 1);
    const auto column = [&](int c) { return SeparatedColumn(spans.data(), kGarminSymbol + 1, c); };
    const RawColumn position = column(kGarminPosition);
    const std::string_view text = maps::TrimWhite(position.text);
    if (text.empty()) return LineProblem{kGarminPosition + 1, "the position is empty"};
    if (record.latitude[0] != '\0' && record.longitude[0] != '\0') {
        // "N45 24.158 W121 39.263", as the library split it.
        point.latitude = maps::ParseCoordinate(record.latitude);
        point.longitude = maps::ParseCoordinate(record.longitude);
    } else {
        // Two plain numbers, as Garmin text written from a database holds.
        const size_t space = text.find(' ');
        if (space != std::string_view::npos) {
            point.latitude = maps::ParseNumber(text.substr(0, space));
            point.longitude = maps::ParseNumber(text.substr(space + 1));
        }
    }
    if (!point.latitude || !point.longitude || !(std::fabs(*point.latitude) <= 90.0) ||
        !(std::fabs(*point.longitude) <= 180.0)) {
        return LineProblem{kGarminPosition + 1, Quoted(text, reading.utf8) + " is not a position"};
    }
    if (auto problem = ReadElevation(column(kGarminAltitude), reading, reading.metres, point)) return problem;
    point.name = Decoded(column(kGarminName).text, reading.utf8);
    const std::string description = column(kGarminDescription).text;
    if (!description.empty()) point.description = Decoded(description, reading.utf8);
    point.icon = Decoded(column(kGarminSymbol).text, reading.utf8);
    return std::nullopt;
}

// "line L, byte B (0xE9)" of the first byte that is no UTF-8.
std::string InvalidPlace(std::string_view text, size_t offset) {
    size_t line = 1, start = 0;
    // Every byte looked at has one after it: the byte at offset, at least.
    for (size_t i = 0; i < offset; ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\0' || (c == '\r' && text[i + 1] != '\n')) {
            ++line;
            start = i + 1;
        }
    }
    static const char kDigits[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(text[offset]);
    return "line " + std::to_string(line) + ", byte " + std::to_string(offset - start + 1) + " (0x" +
           kDigits[byte >> 4] + kDigits[byte & 15] + ")";
}

// The file's name without its folder and extension, as the set's name.
std::string TitleOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return maps::FindInvalidUtf8(name) == std::string::npos ? name : maps::Cp1252ToUtf8(name);
}

int32_t SetKindOf(int32_t databaseKind) {
    if (databaseKind == kKindTrack) return VEZUVED_SET_TRACK;
    if (databaseKind == kKindRoute) return VEZUVED_SET_ROUTE;
    return VEZUVED_SET_WAYPOINTS;
}

// The call's settings from the request's definition, its file or its own
// text, and the overrides over it.
ConversionState& LoadRequestSettings(LibraryCall& call,
                                     const TextReadRequest& request,
                                     std::string& definition) {
    if (request.definitionText.empty()) {
        return LoadTextSettings(
            call, request.path, definition, request.overrides, "cannot read '" + request.path + "'");
    }
    ConversionState& state = call.LoadDefaults();
    ParseFormatText(state, request.definitionText.data(), request.definitionText.size(), nullptr);
    ApplyOverrides(state, request.overrides);
    return state;
}

}  // namespace

// The file's bytes in pages of their own: a text walked once for each
// pass of a writer is read again each time, and its memory must go back
// to the system between the passes.
void ReadWholeText(const std::string& path, PageBuffer& bytes, bool allowEmpty) {
    FileHandle file = OpenFile(path.c_str(), "rb", PathEncoding::Utf8);
    if (!file) {
        const int error = errno;
        FailCore(VEZUVED_ERROR_OPEN, "cannot read '" + path + "': " + PlatformErrorText(error));
    }
    errno = 0;
    if (!ReadWholeFileIntoPages(file.get(), bytes)) {
        const int error = errno;
        if (error == ENOMEM) FailCore(VEZUVED_ERROR_MEMORY, "cannot read '" + path + "': memory ran out");
        if (bytes.size() == 0 && std::ferror(file.get()) == 0) {
            if (allowEmpty) return;
            FailCore(VEZUVED_ERROR_FORMAT, "cannot read '" + path + "': it is empty");
        }
        FailCore(VEZUVED_ERROR_OPEN,
                 "cannot read '" + path +
                     "': " + (error != 0 ? PlatformErrorText(error) : "the file cannot be read whole"));
    }
}

std::string DefinitionBeside(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".cal";
    return path.substr(0, dot) + ".cal";
}

maps::PointSet DescribeTextFile(const TextReadRequest& request) {
    LibraryCall call;
    std::string definition = request.definition;
    const ConversionState& state = LoadRequestSettings(call, request, definition);
    maps::PointSet set;
    set.title = TitleOf(request.path);
    set.kind = SetKindOf(state.DBKind);
    return set;
}

maps::PointSet ReadTextFile(const TextReadRequest& request, maps::MapWarnings& warnings) {
    maps::PointSet set;
    maps::PointSet read = VisitTextFile(request, warnings, [&set](maps::Point& point, const maps::PointSet&) {
        set.points.push_back(std::move(point));
    });
    read.points = std::move(set.points);
    return read;
}

maps::PointSet VisitTextFile(const TextReadRequest& request,
                             maps::MapWarnings& warnings,
                             const TextPointVisitor& visit) {
    const std::string& path = request.path;
    std::string definition = request.definition;
    // Read once, whole: the lines are cut from these bytes and nothing else
    // (a caller that holds them already hands them in).
    PageBuffer bytes;
    if (!request.bytes) ReadWholeText(path, bytes);

    // The library's layouts read with the call's own conversion state, from
    // the library's defaults and this definition alone.
    LibraryCall call;
    ConversionState& state = LoadRequestSettings(call, request, definition);
    const int layout = state.Layout;
    if (layout == kLayoutPlain || layout == kLayoutSurvey) {
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot read '" + path + "': its format definition '" + definition +
                     "' describes whole lines of text, which hold no points");
    }
    if (state.DBKind == kKindDatum) {
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot read '" + path + "': its format definition '" + definition +
                     "' describes datums, which are no points");
    }

    std::string_view text = request.bytes ? *request.bytes : std::string_view(bytes.data(), bytes.size());
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    const size_t invalid = maps::FindInvalidUtf8(text);
    bool utf8 = request.encoding == TextEncoding::Utf8 ||
                (request.encoding == TextEncoding::Detect && invalid == std::string_view::npos);
    if (request.encoding == TextEncoding::Utf8 && invalid != std::string_view::npos) {
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot read '" + path + "' as UTF-8: " + InvalidPlace(text, invalid) + " is no UTF-8");
    }

    const LineReading reading{SettingsForReading(state), utf8, state.EleFormat == 1, request.isoTimes};
    WorkRecord record;
    if (!record.Allocate(kWorkDescSize))
        FailCore(VEZUVED_ERROR_MEMORY, "cannot read '" + path + "': memory ran out");

    maps::PointSet set;
    set.title = TitleOf(path);
    set.kind = SetKindOf(state.DBKind);
    size_t taken = 0;
    ForEachNumberedLine(text, [&](size_t number, const std::string& line) {
        if (number <= static_cast<size_t>(std::max<int32_t>(state.HeaderLines, 0)) || line.empty()) return;
        if (ReadLayoutLine(line.c_str(), record.get(), layout, reading.settings) != 0) {
            // A line the layout does not take (Garmin's header and route lines) is no point.
            if (ReadLayoutLine(line.c_str(), nullptr, layout, reading.settings) != 0) return;
            FailCore(VEZUVED_ERROR_MEMORY, "cannot read '" + path + "': memory ran out");
        }
        maps::Point point;
        std::optional<LineProblem> problem = layout == kLayoutGarmin
                                                 ? ReadGarminPoint(line, *record, reading, point)
                                                 : ReadColumnPoint(line, layout, *record, reading, point);
        if (!problem) {
            const std::string fault = maps::PointFault(point);
            if (!fault.empty()) problem = LineProblem{0, fault};
        }
        if (problem) {
            const std::string cause =
                (problem->column > 0 ? "column " + std::to_string(problem->column) + ": " : std::string()) +
                problem->cause;
            const std::string message = path + ":" + std::to_string(number) + ": " + cause;
            if (request.strict) FailCore(VEZUVED_ERROR_FORMAT, message);
            warnings.push_back({path, number, cause, message, problem->column});
            return;
        }
        ++taken;
        visit(point, set);
    });
    if (taken == 0) {
        FailCore(
            VEZUVED_ERROR_FORMAT,
            "cannot read '" + path + "': no line holds a point" +
                (warnings.empty() ? std::string() : " (" + std::to_string(warnings.size()) + " left out)"));
    }
    return set;
}

}  // namespace vezuved::core
