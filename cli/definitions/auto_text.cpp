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
#include "values/iso_time.h"
#include "values/values.h"

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

Refusals ReadRefusals(const std::string& textPath, const std::string& definition) {
    CoreCollection collection;
    TextOptions options;
    options.definition = definition;
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

std::vector<std::string> LeaveOutUnreadColumns(const std::string& text, MadeDefinition& made) {
    std::vector<std::string> warnings;
    const TemporaryFolder folder = TemporaryFolder::Create();
    const std::string textPath = folder.File("check.txt");
    WriteFileOrFail(textPath, text);
    // An elevation refused everywhere hides the time behind it: check again
    // after each column left out.
    for (bool again = true; again;) {
        again = false;
        const std::string definition = folder.File("check.cal");
        WriteFileOrFail(definition, DefinitionText(made, "check", ""));
        Refusals refused = ReadRefusals(textPath, definition);
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

DataHeader ReadDataHeader(const std::string& dataPath) {
    DataHeader header;
    header.text = ReadWholeFileOrFail(dataPath, "text file");
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

TimeRewrite RewriteForReading(const std::string& text, MadeDefinition& made) {
    TimeRewrite result;
    const int target = made.time >= 0 ? made.time : made.date;
    if (target < 0) {
        result.text = text;
        return result;
    }
    size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        const bool cr = !line.empty() && line.back() == '\r';
        if (cr) line.pop_back();
        if (number > 1 && !Blank(line)) {
            const std::vector<Cell> cells = SplitCells(line, made.delimiter);
            const std::string timeText = CellText(cells, made.time);
            const std::string dateText = CellText(cells, made.date);
            const auto time = made.time >= 0 ? ParseIsoStamp(timeText) : std::nullopt;
            const auto date = made.date >= 0 ? ParseIsoStamp(dateText) : std::nullopt;
            std::optional<IsoStamp> stamp;
            if (made.time >= 0) {
                if (time && time->hasDate) {
                    stamp = time;
                } else if (time && date && date->hasDate && !date->hasTime) {
                    stamp = JoinStamps(*date, *time);
                } else if (time && time->hasZone && made.date < 0) {
                    stamp = time;
                }
            } else if (date && date->hasDate) {
                stamp = date;
            }
            if (stamp && static_cast<size_t>(target) < cells.size()) {
                const Cell& cell = cells[static_cast<size_t>(target)];
                if (result.rewritten++ == 0) {
                    result.firstRewrittenLine = number;
                    result.firstRewrittenValue = cell.text;
                }
                line = line.substr(0, cell.begin) + LibraryTimeText(*stamp) + line.substr(cell.end);
            }
        }
        result.text += line;
        if (cr) result.text += '\r';
        if (!last) result.text += '\n';
    }
    if (result.rewritten > 0) {
        made.time = target;
        made.date = -1;
    }
    return result;
}

void PrintMadeWarnings(std::ostream& err, const MadeDefinition& made) {
    const std::string leftOut = LeftOutWarning(made);
    if (!leftOut.empty()) err << "vezuved: " << leftOut << "\n";
    for (const std::string& note : made.notes) err << "vezuved: warning: " << note << "\n";
}

AutoText PrepareAutoText(std::ostream& err, const std::string& dataPath) {
    DataHeader header = ReadDataHeader(dataPath);
    MadeDefinition& made = header.made;
    PrintMadeWarnings(err, made);
    AutoText prepared;
    prepared.folder = TemporaryFolder::Create();
    prepared.data = dataPath;
    const TimeRewrite times = RewriteForReading(header.text, made);
    for (const std::string& warning : LeaveOutUnreadColumns(times.text, made)) {
        err << "vezuved: warning: " << warning << "\n";
    }
    if (times.rewritten > 0) {
        // The copy keeps the file's name: it titles the points it holds.
        const std::filesystem::path folder = PathOf(prepared.folder.path()) / "data";
        std::error_code error;
        std::filesystem::create_directory(folder, error);
        if (error)
            FailConversion("cannot make a temporary folder for '" + dataPath + "': " + error.message());
        prepared.data = TextOf(folder / PathOf(FileName(dataPath)));
        WriteFileOrFail(prepared.data, times.text);
    }
    prepared.definition = TextOf(PathOf(prepared.folder.path()) / "made.cal");
    WriteFileOrFail(prepared.definition, DefinitionText(made, FileName(dataPath), Extension(dataPath)));
    return prepared;
}

}  // namespace vezuved_cli
