#include "definitions/auto_text.h"

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "files/tool_paths.h"
#include "files/whole_file.h"

namespace vezuved_cli {
namespace {

std::string FileName(const std::string& path) { return TextOf(PathOf(path).filename()); }

std::string Extension(const std::string& path) {
    std::string extension = TextOf(PathOf(path).extension());
    if (!extension.empty()) extension.erase(0, 1);
    return extension;
}

std::string CellText(const std::vector<Cell>& cells, int column) {
    if (column < 0 || static_cast<size_t>(column) >= cells.size()) return "";
    return cells[static_cast<size_t>(column)].text;
}

bool Blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

// What the core refused of a text read through a definition: the lines
// that hold a point or were refused, and by column (from 1) how many were
// refused for it and the first of them ("line 2: 'high' is not an elevation").
struct Refusals {
    size_t lines = 0;
    std::map<int, size_t> count;
    std::map<int, std::string> first;
};

int32_t VEZUVED_CORE_CALL CountPoint(void* context, const vezuved_point*) {
    ++*static_cast<size_t*>(context);
    return 0;
}

Refusals ReadRefusals(const std::string& textPath, const std::string& definition, bool isoTimes) {
    CoreCollection collection;
    TextOptions options;
    options.definition = definition;
    options.isoTimes = isoTimes;
    size_t taken = 0;
    std::ostringstream quiet;
    try {
        ReadTextThroughCore(quiet, collection, textPath, options, CountPoint, &taken);
    } catch (const Failure&) {
        // No line holds a point: the warnings still say why each was refused.
    }
    Refusals refusals;
    const int32_t warnings = vezuved_warning_count(collection.get());
    refusals.lines = taken + static_cast<size_t>(warnings > 0 ? warnings : 0);
    for (int32_t i = 0; i < warnings; ++i) {
        vezuved_warning warning{};
        if (vezuved_get_warning(collection.get(), i, &warning) != VEZUVED_OK || warning.column <= 0) continue;
        if (refusals.count[warning.column]++ > 0) continue;
        std::string cause = warning.cause;
        const std::string column = "column " + std::to_string(warning.column) + ": ";
        if (cause.compare(0, column.size(), column) == 0) cause.erase(0, column.size());
        refusals.first[warning.column] = "line " + std::to_string(warning.line) + ": " + cause;
    }
    return refusals;
}

}  // namespace

std::vector<std::string> LeaveOutUnreadColumns(const std::string& dataPath,
                                               MadeDefinition& made,
                                               bool isoTimes) {
    std::vector<std::string> warnings;
    const TemporaryFolder folder = TemporaryFolder::Create();
    // An elevation refused everywhere hides the time behind it: check again
    // after each column left out.
    for (bool again = true; again;) {
        again = false;
        const std::string definition = folder.File("check.cal");
        WriteFileOrFail(definition, DefinitionText(made, "check", ""));
        Refusals refused = ReadRefusals(dataPath, definition, isoTimes);
        for (int* slot : {&made.elevation, &made.time, &made.date}) {
            if (*slot < 0 || refused.lines == 0 || refused.count[*slot + 1] != refused.lines) continue;
            const bool elevation = slot == &made.elevation;
            warnings.push_back("left out the " + std::string(elevation ? "elevation" : "time") + " column '" +
                               made.cells[static_cast<size_t>(*slot)] + "' (column " +
                               std::to_string(*slot + 1) + "): the definition reads it on no line (" +
                               refused.first[*slot + 1] + ")");
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
    return warnings;
}

DataHeader ReadDataHeader(const std::string& dataPath, bool whole) {
    DataHeader header;
    header.text = ReadWholeFileOrFail(dataPath, "text file", !whole);
    const size_t end = header.text.find_first_of("\r\n");
    const std::string first = header.text.substr(0, end);
    if (Blank(first)) {
        FailConversion("cannot make a format definition for '" + dataPath +
                       "': its first line, the header row, is empty");
    }
    header.made = ReadHeaderRow(first);
    RequirePosition(header.made, dataPath);
    return header;
}

IsoTimes FindIsoTimes(const std::string& text, const MadeDefinition& made) {
    IsoTimes found;
    if (made.time < 0 && made.date < 0) return found;
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1 || Blank(line)) continue;
        const std::vector<Cell> cells = SplitCells(line, made.delimiter);
        // The moments the core reads as ISO 8601 (VEZUVED_READ_ISO_TIMES).
        const auto read = [&cells](int column, vezuved_iso_time& moment) {
            const std::string cell = column >= 0 ? CellText(cells, column) : std::string();
            return !cell.empty() && cell.find('\0') == std::string::npos &&
                   vezuved_read_iso_time(cell.c_str(), &moment) == VEZUVED_OK;
        };
        vezuved_iso_time time{}, date{};
        const bool hasTime = read(made.time, time);
        if (!read(made.date, date)) date = vezuved_iso_time{};
        const bool iso = made.time >= 0 ? hasTime && (time.has_date || (date.has_date && !date.has_time) ||
                                                      (time.has_zone && made.date < 0))
                                        : date.has_date != 0;
        if (iso && found.count++ == 0) {
            found.firstLine = number;
            found.firstValue = CellText(cells, made.time >= 0 ? made.time : made.date);
        }
    }
    return found;
}

void PrintMadeWarnings(std::ostream& err, const MadeDefinition& made) {
    const std::string leftOut = LeftOutWarning(made);
    if (!leftOut.empty()) err << "vezuved: " << leftOut << "\n";
    for (const std::string& note : made.notes) err << "vezuved: warning: " << note << "\n";
}

AutoText PrepareAutoText(std::ostream& err, const std::string& dataPath) {
    // The header row alone: the core reads the file itself.
    DataHeader header = ReadDataHeader(dataPath, false);
    MadeDefinition& made = header.made;
    PrintMadeWarnings(err, made);
    // The core reads the file itself, its ISO 8601 times included.
    for (const std::string& warning : LeaveOutUnreadColumns(dataPath, made, true)) {
        err << "vezuved: warning: " << warning << "\n";
    }
    AutoText prepared;
    prepared.folder = TemporaryFolder::Create();
    prepared.definition = TextOf(PathOf(prepared.folder.path()) / "made.cal");
    WriteFileOrFail(prepared.definition, DefinitionText(made, FileName(dataPath), Extension(dataPath)));
    return prepared;
}

}  // namespace vezuved_cli
