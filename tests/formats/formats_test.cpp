#include <gtest/gtest.h>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/memory.h"
#include "formats/format_catalogue.h"
#include "formats/format_file.h"
#include "platform/folder_search.h"
#include "platform/wildcard.h"
#include "state/conversion_state.h"
#include "support/diag_capture.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

namespace {

// What a definition can change in the conversion state, as one value: a
// case states only the fields it expects to differ from the reset.

struct StateSnapshot {
    uint16_t source = 0, recordVersion = 0, locFormat = 0, eleFormat = 0;
    char delimited = 0;
    int32_t fieldCount = 0, dbKind = 0, headerLines = 0;
    std::array<int16_t, 8> map{};
    std::string ext, fieldLen, defaultIcon;
    std::optional<std::string> header, formatTitle, foundValue;
    std::array<std::optional<std::string>, kFieldLabelCount> labels;

    static StateSnapshot Take() {
        const ConversionState& s = State();
        StateSnapshot t;
        t.source = s.Layout, t.recordVersion = s.RecordVersion, t.locFormat = s.LocFormat;
        t.eleFormat = s.EleFormat, t.delimited = s.Delimited, t.fieldCount = s.FieldCount;
        t.dbKind = s.DBKind, t.headerLines = s.HeaderLines, t.ext = s.Ext, t.fieldLen = s.FieldLen;
        t.defaultIcon = s.DefaultIcon, t.header = s.Header, t.formatTitle = s.FormatTitle;
        t.foundValue = s.FoundValue, t.labels = s.FieldLabel;
        for (size_t i = 0; i < t.map.size(); ++i) t.map[i] = s.FieldMap[i];
        return t;
    }
    bool operator==(const StateSnapshot& o) const {
        return source == o.source && delimited == o.delimited && recordVersion == o.recordVersion &&
               fieldCount == o.fieldCount && map == o.map && locFormat == o.locFormat &&
               eleFormat == o.eleFormat && dbKind == o.dbKind && headerLines == o.headerLines &&
               ext == o.ext && fieldLen == o.fieldLen && defaultIcon == o.defaultIcon && header == o.header &&
               formatTitle == o.formatTitle && foundValue == o.foundValue && labels == o.labels;
    }
};

// Changes the process's current folder for one scope.
struct CurrentFolderScope {
    explicit CurrentFolderScope(const std::string& folder) : saved(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolderScope() {
        std::error_code ignored;
        std::filesystem::current_path(saved, ignored);
    }
    std::filesystem::path saved;
};

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
    ResetConversionState(State());
    StateSnapshot expected = StateSnapshot::Take();
    if (c.expect != nullptr) c.expect(expected);
    EXPECT_EQ(ParseFormatText(State(), c.text.data(), c.text.size(), c.wanted), c.stops);
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
        EXPECT_EQ(ParseFormatLine(State(), c.line, &value), c.index) << '[' << c.line << ']';
        EXPECT_EQ(value ? std::string(value) : "<null>", c.value ? c.value : "<null>")
            << '[' << c.line << ']';
    }
    EXPECT_EQ(ParseFormatLine(State(), nullptr, nullptr), -1);
    EXPECT_EQ(ParseFormatLine(State(), "Source=x", nullptr), 0);
}

TEST_F(FormatLines, EveryKeywordIsFoundInAnyCase) {
    for (int i = 0; i < kFormatKeywordCount; ++i) {
        std::string upper = FormatKeywordName(i);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(FindFormatKeyword(FormatKeywordName(i)), i);
        EXPECT_EQ(ParseFormatLine(State(), (" " + upper + " = v").c_str(), nullptr), i) << upper;
    }
    EXPECT_EQ(FormatKeywordName(-1), nullptr);
    EXPECT_EQ(FormatKeywordName(kFormatKeywordCount), nullptr);
    for (const char* name : {"Field", "Sourc", static_cast<const char*>(nullptr)})
        EXPECT_EQ(FindFormatKeyword(name), -1);
}

// Indexes without effect are ignored; only the given length is read; the
// settings the reset leaves alone carry over to the next definition.
TEST_F(FormatLines, ApplyLengthAndCarryOver) {
    ResetConversionState(State());
    const StateSnapshot before = StateSnapshot::Take();
    for (int index : {-1, 21, 22, 23, 1000}) ApplyFormatKeyword(State(), index, "Garmin");
    EXPECT_EQ(StateSnapshot::Take(), before);
    const std::string text = "FieldCount=4\nHeaderLines=2\nLocFormat=Comp\nEleFormat=m\nField4=four";
    ParseFormatText(State(), text.data(), 13, nullptr);
    EXPECT_EQ(State().FieldCount, 4);
    EXPECT_EQ(State().HeaderLines, 0);
    ApplyFormatKeyword(State(), kKeyFieldCount, nullptr);  // a missing value reads as 0
    EXPECT_EQ(State().FieldCount, 0);
    EXPECT_FALSE(ParseFormatText(State(), nullptr, 100, nullptr));
    ParseFormatText(State(), text.data(), text.size(), nullptr);
    ResetConversionState(State());
    EXPECT_EQ(State().LocFormat, 2);
    EXPECT_EQ(State().EleFormat, 1);
    EXPECT_EQ(State().FieldLabel[4].value_or("<none>"), "four");
}

