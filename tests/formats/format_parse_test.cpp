// The definition parser: every keyword rule, the walk over lines (line ends,
// quotes, dropped characters, over-long lines) and the search for one wanted
// name. Each table case is checked against the whole state: it names only
// what it expects to change.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "formats/format_file.h"
#include "state_snapshot.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

using namespace std::string_literals;
using Edit = void (*)(StateSnapshot&);
#define SET(...) [](StateSnapshot& s) { __VA_ARGS__; }

struct ParseCase {
    std::string text;
    Edit expect;                   // null: nothing changes
    const char* wanted = nullptr;  // the name searched for
    bool stops = false;            // ParseFormatText's result
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << testing::PrintToString(c.text); }

const std::string k100(100, 'i'), k300(300, 'w'), k40(40, 'e'), kLong(600, 'x');
const std::string kKey29 = "Header" + std::string(18, ' ') + "Lines";

const std::vector<ParseCase> kKeywordCases = {
    // Keys: any case, spaces inside dropped, whole words only; numbers as atoi reads them.
    {"  F i e l d C o u n t=9", SET(s.fieldCount = 9)},
    {"FIELDCOUNT = -3", SET(s.fieldCount = -3)},
    {"FieldCount = +12abc", SET(s.fieldCount = 12)},
    {"FieldCount =", SET(s.fieldCount = 0)},
    {"FieldCounts = 9", SET(s.labels[0] = "9")},
    {"Count = 9", nullptr},  // a "Field" line; no keyword
    // Source: the whole value, any case.
    {"Source=Garmin ", nullptr},
    {"Source=garmin", SET(s.source = 3)},
    {"Source = PCX5", SET(s.source = 6)},
    {"Source=tab", SET(s.source = 2; s.delimited = '\t')},
    {"Source=Fixed", SET(s.source = 5)},
    {"Source=Comma", nullptr},
    // Delimited.
    {"Delimited=\\t", SET(s.source = 2; s.delimited = '\t')},
    {"Delimited= ;", SET(s.delimited = ';')},
    {"Source=Garmin\nDelimited=;", SET(s.source = 3; s.delimited = ';')},
    {"Source=Garmin\nDelimited=,", SET(s.source = 1)},
    {"Delimited=\\x", nullptr},
    // Column numbers, stored unchecked; icon is a column, or an icon text holding ':'.
    {"latitude=7", SET(s.map[0] = 7)},
    {"LONGITUDE = 8", SET(s.map[1] = 8)},
    {"elevation = -1", SET(s.map[2] = -1)},
    {"time=12", SET(s.map[3] = 12)},
    {"Name=0", SET(s.map[4] = 0)},
    {"desc=99", SET(s.map[6] = 99)},
    {"date = 4", SET(s.map[7] = 4)},
    {"icon=9", SET(s.map[5] = 9)},
    {"icon = :" + k100, SET(s.defaultIcon = (":" + k100).substr(0, 79); s.map[5] = -1)},
    // LocFormat: by the value's beginning.
    {"LocFormat=DegNoSpace", SET(s.locFormat = 3)},
    {"LocFormat=deg", SET(s.locFormat = 1)},
    {"LocFormat=DegNoSp", SET(s.locFormat = 1)},
    {"LocFormat=COMP", SET(s.locFormat = 2)},
    {"LocFormat=Com", nullptr},
    {"LocFormat=Deg\nLocFormat=Numeric", SET(s.locFormat = 0)},
    {"LocFormat=Deg\nLocFormat=UTM", SET(s.locFormat = 1)},
    // DBType and PalmDBType.
    {"DBType=Route2", SET(s.dbKind = 2; s.recordVersion = 2)},
    {"DBType=Routes", SET(s.dbKind = 2)},
    {"DBType=Waypoint", nullptr},
    {"DBType=Tracks", SET(s.dbKind = 1)},
    {"DBType=Datum", SET(s.dbKind = 6)},
    {"DBType=Route\nDBType=Points", SET(s.dbKind = 0)},
    {"Palm DB Type = Track2", SET(s.dbKind = 1; s.recordVersion = 2)},
    // EleFormat: the first character.
    {"EleFormat=m", SET(s.eleFormat = 1)},
    {"EleFormat=M\nEleFormat=feet", nullptr},
    {"EleFormat=M\nEleFormat=yards", SET(s.eleFormat = 1)},
    {"EleFormat=M\nEleFormat =", nullptr},
    // Texts, cut to their capacities; Ext gains its dot, and is cut to 35 characters.
    {"DefaultIcon = Waypoint  ", SET(s.defaultIcon = "Waypoint  ")},
    {"HeaderLines = 2", SET(s.headerLines = 2)},
    {"FieldLen = 10,20,5", SET(s.fieldLen = "10,20,5")},
    {"FieldLen = " + k300, SET(s.fieldLen = k300.substr(0, 255))},
    {"Header = Name,Lat,Lon", SET(s.header = "Name,Lat,Lon")},
    {"Header =", SET(s.header = "")},
    {"FormatTitle = Comma separated ", SET(s.formatTitle = "Comma separated ")},
    {"Ext=.txt", SET(s.ext = ".txt")},
    {"Ext=" + k40, SET(s.ext = "." + k40.substr(0, 34))},
    // The '=' must lie within 30 characters of the first non-space character.
    {kKey29 + "=4", SET(s.headerLines = 4)},
    {"    " + kKey29 + "=4", SET(s.headerLines = 4)},
    {kKey29 + " =4", nullptr},
    // Comment keywords, comment lines and lines without a usable '='.
    {"// = FieldCount=9", nullptr},
    {"# = 5", nullptr},
    {"; FieldCount = 9", nullptr},
    {"FieldCount ; = 9", nullptr},
    {"FieldCount 9", nullptr},
    {"= 9", nullptr},
    // Field labels.
    {"Field3=Latitude", SET(s.labels[3] = "Latitude")},
    {"Field32=x", nullptr},
    {"Field-1=x", nullptr},
    {"Field99999999999=x", nullptr},
    {"FieldX=zero", SET(s.labels[0] = "zero")},
    {"field31 = last ", SET(s.labels[31] = "last ")},
    {"Field 7 = seven", SET(s.labels[7] = "seven")},
    // Quotes: dropped, before the value's leading spaces are skipped; ';' and '=' inside are plain.
    {"Header = \"a;b=c\"", SET(s.header = "a;b=c")},
    {"\"FormatTitle\" = \"x\"y", SET(s.formatTitle = "xy")},
    {"FormatTitle = \"  padded  \"", SET(s.formatTitle = "padded  ")},
};

