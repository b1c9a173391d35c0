// The tool's text helpers: columns, wildcards, file types, the JSON listing.
#include <algorithm>
#include <limits>
#include <sstream>

#include "files/output_plan.h"
#include "filetypes/tool_formats.h"
#include "input/input_paths.h"
#include "output/table_output.h"
#include "tool_runner.h"
#include "values/numbers.h"
#include "values/options.h"

namespace vezuved_cli {
namespace {

TEST(ToolText, ParseColumnsAcceptsNumbersOrFieldNames) {
    const std::pair<const char*, std::optional<ColumnMap>> cases[] = {
        {"1,2,-1,-1,0,-1,3", ColumnMap{1, 2, -1, -1, 0, -1, 3}},
        {"name,lat,lon,desc", ColumnMap{1, 2, -1, -1, 0, -1, 3}},
        {"-,Latitude,longitude,ele", ColumnMap{1, 2, 3, -1, -1, -1, -1}},
        {"31,-1,-1,-1,-1,-1,-1", ColumnMap{31, -1, -1, -1, -1, -1, -1}},  // columns -1 to 31
        {"32,-1,-1,-1,-1,-1,-1", std::nullopt},
        {"-2,-1,-1,-1,-1,-1,-1", std::nullopt},
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

// Look-ups by name and extension, option names, definitions beside their data.
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
    EXPECT_EQ(FileTypeNames(), "gpx, kml, geojson, pdb, text, igc, nmea, tcx, fit or zip");
    EXPECT_EQ(SavedExtension(FileType::Text), ".txt");
    EXPECT_EQ(CodeForName(KindNames(), "Track-Old"), 65);
    EXPECT_EQ(CodeForName(LayoutNames(), "csv"), std::nullopt);
    EXPECT_EQ(DefinitionPathFor("data/trip.csv"), "data/trip.cal");
    EXPECT_EQ(DefinitionPathFor("trip"), "trip.cal");
    EXPECT_EQ(AlignColumns({{"a", "b"}, {"Caf\xC3\xA9", "x"}}),
              "a     b\nCaf\xC3\xA9  x\n");  // by characters
}

// Output names that differ only in case are one file where the folder
// ignores case: Latin, Greek and Cyrillic capitals fold to small letters,
// the first character too; a character cut short at the end stays as it is.
// A value that rounds to zero loses its minus sign; others keep theirs.
TEST(TextHelpers, FixedTextsOfValuesNearZero) {
    const std::tuple<double, int, const char*> cases[] = {
        {-0.0004, 3, "0.000"}, {-0.0, 0, "0"}, {-0.0005001, 3, "-0.001"}, {-2.0, 1, "-2.0"}};
    for (const auto& [value, decimals, text] : cases) EXPECT_EQ(FormatFixed(value, decimals), text) << value;
    // Numbers of the options: spaces around and a leading '+' are taken; nothing else is.
    const std::pair<const char*, std::optional<double>> numbers[] = {{" 12.5 ", 12.5},
                                                                     {"+3", 3.0},
                                                                     {"-0.5", -0.5},
                                                                     {" ", std::nullopt},
                                                                     {"1e999", std::nullopt},
                                                                     {"1 2", std::nullopt}};
    for (const auto& [text, number] : numbers) EXPECT_EQ(ParseNumber(text), number) << text;
}

TEST(TextHelpers, NamesFoldToSmallLetters) {
    EXPECT_EQ(FoldedName(u8"ABC\u00c9\u00d7\u0100\u014a\u0139\u0179\u0178\u03a3\u0414\u0401"),
              u8"abc\u00e9\u00d7\u0101\u014b\u013a\u017a\u00ff\u03c3\u0434\u0451");
    EXPECT_EQ(FoldedName(u8"\u00c9TAPE"), u8"\u00e9tape");
    EXPECT_EQ(FoldedName("AB\xC3"), "ab\xC3");
}

// A name cut to fit keeps whole characters.
TEST(TextHelpers, NamesAreCutBetweenCharacters) {
    const std::pair<size_t, const char*> cuts[] = {{1, "a"}, {2, "a"}, {3, "a\xC3\xA9"}, {5, "a\xC3\xA9"}};
    for (const auto& [bytes, kept] : cuts)
        EXPECT_EQ(Utf8Prefix("a\xC3\xA9\xE2\x82\xAC", bytes), kept) << bytes;
}

// The JSON listing: its layout, numbers with '.', texts escaped.
TEST(TextHelpers, ThePointListingIsExactJson) {
    PointSet set;
    set.title = "Ride \"1\"";
    set.kind = VEZUVED_KIND_TRACK;
    set.points.resize(2);
    Point &first = set.points[0], &second = set.points[1];
    first.name = "a\tb\\", first.latitude = 45.0, first.longitude = -7.25, first.elevationFeet = 1e-7;
    first.time = 1628928900250, first.description = "line\nend";
    second.latitude = 1.5, second.longitude = 2.0,
    second.elevationFeet = std::numeric_limits<double>::infinity();
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
    EXPECT_EQ(WritePointsJson(err, PointSet()),
              "{\n  \"title\": \"\",\n  \"kind\": \"points\",\n  \"points\": []\n}\n");
    // A table's cell stays on its line.
    set.points.resize(1);
    first.description = "one\ntwo\rthree\tfour";
    const std::string table = WriteTable(err, set);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2) << table;
    EXPECT_NE(table.find("a b\\ "), std::string::npos) << table;
    EXPECT_NE(table.find("one two three four\n"), std::string::npos) << table;
}

}  // namespace
}  // namespace vezuved_cli
