// Text described by a ".cal" definition read into a collection: the exact
// values of each layout, what a record would drop, the encodings, bad
// lines as warnings or a strict failure, and hostile files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core_text.h"
#include "state/conversion_state.h"
#include "support/test_support.h"
#include "vezuved/vezuved_core.h"

using core_test::Message;
using core_test::Shortest;
using core_test::Summary;
using core_test::Warnings;

namespace {

struct Collection {
    Collection() : handle(vezuved_collection_new()) {}
    ~Collection() { vezuved_collection_free(handle); }
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;
    vezuved_collection* handle;
};

// Name, latitude, longitude, elevation and note, in metres.
const char kCommaMetres[] =
    "FormatTitle = Comma\nDelimited = ,\nFieldCount = 5\nname = 0\nlatitude = 1\nlongitude = 2\n"
    "elevation = 3\ndesc = 4\ntime = -1\nicon = -1\nLocFormat = Num\nEleFormat = Metres\nDBType = Point\n";

// The same columns in feet, with a symbol for every point.
const char kCommaFeet[] =
    "Delimited = ,\nname = 0\nlatitude = 1\nlongitude = 2\nelevation = 3\ndesc = 4\ntime = -1\n"
    "icon = Flag: red\nLocFormat = Num\nEleFormat = Feet\nDBType = Point\n";

const char kTabTrack[] =
    "Source = Tab\nlatitude = 0\nlongitude = 1\nelevation = 2\ntime = 3\nname = 4\nicon = 5\ndesc = -1\n"
    "LocFormat = Deg\nEleFormat = M\nDBType = Track\nHeaderLines = 1\n";

const char kFixedRoute[] =
    "Source = FIXED\nFieldLen = 10,12,6\nlatitude = 0\nlongitude = 1\nname = 2\nelevation = -1\ntime = -1\n"
    "icon = -1\ndesc = -1\nLocFormat = Num\nDBType = Route\n";

const char kPcx5[] =
    "Source = PCX5\nlatitude = 1\nlongitude = 2\nname = 0\nelevation = -1\ntime = -1\nicon = -1\ndesc = -1\n"
    "LocFormat = Num\n";

const char kGarminMetres[] = "Source = Garmin\nEleFormat = M\n";

const char kGarminText[] =
    "Grid\tLat/Lon hddd\xB0mm.mmm'\r\n"
    "Datum\tWGS 84\r\n"
    "\r\n"
    "Header\tName\tDescription\tType\tPosition\tAltitude\tDepth\tProximity\tDisplay Mode\tColor\tSymbol\r\n"
    "\r\n"
    "Waypoint\tCAMP\tBase camp\tUser Waypoint\tN45 24.000 W121 39.000\t1840.25\t\t\t\t\tCampground\r\n"
    "\r\n"
    "Waypoint\tRPT1\t\tUser Waypoint\t45.40263 -121.65438\t\t\t\t\t\t\r\n"
    "Route\tRoute 001\r\n";

struct LayoutCase {
    const char* name;
    const char* definition;
    std::string text;
    std::string summary;
};

TEST(CoreTextReading, EachLayoutGivesItsExactValues) {
    const std::vector<LayoutCase> cases = {
        {"comma metres",
         kCommaMetres,
         "Cafe,45.12345678,-122.5,1234.56,\"Start, here\"\nHut,-0.5,7,,\n",
         "W 'trip' 2: -122.5,45.12345678^1234.56 'Cafe' \"Start, here\" 7,-0.5 'Hut'\n"},
        {"comma feet",
         kCommaFeet,
         "Cafe,45.5,-122.25,100,\n",
         "W 'trip' 1: -122.25,45.5^" + Shortest(100 * 0.3048) + " 'Cafe' #Flag: red\n"},
        {"tab track",
         kTabTrack,
         "lat\tlon\tele\ttime\tname\ticon\nN45 30.000\tW122 15.000\t1234.5\t081500 14082021\tA\tFlag\n",
         "T 'trip' 1: -122.25,45.5^1234.5@1628928900000 'A' #Flag\n"},
        {"fixed route", kFixedRoute, "45.25     -122.125    Peak  \n", "R 'trip' 1: -122.125,45.25 'Peak'\n"},
        {"pcx5", kPcx5, "W1,12.5,-3.75\n", "W 'trip' 1: -3.75,12.5 'W1'\n"},
        {"garmin",
         kGarminMetres,
         kGarminText,
         "W 'trip' 2: -121.65,45.4^1840.25 'CAMP' \"Base camp\" #Campground -121.65438,45.40263 'RPT1'\n"},
    };
    for (const LayoutCase& c : cases) {
        TempFolder folder;
        Collection collection;
        const std::string definition = folder.put("layout.cal", c.definition);
        const std::string path = folder.put("trip.txt", c.text);
        vezuved_read_options options{};
        options.format = VEZUVED_FORMAT_TEXT;
        options.definition_path = definition.c_str();
        ASSERT_EQ(vezuved_read(collection.handle, path.c_str(), &options), VEZUVED_OK)
            << c.name << ": " << vezuved_error_message(collection.handle);
        EXPECT_EQ(Summary(collection.handle), c.summary) << c.name;
        EXPECT_EQ(Warnings(collection.handle, folder.path()), "") << c.name;
    }
}

// A text read with its definition named, by the given encoding and strictness.
int32_t ReadText(Collection& collection,
                 const std::string& path,
                 const std::string& definition,
                 int32_t encoding = VEZUVED_ENCODING_WINDOWS_1252,
                 bool strict = false) {
    vezuved_read_options options{};
    options.format = VEZUVED_FORMAT_TEXT;
    options.encoding = encoding;
    options.strict = strict ? 1 : 0;
    options.definition_path = definition.c_str();
    return vezuved_read(collection.handle, path.c_str(), &options);
}

const char kBadLines[] =
    "Good,1,2,3,\n"
    "X,abc,-122,0,\n"
    "Y,,1\n"
    "Z,45\n"
    "W,91,0\n"
    "V,1,2,high\n"
    "U,1,2,200000\n"
    "T,1,east\n"
    "\n"
    "Last,4,5\n";

TEST(CoreTextReading, BadLinesAreLeftOutWithTheirLineAndColumn) {
    TempFolder folder;
    Collection collection;
    const std::string definition = folder.put("bad.cal", kCommaMetres);
    const std::string path = folder.put("bad.txt", kBadLines);
    ASSERT_EQ(ReadText(collection, path, definition), VEZUVED_OK);
    EXPECT_EQ(Summary(collection.handle), "W 'bad' 2: 2,1^3 'Good' 5,4 'Last'\n");
    EXPECT_EQ(Warnings(collection.handle, folder.path()),
              "2 DIR/bad.txt:2: column 2: 'abc' is not a latitude\n"
              "3 DIR/bad.txt:3: column 2: the latitude is empty\n"
              "4 DIR/bad.txt:4: column 3: no longitude: the line has fewer columns\n"
              "5 DIR/bad.txt:5: column 2: '91' is not a latitude\n"
              "6 DIR/bad.txt:6: column 4: 'high' is not an elevation\n"
              "7 DIR/bad.txt:7: column 4: '200000' is no elevation: beyond 100000 m\n"
              "8 DIR/bad.txt:8: column 3: 'east' is not a longitude\n");
    vezuved_warning warning{};
    ASSERT_EQ(vezuved_get_warning(collection.handle, 0, &warning), VEZUVED_OK);
    EXPECT_STREQ(warning.cause, "column 2: 'abc' is not a latitude");
    EXPECT_EQ(std::string(warning.file), path);
}

TEST(CoreTextReading, StrictFailsAtTheFirstBadLine) {
    TempFolder folder;
    Collection collection;
    const std::string definition = folder.put("bad.cal", kCommaMetres);
    const std::string path = folder.put("bad.txt", kBadLines);
    EXPECT_EQ(ReadText(collection, path, definition, VEZUVED_ENCODING_WINDOWS_1252, true),
              VEZUVED_ERROR_FORMAT);
    EXPECT_EQ(Message(collection.handle, folder.path()), "DIR/bad.txt:2: column 2: 'abc' is not a latitude");
    EXPECT_EQ(vezuved_set_count(collection.handle), 0);
}

struct EncodingCase {
    const char* name;
    std::string text;
    int32_t encoding;
    int32_t code;
    std::string result;  // the summary, or the message of a failure
};

TEST(CoreTextReading, EncodingsAreDetectedOrForced) {
    const std::vector<EncodingCase> cases = {
        {"utf-8",
         "Caf\xC3\xA9,1,2,,\xE2\x82\xAC 5\n",
         VEZUVED_ENCODING_WINDOWS_1252,
         VEZUVED_OK,
         "W 'enc' 1: 2,1 'Caf\xC3\xA9' \"\xE2\x82\xAC 5\"\n"},
        {"windows-1252",
         "Caf\xE9,1,2,,\x80 5\n",
         VEZUVED_ENCODING_WINDOWS_1252,
         VEZUVED_OK,
         "W 'enc' 1: 2,1 'Caf\xC3\xA9' \"\xE2\x82\xAC 5\"\n"},
        {"byte order mark",
         "\xEF\xBB\xBF"
         "Caf\xC3\xA9,1,2\n",
         VEZUVED_ENCODING_WINDOWS_1252,
         VEZUVED_OK,
         "W 'enc' 1: 2,1 'Caf\xC3\xA9'\n"},
        {"forced windows-1252",
         "Caf\xC3\xA9,1,2\n",
         VEZUVED_ENCODING_WINDOWS_1252_ONLY,
         VEZUVED_OK,
         "W 'enc' 1: 2,1 'Caf\xC3\x83\xC2\xA9'\n"},
        {"forced utf-8",
         "A,1,2\nCaf\xE9,1,2\n",
         VEZUVED_ENCODING_UTF8,
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/enc.txt' as UTF-8: line 2, byte 4 (0xE9) is no UTF-8"},
        {"no encoding", "A,1,2\n", 7, VEZUVED_ERROR_ARGUMENT, "'DIR/enc.txt': 7 is no text encoding"},
    };
    for (const EncodingCase& c : cases) {
        TempFolder folder;
        Collection collection;
        const std::string definition = folder.put("enc.cal", kCommaMetres);
        const std::string path = folder.put("enc.txt", c.text);
        ASSERT_EQ(ReadText(collection, path, definition, c.encoding), c.code) << c.name;
        const std::string result =
            c.code == VEZUVED_OK ? Summary(collection.handle) : Message(collection.handle, folder.path());
        EXPECT_EQ(result, c.result) << c.name;
    }
}

struct FailureCase {
    const char* name;
    const char* text;        // null: no file
    const char* definition;  // null: no definition file
    int32_t code;
    std::string message;
    std::string warnings;
};

TEST(CoreTextReading, FilesThatHoldNoPointsFail) {
    const std::vector<FailureCase> cases = {
        {"no definition",
         "A,1,2\n",
         nullptr,
         VEZUVED_ERROR_OPEN,
         "cannot read 'DIR/t.txt': its format definition 'DIR/t.cal' cannot be read (No such file or "
         "directory)",
         ""},
        {"no file",
         nullptr,
         kCommaMetres,
         VEZUVED_ERROR_OPEN,
         "cannot read 'DIR/t.txt': No such file or directory",
         ""},
        {"empty", "", kCommaMetres, VEZUVED_ERROR_FORMAT, "cannot read 'DIR/t.txt': it is empty", ""},
        {"header only",
         "Name,Lat,Lon\n",
         "HeaderLines = 1\n",
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/t.txt': no line holds a point",
         ""},
        {"every line bad",
         "A,x,1\n",
         kCommaMetres,
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/t.txt': no line holds a point (1 left out)",
         "1 DIR/t.txt:1: column 2: 'x' is not a latitude\n"},
        {"datum",
         "A,1,2\n",
         "DBType = Datum\n",
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/t.txt': its format definition 'DIR/t.cal' describes datums, which are no points",
         ""},
    };
    for (const FailureCase& c : cases) {
        TempFolder folder;
        Collection collection;
        const std::string path = c.text != nullptr ? folder.put("t.txt", c.text) : folder.file("t.txt");
        if (c.definition != nullptr) folder.put("t.cal", c.definition);
        vezuved_read_options options{};
        options.format = VEZUVED_FORMAT_TEXT;
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(vezuved_read(collection.handle, path.c_str(), &options), c.code) << c.name;
        // The library's "No Cal File" is kept to the call, never printed.
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << c.name;
        EXPECT_EQ(Message(collection.handle, folder.path()), c.message) << c.name;
        EXPECT_EQ(Warnings(collection.handle, folder.path()), c.warnings) << c.name;
        EXPECT_EQ(vezuved_set_count(collection.handle), 0) << c.name;
    }
}

TEST(CoreTextReading, TheDefinitionBesideTheFileChoosesText) {
    TempFolder folder;
    Collection collection;
    folder.put("walk.cal", kTabTrack);
    const std::string path = folder.put("walk.log", "h\n1\t2\t3\t\tP\t\n");
    ASSERT_EQ(vezuved_read(collection.handle, path.c_str(), nullptr), VEZUVED_OK)
        << vezuved_error_message(collection.handle);
    EXPECT_EQ(Summary(collection.handle), "T 'walk' 1: 2,1^3 'P'\n");

    // Without one, and without a definition named, the extension names nothing.
    const std::string other = folder.put("notes.log", "1,2\n");
    EXPECT_EQ(vezuved_read(collection.handle, other.c_str(), nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(Message(collection.handle, folder.path()),
              "'DIR/notes.log': its extension names no format; give one in the options");
}

TEST(CoreTextReading, HostileTextsAreReadLineByLine) {
    TempFolder folder;
    const std::string definition = folder.put("h.cal", kCommaMetres);
    {
        // A name of a million characters is kept whole.
        Collection collection;
        const std::string name(1000000, 'n');
        const std::string path = folder.put("long.txt", name + ",1,2\n");
        ASSERT_EQ(ReadText(collection, path, definition), VEZUVED_OK);
        vezuved_point point{};
        ASSERT_EQ(vezuved_get_point(collection.handle, 0, 0, &point), VEZUVED_OK);
        EXPECT_EQ(std::string(point.name), name);
    }
    {
        // A NUL ends a line, a last line needs no line end, BEL and BS vanish.
        Collection collection;
        static const char kText[] = "A,1,2\0B\a,3,4\rC\b,5,x\r\nD,7,8";
        const std::string path = folder.put("nul.txt", std::string(kText, sizeof kText - 1));
        ASSERT_EQ(ReadText(collection, path, definition), VEZUVED_OK);
        EXPECT_EQ(Summary(collection.handle), "W 'nul' 3: 2,1 'A' 4,3 'B' 8,7 'D'\n");
        EXPECT_EQ(Warnings(collection.handle, folder.path()),
                  "3 DIR/nul.txt:3: column 3: 'x' is not a longitude\n");
    }
    {
        // Lines of nothing but separators and quotes: a quote left open
        // runs to the line's end.
        Collection collection;
        const std::string path = folder.put("odd.txt", ",,,,\n\"\nA,\"1,5\",2\n");
        EXPECT_EQ(ReadText(collection, path, definition), VEZUVED_ERROR_FORMAT);
        EXPECT_EQ(Warnings(collection.handle, folder.path()),
                  "1 DIR/odd.txt:1: column 2: the latitude is empty\n"
                  "2 DIR/odd.txt:2: column 2: no latitude: the line has fewer columns\n"
                  "3 DIR/odd.txt:3: column 2: '1,5' is not a latitude\n");
    }
}

}  // namespace

namespace {

TEST(CoreTextReading, WhatTheLastConversionLeftNeitherSteersNorChanges) {
    // A host's earlier conversion left metres, compact coordinates and a
    // header line in the process-wide state; a text read starts from the
    // library's defaults and its definition alone, and leaves them.
    vezuved::ConversionState& state = vezuved::State();
    const vezuved::ConversionState before = state;
    state.EleFormat = 1;
    state.LocFormat = 2;
    state.HeaderLines = 1;
    TempFolder folder;
    Collection collection;
    const std::string definition = folder.put(
        "plain.cal", "Delimited = ,\nname = 0\nlatitude = 1\nlongitude = 2\nelevation = 3\ntime = -1\n");
    const std::string path = folder.put("plain.txt", "A,45.5,-122.25,100\n");
    ASSERT_EQ(ReadText(collection, path, definition), VEZUVED_OK) << vezuved_error_message(collection.handle);
    EXPECT_EQ(Summary(collection.handle), "W 'plain' 1: -122.25,45.5^" + Shortest(100 * 0.3048) + " 'A'\n");
    EXPECT_EQ(state.EleFormat, 1);
    EXPECT_EQ(state.LocFormat, 2);
    EXPECT_EQ(state.HeaderLines, 1);
    state = before;
}

}  // namespace

namespace {

struct ProblemCase {
    const char* name;
    const char* definition;
    std::string text;
    std::string summary;
    std::string warnings;
};

TEST(CoreTextReading, TimesAndGarminPositionsThatCannotBeReadAreSaid) {
    const std::vector<ProblemCase> cases = {
        {"time",
         kTabTrack,
         "h\n1\t2\t\t081500 14082021\tA\t\n1\t2\t\tnoon\tB\t\n",
         "T 't' 1: 2,1@1628928900000 'A'\n",
         "3 DIR/t.txt:3: column 4: 'noon' is not a time\n"},
        {"garmin",
         kGarminMetres,
         "Waypoint\tA\t\tUser Waypoint\tN45 24.000 W121 39.000\t\r\n"
         "Waypoint\tB\t\tUser Waypoint\t\t\r\n"
         "Waypoint\tC\t\tUser Waypoint\tsomewhere else\t\r\n"
         "Waypoint\tD\t\tUser Waypoint\t95 1\t\r\n"
         "Waypoint\tE\t\tUser Waypoint\t1 2\thigh\r\n"
         "Trackpoint\tF\r\n",
         "W 't' 1: -121.65,45.4 'A'\n",
         "2 DIR/t.txt:2: column 5: the position is empty\n"
         "3 DIR/t.txt:3: column 5: 'somewhere else' is not a position\n"
         "4 DIR/t.txt:4: column 5: '95 1' is not a position\n"
         "5 DIR/t.txt:5: column 6: 'high' is not an elevation\n"},
    };
    for (const ProblemCase& c : cases) {
        TempFolder folder;
        Collection collection;
        const std::string definition = folder.put("t.cal", c.definition);
        const std::string path = folder.put("t.txt", c.text);
        ASSERT_EQ(ReadText(collection, path, definition), VEZUVED_OK)
            << c.name << ": " << vezuved_error_message(collection.handle);
        EXPECT_EQ(Summary(collection.handle), c.summary) << c.name;
        EXPECT_EQ(Warnings(collection.handle, folder.path()), c.warnings) << c.name;
    }
}

}  // namespace

namespace {

TEST(CoreTextReading, ADefinitionThatCannotBeReadIsNamedWithItsCause) {
    TempFolder folder;
    Collection collection;
    const std::string path = folder.put("t.txt", "A,1,2\n");
    // A folder opens on some systems but never reads as a definition.
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(ReadText(collection, path, folder.path()), VEZUVED_ERROR_OPEN);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    const std::string message = Message(collection.handle, folder.path());
    EXPECT_EQ(message.rfind("cannot read 'DIR/t.txt': its format definition 'DIR' cannot be read (", 0), 0u)
        << message;
    EXPECT_EQ(vezuved_set_count(collection.handle), 0);
}

}  // namespace