const std::vector<ParseCase> kWalkCases = {
    {"FieldCount=4\rHeaderLines=2", SET(s.fieldCount = 4; s.headerLines = 2)},    // CR
    {"Header=a\r\nFormatTitle=b\r\n", SET(s.header = "a"; s.formatTitle = "b")},  // CR LF
    {"Header=a\n\rFormatTitle=b", SET(s.header = "a"; s.formatTitle = "b")},      // LF CR: two line ends
    {"FieldCount=4\0HeaderLines=2"s, SET(s.fieldCount = 4; s.headerLines = 2)},   // NUL
    {"\n\n\r\n\0\nFieldCount=4\n\n"s, SET(s.fieldCount = 4)},                     // blank lines
    {"FieldCount=4\nFieldCount=5", SET(s.fieldCount = 5)},                        // later line wins
    {"Header = \"Name\nLat\r\nLon\"\nFieldCount=3", SET(s.header = "Name\nLat\r\nLon"; s.fieldCount = 3)},
    {"Field\aCount=\b9", SET(s.fieldCount = 9)},      // BEL and BS dropped outside quotes
    {"Header=\"a\a\bb\"", SET(s.header = "a\a\bb")},  // and kept inside them
    {"Header=\"ab\0cd\"\nFieldCount=2"s,
     SET(s.header = "ab"; s.fieldCount = 2)},  // a quoted NUL ends the value
    {"FieldCount=3\nHeader=\"abc\nFieldCount=9", SET(s.fieldCount = 3; s.header = "abc\nFieldCount=9")},
    // Over-long lines are cut to 511 characters (quoted too); the cut keeps the quote state.
    {"Header=" + kLong + "\nFieldCount=5", SET(s.header = std::string(504, 'x'); s.fieldCount = 5)},
    {"Header=\"" + kLong + "\nmore\"\nFieldCount=5", SET(s.header = std::string(504, 'x'); s.fieldCount = 5)},
    {"Header=" + kLong + "\"\nFieldCount=5\"\nHeaderLines=1",
     SET(s.header = std::string(504, 'x'); s.headerLines = 1)},
};

const std::vector<ParseCase> kSearchCases = {
    {"Source=Garmin\nFormatTitle = Title\nFieldCount=9",
     SET(s.source = 3; s.foundValue = "Title"),
     "FormatTitle",
     true},
    {"FormatTitle = T\nFieldCount=9", SET(s.foundValue = "T"), "formattitle", true},
    {"DBType = Track2\nFieldCount=9", SET(s.foundValue = "Track2"), "DBType", true},  // not applied
    {"Header =   \nFieldCount=9", SET(s.foundValue = ""), "Header", true},
    {"// = note\nFieldCount=3", SET(s.foundValue = "note"), "//", true},
    {"FieldCount=3\nExt=txt", SET(s.fieldCount = 3; s.ext = ".txt"), "FormatTitle", false},
    {"Field3=Lat\nFieldCount=9", SET(s.labels[3] = "Lat"; s.fieldCount = 9), "Field3", false},
    // A name that is no keyword stops at a bare line equal to it as a whole, any case.
    {"FieldCount=4\nMARKER\nHeaderLines=2", SET(s.fieldCount = 4; s.foundValue = ""), "Marker", true},
    {"FieldCount=4\n marker\nMarkers\nHeaderLines=2",
     SET(s.fieldCount = 4; s.headerLines = 2),
     "Marker",
     false},
    {"FormatTitle\nFieldCount=4", SET(s.fieldCount = 4), "FormatTitle", false},
};