TEST(Wildcard, MatchesLikeThePcFileSystem) {
    struct {
        const char* pattern;
        const char* name;
        bool matches;
    } const cases[] = {
        {"*", "", true},
        {"*.*", "abc", true},
        {"*.CAL", "x.cal", true},
        {"*.cal", ".cal", true},
        {"*.cal", "x.cal.bak", false},
        {"?.cal", "a.cal", true},
        {"?.cal", ".cal", false},
        {"a?c", "ac", false},
        {"a*b*c", "abc", true},
        {"a*b*c", "aXbY", false},
        {"*?", "", false},
        {"foo.*", "foo", true},
        {"foo.*", "food", false},
        {"*.", "readme", true},
        {"*.", "read.me", false},
        {"", "a", false},
        {"\xe4*", "\xc4x", false},       // only ASCII letters fold
        {"ZONE.CAL", "zone.cal", true},  // the last letter folds too
        {"[.cal", "{.cal", false},       // and nothing beside the letters
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
    EXPECT_FALSE(WildcardMatch(nullptr, "a") || WildcardMatch("*", nullptr));
    const std::string name(20000, 'a');  // pathological patterns stay fast
    EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*b", name.c_str()));
    EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a", name.c_str()));
}

std::map<std::string, bool> Listing(const std::string& folder, const char* pattern) {  // name -> is a folder
    std::map<std::string, bool> seen;
    FolderSearch search;
    EXPECT_TRUE(search.Open(folder, pattern, PathEncoding::Ansi));
    for (FolderEntry entry; search.Next(entry);)
        EXPECT_TRUE(seen.emplace(entry.name, entry.isFolder).second) << entry.name;
    return seen;
}

TEST(FolderSearchTest, YieldsMatchingEntriesWithTheirKind) {
    TempFolder folder;
    for (const char* name : {"a.cal", "B.CAL", "c.txt"}) WriteFileBytes(folder.file(name), "x");
    std::filesystem::create_directory(folder.file("d.cal"));
    EXPECT_EQ(Listing(folder.path(), "*.cal"),
              (std::map<std::string, bool>{{"a.cal", 0}, {"B.CAL", 0}, {"d.cal", 1}}));
    EXPECT_EQ(Listing(folder.path(), "?.TXT"), (std::map<std::string, bool>{{"c.txt", false}}));
    // Every name but a folder's own "." and "..".
    EXPECT_EQ(Listing(folder.path(), "*"),
              (std::map<std::string, bool>{{"B.CAL", 0}, {"a.cal", 0}, {"c.txt", 0}, {"d.cal", 1}}));
    CurrentFolderScope here(folder.path());  // the empty folder text means the current folder
    EXPECT_EQ(std::filesystem::path(CurrentFolder(PathEncoding::Ansi)), std::filesystem::current_path());
    EXPECT_EQ(Listing("", "B.*"), (std::map<std::string, bool>{{"B.CAL", false}}));
    FolderSearch search, never;  // a missing folder, or a closed or never opened search, yields nothing
    FolderEntry entry;
    EXPECT_FALSE(search.Open(folder.file("missing"), "*", PathEncoding::Ansi) || search.Next(entry) ||
                 never.Next(entry));
    ASSERT_TRUE(search.Open("", "*.cal", PathEncoding::Ansi));
    search.Close();
    EXPECT_FALSE(search.Next(entry));
    // joining folder and name
    EXPECT_TRUE(IsPathSeparator('\\') && IsPathSeparator('/') && !IsPathSeparator(':'));
    EXPECT_EQ(JoinPath("dir", "x.cal"), "dir" + std::string(1, kPathSeparator) + "x.cal");
    EXPECT_EQ(JoinPath("dir\\", "x.cal"), "dir\\x.cal");
    EXPECT_EQ(JoinPath("", "x.cal"), "x.cal");
}

TEST(FormatPath, ExtensionReplacedOrAppended) {
    const std::string longest(kFormatPathMax, 'p');
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\data\\points.txt", "C:\\data\\points.cal"},
        {"C:\\data\\points", "C:\\data\\points.cal"},
        {"points.tar.gz", "points.tar.cal"},
        {"C:\\v1.2\\points", "C:\\v1.cal"},  // the last '.' of the whole path
        {"", ".cal"},
        {longest.c_str(), nullptr}};
    for (const auto& [given, definition] : cases) {
        std::string out = "untouched";
        EXPECT_TRUE(MakeFormatPath(given, out)) << given;
        EXPECT_EQ(out, definition ? definition : longest + ".cal") << given;
    }
    std::string out = "untouched";
    EXPECT_FALSE(MakeFormatPath(std::string(kFormatPathMax + 1, 'p').c_str(), out) ||
                 MakeFormatPath(nullptr, out));
    EXPECT_EQ(out, "untouched");
}

