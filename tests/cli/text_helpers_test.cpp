// The tool's text helpers, checked without running the tool: escaping,
// the JSON and XML writers, numbers, times, wildcards, encodings, file types.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include <charconv>
#include <optional>
#include <set>
#include <string>

#include "filetypes/tool_formats.h"
#include "input/input_paths.h"
#include "library_names.h"
#include "maps/json_writer.h"
#include "maps/xml_writer.h"
#include "output/table_output.h"
#include "sets/encoding.h"
#include "sets/iso_time.h"
#include "sets/number_text.h"
#include "tool_runner.h"
#include "values/options.h"

namespace vezuved_cli {
namespace {

using TextCase = std::pair<std::string, std::string>;  // input, expected

TEST(ToolText, EscapeXmlAndQuoteJson) {
    const TextCase xml[] = {
        {"<a & b>", "&lt;a &amp; b&gt;"},
        {"say \"hi\" 'x'", "say &quot;hi&quot; &apos;x&apos;"},
        {std::string("a\tb\nc\rd\x01", 8), "a&#9;b&#10;c&#13;d\xEF\xBF\xBD"},
    };
    for (const auto& c : xml) EXPECT_EQ(EscapeXml(c.first), c.second) << c.first;
    const TextCase json[] = {
        {"say \"hi\" C:\\x \xE2\x82\xAC", "\"say \\\"hi\\\" C:\\\\x \xE2\x82\xAC\""},
        {"a\nb\tc\x1f", "\"a\\u000ab\\u0009c\\u001f\""},
    };
    for (const auto& c : json) EXPECT_EQ(QuoteJson(c.first), c.second) << c.first;
}

// The XML writer is pinned by the map writers' documents.
TEST(ToolText, JsonWriterPlacesCommasNestingAndClosings) {
    const auto write = [](JsonWriter& json) {
        json.BeginObject();
        json.Key("a");
        json.Number(1.5);
        json.Key("list");
        json.BeginArray();
        json.String("x");
        json.Null();
        json.BeginArray();
        json.EndArray();
        json.BeginInlineArray();
        json.RawNumber("1.50");
        json.Number(2);
        json.EndArray();
        json.EndArray();
        json.Key("bad");
        json.Number(1.0 / 0.0);
        json.Key("open");
        json.BeginArray();  // closed by Finish
    };
    EXPECT_EQ(JsonText(write),
              "{\n  \"a\": 1.5,\n  \"list\": [\n    \"x\",\n    null,\n    [],\n    [1.50, 2]\n  ],\n"
              "  \"bad\": null,\n  \"open\": []\n}\n");
    EXPECT_EQ(JsonText(write, true),
              "{\"a\":1.5,\"list\":[\"x\",null,[],[1.50,2]],\"bad\":null,\"open\":[]}\n");
}

// The times of tests/cli/data/times.tsv: ISO 8601 texts read as UTC
// milliseconds, record times as ISO 8601 text ("-": not a time).
TEST(GpsText, TimesReadAsListed) {
    const auto rows = cli_test::Rows(TestData("cli/data/times.tsv"));
    EXPECT_EQ(rows.size(), 24u);
    for (const auto& row : rows) {
        const std::string& read = row.at(2);
        if (row[0] == "iso") {
            EXPECT_EQ(ParseIsoTime(row[1]),
                      read == "-" ? std::nullopt : std::optional<int64_t>(std::stoll(read)))
                << row[1];
        } else {
            EXPECT_EQ(IsoTimeFromRecord(row[1]), read == "-" ? "" : read) << row[1];
        }
    }
}

TEST(ToolText, ParseCoordinateAndNumbers) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"+7.25", 7.25},
        {"W122 40.456", -(122 + 40.456 / 60)},
        {"s10 30 36", -(10 + 30 / 60.0 + 36 / 3600.0)},
        {"E8", 8.0},
        {"", std::nullopt},
        {"12x", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const auto value = ParseCoordinate(text);
        ASSERT_EQ(value.has_value(), expected.has_value()) << text;
        if (value) {
            EXPECT_NEAR(*value, *expected, 1e-9) << text;
        }
    }
    EXPECT_EQ(FormatShortest(0.1), "0.1");
    EXPECT_EQ(ParseNumber(" 100 "), 100.0);
    EXPECT_FALSE(ParseNumber("10 ft"));
}

