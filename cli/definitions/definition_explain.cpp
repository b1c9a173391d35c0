#include "definitions/definition_explain.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <set>
#include <sstream>
#include <vector>

#include "api/tool_api.h"
#include "base/ascii.h"
#include "conversion/text_layout.h"
#include "definitions/definition_lines.h"
#include "files/failure.h"
#include "files/whole_file.h"
#include "values/encoding.h"
#include "values/options.h"

using namespace vezuved;

namespace vezuved_cli {
using namespace vezuved::tool;
namespace {

constexpr const char* kSlotNames[8] = {
    "latitude", "longitude", "elevation", "time", "name", "icon", "description", "date"};
constexpr int kReadSlots = 7;  // the slots a fixed-width line and the writers know; date is the eighth

std::string Shown(const std::string& text) {
    std::string cut = text.size() > 40 ? text.substr(0, 40) + "..." : text;
    return "'" + Cp1252ToUtf8(cut) + "'";
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
void CheckNumber(const DefinitionLine& line,
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

void CheckChoice(const DefinitionLine& line, const LineEffect& effect, Warnings& warnings) {
    const std::string keyword = KeywordName(effect.keyword);
    const std::string& value = effect.value;
    if (effect.changed.empty()) {
        std::string known;
        switch (effect.keyword) {
            case kKeySource:
                known = "PCX5, Garmin, Tab or FIXED, the whole value in any case";
                break;
            case kKeyDelimited:
                known = "one character, or \\t for a tab";
                break;
            case kKeyLocFormat:
                known = "Num, Deg, Comp or DegNoSpace";
                break;
            case kKeyEleFormat:
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
    switch (effect.keyword) {
        case kKeyLocFormat:
            if (!IsOneOf(value, {"Num", "Deg", "Comp", "DegNoSpace"})) {
                warnings.Add(
                    line.number,
                    "LocFormat value " + Shown(value) + " is read by its beginning only, as a known style");
            }
            break;
        case kKeyEleFormat:
            if (!IsOneOf(value, {"", "F", "Ft", "Feet", "Foot", "M", "Metres", "Meters", "Metre", "Meter"})) {
                const bool metres = AsciiLower(value[0]) == 'm';
                warnings.Add(line.number,
                             "EleFormat value " + Shown(value) + " reads as " + (metres ? "metres" : "feet") +
                                 " (only its first letter counts)");
            }
            break;
        case kKeyDBType:
        case kKeyPalmDBType:
            if (!IsOneOf(value, {"Point", "Track", "Route", "Track2", "Route2", "Datum"})) {
                warnings.Add(
                    line.number,
                    keyword + " value " + Shown(value) + " is read by its beginning only, as a known kind");
            }
            break;
        case kKeyDelimited:
            if (value.size() > 1 && value != "\\t") {
                warnings.Add(
                    line.number,
                    "Delimited value " + Shown(value) + " is more than one character; only the first counts");
            }
            break;
        default:
            break;
    }
}

void CheckWidths(const DefinitionLine& line, const std::string& value, Warnings& warnings) {
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

void CheckTemplate(const DefinitionLine& line, const std::string& value, Warnings& warnings) {
    for (size_t open = value.find('['); open != std::string::npos; open = value.find('[', open + 1)) {
        const size_t close = value.find(']', open + 1);
        if (close == std::string::npos || close - open - 1 > 29) continue;
        const std::string token = value.substr(open + 1, close - open - 1);
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
KeywordLine CheckLine(const DefinitionLine& line, Warnings& warnings) {
    KeywordLine keywordLine;
    keywordLine.number = line.number;
    size_t start = line.text.find_first_not_of(' ');
    if (start == std::string::npos) return keywordLine;
    const std::string text = line.text.substr(start);
    if (text[0] == ';' || text[0] == '#' || text.compare(0, 2, "//") == 0) return keywordLine;
    const LineEffect effect = ExplainDefinitionLine(line.text);
    keywordLine.index = effect.keyword;
    keywordLine.value = effect.value;
    if (effect.keyword < 0) {
        if (!effect.hasValue) {
            warnings.Add(line.number,
                         Shown(text) + " is no keyword line (no '=' within 30 characters of its " +
                             "start, before any ';'); it is ignored");
        } else if (!effect.changed.empty()) {
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
    const std::string keyword = KeywordName(effect.keyword);
    switch (effect.keyword) {
        case kKeyFieldCount:
        case kKeyHeaderLines:
        case kKeyLatitude:
        case kKeyLongitude:
        case kKeyElevation:
        case kKeyTime:
        case kKeyName:
        case kKeyDesc:
        case kKeyDate:
            CheckNumber(line, keyword, effect.value, warnings);
            break;
        case kKeyIcon:
            if (effect.value.find(':') == std::string::npos)
                CheckNumber(line, keyword, effect.value, warnings);
            break;
        case kKeySource:
        case kKeyDelimited:
        case kKeyLocFormat:
        case kKeyDBType:
        case kKeyPalmDBType:
        case kKeyEleFormat:
            CheckChoice(line, effect, warnings);
            break;
        case kKeyFieldLen:
            CheckWidths(line, effect.value, warnings);
            break;
        case kKeyHeader:
            CheckTemplate(line, effect.value, warnings);
            break;
        case kKeyDefaultIcon:
            if (effect.value.size() > kDefaultIconMax) {
                warnings.Add(line.number,
                             "DefaultIcon is cut to " + std::to_string(kDefaultIconMax) + " characters");
            }
            break;
        case kKeyExt:
            if (effect.value.size() > kExtMax - 1) {
                warnings.Add(line.number, "Ext is cut to " + std::to_string(kExtMax - 1) + " characters");
            }
            break;
        default:
            break;
    }
    return keywordLine;
}

// Keywords the final layout has no use for.
void CheckLayoutFit(const KeywordLine& line, const DefinitionFacts& s, Warnings& warnings) {
    if (line.index < 0) return;
    const std::string keyword = KeywordName(line.index);
    if (s.layout == kLayoutGarmin) {
        switch (line.index) {
            case kKeyFieldCount:
            case kKeyDelimited:
            case kKeyLatitude:
            case kKeyLongitude:
            case kKeyElevation:
            case kKeyTime:
            case kKeyName:
            case kKeyIcon:
            case kKeyDesc:
            case kKeyDate:
            case kKeyLocFormat:
            case kKeyFieldLen:
            case kKeyHeader:
            case kKeyDefaultIcon:
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
    if (line.index == kKeyFieldLen && s.layout != kLayoutFixed) {
        warnings.Add(line.number,
                     "FieldLen applies to fixed-width columns (Source = FIXED) only; it is ignored");
    }
    if (line.index == kKeyDelimited && s.layout == kLayoutFixed) {
        warnings.Add(line.number, "Delimited does not apply to fixed-width columns; it is ignored");
    }
    const bool tabValue = line.value == "\\t" || line.value.compare(0, 1, "\t") == 0;
    if (line.index == kKeyDelimited && s.layout == kLayoutTab && !tabValue) {
        warnings.Add(line.number,
                     "a Tab layout always splits at tabs; Delimited " + Shown(line.value) + " is ignored");
    }
}

std::string CoordinateStyle(uint16_t style, bool latitude) {
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

std::string FieldStyle(const DefinitionFacts& s, int slot) {
    switch (slot) {
        case kSlotLatitude:
            return CoordinateStyle(s.locFormat, true);
        case kSlotLongitude:
            return CoordinateStyle(s.locFormat, false);
        case kSlotElevation:
            return s.eleFormat == 1 ? "metres" : "feet";
        case kSlotTime:
            if (s.columns[kSlotDate] >= 0 && s.layout != kLayoutFixed) {
                return "HHMMSS, the date column joined to it";
            }
            return "HHMMSS DDMMYYYY, or HH:MM:SS";
        case kSlotDate:
            return "DDMMYYYY, joined to the time";
        default:
            return "text";
    }
}

std::string DelimiterText(char c) {
    switch (c) {
        case ',':
            return ", (comma)";
        case ';':
            return "; (semicolon)";
        case '\t':
            return "tab";
        case ' ':
            return "space";
        default:
            return Shown(std::string(1, c));
    }
}

std::string LayoutName(const DefinitionFacts& s) {
    switch (s.layout) {
        case kLayoutComma:
            return "delimited text";
        case kLayoutTab:
            return "tab-separated text";
        case kLayoutGarmin:
            return "Garmin text";
        case kLayoutFixed:
            return "fixed-width columns";
        case kLayoutPcx5:
            return "PCX5 text (read split at the delimiter, written without one)";
        default:
            return "delimited text";
    }
}

std::string KindName(const DefinitionFacts& s) {
    std::string kind = KindText(s.kind);
    if (s.olderLayout && (s.kind == kKindTrack || s.kind == kKindRoute)) kind += " (older layout)";
    return kind;
}

std::vector<int> Widths(const std::string& fieldLen) {
    std::vector<int> widths;
    size_t start = 0;
    for (;;) {
        const size_t comma = fieldLen.find(',', start);
        const std::string entry =
            fieldLen.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (entry.empty()) break;
        widths.push_back(ReadLeadingInteger(entry).value);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return widths;
}

// The columns of a Waypoint line the tool reads; the altitude in the
// definition's unit.
std::vector<std::vector<std::string>> GarminTable(const DefinitionFacts& s) {
    return {
        {"Column", "Field", "Unit or style"},
        {"1", "line type", "Waypoint (other lines are skipped)"},
        {"2", "name", "text"},
        {"3", "description", "text"},
        {"5", "position", "hemisphere, degrees and minutes: N45 30.123 W122 40.456, or two decimal numbers"},
        {"6", "elevation", s.eleFormat == 1 ? "metres" : "feet"},
        {"11", "icon", "text"}};
}

std::vector<std::vector<std::string>> ColumnTable(const DefinitionFacts& s, Warnings& warnings) {
    const bool fixed = s.layout == kLayoutFixed;
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
            if (static_cast<size_t>(c) < widths.size()) {
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
            const auto& label = c < kFieldLabelCount ? s.labels[static_cast<size_t>(c)] : std::nullopt;
            row.push_back("-");
            row.push_back(label ? "written as " + Shown(*label) + ", not read" : std::string("not read"));
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
        }
    }
    if (fixed && s.columns[kSlotDate] >= 0) {
        warnings.Add(0,
                     "fixed-width lines have no date column: date (column " +
                         std::to_string(s.columns[kSlotDate] + 1) + ") is not read");
    }
    return rows;
}

}  // namespace

Explanation ExplainDefinition(const std::string& path) {
    const std::string text = ReadWholeFileOrFail(path, "format definition");
    Warnings warnings;
    std::vector<KeywordLine> keywordLines;
    for (const DefinitionLine& line : CutDefinitionLines(text, kDefinitionLineMax)) {
        keywordLines.push_back(CheckLine(line, warnings));
    }

    // What the library makes of the whole file, from its defaults.
    DefinitionRequest request;
    request.path = path;
    request.fromDefaults = true;
    const DefinitionFacts s = ReadDefinition(request);
    if (!s.read) FailConversion("cannot read the format definition '" + path + "'");
    for (const KeywordLine& line : keywordLines) CheckLayoutFit(line, s, warnings);

    std::ostringstream out;
    out << "Title:        " << (s.title ? Cp1252ToUtf8(*s.title) : std::string("(none)")) << "\n";
    out << "Layout:       " << LayoutName(s) << "\n";
    if (s.layout == kLayoutFixed) {
        out << "Widths:       "
            << (s.fieldWidths.empty() ? std::string("(none)") : Cp1252ToUtf8(s.fieldWidths)) << "\n";
    } else if (s.layout != kLayoutGarmin) {
        // A tab layout splits at tabs whatever Delimited says.
        out << "Delimiter:    " << DelimiterText(s.layout == kLayoutTab ? '\t' : s.delimiter) << "\n";
    }
    out << "Header lines: " << s.headerLines << "\n";
    if (s.header) out << "Header:       " << Cp1252ToUtf8(*s.header) << "\n";
    out << "Kind:         " << KindName(s) << "\n";
    out << "Extension:    "
        << (s.extension.empty() ? std::string("(none: by kind, .rlp, .rlt or .rlr)")
                                : Cp1252ToUtf8(s.extension))
        << "\n";
    if (s.layout != kLayoutGarmin && s.columns[kSlotIcon] < 0 && !s.defaultIcon.empty()) {
        out << "Icon:         " << Cp1252ToUtf8(s.defaultIcon) << " for every point\n";
    }
    if (s.title && IsImportOnly(*s.title)) {
        out << "Written:      never (import only: the tool reads through it and refuses to write)\n";
    } else if (s.layout != kLayoutGarmin) {
        out << "Written:      " << std::max(s.fieldCount, 0) << " column(s) (FieldCount)\n";
    }
    Explanation explained;
    if (s.layout == kLayoutGarmin) {
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

}  // namespace vezuved_cli
