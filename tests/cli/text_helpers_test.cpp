// The tool's text helpers: code page, escaping, numbers, times, options.
#include <gtest/gtest.h>

#include "encoding.h"
#include "json_writer.h"
#include "options.h"
#include "table_output.h"
#include "values.h"
#include "xml_writer.h"

namespace vezuved_cli {
namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

TEST(Cp1252ToUtf8, MapsEveryRange) {
    const TextCase cases[] = {
        {"plain", "plain"},
        {"Caf\xE9", "Caf\xC3\xA9"},
        {"\x80", "\xE2\x82\xAC"},    // euro sign
        {"\x93q\x94", "\xE2\x80\x9Cq\xE2\x80\x9D"},
        {"\x81", "\xEF\xBF\xBD"},    // undefined in the code page
        {"\xB0", "\xC2\xB0"},        // degree sign
        {"\xFF", "\xC3\xBF"},
    };
    for (const auto& c : cases) EXPECT_EQ(Cp1252ToUtf8(c.input), c.expected) << c.input;
}

TEST(Utf8Length, CountsCharacters) {
    EXPECT_EQ(Utf8Length("abc"), 3u);
    EXPECT_EQ(Utf8Length("Caf\xC3\xA9"), 4u);
    EXPECT_EQ(Utf8Length("\xE2\x82\xAC"), 1u);
}

TEST(EscapeXml, EscapesMarkupAndControls) {
    const TextCase cases[] = {
        {"a & b", "a &amp; b"},
        {"<tag>", "&lt;tag&gt;"},
        {"say \"hi\" 'x'", "say &quot;hi&quot; &apos;x&apos;"},
        {"a\tb\nc\rd", "a&#9;b&#10;c&#13;d"},
        {std::string("x\x01y", 3), "x\xEF\xBF\xBDy"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeXml(c.input), c.expected) << c.input;
}

TEST(QuoteJson, EscapesQuotesBackslashAndControls) {
    const TextCase cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\data", "\"C:\\\\data\""},
        {"a\nb\tc", "\"a\\u000ab\\u0009c\""},
        {std::string("\x1f", 1), "\"\\u001f\""},
        {"\xE2\x82\xAC", "\"\xE2\x82\xAC\""},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteJson(c.input), c.expected) << c.input;
}

TEST(JsonWriter, PlacesCommasAndNesting) {
    JsonWriter json;
    json.BeginObject();
    json.Key("a");
    json.Number(1.5);
    json.Key("list");
    json.BeginArray();
    json.String("x");
    json.Null();
    json.BeginArray();
    json.EndArray();
    json.EndArray();
    json.Key("bad");
    json.Number(1.0 / 0.0);
    json.EndObject();
    EXPECT_EQ(json.Finish(),
              "{\n  \"a\": 1.5,\n  \"list\": [\n    \"x\",\n    null,\n    []\n  ],\n  \"bad\": null\n}\n");
}

TEST(XmlWriter, ClosesWhatItOpens) {
    XmlWriter xml;
    xml.Open("a", {{"k", "v&"}});
    xml.Element("b", "<x>");
    xml.Open("c");
    EXPECT_EQ(xml.Finish(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a k=\"v&amp;\">\n  <b>&lt;x&gt;</b>\n  <c>\n"
              "  </c>\n</a>\n");
}

TEST(IsoTimeFromRecord, ConvertsValidTimesOnly) {
    const TextCase cases[] = {
        {"143005 24122004", "2004-12-24T14:30:05Z"},
        {"000000 01012000", "2000-01-01T00:00:00Z"},
        {"102030.05 29022004", "2004-02-29T10:20:30Z"},
        {"102030 29022003", ""},  // no leap year
        {"143005 24132004", ""},  // month 13
        {"250000 01012000", ""},
        {"143005", ""},
        {"", ""},
        {"1430 24122004", ""},
        {"143005 24120004", "0004-12-24T14:30:05Z"},
    };
    for (const auto& c : cases) EXPECT_EQ(IsoTimeFromRecord(c.input), c.expected) << c.input;
}

TEST(ParseCoordinate, ReadsDecimalAndHemisphereForms) {
    struct Case {
        const char* text;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"-122.4194000", -122.4194},
        {"45.5", 45.5},
        {"+7.25", 7.25},
        {"N45 30.000", 45.5},
        {"W122 40.456", -(122 + 40.456 / 60)},
        {"s10 30 36", -(10 + 30 / 60.0 + 36 / 3600.0)},
        {"E8", 8.0},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12x", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto value = ParseCoordinate(c.text);
        ASSERT_EQ(value.has_value(), c.expected.has_value()) << c.text;
        if (value) {
            EXPECT_NEAR(*value, *c.expected, 1e-9) << c.text;
        }
    }
}

