// Each keyword rule, one definition text per case, checked against the whole
// state: a case names only what it expects to change.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "formats/format_file.h"
#include "state_snapshot.h"
#include "support/test_support.h"

namespace {

using Edit = void (*)(StateSnapshot&);

struct KeywordCase {
    std::string text;
    Edit expect;
};

void Nothing(StateSnapshot&) {}

const std::string k100(100, 'i');
const std::string k300(300, 'w');
const std::string k40(40, 'e');

const std::vector<KeywordCase>& KeywordCases() {
    static const std::vector<KeywordCase> cases = {
        // Keys: any case, spaces inside dropped, whole words only.
        {"fieldcount=9", [](StateSnapshot& s) { s.fieldCount = 9; }},
        {"Field Count = 9", [](StateSnapshot& s) { s.fieldCount = 9; }},
        {"  F i e l d C o u n t=9", [](StateSnapshot& s) { s.fieldCount = 9; }},
        {"FIELDCOUNT = -3", [](StateSnapshot& s) { s.fieldCount = -3; }},
        {"FieldCount = +12abc", [](StateSnapshot& s) { s.fieldCount = 12; }},
        {"FieldCount = abc", [](StateSnapshot& s) { s.fieldCount = 0; }},
        {"FieldCount =", [](StateSnapshot& s) { s.fieldCount = 0; }},
        {"FieldCount = 9 ; nine columns", [](StateSnapshot& s) { s.fieldCount = 9; }},
        {"FieldCounts = 9", [](StateSnapshot& s) { s.labels[0] = "9"; }},  // a "Field" line
        {"Count = 9", Nothing},
        // Source: the whole value, any case.
        {"Source=Garmin ", Nothing},
        {"Source=garmin", [](StateSnapshot& s) { s.source = 3; }},
        {"Source = PCX5", [](StateSnapshot& s) { s.source = 6; }},
        {"Source=pcx", Nothing},
        {"Source=tab", [](StateSnapshot& s) { s.source = 2; s.delimited = '\t'; }},
        {"Source=Fixed", [](StateSnapshot& s) { s.source = 5; }},
        {"Source=Comma", Nothing},
        {"Source=", Nothing},
        // Delimited.
        {"Delimited=\\t", [](StateSnapshot& s) { s.source = 2; s.delimited = '\t'; }},
        {"Source=Garmin\nDelimited=;", [](StateSnapshot& s) { s.source = 3; s.delimited = ';'; }},
        {"Source=Garmin\nDelimited=,", [](StateSnapshot& s) { s.source = 1; }},
        {"Delimited=|", [](StateSnapshot& s) { s.delimited = '|'; }},
        {"Delimited=\\x", Nothing},
        {"Delimited=\\", Nothing},
        {"Delimited=", Nothing},
        {"Delimited= ;", [](StateSnapshot& s) { s.delimited = ';'; }},
        // Column numbers, stored unchecked.
        {"latitude=7", [](StateSnapshot& s) { s.map[0] = 7; }},
        {"LONGITUDE = 8", [](StateSnapshot& s) { s.map[1] = 8; }},
        {"elevation = -1", [](StateSnapshot& s) { s.map[2] = -1; }},
        {"time=12", [](StateSnapshot& s) { s.map[3] = 12; }},
        {"Name=0", [](StateSnapshot& s) { s.map[4] = 0; }},
        {"desc=99", [](StateSnapshot& s) { s.map[6] = 99; }},
        {"date = 4", [](StateSnapshot& s) { s.map[7] = 4; }},
        {"date = none", [](StateSnapshot& s) { s.map[7] = 0; }},
        // icon: a column, or an icon text holding ':'.
        {"icon=9", [](StateSnapshot& s) { s.map[5] = 9; }},
        {"icon = Flag: red", [](StateSnapshot& s) { s.defaultIcon = "Flag: red"; s.map[5] = -1; }},
        {"icon = :" + k100, [](StateSnapshot& s) { s.defaultIcon = (":" + k100).substr(0, 79); s.map[5] = -1; }},
        // LocFormat: by the value's beginning.
        {"LocFormat=DegNoSpace", [](StateSnapshot& s) { s.locFormat = 3; }},
        {"LocFormat=Degrees", [](StateSnapshot& s) { s.locFormat = 1; }},
        {"LocFormat=deg", [](StateSnapshot& s) { s.locFormat = 1; }},
        {"LocFormat=DegNoSp", [](StateSnapshot& s) { s.locFormat = 1; }},
        {"LocFormat=Compass", [](StateSnapshot& s) { s.locFormat = 2; }},
        {"LocFormat=COMP", [](StateSnapshot& s) { s.locFormat = 2; }},
        {"LocFormat=Com", Nothing},
        {"LocFormat=UTM", Nothing},
        {"LocFormat=Deg\nLocFormat=Numeric", [](StateSnapshot& s) { s.locFormat = 0; }},
        {"LocFormat=Deg\nLocFormat=UTM", [](StateSnapshot& s) { s.locFormat = 1; }},
        // DBType and PalmDBType.
        {"DBType=Route2", [](StateSnapshot& s) { s.dbKind = 2; s.recordVersion = 2; }},
        {"DBType=Routes", [](StateSnapshot& s) { s.dbKind = 2; }},
        {"DBType=Waypoint", Nothing},
        {"DBType=track2", [](StateSnapshot& s) { s.dbKind = 1; s.recordVersion = 2; }},
        {"DBType=Tracks", [](StateSnapshot& s) { s.dbKind = 1; }},
        {"DBType=Datum", [](StateSnapshot& s) { s.dbKind = 6; }},
        {"DBType=Route\nDBType=Points", [](StateSnapshot& s) { s.dbKind = 0; }},
        {"PalmDBType=Route", [](StateSnapshot& s) { s.dbKind = 2; }},
        {"Palm DB Type = Track2", [](StateSnapshot& s) { s.dbKind = 1; s.recordVersion = 2; }},
        // EleFormat: the first character.
        {"EleFormat=Metres", [](StateSnapshot& s) { s.eleFormat = 1; }},
        {"EleFormat=m", [](StateSnapshot& s) { s.eleFormat = 1; }},
        {"EleFormat=M\nEleFormat=feet", Nothing},
        {"EleFormat=M\nEleFormat=", Nothing},
        {"EleFormat=M\nEleFormat=yards", [](StateSnapshot& s) { s.eleFormat = 1; }},
        // Texts, cut to their capacities.
        {"DefaultIcon = Waypoint  ", [](StateSnapshot& s) { s.defaultIcon = "Waypoint  "; }},
        {"DefaultIcon = " + k100, [](StateSnapshot& s) { s.defaultIcon = k100.substr(0, 79); }},
        {"HeaderLines = 2", [](StateSnapshot& s) { s.headerLines = 2; }},
        {"Header Lines = 3", [](StateSnapshot& s) { s.headerLines = 3; }},
        {"FieldLen = 10,20,5", [](StateSnapshot& s) { s.fieldLen = "10,20,5"; }},
        {"FieldLen = " + k300, [](StateSnapshot& s) { s.fieldLen = k300.substr(0, 255); }},
        {"Header = Name,Lat,Lon", [](StateSnapshot& s) { s.header = "Name,Lat,Lon"; }},
        {"Header =", [](StateSnapshot& s) { s.header = ""; }},
        {"FormatTitle = Comma separated ", [](StateSnapshot& s) { s.formatTitle = "Comma separated "; }},
        {"FormatTitle = A\nFormatTitle = B", [](StateSnapshot& s) { s.formatTitle = "B"; }},
        // Ext gains its dot; longer ones are cut to 35 characters.
        {"Ext=txt", [](StateSnapshot& s) { s.ext = ".txt"; }},
        {"Ext=.txt", [](StateSnapshot& s) { s.ext = ".txt"; }},
        {"Ext=" + k40, [](StateSnapshot& s) { s.ext = "." + k40.substr(0, 34); }},
        {"Ext=." + k40, [](StateSnapshot& s) { s.ext = "." + k40.substr(0, 34); }},
        // Comment keywords and comment lines.
        {"// = FieldCount=9", Nothing},
        {"# = 5", Nothing},
        {"#=x", Nothing},
        {"; FieldCount = 9", Nothing},
        {"FieldCount ; = 9", Nothing},
        {"FieldCount 9", Nothing},
        {"= 9", Nothing},
        {"   = 9", Nothing},
        // Field labels.
        {"Field3=Latitude", [](StateSnapshot& s) { s.labels[3] = "Latitude"; }},
        {"Field32=x", Nothing},
        {"Field-1=x", Nothing},
        {"Field99999999999=x", Nothing},
        {"Field=zero", [](StateSnapshot& s) { s.labels[0] = "zero"; }},
        {"FieldX=zero", [](StateSnapshot& s) { s.labels[0] = "zero"; }},
        {"field31 = last ", [](StateSnapshot& s) { s.labels[31] = "last "; }},
        {"Field 7 = seven", [](StateSnapshot& s) { s.labels[7] = "seven"; }},
        {"Field2=a\nField2=b", [](StateSnapshot& s) { s.labels[2] = "b"; }},
        {"Fiel3=x", Nothing},
        // Quotes: dropped; ';' and '=' inside them are plain characters.
        {"Header = \"a;b=c\"", [](StateSnapshot& s) { s.header = "a;b=c"; }},
        {"\"FormatTitle\" = \"x\"y", [](StateSnapshot& s) { s.formatTitle = "xy"; }},
        // Quotes go before the value's leading spaces are skipped.
        {"FormatTitle = \"  padded  \"", [](StateSnapshot& s) { s.formatTitle = "padded  "; }},
    };
    return cases;
}

class KeywordRules : public FreshState, public ::testing::WithParamInterface<size_t> {};

TEST_P(KeywordRules, GiveTheirState) {
    const KeywordCase& c = KeywordCases()[GetParam()];
    ResetConversionState();
    StateSnapshot expected = StateSnapshot::Take();
    c.expect(expected);
    EXPECT_FALSE(ParseFormatText(c.text.data(), c.text.size(), nullptr));
    EXPECT_EQ(StateSnapshot::Take(), expected) << "definition: " << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, KeywordRules,
                         ::testing::Range<size_t>(0, KeywordCases().size()));

// The '=' must lie within 30 characters of the first non-space character.
struct ReachCase {
    std::string line;
    bool applied;
};

TEST_F(FreshState, KeyReachIsThirtyCharacters) {
    const std::string key29 = "Header" + std::string(18, ' ') + "Lines";  // 29 characters
    ASSERT_EQ(key29.size(), 29u);
    const std::vector<ReachCase> cases = {
        {key29 + "=4", true},
        {key29 + " =4", false},
        {"        " + key29 + "=4", true},
        {"HeaderLines" + std::string(19, ' ') + "=4", false},
        {std::string(30, 'k') + "=4", false},
        {std::string(29, 'k') + "=4", false},  // reachable but no keyword
    };
    for (const ReachCase& c : cases) {
        ResetConversionState();
        ParseFormatText(c.line.data(), c.line.size(), nullptr);
        EXPECT_EQ(State().HeaderLines, c.applied ? 4 : 0) << '[' << c.line << ']';
    }
}

struct LineCase {
    const char* line;
    int index;
    const char* value;  // null: no value position
};

TEST_F(FreshState, ParseFormatLineGivesIndexAndValue) {
    const LineCase cases[] = {
        {"Source=PCX5", 0, "PCX5"},
        {"   latitude   =   3  ", 3, "3  "},
        {"FormatTitle=", 19, ""},
        {"Ext = a = b", 20, "a = b"},
        {"// = y", 21, "y"},
        {"#=x", 22, "x"},
        {"Unknown = 1", -1, "1"},
        {"Field3 = Lat", -1, "Lat"},
        {"; FieldCount=1", -1, nullptr},
        {"FieldCount", -1, nullptr},
        {"", -1, nullptr},
        {"     ", -1, nullptr},
        {"=abc", -1, nullptr},
        {"\tFieldCount=1", -1, "1"},  // only spaces are skipped before the key
    };
    for (const LineCase& c : cases) {
        const char* value = "untouched";
        EXPECT_EQ(ParseFormatLine(c.line, &value), c.index) << '[' << c.line << ']';
        if (c.value == nullptr) {
            EXPECT_EQ(value, nullptr) << '[' << c.line << ']';
        } else {
            ASSERT_NE(value, nullptr) << '[' << c.line << ']';
            EXPECT_STREQ(value, c.value) << '[' << c.line << ']';
        }
    }
    EXPECT_EQ(ParseFormatLine(nullptr, nullptr), -1);
    EXPECT_EQ(ParseFormatLine("Source=x", nullptr), 0);
    ASSERT_TRUE(State().FieldLabel[3].has_value());
    EXPECT_EQ(*State().FieldLabel[3], "Lat");
}

TEST_F(FreshState, EveryKeywordIsFoundInAnyCase) {
    for (int i = 0; i < kFormatKeywordCount; ++i) {
        const std::string name = FormatKeywordName(i);
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(FindFormatKeyword(name.c_str()), i) << name;
        EXPECT_EQ(FindFormatKeyword(upper.c_str()), i) << upper;
        const std::string line = " " + upper + " = v";
        EXPECT_EQ(ParseFormatLine(line.c_str(), nullptr), i) << line;
    }
    EXPECT_EQ(FormatKeywordName(-1), nullptr);
    EXPECT_EQ(FormatKeywordName(kFormatKeywordCount), nullptr);
    EXPECT_EQ(FindFormatKeyword("Field"), -1);
    EXPECT_EQ(FindFormatKeyword("Sourc"), -1);
    EXPECT_EQ(FindFormatKeyword(nullptr), -1);
    EXPECT_STREQ(FormatKeywordName(kKeySource), "Source");
    EXPECT_STREQ(FormatKeywordName(kKeyDate), "date");
    EXPECT_STREQ(FormatKeywordName(kKeyHashComment), "#");
}

TEST_F(FreshState, ApplyIgnoresIndexesWithoutEffect) {
    ResetConversionState();
    const StateSnapshot before = StateSnapshot::Take();
    for (int index : {-1, 21, 22, 23, 1000}) ApplyFormatKeyword(index, "Garmin");
    EXPECT_EQ(StateSnapshot::Take(), before);
    ApplyFormatKeyword(kKeyFieldCount, nullptr);
    EXPECT_EQ(State().FieldCount, 0);
}

TEST_F(FreshState, SettingsTheResetLeavesAloneCarryOver) {
    const std::string first = "LocFormat=Comp\nEleFormat=m\nField4=four";
    ResetConversionState();
    ParseFormatText(first.data(), first.size(), nullptr);
    ResetConversionState();
    const std::string second = "FieldCount=3";
    ParseFormatText(second.data(), second.size(), nullptr);
    EXPECT_EQ(State().LocFormat, 2);
    EXPECT_EQ(State().EleFormat, 1);
    ASSERT_TRUE(State().FieldLabel[4].has_value());
    EXPECT_EQ(*State().FieldLabel[4], "four");
}

}  // namespace