// Fixed-point text is the exact value rounded half to even, as to_chars
// gives it: ties, values that only look like ties, signs and sizes.
TEST(ToolText, FormatFixedRoundsTheExactValue) {
    const auto rows = cli_test::Rows(TestData("cli/data/fixed.tsv"));
    EXPECT_EQ(rows.size(), 17u);
    for (const auto& row : rows)
        EXPECT_EQ(FormatFixed(std::stod(row[0]), std::stoi(row[1])), row.at(2)) << row[0];
    uint64_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const double value = (static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5) * 800;
        for (const int decimals : {0, 2, 7}) {
            char text[400];
            const auto end =
                std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
            std::string expected(text, end);
            if (expected.find_first_not_of("-0.") == std::string::npos && expected[0] == '-')
                expected.erase(0, 1);
            ASSERT_EQ(FormatFixed(value, decimals), expected) << value;
        }
    }
}

TEST(ToolText, ParseColumnsAcceptsNumbersOrFieldNames) {
    const std::pair<const char*, std::optional<ColumnMap>> cases[] = {
        {"1,2,-1,-1,0,-1,3", ColumnMap{1, 2, -1, -1, 0, -1, 3}},
        {"name,lat,lon,desc", ColumnMap{1, 2, -1, -1, 0, -1, 3}},
        {"-,Latitude,longitude,ele", ColumnMap{1, 2, 3, -1, -1, -1, -1}},
        {"0,1,2,3,4,5,40", std::nullopt},  // beyond 31
        {"name,lat,name", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        std::string error;
        EXPECT_EQ(ParseColumns(text, error), expected) << text;
        EXPECT_EQ(error.empty(), expected.has_value()) << text;
    }
}

TEST(GpsText, Wildcards) {
    EXPECT_TRUE(MatchesWildcard("*.gpx", "a.gpx"));
    EXPECT_TRUE(MatchesWildcard("*.gpx", ".gpx"));
    EXPECT_TRUE(MatchesWildcard("t?ip*", "trip-2.gpx"));
    EXPECT_TRUE(MatchesWildcard("*a*b*", "xxaxxbxx"));
    EXPECT_FALSE(MatchesWildcard("*.gpx", "a.gpx.bak"));
    EXPECT_FALSE(MatchesWildcard("?.gpx", "ab.gpx"));
}

TEST(ToolEncoding, Utf8ToCp1252KeepsWhatTheCodePageHolds) {
    struct Case {
        std::string utf8, cp1252;
        bool lost;
    };
    const Case cases[] = {
        {"plain", "plain", false},
        {"Caf\xC3\xA9", "Caf\xE9", false},
        {"\xE2\x82\xAC 5 \xE2\x80\x93 \xC5\x92", "\x80 5 \x96 \x8C", false},  // euro, en dash, OE
        {"\xC2\xA0\xC3\xBF", "\xA0\xFF", false},
        {"\xCE\xA9 \xF0\x9F\x98\x80", "? ?", true},  // Greek omega, an emoji
        {"\xEF\xBF\xBD", "?", true},                 // the replacement character itself
        {"", "", false},
    };
    for (const Case& c : cases) {
        bool lost = false;
        EXPECT_EQ(Utf8ToCp1252(c.utf8, &lost), c.cp1252) << c.utf8;
        EXPECT_EQ(lost, c.lost) << c.utf8;
        EXPECT_TRUE(c.lost || Cp1252ToUtf8(c.cp1252) == c.utf8) << c.utf8;
    }
    EXPECT_EQ(Utf8ToCp1252("x\xC3\xA9"), "x\xE9");  // no flag wanted
    EXPECT_EQ(Cp1252ToUtf8("\x81\x93"),
              "\xEF\xBF\xBD\xE2\x80\x9C");  // undefined in the code page; opening quote
}

// Each of a definition's bytes is a character of its UTF-8 text of its
// own, the five bytes Windows-1252 leaves undefined included.
TEST(ToolEncoding, DefinitionTextsKeepEveryByte) {
    std::set<std::string> characters;
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text = DefinitionTextOf(std::string(1, static_cast<char>(byte)));
        EXPECT_EQ(FindInvalidUtf8(text), std::string::npos) << byte;
        characters.insert(text);
    }
    EXPECT_EQ(characters.size(), 256u);
    EXPECT_EQ(DefinitionTextOf("\x80\x81\xE9"), "\xE2\x82\xAC\xC2\x81\xC3\xA9");
}

TEST(ToolEncoding, FindInvalidUtf8NamesTheFirstBadByte) {
    const std::pair<std::string, size_t> cases[] = {
        {"abc", std::string::npos},
        {"Caf\xC3\xA9", std::string::npos},
        {"\xF4\x8F\xBF\xBF", std::string::npos},  // U+10FFFF
        {"Caf\xE9", 3},                           // Windows-1252
        {"ab\x80", 2},                            // a stray continuation byte
        {"a\xC3", 1},                             // cut short
        {"a\xC3z", 1},
        {"\xC0\xAF", 0},          // overlong
        {"\xE0\x80\xAF", 0},      // overlong
        {"\xED\xA0\x80", 0},      // a surrogate
        {"\xF4\x90\x80\x80", 0},  // beyond U+10FFFF
        {"ok\xF5", 2},
    };
    for (const auto& [text, offset] : cases) EXPECT_EQ(FindInvalidUtf8(text), offset) << text;
}

