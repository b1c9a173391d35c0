#include "core/header_row.h"

#include <initializer_list>
#include <string>

#include "base/ascii.h"
#include "core/core_failure.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

enum class Field { None, Latitude, Longitude, Elevation, Time, Date, Name, Icon, Desc };

bool OneOf(const std::string& word, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (word == name) return true;
    }
    return false;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The name with spaces, '_', '-' and '.' taken out: "Date Time" is "datetime".
std::string Squeezed(const std::string& lowered) {
    std::string out;
    for (char c : lowered) {
        if (c != ' ' && c != '_' && c != '-' && c != '.') out += c;
    }
    return out;
}

Field FieldOfBase(const std::string& base) {
    if (OneOf(base, {"lat", "latitude", "y"})) return Field::Latitude;
    if (OneOf(base, {"lon", "lng", "long", "longitude", "x"})) return Field::Longitude;
    if (OneOf(base, {"ele", "alt", "altitude", "elevation"})) return Field::Elevation;
    if (OneOf(base, {"time", "datetime", "timestamp"})) return Field::Time;
    if (OneOf(base, {"date"})) return Field::Date;
    if (OneOf(base, {"name"})) return Field::Name;
    if (OneOf(base, {"sym", "symbol", "icon"})) return Field::Icon;
    if (OneOf(base, {"desc", "description", "comment", "notes", "note", "cmt"})) return Field::Desc;
    return Field::None;
}

enum class Unit { None, Metres, Feet, Degrees, Utc, Other };

Unit UnitOf(const std::string& word) {
    if (OneOf(word, {"m", "metre", "metres", "meter", "meters"})) return Unit::Metres;
    if (OneOf(word, {"ft", "feet", "foot"})) return Unit::Feet;
    if (OneOf(word, {"deg", "degree", "degrees", "dd"})) return Unit::Degrees;
    if (OneOf(word, {"utc", "z"})) return Unit::Utc;
    return Unit::Other;
}

struct Named {
    Field field = Field::None;
    Unit unit = Unit::None;
};

// The name split into a field and a unit: "ele_m", "Elevation (m)",
// "alt ft", "elevation feet", "Time [UTC]".
Named ReadName(const std::string& cell) {
    const std::string lowered = AsciiLowered(Trimmed(cell));
    Named named;
    named.field = FieldOfBase(Squeezed(lowered));
    if (named.field != Field::None) return named;
    std::string base;
    std::string unit;
    if (!lowered.empty() && (lowered.back() == ')' || lowered.back() == ']')) {
        const size_t open = lowered.find_last_of(lowered.back() == ')' ? '(' : '[');
        if (open == std::string::npos) return named;
        base = lowered.substr(0, open);
        unit = lowered.substr(open + 1, lowered.size() - open - 2);
    } else {
        const size_t cut = lowered.find_last_of(" _-");
        if (cut == std::string::npos) return named;
        base = lowered.substr(0, cut);
        unit = lowered.substr(cut + 1);
    }
    const Field field = FieldOfBase(Squeezed(base));
    const Unit read = UnitOf(Squeezed(unit));
    const bool fits = (field == Field::Elevation && (read == Unit::Metres || read == Unit::Feet)) ||
                      ((field == Field::Latitude || field == Field::Longitude) && read == Unit::Degrees) ||
                      ((field == Field::Time || field == Field::Date) && read == Unit::Utc);
    if (fits) {
        named.field = field;
        named.unit = read;
    }
    return named;
}

// The delimiter that cuts the header into most columns: tab, then ';',
// then ',' when they tie.
char ChooseDelimiter(const std::string& line) {
    size_t tabs = 0, semicolons = 0, commas = 0;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        tabs += c == '\t';
        semicolons += c == ';';
        commas += c == ',';
    }
    if (tabs > 0 && tabs >= semicolons && tabs >= commas) return '\t';
    if (semicolons > 0 && semicolons >= commas) return ';';
    return ',';
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

std::vector<Cell> SplitCells(const std::string& line, char delimiter) {
    std::vector<Cell> cells;
    Cell cell;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == delimiter && !quoted) {
            cell.end = i;
            cells.push_back(cell);
            cell = Cell();
            cell.begin = i + 1;
        } else {
            cell.text += c;
        }
    }
    cell.end = line.size();
    cells.push_back(cell);
    return cells;
}

