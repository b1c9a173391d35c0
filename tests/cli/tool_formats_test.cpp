#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "filetypes/tool_formats.h"

namespace vezuved_cli {
namespace {

// Every look-up by name and by extension, from the one table.
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
    EXPECT_EQ(SavedExtension(FileType::GeoJson), ".geojson");
    EXPECT_TRUE(IsMap(FileType::Kml));
    EXPECT_FALSE(IsMap(FileType::Database));
}

}  // namespace
}  // namespace vezuved_cli