class FormatFiles : public FreshState {
protected:
    TempFolder folder;
    std::string Put(const std::string& name, const std::string& text) { return folder.put(name, text); }
};

TEST_F(FormatFiles, LoadsTheDefinitionBesideTheDataFile) {
    // Binary reading: nothing stops at a NUL or a Ctrl-Z; large files are read whole.
    Put("points.cal",
        std::string("FieldCount=4\0\x1a\nHeaderLines=2\n", 29) + std::string(20000, '\n') + "Ext=far");
    CapturedDiagnostics said;
    EXPECT_EQ(LoadFormatFile(State(), folder.file("points.txt").c_str(), nullptr), 0);
    EXPECT_EQ(State().FieldCount, 4);
    EXPECT_EQ(State().HeaderLines, 2);
    EXPECT_EQ(State().Ext, ".far");
    EXPECT_EQ(said.TakeOutput(), "");
}

TEST_F(FormatFiles, MissingEmptyNullOverlongAndOutOfMemoryChangeNothing) {
    ResetConversionState(State());
    const StateSnapshot reset = StateSnapshot::Take();
    const std::string empty = Put("empty.cal", ""), full = Put("mem.cal", "FieldCount=4\n");
    const std::string overlong = folder.path() + "/" + std::string(kFormatPathMax, 'n');
    CapturedDiagnostics said;
    EXPECT_EQ(LoadFormatFile(State(), folder.file("nothing.txt").c_str(), nullptr), -1);
    EXPECT_EQ(LoadFormatFile(State(), overlong.c_str(), nullptr), -1);
    EXPECT_EQ(LoadFormatFileAt(State(), folder.file("nothing.cal").c_str(), "Ext"), -1);
    EXPECT_EQ(said.TakeOutput(), "No Cal File\nNo Cal File\nNo Cal File\n");
    EXPECT_EQ(LoadFormatFile(State(), empty.c_str(), nullptr), 0);
    EXPECT_EQ(LoadFormatFile(State(), nullptr, nullptr), 0);
    EXPECT_EQ(LoadFormatFileAt(State(), nullptr, "Ext"), 0);
    FailAllocationAfter(1);  // running out of memory is a silent failure
    EXPECT_EQ(LoadFormatFile(State(), full.c_str(), nullptr), -1);
    FailAllocationAfter(0);
    EXPECT_EQ(said.TakeOutput(), "");
    EXPECT_EQ(StateSnapshot::Take(), reset);
}

// A lookup resets the state, applies the lines before the wanted one and
// frees what it read; a failure leaves the buffer empty and the length untouched.
TEST_F(FormatFiles, ValuesOfDefinitions) {
    constexpr int32_t kUnset = 1234;
    const std::string comma =
        Put("comma.cal", "Source=Garmin\nHeader=h\nFormatTitle = Comma\nDBType = Track2\nHeaderLines=4\n");
    Put("long.cal", "FormatTitle=" + std::string(2000, 't'));
    const std::string longest(kFormatLineMax - 12, 't');  // a value fits kFormatLineMax + 1 bytes
    const struct {
        const char* keyword;
        const char* file;
        std::string value;
        int32_t length;
    } cases[] = {
        // keyword null: the title; "": a null keyword
        {nullptr, "comma.txt", "Comma", 5},
        {"dbtype", "comma.cal", "Track2", 6},
        {"Field3", "comma", "", kUnset},
        {"", "comma.txt", "", kUnset},
        {nullptr, "long", longest, int32_t(longest.size())},
        {nullptr, "none", "", kUnset},
    };
    CapturedDiagnostics said;
    for (const auto& c : cases) {
        char buffer[kFormatLineMax + 1] = "stale";
        int32_t length = kUnset;
        const std::string path = folder.file(c.file);
        EXPECT_EQ(c.keyword
                      ? RLGetCalFileInfo(*c.keyword ? c.keyword : nullptr, path.c_str(), buffer, &length)
                      : RLGetCalFileTitle(path.c_str(), buffer, &length),
                  0);
        EXPECT_EQ(buffer, c.value) << (c.keyword ? c.keyword : "title") << ' ' << c.file;
        EXPECT_EQ(length, c.length) << (c.keyword ? c.keyword : "title") << ' ' << c.file;
        EXPECT_FALSE(State().FoundValue || State().FormatTitle || State().Header);
    }
    EXPECT_EQ(said.TakeOutput(), "No Cal File\n");
    char buffer[kFormatLineMax + 1] = "stale";  // either output may be left out
    int32_t length = kUnset;
    EXPECT_EQ(RLGetCalFileTitle(comma.c_str(), nullptr, &length), 0);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(RLGetCalFileTitle(comma.c_str(), buffer, nullptr), 0);
    EXPECT_STREQ(buffer, "Comma");
    EXPECT_EQ(RLGetCalFileInfo(nullptr, nullptr, nullptr, nullptr), 0);
    State().FieldCount = 99;
    RLGetCalFileInfo("DBType", comma.c_str(), buffer, nullptr);
    EXPECT_EQ(State().FieldCount, 7);   // reset first
    EXPECT_EQ(State().HeaderLines, 0);  // and nothing after the wanted line applied
}