MadeDefinition ReadHeaderRow(const std::string& headerLine) {
    MadeDefinition made;
    std::string line = headerLine;
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    made.delimiter = ChooseDelimiter(line);
    for (const Cell& cell : SplitCells(line, made.delimiter)) made.cells.push_back(Trimmed(cell.text));

    for (size_t i = 0; i < made.cells.size(); ++i)
        made.header += (i ? std::string(1, made.delimiter) : "") + made.cells[i];

    bool elevationUnitGiven = false;
    for (size_t i = 0; i < made.cells.size(); ++i) {
        const int column = static_cast<int>(i);
        const Named named = ReadName(made.cells[i]);
        // In the order of Field, None first.
        int* const slots[] = {nullptr,
                              &made.latitude,
                              &made.longitude,
                              &made.elevation,
                              &made.time,
                              &made.date,
                              &made.name,
                              &made.icon,
                              &made.desc};
        int* const slot = slots[static_cast<size_t>(named.field)];
        if (slot == nullptr || *slot >= 0) {
            made.leftOut.push_back(column);  // unknown, or a second column for a field already placed
            continue;
        }
        *slot = column;
        if (named.field == Field::Elevation) {
            elevationUnitGiven = named.unit != Unit::None;
            made.elevationInFeet = named.unit == Unit::Feet;
        }
    }
    if (made.elevation >= 0 && !elevationUnitGiven) {
        made.notes.push_back("the elevation column " +
                             Quoted(made.cells[static_cast<size_t>(made.elevation)]) +
                             " names no unit; it is read as metres");
    }
    for (const std::string& cell : made.cells) {
        if (cell.find('"') != std::string::npos) continue;
        const size_t open = cell.find('[');
        if (open != std::string::npos && cell.find(']', open) != std::string::npos) {
            made.notes.push_back("the header template cannot write " + Quoted(cell) +
                                 " back as it is: a name in brackets is a template token");
        }
        if (cell.find(made.delimiter) != std::string::npos) {
            made.notes.push_back("the header template writes " + Quoted(cell) +
                                 " without its quotes, so it reads back as more columns");
        }
    }
    return made;
}

void RequirePosition(const MadeDefinition& made, const std::string& dataPath) {
    std::string missing;
    if (made.latitude < 0) missing = "latitude (lat, latitude or y)";
    if (made.longitude < 0) {
        missing += std::string(missing.empty() ? "" : " and ") + "longitude (lon, lng, long, longitude or x)";
    }
    if (missing.empty()) return;
    std::string names;
    for (size_t i = 0; i < made.cells.size(); ++i) names += (i ? ", " : "") + Quoted(made.cells[i]);
    FailCore(VEZUVED_ERROR_FORMAT,
             "cannot make a format definition for '" + dataPath + "': its header row (" + names +
                 ") has no column for " + missing);
}

std::string MadeKind(const MadeDefinition& made) {
    return made.time >= 0 && made.name < 0 ? "Track" : "Point";
}

std::string DefinitionText(const MadeDefinition& made,
                           const std::string& dataName,
                           const std::string& extension) {
    // Integers by std::to_string: a stream would take the host's locale.
    const auto line = [](const char* keyword, int value) {
        return std::string(keyword) + " = " + std::to_string(value) + "\n";
    };
    std::string out = "; Made from the header row of " + dataName + ".\n";
    out += "FormatTitle = " + dataName + ", by its header row\n";
    out += made.delimiter == '\t' ? std::string("Source = Tab\n")
                                  : "Delimited = " + std::string(1, made.delimiter) + "\n";
    out += "HeaderLines = 1\n";
    out += "Header = " + made.header + "\n";
    out += "FieldCount = " + std::to_string(made.cells.size()) + "\n";
    out += line("latitude", made.latitude) + line("longitude", made.longitude) +
           line("elevation", made.elevation) + line("time", made.time) + line("date", made.date) +
           line("name", made.name) + line("icon", made.icon) + line("desc", made.desc);
    out += "LocFormat = Num\n";
    out += std::string("EleFormat = ") + (made.elevationInFeet ? "Feet" : "Metres") + "\n";
    out += "DBType = " + MadeKind(made) + "\n";
    if (!extension.empty()) out += "Ext = " + extension + "\n";
    return out;
}

std::string LeftOutWarning(const MadeDefinition& made) {
    if (made.leftOut.empty()) return "";
    std::string text = "left out column(s) that name no field a definition holds: ";
    for (size_t i = 0; i < made.leftOut.size(); ++i) {
        const int column = made.leftOut[i];
        text += (i ? ", " : "") + Quoted(made.cells[static_cast<size_t>(column)]) + " (column " +
                std::to_string(column + 1) + ")";
    }
    return text;
}

}  // namespace vezuved::core
