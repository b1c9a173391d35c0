// The core's paths are UTF-8 everywhere: files named with letters no single ANSI
// code page holds are read and written under exactly those names.

#include <filesystem>
#include <fstream>

#include "core_text.h"

// "Café Пешком" in UTF-8.
const std::string kTitle = "Caf\xC3\xA9 \xD0\x9F\xD0\xB5\xD1\x88\xD0\xBA\xD0\xBE\xD0\xBC";

// Written and listed by the standard library, apart from the core.
static void PutFile(const std::string& path, const std::string& bytes) {
    std::ofstream(std::filesystem::u8path(path), std::ios::binary) << bytes;
}

static std::vector<std::string> NamesOnDisk(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder)))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

const char kTrack[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"test\" "
    "xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    "<trk><name>Caf\xC3\xA9 \xD0\x9F\xD0\xB5\xD1\x88\xD0\xBA\xD0\xBE\xD0\xBC</name><trkseg>\n"
    "<trkpt lat=\"46.5\" lon=\"6.625\"/><trkpt lat=\"46.75\" lon=\"6.5\"/>\n</trkseg></trk>\n</gpx>\n";

TEST(CoreUnicodePaths, FilesATextAndItsDefinitionAreFoundByTheirUtf8Names) {
    TempFolder folder;
    const std::string gpx = folder.file(kTitle + ".gpx");
    PutFile(gpx, kTrack);
    Collection collection;
    ASSERT_EQ(vezuved_read(collection.handle, gpx.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Summary(collection.handle), "T '" + kTitle + "' 2: 6.625,46.5 6.5,46.75\n");
    for (const char* extension : {".pdb", ".geojson"}) {
        const std::string out = folder.file(kTitle + extension);
        ASSERT_EQ(vezuved_write(collection.handle, out.c_str(), nullptr), VEZUVED_OK) << extension;
        // A database names its set by its path, in UTF-8 whatever its texts' encoding.
        EXPECT_EQ(SummaryOf(out), "T '" + kTitle + "' 2: 6.625,46.5 6.5,46.75\n") << extension;
    }
    EXPECT_EQ(NamesOnDisk(folder.path()),
              (std::vector<std::string>{kTitle + ".geojson", kTitle + ".gpx", kTitle + ".pdb"}));

    // A text read by a definition of such a name, written by it, then read
    // with the definition lying beside it.
    const std::string definition = folder.file(kTitle + ".cal");
    PutFile(definition,
            "Delimited = ,\nFieldCount = 3\nname = 0\nlatitude = 1\nlongitude = 2\nLocFormat = Num\nDBType = "
            "Point\n");
    const std::string text = folder.file(kTitle + " points.txt");
    PutFile(text, "Well,46.5,6.625\r\n");
    Collection points;
    vezuved_read_options options{};
    options.format = VEZUVED_FORMAT_TEXT;
    options.definition_path = definition.c_str();
    ASSERT_EQ(vezuved_read(points.handle, text.c_str(), &options), VEZUVED_OK);
    const std::string point = " 1: 6.625,46.5^2.0193000000000003 'Well'\n";
    EXPECT_EQ(Summary(points.handle), "W '" + kTitle + " points'" + point);
    const std::string out = folder.file(kTitle + ".csv");
    vezuved_write_options write{};
    write.format = VEZUVED_FORMAT_TEXT;
    write.definition_path = definition.c_str();
    ASSERT_EQ(vezuved_write(points.handle, out.c_str(), &write), VEZUVED_OK);
    EXPECT_EQ(SummaryOf(out), "W '" + kTitle + "'" + point);
}