// Every look-up by name and by extension, from the one table; option
// names, definitions beside their data, columns aligned.
TEST(ToolFormats, NamesAndExtensionsAreLookUpsInTheTable) {
    struct Case {
        const char* path;
        FileType type;   // FileTypeForPath
        FileType input;  // InputTypeForPath
        std::optional<MapFormat> document;
    };
    const Case cases[] = {
        {"a.gpx", FileType::Gpx, FileType::Gpx, MapFormat::Gpx},
        {"A.KML", FileType::Kml, FileType::Kml, MapFormat::Kml},
        {"a.kmz", FileType::Text, FileType::Kml, std::nullopt},
        {"a.GeoJSON", FileType::GeoJson, FileType::GeoJson, MapFormat::GeoJson},
        {"a.json", FileType::GeoJson, FileType::GeoJson, std::nullopt},
        {"a/b.PDB", FileType::Database, FileType::Database, std::nullopt},
        {"a.svg", FileType::Text, FileType::Text, MapFormat::Svg},
        {"a.htm", FileType::Text, FileType::Text, MapFormat::Html},
        {"a.html", FileType::Text, FileType::Text, MapFormat::Html},
        {"dir.gpx/a", FileType::Text, FileType::Text, std::nullopt},
        {"a.csv", FileType::Text, FileType::Text, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileTypeForPath(c.path), c.type) << c.path;
        EXPECT_EQ(InputTypeForPath(c.path), c.input) << c.path;
        EXPECT_EQ(MapFormatForPath(c.path), c.document) << c.path;
    }
    EXPECT_EQ(FileTypeForName("JSON"), FileType::GeoJson);
    EXPECT_EQ(FileTypeForName("text"), FileType::Text);
    EXPECT_EQ(FileTypeForName("svg"), std::nullopt);
    EXPECT_EQ(FileTypeNames(), "gpx, kml, geojson, pdb or text");
    EXPECT_EQ(SavedExtension(FileType::Text), ".txt");
    EXPECT_EQ(CodeForName(KindNames(), "Track-Old"), 65);
    EXPECT_EQ(CodeForName(LayoutNames(), "csv"), std::nullopt);
    EXPECT_EQ(DefinitionPathFor("data/trip.csv"), "data/trip.cal");
    EXPECT_EQ(DefinitionPathFor("trip"), "trip.cal");
    EXPECT_EQ(AlignColumns({{"a", "b"}, {"Caf\xC3\xA9", "x"}}),
              "a     b\nCaf\xC3\xA9  x\n");  // by characters
}

// The tool's own JSON listing: its layout, its numbers with '.', and texts
// escaped whatever they hold.
TEST(TextHelpers, ThePointListingIsExactJson) {
    PointSet set;
    set.title = "Ride \"1\"";
    set.kind = VEZUVED_KIND_TRACK;
    Point first;
    first.name = "a\tb\\";
    first.latitude = 45.0;
    first.longitude = -7.25;
    first.elevationFeet = 1e-7;
    first.time = 1628928900250;
    first.description = "line\nend";
    Point second;
    second.latitude = 1.5;
    second.longitude = 2.0;
    second.elevationFeet = std::numeric_limits<double>::infinity();
    set.points = {first, second};
    std::ostringstream err;
    EXPECT_EQ(WritePointsJson(err, set),
              "{\n  \"title\": \"Ride \\\"1\\\"\",\n  \"kind\": \"track\",\n  \"points\": [\n    {\n"
              "      \"name\": \"a\\tb\\\\\",\n      \"latitude\": 45,\n      \"longitude\": -7.25,\n"
              "      \"elevation_ft\": 1e-07,\n      \"time\": \"2021-08-14T08:15:00.250Z\",\n      "
              "\"icon\": \"\",\n"
              "      \"description\": \"line\\nend\"\n    },\n    {\n      \"name\": \"\",\n      "
              "\"latitude\": 1.5,\n"
              "      \"longitude\": 2,\n      \"elevation_ft\": null,\n      \"time\": null,\n      "
              "\"icon\": \"\",\n"
              "      \"description\": null\n    }\n  ]\n}\n");
    PointSet empty;
    EXPECT_EQ(WritePointsJson(err, empty),
              "{\n  \"title\": \"\",\n  \"kind\": \"points\",\n  \"points\": []\n}\n");
}

}  // namespace
}  // namespace vezuved_cli