// The search works on the current folder, so each case runs inside its own.
class ExtensionSearch : public FormatFiles {
protected:
    // The path found (kind in kind_), or the empty text.
    std::string Search(int32_t filter, const char* extension) {
        char out[kFormatSearchPathSize];
        std::memset(out, 'Z', sizeof out);
        kind_ = FindFormatForExtension(State(), filter, extension, out);
        return out;
    }
    std::string Here(const std::string& name) {
        return JoinPath(CurrentFolder(PathEncoding::Ansi), name.c_str());
    }
    int32_t kind_ = 0;
};

TEST_F(ExtensionSearch, KindFilterAndExtChooseAmongDefinitions) {
    CurrentFolderScope here(folder.path());
    CapturedDiagnostics said;  // an empty folder
    EXPECT_EQ(Search(65535, "txt"), "");
    EXPECT_EQ(kind_, 65535);
    EXPECT_EQ(said.TakeOutput(), "");
    EXPECT_EQ(FindFormatForExtension(State(), 65535, "txt", nullptr), 65535);
    const std::string e400(400, 'e'), e259(259, 'e');
    const std::string tooLong(kFormatSearchPathSize - Here(".cal").size(), 'n');  // its path: 260 characters
    const std::pair<std::string, std::string> files[] = {
        {"a_point.cal", "DBType=Point\nExt=txt\n"},
        {"b_track.cal", "DBType=Track\nExt=txt\n"},
        {"c_route.cal", "DBType=route\nExt=RTE\n"},
        {"notes.txt", "DBType=Route\nExt=txt\n"},
        {"datum.cal", "DBType=Datum\nExt=dat\n"},
        {"untyped.cal", "Ext=unt\n"},
        {"dotted.cal", "Ext=.csv\n"},
        {"long.cal", "DBType=" + std::string(400, 'T') + "\nExt=" + e400 + "\n"},
        {tooLong + ".cal", "Ext=nnn\n"},
        {"UPPER.CAL", "DBType=Route\nExt=GpX\n"}};
    for (const auto& [name, text] : files) Put(name, text);
    std::filesystem::create_directory(folder.file("d_folder.cal"));
    struct {
        int32_t filter;
        const char* ext;
        const char* found;
        int32_t kind;
    } const cases[] = {
        {1, "txt", "b_track.cal", 1},
        {0, "TXT", "a_point.cal", 0},
        {2, "rte", "c_route.cal", 2},
        {2, "txt", nullptr, 65535},
        {65535, "csv", nullptr, 65535},
        {65535, nullptr, nullptr, 65535},
        {65535, ".csv", "dotted.cal", 65535},  // Ext is compared as written, no dot added
        {2, "dat", "datum.cal", 65535},
        {0, "unt", "untyped.cal", 65535},  // a missing or unknown kind never filters
        {1, e400.c_str(), nullptr, 65535},
        {1, e259.c_str(), "long.cal", 65535},  // values are cut at 259
        {65535, "nnn", nullptr, 65535},        // a path that would not fit is passed over
        {2, "gpx", "UPPER.CAL", 2},            // names match any case; the file is read by its own name
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Search(c.filter, c.ext), c.found ? Here(c.found) : "")
            << c.filter << ' ' << (c.ext ? c.ext : "null");
        EXPECT_EQ(kind_, c.kind);
    }
    EXPECT_EQ(State().DBKind, 2);  // the state keeps what the last definition examined left
    // With any kind, the first of the two "txt" definitions the folder search yields.
    FolderSearch search;
    ASSERT_TRUE(search.Open(folder.path(), "*_*.cal", PathEncoding::Ansi));
    FolderEntry first;
    while (search.Next(first) && first.name != "a_point.cal" && first.name != "b_track.cal") {
    }
    EXPECT_EQ(Search(65535, "txt"), Here(first.name));
    EXPECT_EQ(kind_, first.name == "a_point.cal" ? 0 : 1);
}

}  // namespace
