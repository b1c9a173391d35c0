#include "core/made_definition.h"

#include <map>
#include <optional>

#include "core/core_failure.h"
#include "core/header_row.h"
#include "core/text_sets.h"
#include "maps/set_collector.h"
#include "platform/page_buffer.h"
#include "sets/iso_time.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

std::string CellText(const std::vector<Cell>& cells, int column) {
    if (column < 0 || static_cast<size_t>(column) >= cells.size()) return "";
    return cells[static_cast<size_t>(column)].text;
}

bool Blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

void Warn(maps::MapWarnings& warnings, const std::string& path, const std::string& sentence) {
    warnings.push_back({path, 0, sentence, "warning: " + sentence, 0});
}

// The first time (or date) value of text, below the header row, that is an
// ISO 8601 moment a definition's time column cannot read, with its line
// (0: there is none).
struct IsoTimes {
    size_t firstLine = 0;
    std::string firstValue;
};

IsoTimes FindIsoTimes(std::string_view text, const MadeDefinition& made) {
    IsoTimes found;
    if (made.time < 0 && made.date < 0) return found;
    // Lines cut and numbered as the reader cuts them.
    ForEachNumberedLine(text, [&](size_t number, const std::string& line) {
        // The first found, the lines after it need not be cut.
        if (number == 1 || found.firstLine != 0 || Blank(line)) return;
        const std::vector<Cell> cells = SplitCells(line, made.delimiter);
        // The moments a read with its ISO times takes.
        const auto textOf = [&cells](int column) -> std::optional<std::string> {
            if (column < 0) return std::nullopt;
            return std::string(maps::TrimWhite(CellText(cells, column)));
        };
        const std::optional<std::string> time = textOf(made.time), date = textOf(made.date);
        const bool iso = maps::IsoMoment(time, date).has_value();
        if (iso) {
            found.firstLine = number;
            found.firstValue = CellText(cells, made.time >= 0 ? made.time : made.date);
        }
    });
    return found;
}

// "the time column 'Time' (column 2)", with the date column when there is one.
std::string IsoColumns(const MadeDefinition& made) {
    std::string text;
    for (const auto& [column, what] : {std::pair{made.time, "time"}, std::pair{made.date, "date"}}) {
        if (column < 0) continue;
        text += std::string(text.empty() ? "the " : " and the ") + what + " column '" +
                made.cells[static_cast<size_t>(column)] + "' (column " + std::to_string(column + 1) + ")";
    }
    return text;
}

// What a read of the text at path (its bytes) through definition refused: the lines
// that hold a point or were refused, and by column (from 1) how many were
// refused for it and the first of them ("line 2: 'high' is not an elevation").
struct Refusals {
    size_t lines = 0;
    std::map<int, size_t> count;
    std::map<int, std::string> first;
};

Refusals ReadRefusals(const std::string& path,
                      std::string_view bytes,
                      const std::string& definition,
                      bool isoTimes) {
    TextReadRequest request;
    request.path = path;
    request.bytes = bytes;
    request.definitionText = definition;
    request.isoTimes = isoTimes;
    maps::MapWarnings warnings;
    size_t taken = 0;
    try {
        VisitTextFile(request, warnings, [&taken](maps::Point&, const maps::PointSet&) { ++taken; });
    } catch (const CoreFailure& failure) {
        // No line holds a point: the warnings still say why each was refused.
        // Any other failure (memory running out) fails the making.
        if (failure.code() != VEZUVED_ERROR_FORMAT) throw;
    }
    Refusals refusals;
    refusals.lines = taken + warnings.size();
    for (const maps::MapWarning& warning : warnings) {
        if (refusals.count[warning.column]++ > 0) continue;  // a line's own refusal is column 0, never asked
        std::string cause = warning.cause;
        const std::string column = "column " + std::to_string(warning.column) + ": ";
        if (cause.compare(0, column.size(), column) == 0) cause.erase(0, column.size());
        refusals.first[warning.column] = "line " + std::to_string(warning.line) + ": " + cause;
    }
    return refusals;
}

// A time, date or elevation column the definition refuses on every line
// is left out, with a warning naming it and its first value. An elevation
// refused everywhere hides the time behind it: the file's bytes are read
// again after each column left out.
void LeaveOutUnreadColumns(const std::string& path,
                           std::string_view bytes,
                           MadeDefinition& made,
                           bool isoTimes,
                           maps::MapWarnings& warnings) {
    for (bool again = true; again;) {
        again = false;
        Refusals refused = ReadRefusals(path, bytes, DefinitionText(made, "check", ""), isoTimes);
        for (int* slot : {&made.elevation, &made.time, &made.date}) {
            if (*slot < 0 || refused.lines == 0 || refused.count[*slot + 1] != refused.lines) continue;
            const bool elevation = slot == &made.elevation;
            Warn(warnings,
                 path,
                 "left out the " + std::string(elevation ? "elevation" : "time") + " column '" +
                     made.cells[static_cast<size_t>(*slot)] + "' (column " + std::to_string(*slot + 1) +
                     "): the definition reads it on no line (" + refused.first[*slot + 1] + ")");
            // A time and its date are read as one.
            if (elevation) {
                made.elevation = -1;
            } else {
                made.time = made.date = -1;
            }
            again = true;
            break;
        }
    }
}

// The last path component, and its extension without the dot.
std::string FileName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

std::string Extension(const std::string& path) {
    const std::string name = FileName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? "" : name.substr(dot + 1);
}

}  // namespace

std::string MakeDefinition(const std::string& path, bool isoTimes, maps::MapWarnings& warnings) {
    PageBuffer bytes;
    ReadWholeText(path, bytes, true);
    return MakeDefinitionOf(path, std::string_view(bytes.data(), bytes.size()), isoTimes, warnings);
}

void ReadByHeaderRow(TextReadRequest& request, std::string_view bytes, maps::MapWarnings& warnings) {
    request.definitionText = MakeDefinitionOf(request.path, bytes, true, warnings);
    request.isoTimes = true;
    request.bytes = bytes;
}

std::string MakeDefinitionOf(const std::string& path,
                             std::string_view text,
                             bool isoTimes,
                             maps::MapWarnings& warnings) {
    const std::string first(text.substr(0, text.find_first_of("\r\n")));
    if (Blank(first)) {
        FailCore(
            VEZUVED_ERROR_FORMAT,
            "cannot make a format definition for '" + path + "': its first line, the header row, is empty");
    }
    MadeDefinition made = ReadHeaderRow(first);
    RequirePosition(made, path);
    const std::string leftOut = LeftOutWarning(made);
    if (!leftOut.empty()) Warn(warnings, path, leftOut);
    for (const std::string& note : made.notes) Warn(warnings, path, note);
    const IsoTimes times = isoTimes ? IsoTimes() : FindIsoTimes(text, made);
    if (times.firstLine > 0) {
        // The columns whose ISO 8601 values its time column would refuse
        // on every line stay out.
        Warn(warnings,
             path,
             "left out " + IsoColumns(made) + ": " + (made.time >= 0 && made.date >= 0 ? "their" : "its") +
                 " values are ISO 8601 (line " + std::to_string(times.firstLine) + ": '" + times.firstValue +
                 "'), which a definition's time column cannot read; reading the file by its header row keeps "
                 "them");
        made.time = -1;
        made.date = -1;
    }
    LeaveOutUnreadColumns(path, text, made, isoTimes, warnings);
    return DefinitionText(made, FileName(path), Extension(path));
}

}  // namespace vezuved::core