class FormatRules : public FreshState, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(FormatRules, GiveTheirState) {
    const ParseCase& c = GetParam();
    ResetConversionState();
    StateSnapshot expected = StateSnapshot::Take();
    if (c.expect != nullptr) c.expect(expected);
    EXPECT_EQ(ParseFormatText(c.text.data(), c.text.size(), c.wanted), c.stops);
    EXPECT_EQ(StateSnapshot::Take(), expected);
}

INSTANTIATE_TEST_SUITE_P(Keywords, FormatRules, ::testing::ValuesIn(kKeywordCases));
INSTANTIATE_TEST_SUITE_P(Walk, FormatRules, ::testing::ValuesIn(kWalkCases));
INSTANTIATE_TEST_SUITE_P(Search, FormatRules, ::testing::ValuesIn(kSearchCases));

class FormatLines : public FreshState {};

TEST_F(FormatLines, ParseFormatLineGivesIndexAndValue) {
    struct {
        const char* line;
        int index;
        const char* value;
    } const cases[] = {
        // value null: no position
        {"   latitude   =   3  ", 3, "3  "},
        {"Ext = a = b", 20, "a = b"},
        {"Unknown = 1", -1, "1"},
        {"Field3 = Lat", -1, "Lat"},
        {"; FieldCount=1", -1, nullptr},
        {"FieldCount", -1, nullptr},
        {"=abc", -1, nullptr},
        {"\tFieldCount=1", -1, "1"},  // only spaces are skipped before the key
    };
    for (const auto& c : cases) {
        const char* value = "untouched";
        EXPECT_EQ(ParseFormatLine(c.line, &value), c.index) << '[' << c.line << ']';
        EXPECT_EQ(value ? std::string(value) : "<null>", c.value ? c.value : "<null>")
            << '[' << c.line << ']';
    }
    EXPECT_EQ(ParseFormatLine(nullptr, nullptr), -1);
    EXPECT_EQ(ParseFormatLine("Source=x", nullptr), 0);
    EXPECT_EQ(State().FieldLabel[3].value_or("<none>"), "Lat");
}

TEST_F(FormatLines, EveryKeywordIsFoundInAnyCase) {
    for (int i = 0; i < kFormatKeywordCount; ++i) {
        std::string upper = FormatKeywordName(i);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(FindFormatKeyword(FormatKeywordName(i)), i);
        EXPECT_EQ(ParseFormatLine((" " + upper + " = v").c_str(), nullptr), i) << upper;
    }
    EXPECT_EQ(FormatKeywordName(-1), nullptr);
    EXPECT_EQ(FormatKeywordName(kFormatKeywordCount), nullptr);
    for (const char* name : {"Field", "Sourc", static_cast<const char*>(nullptr)})
        EXPECT_EQ(FindFormatKeyword(name), -1);
}

// Indexes without effect are ignored; only the given length is read; the
// settings the reset leaves alone carry over to the next definition.
TEST_F(FormatLines, ApplyLengthAndCarryOver) {
    ResetConversionState();
    const StateSnapshot before = StateSnapshot::Take();
    for (int index : {-1, 21, 22, 23, 1000}) ApplyFormatKeyword(index, "Garmin");
    EXPECT_EQ(StateSnapshot::Take(), before);
    const std::string text = "FieldCount=4\nHeaderLines=2\nLocFormat=Comp\nEleFormat=m\nField4=four";
    ParseFormatText(text.data(), 13, nullptr);
    EXPECT_EQ(State().FieldCount, 4);
    EXPECT_EQ(State().HeaderLines, 0);
    ParseFormatText(text.data(), 11, nullptr);  // "FieldCount=" reads as 0, as does a missing value
    ApplyFormatKeyword(kKeyHeaderLines, nullptr);
    EXPECT_EQ(State().FieldCount, 0);
    EXPECT_EQ(State().HeaderLines, 0);
    EXPECT_FALSE(ParseFormatText(nullptr, 100, nullptr));
    ParseFormatText(text.data(), text.size(), nullptr);
    ResetConversionState();
    EXPECT_EQ(State().LocFormat, 2);
    EXPECT_EQ(State().EleFormat, 1);
    EXPECT_EQ(State().FieldLabel[4].value_or("<none>"), "four");
}

}  // namespace
