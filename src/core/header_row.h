// A format definition made from a text file's header row: which column
// holds which field, told by the column names people give them.
#pragma once

#include <string>
#include <vector>

namespace vezuved::core {

struct MadeDefinition {
    char delimiter = ',';
    std::string header;              // the header line, as the template that writes it back
    std::vector<std::string> cells;  // the column names, quotes dropped
    int latitude = -1;
    int longitude = -1;
    int elevation = -1;
    int time = -1;
    int date = -1;
    int name = -1;
    int icon = -1;
    int desc = -1;
    bool elevationInFeet = false;
    std::vector<int> leftOut;        // columns no field was found for
    std::vector<std::string> notes;  // what a person should know, one sentence each
};

// Column cells of one line, split at delimiter outside double quotes; each
// cell's range in the line, quotes included, and its text without them.
struct Cell {
    size_t begin = 0;
    size_t end = 0;
    std::string text;
};
std::vector<Cell> SplitCells(const std::string& line, char delimiter);

// The header line (no line end) read as column names: delimiter, fields,
// units. A leading UTF-8 byte order mark is skipped.
MadeDefinition ReadHeaderRow(const std::string& headerLine);

// Fails, naming the file and what is missing, unless both latitude and
// longitude have a column.
void RequirePosition(const MadeDefinition& made, const std::string& dataPath);

// The definition as ".cal" text; dataName names the file in its title.
// kind is the DBType value ("Point", "Track").
std::string DefinitionText(const MadeDefinition& made,
                           const std::string& dataName,
                           const std::string& extension);

// "Point", or "Track" for a header with a time and no name column: a log.
std::string MadeKind(const MadeDefinition& made);

// The warning about columns left out; empty when none were.
std::string LeftOutWarning(const MadeDefinition& made);

}  // namespace vezuved::core
