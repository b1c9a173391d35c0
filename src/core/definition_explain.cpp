#include "core/definition_explain.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "base/ascii.h"
#include "convert/number_text.h"
#include "core/text_overrides.h"
#include "formats/format_file.h"
#include "layouts/column_text.h"

namespace vezuved::core {
namespace {

using Facts = DefinitionFacts;

// The texts of a definition are UTF-8 with each of the file's bytes one
// character, so what the library counts in bytes is counted in characters.
size_t Characters(const std::string& text) {
    size_t count = 0;
    for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

// The first count characters of text.
std::string FirstCharacters(const std::string& text, size_t count) {
    size_t at = 0;
    for (size_t seen = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && seen++ == count) break;
    }
    return text.substr(0, at);
}

std::string KeywordName(int keyword) {
    return keyword >= VEZUVED_KEY_SOURCE && keyword <= VEZUVED_KEY_EXT ? FormatKeywordName(keyword) : "";
}

struct LeadingInteger {
    int32_t value = 0;
    size_t length = 0;
};

LeadingInteger ReadLeadingInteger(const std::string& text) {
    LeadingInteger read;
    const char* end = text.c_str();
    read.value = ReadInteger(text.c_str(), &end);
    read.length = end != nullptr ? static_cast<size_t>(end - text.c_str()) : 0;
    return read;
}

constexpr const char* kSlotNames[] = {
    "latitude", "longitude", "elevation", "time", "name", "icon", "description", "date"};
constexpr int kReadSlots = 7;  // the slots a fixed-width line and the writers know; date is the eighth

std::string Shown(const std::string& text) {
    return "'" + (Characters(text) > 40 ? FirstCharacters(text, 40) + "..." : text) + "'";
}

std::string TrimmedRight(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

bool IsOneOf(const std::string& value, std::initializer_list<const char*> names) {
    const std::string trimmed = TrimmedRight(value);
    for (const char* name : names) {
        if (EqualsIgnoreCase(trimmed.c_str(), name)) return true;
    }
    return false;
}

class Warnings {
public:
    void Add(int line, const std::string& text) {
        out_ << "warning: " << (line > 0 ? "line " + std::to_string(line) + ": " : "") << text << "\n";
    }
    std::string Text() const { return out_.str(); }

private:
    std::ostringstream out_;
};

// A number the library reads: optional sign, digits, anything after ignored.
void CheckNumber(const DefinitionLineFacts& line,
                 const std::string& keyword,
                 const std::string& value,
                 Warnings& warnings) {
    const LeadingInteger read = ReadLeadingInteger(value);
    const int32_t number = read.value;
    const std::string rest = TrimmedRight(value.substr(read.length));
    size_t digits = 0;
    for (char c : value) digits += (c >= '0' && c <= '9') ? 1 : 0;
    if (digits == 0 || read.length == 0) {
        warnings.Add(line.number, keyword + " value " + Shown(value) + " is no number; it reads as 0");
    } else if (!rest.empty()) {
        warnings.Add(line.number,
                     keyword + " value " + Shown(value) + " reads as " + std::to_string(number) +
                         "; the rest is ignored");
    }
}

void CheckChoice(const DefinitionLineFacts& line, Warnings& warnings) {
    const std::string keyword = KeywordName(line.keyword);
    const std::string value = line.value;
    if (line.changed.size() == 0) {
        std::string known;
        switch (line.keyword) {
            case VEZUVED_KEY_SOURCE:
                known = "PCX5, Garmin, Tab or FIXED, the whole value in any case";
                break;
            case VEZUVED_KEY_DELIMITED:
                known = "one character, or \\t for a tab";
                break;
            case VEZUVED_KEY_LOC_FORMAT:
                known = "Num, Deg, Comp or DegNoSpace";
                break;
            case VEZUVED_KEY_ELE_FORMAT:
                known = "Feet or Metres";
                break;
            default:
                known = "Point, Track, Route, Track2, Route2 or Datum";
                break;
        }
        warnings.Add(line.number,
                     keyword + " value " + Shown(value) + " is not one the library knows (" + known +
                         "); the line changes nothing");
        return;
    }
    switch (line.keyword) {
        case VEZUVED_KEY_LOC_FORMAT:
            if (!IsOneOf(value, {"Num", "Deg", "Comp", "DegNoSpace"})) {
                warnings.Add(
                    line.number,
                    "LocFormat value " + Shown(value) + " is read by its beginning only, as a known style");
            }
            break;
        case VEZUVED_KEY_ELE_FORMAT:
            if (!IsOneOf(value, {"", "F", "Ft", "Feet", "Foot", "M", "Metres", "Meters", "Metre", "Meter"})) {
                const bool metres = AsciiLower(value[0]) == 'm';
                warnings.Add(line.number,
                             "EleFormat value " + Shown(value) + " reads as " + (metres ? "metres" : "feet") +
                                 " (only its first letter counts)");
            }
            break;
        case VEZUVED_KEY_DB_TYPE:
        case VEZUVED_KEY_PALM_DB_TYPE:
            if (!IsOneOf(value, {"Point", "Track", "Route", "Track2", "Route2", "Datum"})) {
                warnings.Add(
                    line.number,
                    keyword + " value " + Shown(value) + " is read by its beginning only, as a known kind");
            }
            break;
        case VEZUVED_KEY_DELIMITED:
            if (Characters(value) > 1 && value != "\\t") {
                warnings.Add(
                    line.number,
                    "Delimited value " + Shown(value) + " is more than one character; only the first counts");
            }
            break;
        default:
            break;
    }
}

void CheckWidths(const DefinitionLineFacts& line, const std::string& value, Warnings& warnings) {
    std::vector<std::string> entries;
    std::string entry;
    for (char c : value) {
        if (c == ',') {
            entries.push_back(entry);
            entry.clear();
        } else {
            entry += c;
        }
    }
    entries.push_back(entry);
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string trimmed = TrimmedRight(entries[i]);
        if (trimmed.empty()) {
            if (i + 1 < entries.size()) {
                warnings.Add(line.number,
                             "FieldLen entry " + std::to_string(i + 1) +
                                 " is empty; the widths after it are not read");
            }
            return;
        }
        const LeadingInteger read = ReadLeadingInteger(trimmed);
        if (read.length == 0 || read.length != trimmed.size()) {
            warnings.Add(
                line.number,
                "FieldLen entry " + std::to_string(i + 1) + " " + Shown(entries[i]) + " is no width");
        }
    }
}

void CheckTemplate(const DefinitionLineFacts& line, const std::string& value, Warnings& warnings) {
    for (size_t open = value.find('['); open != std::string::npos; open = value.find('[', open + 1)) {
        const size_t close = value.find(']', open);
        if (close == std::string::npos) continue;
        const std::string token = value.substr(open + 1, close - open - 1);
        if (Characters(token) > 29) continue;
        if (!EqualsIgnoreCase(token.c_str(), "Title") && !EqualsIgnoreCase(token.c_str(), "NumRecords")) {
            warnings.Add(line.number,
                         "the header template's " + Shown("[" + token + "]") +
                             " writes nothing (only [Title] and [NumRecords] are filled in)");
        }
    }
}

// A keyword line as read, for the checks that need the whole file first.
struct KeywordLine {
    int number = 0;
    int index = -1;
    std::string value;
};

// Returns the line's keyword, or an index of -1.
KeywordLine CheckLine(const DefinitionLineFacts& line, Warnings& warnings) {
    KeywordLine keywordLine;
    keywordLine.number = line.number;
    const std::string whole = line.text;
    size_t start = whole.find_first_not_of(' ');
    if (start == std::string::npos) return keywordLine;
    const std::string text = whole.substr(start);
    if (text[0] == ';' || text[0] == '#' || text.compare(0, 2, "//") == 0) return keywordLine;
    keywordLine.index = line.keyword;
    keywordLine.value = line.value;
    if (line.keyword < 0) {
        if (!line.hasValue) {
            warnings.Add(line.number,
                         Shown(text) + " is no keyword line (no '=' within 30 characters of its " +
                             "start, before any ';'); it is ignored");
        } else if (line.changed.size() > 0) {
            // a column label ("Field3 = x")
        } else if (StartsWithIgnoreCase(text.c_str(), "Field")) {
            warnings.Add(line.number,
                         Shown(TrimmedRight(text.substr(0, text.find('=')))) +
                             " names no column (Field0 to Field31); the line is ignored");
        } else {
            std::string key;
            for (char c : text.substr(0, text.find('='))) {
                if (c != ' ') key += c;
            }
            warnings.Add(line.number, "unknown keyword " + Shown(key) + "; the line is ignored");
        }
        return keywordLine;
    }
    const std::string keyword = KeywordName(line.keyword);
    const std::string value = line.value;
    switch (line.keyword) {
        case VEZUVED_KEY_FIELD_COUNT:
        case VEZUVED_KEY_HEADER_LINES:
        case VEZUVED_KEY_LATITUDE:
        case VEZUVED_KEY_LONGITUDE:
        case VEZUVED_KEY_ELEVATION:
        case VEZUVED_KEY_TIME:
        case VEZUVED_KEY_NAME:
        case VEZUVED_KEY_DESC:
        case VEZUVED_KEY_DATE:
            CheckNumber(line, keyword, value, warnings);
            break;
        case VEZUVED_KEY_ICON:
            if (value.find(':') == std::string::npos) CheckNumber(line, keyword, value, warnings);
            break;
        case VEZUVED_KEY_SOURCE:
        case VEZUVED_KEY_DELIMITED:
        case VEZUVED_KEY_LOC_FORMAT:
        case VEZUVED_KEY_DB_TYPE:
        case VEZUVED_KEY_PALM_DB_TYPE:
        case VEZUVED_KEY_ELE_FORMAT:
            CheckChoice(line, warnings);
            break;
        case VEZUVED_KEY_FIELD_LEN:
            CheckWidths(line, value, warnings);
            break;
        case VEZUVED_KEY_HEADER:
            CheckTemplate(line, value, warnings);
            break;
        case VEZUVED_KEY_DEFAULT_ICON:
            if (Characters(value) > VEZUVED_DEFINITION_ICON_MAX) {
                warnings.Add(
                    line.number,
                    "DefaultIcon is cut to " + std::to_string(VEZUVED_DEFINITION_ICON_MAX) + " characters");
            }
            break;
        case VEZUVED_KEY_EXT:
            if (Characters(value) > VEZUVED_DEFINITION_EXT_MAX - 1) {
                warnings.Add(
                    line.number,
                    "Ext is cut to " + std::to_string(VEZUVED_DEFINITION_EXT_MAX - 1) + " characters");
            }
            break;
        default:
            break;
    }
    return keywordLine;
}

// Keywords the final layout has no use for.
void CheckLayoutFit(const KeywordLine& line, const Facts& s, Warnings& warnings) {
    if (line.index < 0) return;
    const std::string keyword = KeywordName(line.index);
    if (s.layout == VEZUVED_LAYOUT_GARMIN) {
        switch (line.index) {
            case VEZUVED_KEY_FIELD_COUNT:
            case VEZUVED_KEY_DELIMITED:
            case VEZUVED_KEY_LATITUDE:
            case VEZUVED_KEY_LONGITUDE:
            case VEZUVED_KEY_ELEVATION:
            case VEZUVED_KEY_TIME:
            case VEZUVED_KEY_NAME:
            case VEZUVED_KEY_ICON:
            case VEZUVED_KEY_DESC:
            case VEZUVED_KEY_DATE:
            case VEZUVED_KEY_LOC_FORMAT:
            case VEZUVED_KEY_FIELD_LEN:
            case VEZUVED_KEY_HEADER:
            case VEZUVED_KEY_DEFAULT_ICON:
                warnings.Add(line.number,
                             keyword +
                                 " does not apply to the Garmin text layout, whose columns are "
                                 "fixed; the line is ignored");
                break;
            default:
                break;
        }
        return;
    }
    if (line.index == VEZUVED_KEY_FIELD_LEN && s.layout != VEZUVED_LAYOUT_FIXED) {
        warnings.Add(line.number,
                     "FieldLen applies to fixed-width columns (Source = FIXED) only; it is ignored");
    }
    if (line.index == VEZUVED_KEY_DELIMITED && s.layout == VEZUVED_LAYOUT_FIXED) {
        warnings.Add(line.number, "Delimited does not apply to fixed-width columns; it is ignored");
    }
    const bool tabValue = line.value == "\\t" || line.value.compare(0, 1, "\t") == 0;
    if (line.index == VEZUVED_KEY_DELIMITED && s.layout == VEZUVED_LAYOUT_TAB && !tabValue) {
        warnings.Add(line.number,
                     "a Tab layout always splits at tabs; Delimited " + Shown(line.value) + " is ignored");
    }
}

std::string CoordinateStyle(int32_t style, bool latitude) {
    switch (style) {
        case 1:
            return "degrees, or hemisphere letter with degrees and minutes (Deg)";
        case 2:
            return latitude ? "compact DDMMxxhh, no sign (Comp)" : "compact DDDMMxxhh, no sign (Comp)";
        case 3:
            return latitude ? "hemisphere, degrees, minutes: N4630.123 (DegNoSpace)"
                            : "hemisphere, degrees, minutes: E00833.580 (DegNoSpace)";
        default:
            return "decimal degrees (Num)";
    }
}

std::string FieldStyle(const Facts& s, int slot) {
    switch (slot) {
        case VEZUVED_COLUMN_LATITUDE:
            return CoordinateStyle(s.locationFormat, true);
        case VEZUVED_COLUMN_LONGITUDE:
            return CoordinateStyle(s.locationFormat, false);
        case VEZUVED_COLUMN_ELEVATION:
            return s.elevationMetres ? "metres" : "feet";
        case VEZUVED_COLUMN_TIME:
            if (s.columns[VEZUVED_COLUMN_DATE] >= 0 && s.layout != VEZUVED_LAYOUT_FIXED) {
                return "HHMMSS, the date column joined to it";
            }
            return "HHMMSS DDMMYYYY, or HH:MM:SS";
        case VEZUVED_COLUMN_DATE:
            return "DDMMYYYY, joined to the time";
        default:
            return "text";
    }
}

std::string DelimiterText(const std::string& delimiter) {
    if (delimiter == ",") return ", (comma)";
    if (delimiter == ";") return "; (semicolon)";
    if (delimiter == "\t") return "tab";
    if (delimiter == " ") return "space";
    return Shown(delimiter);
}

std::string LayoutName(const Facts& s) {
    switch (s.layout) {
        case VEZUVED_LAYOUT_DELIMITED:
            return "delimited text";
        case VEZUVED_LAYOUT_TAB:
            return "tab-separated text";
        case VEZUVED_LAYOUT_GARMIN:
            return "Garmin text";
        case VEZUVED_LAYOUT_FIXED:
            return "fixed-width columns";
        case VEZUVED_LAYOUT_PCX5:
            return "PCX5 text (read split at the delimiter, written without one)";
        default:
            return "delimited text";
    }
}

std::string KindName(const Facts& s) {
    static const char* const kKinds[] = {
        "points", "track", "route", "log", "RlVM", "RlVD", "datum", "survey"};
    std::string kind =
        s.kind >= 0 && s.kind < 8 ? kKinds[s.kind] : "unknown (" + std::to_string(s.kind) + ")";
    if (s.olderLayout && (s.kind == VEZUVED_SET_TRACK || s.kind == VEZUVED_SET_ROUTE))
        kind += " (older layout)";
    return kind;
}

// The widths as the fixed layout reads them, to the first empty entry.
std::vector<int> Widths(const std::string& fieldLen) {
    std::vector<int> widths;
    for (int column = 0;; ++column) {
        const std::optional<size_t> width = FixedColumnWidth(fieldLen.c_str(), column);
        if (!width) return widths;
        widths.push_back(static_cast<int>(*width));
    }
}

// The columns of a Waypoint line the tool reads; the altitude in the
// definition's unit.
std::vector<std::vector<std::string>> GarminTable(const Facts& s) {
    return {
        {"Column", "Field", "Unit or style"},
        {"1", "line type", "Waypoint (other lines are skipped)"},
        {"2", "name", "text"},
        {"3", "description", "text"},
        {"5", "position", "hemisphere, degrees and minutes: N45 30.123 W122 40.456, or two decimal numbers"},
        {"6", "elevation", s.elevationMetres ? "metres" : "feet"},
        {"11", "icon", "text"}};
}

std::vector<std::vector<std::string>> ColumnTable(const Facts& s, Warnings& warnings) {
    const bool fixed = s.layout == VEZUVED_LAYOUT_FIXED;
    const std::vector<int> widths = fixed ? Widths(s.fieldWidths) : std::vector<int>();
    const int slots = fixed ? kReadSlots : 8;
    // Every column up to the last one that matters, but gaps only so far:
    // a hostile column number must not make a table of thousands of rows.
    constexpr int kGapRows = 256;
    std::set<int> columns;
    const int spanned = std::max(s.fieldCount, fixed ? static_cast<int>(widths.size()) : 0);
    int last = spanned - 1;
    for (int slot = 0; slot < slots; ++slot) {
        if (s.columns[slot] >= 0) columns.insert(s.columns[slot]);
        last = std::max<int>(last, s.columns[slot]);
    }
    for (int c = 0; c <= std::min(last, kGapRows - 1); ++c) columns.insert(c);

    std::vector<std::vector<std::string>> rows;
    rows.push_back(fixed ? std::vector<std::string>{"Column", "Characters", "Field", "Unit or style"}
                         : std::vector<std::string>{"Column", "Field", "Unit or style"});
    for (const int c : columns) {
        std::string characters;
        if (fixed) {
            if (static_cast<size_t>(c) < widths.size() && widths[static_cast<size_t>(c)] > 0) {
                int64_t position = 1;
                for (int i = 0; i < c; ++i) position += widths[static_cast<size_t>(i)];
                characters = std::to_string(position) + "-" +
                             std::to_string(position + widths[static_cast<size_t>(c)] - 1);
            } else {
                characters = "-";
            }
        }
        bool any = false;
        for (int slot = 0; slot < slots; ++slot) {
            if (s.columns[slot] != c) continue;
            std::vector<std::string> row{std::to_string(c + 1)};
            if (fixed) row.push_back(characters);
            row.push_back(kSlotNames[slot]);
            row.push_back(FieldStyle(s, slot));
            rows.push_back(row);
            any = true;
        }
        if (!any) {
            std::vector<std::string> row{std::to_string(c + 1)};
            if (fixed) row.push_back(characters);
            const bool labelled = c < VEZUVED_DEFINITION_LABELS && s.labels[static_cast<size_t>(c)];
            row.push_back("-");
            row.push_back(labelled ? "written as " + Shown(*s.labels[static_cast<size_t>(c)]) + ", not read"
                                   : std::string("not read"));
            rows.push_back(row);
        }
    }
    // What the table cannot show by itself.
    for (int a = 0; a < slots; ++a) {
        for (int b = a + 1; b < slots; ++b) {
            if (s.columns[a] >= 0 && s.columns[a] == s.columns[b]) {
                warnings.Add(0,
                             std::string(kSlotNames[a]) + " and " + kSlotNames[b] +
                                 " are both mapped to column " + std::to_string(s.columns[a] + 1));
            }
        }
    }
    for (int slot = 0; slot < kReadSlots; ++slot) {
        const int column = s.columns[slot];
        if (column >= 0 && column >= s.fieldCount) {
            warnings.Add(0,
                         "FieldCount " + std::to_string(s.fieldCount) + " does not reach column " +
                             std::to_string(column + 1) + " (" + kSlotNames[slot] +
                             "): it is read but not written");
        }
        if (fixed && column >= 0 && static_cast<size_t>(column) >= widths.size()) {
            warnings.Add(0,
                         "FieldLen gives no width for column " + std::to_string(column + 1) + " (" +
                             kSlotNames[slot] + "): it is not read");
        } else if (fixed && column >= 0 && widths[static_cast<size_t>(column)] == 0) {
            warnings.Add(0,
                         "FieldLen gives column " + std::to_string(column + 1) + " (" + kSlotNames[slot] +
                             ") no characters: it is always empty");
        }
    }
    if (fixed && s.columns[VEZUVED_COLUMN_DATE] >= 0) {
        warnings.Add(0,
                     "fixed-width lines have no date column: date (column " +
                         std::to_string(s.columns[VEZUVED_COLUMN_DATE] + 1) + ") is not read");
    }
    return rows;
}

}  // namespace

DefinitionExplanation ExplainDefinition(const DefinitionFacts& s) {
    Warnings warnings;
    std::vector<KeywordLine> keywordLines;
    for (const DefinitionLineFacts& line : s.lines) keywordLines.push_back(CheckLine(line, warnings));
    for (const KeywordLine& line : keywordLines) CheckLayoutFit(line, s, warnings);

    std::ostringstream out;
    out << "Title:        " << s.title.value_or("(none)") << "\n";
    out << "Layout:       " << LayoutName(s) << "\n";
    if (s.layout == VEZUVED_LAYOUT_FIXED) {
        out << "Widths:       " << (s.fieldWidths.empty() ? std::string("(none)") : s.fieldWidths) << "\n";
    } else if (s.layout != VEZUVED_LAYOUT_GARMIN) {
        // A tab layout splits at tabs whatever Delimited says.
        out << "Delimiter:    " << DelimiterText(s.layout == VEZUVED_LAYOUT_TAB ? "\t" : s.delimiter) << "\n";
    }
    out << "Header lines: " << s.headerLines << "\n";
    if (s.header) out << "Header:       " << *s.header << "\n";
    out << "Kind:         " << KindName(s) << "\n";
    out << "Extension:    "
        << (s.extension.empty() ? std::string("(none: by kind, .rlp, .rlt or .rlr)") : s.extension) << "\n";
    if (s.layout != VEZUVED_LAYOUT_GARMIN && s.columns[VEZUVED_COLUMN_ICON] < 0 && !s.defaultIcon.empty()) {
        out << "Icon:         " << s.defaultIcon << " for every point\n";
    }
    if (s.title && TitleIsImportOnly(*s.title)) {
        out << "Written:      never (import only: the tool reads through it and refuses to write)\n";
    } else if (s.layout != VEZUVED_LAYOUT_GARMIN) {
        out << "Written:      " << std::max(s.fieldCount, 0) << " column(s) (FieldCount)\n";
    }
    DefinitionExplanation explained;
    if (s.layout == VEZUVED_LAYOUT_GARMIN) {
        explained.columns = GarminTable(s);
    } else {
        explained.columns = ColumnTable(s, warnings);
        if (s.headerLines > 0 && !s.header) {
            warnings.Add(0,
                         "HeaderLines " + std::to_string(s.headerLines) +
                             " without a Header template: an export has no header line, so reading it back "
                             "skips its first " +
                             std::to_string(s.headerLines) + " point(s)");
        }
    }
    explained.summary = out.str();
    explained.warnings = warnings.Text();
    return explained;
}

}  // namespace vezuved::core
