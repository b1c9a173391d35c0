// The walk over a definition's text: line ends, quotes, dropped characters,
// over-long lines and the search for one wanted name.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "formats/format_file.h"
#include "state_snapshot.h"
#include "support/test_support.h"

namespace {

using namespace std::string_literals;
using Edit = void (*)(StateSnapshot&);

struct WalkCase {
    const char* what;
    std::string text;
    Edit expect;
};

const std::string kLong(600, 'x');

const std::vector<WalkCase>& WalkCases() {
    static const std::vector<WalkCase> cases = {
        {"LF", "FieldCount=4\nHeaderLines=2\n",
         [](StateSnapshot& s) { s.fieldCount = 4; s.headerLines = 2; }},
        {"CR", "FieldCount=4\rHeaderLines=2",
         [](StateSnapshot& s) { s.fieldCount = 4; s.headerLines = 2; }},
        {"CR LF", "Header=a\r\nFormatTitle=b\r\n",
         [](StateSnapshot& s) { s.header = "a"; s.formatTitle = "b"; }},
        {"LF CR is two line ends", "Header=a\n\rFormatTitle=b",
         [](StateSnapshot& s) { s.header = "a"; s.formatTitle = "b"; }},
        {"NUL", "FieldCount=4\0HeaderLines=2"s,
         [](StateSnapshot& s) { s.fieldCount = 4; s.headerLines = 2; }},
        {"blank lines", "\n\n\r\n\0\nFieldCount=4\n\n"s, [](StateSnapshot& s) { s.fieldCount = 4; }},
        {"last line without end", "HeaderLines=2\nFieldCount=4",
         [](StateSnapshot& s) { s.fieldCount = 4; s.headerLines = 2; }},
        {"later line wins", "FieldCount=4\nFieldCount=5", [](StateSnapshot& s) { s.fieldCount = 5; }},
        {"quoted value spans lines", "Header = \"Name\nLat\r\nLon\"\nFieldCount=3",
         [](StateSnapshot& s) { s.header = "Name\nLat\r\nLon"; s.fieldCount = 3; }},
        {"empty quotes", "Header=\"\"", [](StateSnapshot& s) { s.header = ""; }},
        {"BEL and BS dropped outside quotes", "Field\aCount=\b9", [](StateSnapshot& s) { s.fieldCount = 9; }},
        {"BEL and BS kept inside quotes", "Header=\"a\a\bb\"", [](StateSnapshot& s) { s.header = "a\a\bb"; }},
        {"quoted NUL ends the value", "Header=\"ab\0cd\"\nFieldCount=2"s,
         [](StateSnapshot& s) { s.header = "ab"; s.fieldCount = 2; }},
        {"unbalanced quote runs to the end", "FieldCount=3\nHeader=\"abc\nFieldCount=9",
         [](StateSnapshot& s) { s.fieldCount = 3; s.header = "abc\nFieldCount=9"; }},
        {"over-long line is cut", "Header=" + kLong + "\nFieldCount=5",
         [](StateSnapshot& s) { s.header = std::string(511 - 7, 'x'); s.fieldCount = 5; }},
        {"over-long quoted line is cut", "Header=\"" + kLong + "\nmore\"\nFieldCount=5",
         [](StateSnapshot& s) { s.header = std::string(511 - 7, 'x'); s.fieldCount = 5; }},
        {"line of exactly 511", "Header=" + std::string(504, 'y'),
         [](StateSnapshot& s) { s.header = std::string(504, 'y'); }},
        {"cut line keeps quote state", "Header=" + kLong + "\"\nFieldCount=5\"\nHeaderLines=1",
         [](StateSnapshot& s) { s.header = std::string(504, 'x'); s.headerLines = 1; }},
        {"over-long key line is ignored", kLong + "=1\nFieldCount=5", [](StateSnapshot& s) { s.fieldCount = 5; }},
    };
    return cases;
}

class WalkRules : public FreshState, public ::testing::WithParamInterface<size_t> {};

TEST_P(WalkRules, GiveTheirState) {
    const WalkCase& c = WalkCases()[GetParam()];
    ResetConversionState();
    StateSnapshot expected = StateSnapshot::Take();
    c.expect(expected);
    EXPECT_FALSE(ParseFormatText(c.text.data(), c.text.size(), nullptr));
    EXPECT_EQ(StateSnapshot::Take(), expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, WalkRules, ::testing::Range<size_t>(0, WalkCases().size()));

TEST_F(FreshState, OnlyTheGivenLengthIsRead) {
    const std::string text = "FieldCount=4\nHeaderLines=2";
    ResetConversionState();
    ParseFormatText(text.data(), 13, nullptr);
    EXPECT_EQ(State().FieldCount, 4);
    EXPECT_EQ(State().HeaderLines, 0);
    ParseFormatText(text.data(), 13 + 13, nullptr);  // "HeaderLines=2" ends with the length
    EXPECT_EQ(State().HeaderLines, 2);
    ResetConversionState();
    ParseFormatText(text.data(), 11, nullptr);  // "FieldCount=" reads as 0
    EXPECT_EQ(State().FieldCount, 0);
    EXPECT_FALSE(ParseFormatText(nullptr, 100, nullptr));
}

// The sample comma-separated definition and the state it gives.
TEST_F(FreshState, SampleDefinition) {
    const std::string text =
        "; points as name, latitude, longitude, note\n"
        "FormatTitle = Comma separated, degrees\n"
        "Delimited = ,\n"
        "FieldCount = 4\n"
        "name = 0\n"
        "latitude = 1\n"
        "longitude = 2\n"
        "desc = 3\n"
        "elevation = -1\n"
        "time = -1\n"
        "icon = -1\n"
        "LocFormat = Deg\n"
        "DBType = Point\n"
        "Ext = txt\n";
    ResetConversionState();
    StateSnapshot expected = StateSnapshot::Take();
    expected.source = 1;
    expected.delimited = ',';
    expected.fieldCount = 4;
    expected.map = {1, 2, -1, -1, 0, -1, 3, -1};
    expected.locFormat = 1;
    expected.dbKind = 0;
    expected.ext = ".txt";
    expected.formatTitle = "Comma separated, degrees";
    ParseFormatText(text.data(), text.size(), nullptr);
    EXPECT_EQ(StateSnapshot::Take(), expected);
}

struct SearchCase {
    const char* what;
    std::string text;
    const char* wanted;
    bool stops;
    Edit expect;
};

const std::vector<SearchCase>& SearchCases() {
    static const std::vector<SearchCase> cases = {
        {"stops at the wanted keyword",
         "Source=Garmin\nFormatTitle = Title\nFieldCount=9", "FormatTitle", true,
         [](StateSnapshot& s) { s.source = 3; s.foundValue = "Title"; }},
        {"wanted name in any case", "FormatTitle = T\nFieldCount=9", "formattitle", true,
         [](StateSnapshot& s) { s.foundValue = "T"; }},
        {"wanted line is not applied", "DBType = Track2\nFieldCount=9", "DBType", true,
         [](StateSnapshot& s) { s.foundValue = "Track2"; }},
        {"first of two wanted lines", "Ext=a\nExt=b", "Ext", true,
         [](StateSnapshot& s) { s.foundValue = "a"; }},
        {"spelling in the file differs", "palm db type = Route\nExt=b", "PalmDBType", true,
         [](StateSnapshot& s) { s.foundValue = "Route"; }},
        {"empty value found", "Header =   \nFieldCount=9", "Header", true,
         [](StateSnapshot& s) { s.foundValue = ""; }},
        {"comment keyword", "// = note\nFieldCount=3", "//", true,
         [](StateSnapshot& s) { s.foundValue = "note"; }},
        {"missing keyword applies everything", "FieldCount=3\nExt=txt", "FormatTitle", false,
         [](StateSnapshot& s) { s.fieldCount = 3; s.ext = ".txt"; }},
        {"field label is no keyword", "Field3=Lat\nFieldCount=9", "Field3", false,
         [](StateSnapshot& s) { s.labels[3] = "Lat"; s.fieldCount = 9; }},
        {"bare line equal to a non-keyword name", "FieldCount=4\nMARKER\nHeaderLines=2", "Marker", true,
         [](StateSnapshot& s) { s.fieldCount = 4; s.foundValue = ""; }},
        {"bare line must equal as a whole", "FieldCount=4\n marker\nMarkers\nHeaderLines=2", "Marker",
         false, [](StateSnapshot& s) { s.fieldCount = 4; s.headerLines = 2; }},
        {"bare keyword name is no stop for a keyword", "FormatTitle\nFieldCount=4", "FormatTitle", false,
         [](StateSnapshot& s) { s.fieldCount = 4; }},
        {"bare line as last line", "FieldCount=4\nField3", "Field3", true,
         [](StateSnapshot& s) { s.fieldCount = 4; s.foundValue = ""; }},
        {"null wanted applies everything", "FormatTitle=T\nFieldCount=4", nullptr, false,
         [](StateSnapshot& s) { s.formatTitle = "T"; s.fieldCount = 4; }},
    };
    return cases;
}

class SearchRules : public FreshState, public ::testing::WithParamInterface<size_t> {};

TEST_P(SearchRules, StopTheWalk) {
    const SearchCase& c = SearchCases()[GetParam()];
    ResetConversionState();
    StateSnapshot expected = StateSnapshot::Take();
    c.expect(expected);
    EXPECT_EQ(ParseFormatText(c.text.data(), c.text.size(), c.wanted), c.stops) << c.what;
    EXPECT_EQ(StateSnapshot::Take(), expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, SearchRules, ::testing::Range<size_t>(0, SearchCases().size()));

// Hostile texts: whatever they hold, the walk ends and keeps within bounds.
TEST_F(FreshState, HostileTextsNeverCrash) {
    std::mt19937 random(20240611u);
    std::vector<std::string> texts;
    std::string garbage(100 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random() & 0xff);
    texts.push_back(garbage);
    std::string printable(100 * 1024, ' ');
    const char alphabet[] = "Field=\"; \r\n\a\bFormatTitle#/0123456789Ext.";
    for (char& c : printable) c = alphabet[random() % (sizeof alphabet - 1)];
    texts.push_back(printable);
    texts.push_back(std::string(1 << 20, 'A'));                   // one huge line
    texts.push_back("Header=\"" + std::string(1 << 20, 'q'));     // quote never closed
    texts.push_back(std::string(64 * 1024, '"'));                 // only quotes
    texts.push_back(std::string(64 * 1024, '\0'));                // only NULs
    texts.push_back(std::string(64 * 1024, '='));                 // only '='
    std::string labels;
    for (int round = 0; round < 100; ++round) {
        for (int n = -2; n < 40; ++n) labels += "Field" + std::to_string(n) + "=" + std::string(600, 'l') + "\n";
    }
    texts.push_back(labels);

    for (const std::string& text : texts) {
        for (const char* wanted : {static_cast<const char*>(nullptr), "FormatTitle", "Field3", ""}) {
            ResetConversionState();
            ParseFormatText(text.data(), text.size(), wanted);
            const ConversionState& s = State();
            EXPECT_LE(s.Ext.size(), kExtMax);
            EXPECT_LE(s.FieldLen.size(), kFieldLenMax);
            EXPECT_LE(s.DefaultIcon.size(), kDefaultIconMax);
            if (s.Header) {
                EXPECT_LE(s.Header->size(), kFormatLineMax);
            }
            if (s.FoundValue) {
                EXPECT_LE(s.FoundValue->size(), kFormatLineMax);
            }
            for (const auto& label : s.FieldLabel) {
                if (label) {
                    EXPECT_LE(label->size(), kFormatLineMax);
                }
            }
            FreeFormatStrings();
        }
    }
}

}  // namespace