TEST(FormatNumbers, UsesPointAndNoNegativeZero) {
    EXPECT_EQ(FormatFixed(45.5, 7), "45.5000000");
    EXPECT_EQ(FormatFixed(-0.0000001, 2), "0.00");
    EXPECT_EQ(FormatFixed(1828.9766, 2), "1828.98");
    EXPECT_EQ(FormatShortest(0.1), "0.1");
    EXPECT_EQ(ParseNumber(" 100 "), 100.0);
    EXPECT_FALSE(ParseNumber("10 ft"));
}

TEST(ParseColumns, AcceptsNumbersOrFieldNames) {
    struct Case {
        const char* text;
        std::optional<ColumnMap> expected;
    };
    const Case cases[] = {
        {"0,1,2,3,4,5,6", ColumnMap{0, 1, 2, 3, 4, 5, 6}},
        {"1,2,-1,-1,0,-1,3", ColumnMap{1, 2, -1, -1, 0, -1, 3}},
        {"name,lat,lon,desc", ColumnMap{1, 2, -1, -1, 0, -1, 3}},
        {"-,Latitude,longitude,ele", ColumnMap{1, 2, 3, -1, -1, -1, -1}},
        {"1,2,3", std::nullopt},           // numbers need all seven
        {"0,1,2,3,4,5,40", std::nullopt},  // beyond 31
        {"name,lat,name", std::nullopt},
        {"name,height", std::nullopt},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto map = ParseColumns(c.text, error);
        EXPECT_EQ(map, c.expected) << c.text;
        EXPECT_EQ(error.empty(), c.expected.has_value()) << c.text;
    }
    EXPECT_EQ(ColumnCount(ColumnMap{1, 2, -1, -1, 0, -1, 3}), 4);
}

TEST(Options, NamesAndFileTypes) {
    EXPECT_EQ(CodeForName(KindNames(), "Track-Old"), 65);
    EXPECT_EQ(CodeForName(KindNames(), "datum"), 6);
    EXPECT_EQ(CodeForName(LayoutNames(), "pcx5"), 6);
    EXPECT_EQ(CodeForName(LayoutNames(), "csv"), std::nullopt);
    EXPECT_EQ(KindForDefinitionType("Route2"), 2);
    EXPECT_EQ(KindForDefinitionType("waypoint"), std::nullopt);
    EXPECT_EQ(FileTypeForPath("a/b.PDB"), FileType::Database);
    EXPECT_EQ(FileTypeForPath("b.gpx"), FileType::Gpx);
    EXPECT_EQ(FileTypeForPath("b.geojson"), FileType::GeoJson);
    EXPECT_EQ(FileTypeForPath("dir.pdb/b"), FileType::Text);
    EXPECT_EQ(DefinitionPathFor("data/trip.csv"), "data/trip.cal");
    EXPECT_EQ(DefinitionPathFor("trip"), "trip.cal");
}

TEST(AlignColumns, PadsByCharactersNotBytes) {
    EXPECT_EQ(AlignColumns({{"a", "b"}, {"Caf\xC3\xA9", "x"}}), "a     b\nCaf\xC3\xA9  x\n");
}

}  // namespace
}  // namespace vezuved_cli
