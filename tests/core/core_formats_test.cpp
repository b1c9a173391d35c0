// The registry as listed: each format once, and every extension it lists
// chooses that format when a file is written and read by its extension.

#include <sstream>

#include "core_text.h"

static std::vector<std::string> Words(const char* list) {
    std::istringstream words(list);
    std::vector<std::string> cut;
    for (std::string word; words >> word;) cut.push_back(word);
    return cut;
}

TEST(CoreFormats, EachIsListedOnceAndItsExtensionsChooseIt) {
    std::string listed;
    vezuved_format_info info{};
    int32_t count = 0;
    for (; vezuved_get_format(count, &info) == VEZUVED_OK; ++count)
        listed += std::to_string(info.format) + " " + info.name + " [" + info.keywords + "] [" +
                  info.extensions + "] [" + info.read_extensions + "] " + std::to_string(info.flags) + "\n";
    EXPECT_EQ(listed,
              "1 GPX [gpx] [.gpx] [] 3\n2 KML [kml] [.kml] [.kmz] 3\n"
              "3 GeoJSON [geojson json] [.geojson .json] [] 3\n4 database [pdb] [.pdb] [] 3\n"
              "5 text [text] [] [] 3\n6 SVG picture [svg] [.svg] [] 2\n7 HTML page [html] [.html .htm] [] 2\n"
              "9 IGC [igc] [.igc] [] 1\n10 NMEA [nmea] [.nmea] [] 1\n11 TCX [tcx] [.tcx] [] 1\n"
              "12 FIT [fit] [.fit] [] 1\n13 zip archive [zip] [.zip] [] 1\n");
    EXPECT_EQ(vezuved_get_format(-1, &info), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_get_format(0, nullptr), VEZUVED_ERROR_ARGUMENT);

    TempFolder folder;
    Collection made;
    const int32_t set = vezuved_add_set(made.handle, VEZUVED_SET_WAYPOINTS, "Stops");
    const vezuved_point point = At(45.5, -122.25, "Gate");
    ASSERT_EQ(vezuved_add_point(made.handle, set, &point), VEZUVED_OK);
    for (int32_t i = 0; i < count; ++i) {
        ASSERT_EQ(vezuved_get_format(i, &info), VEZUVED_OK);
        for (const std::string& extension : Words(info.extensions)) {
            const std::string path = folder.file("a" + extension);
            if ((info.flags & VEZUVED_FORMAT_WRITES) == 0) {
                EXPECT_EQ(vezuved_write(made.handle, path.c_str(), nullptr), VEZUVED_ERROR_UNSUPPORTED)
                    << path;
                EXPECT_EQ(vezuved_error_message(made.handle),
                          "cannot write '" + path + "': " + info.name + " is read, never written");
                continue;
            }
            ASSERT_EQ(vezuved_write(made.handle, path.c_str(), nullptr), VEZUVED_OK) << path;
            if ((info.flags & VEZUVED_FORMAT_READS) == 0) continue;
            // Read back as the listed format, named outright.
            vezuved_read_options options{};
            options.format = info.format;
            ExpectHolds(SummaryOf(path, &options), {"-122.25,45.5"});
        }
    }
    // A name only a file read has is no name to write to: a ".kmz" would
    // hold plain KML, a ".gz" nothing gzipped.
    for (const char* name : {"a.kmz", "a.gpx.gz"}) {
        const std::string path = folder.file(name);
        EXPECT_EQ(vezuved_write(made.handle, path.c_str(), nullptr), VEZUVED_ERROR_ARGUMENT) << name;
        EXPECT_EQ(vezuved_error_message(made.handle),
                  "'" + path + "': its extension names no format; give one in the options");
    }
}

// The format a name gives a file, by the registry the reads and writes
// choose by: a file read may be zipped KML or gzipped, one written not.
TEST(CoreFormats, ANameGivesItsFormat) {
    struct Case {
        const char* name;
        uint32_t flags;
        int32_t format;
    };
    const Case cases[] = {
        {"trip.GPX", 0, VEZUVED_FORMAT_GPX},
        {"C:\\maps\\trip.Json", 0, VEZUVED_FORMAT_GEOJSON},
        {"site.htm", 0, VEZUVED_FORMAT_HTML},
        {"site.htm", VEZUVED_FORMAT_READS, VEZUVED_FORMAT_HTML},
        {"doc.kmz", 0, VEZUVED_FORMAT_BY_EXTENSION},
        {"doc.kmz", VEZUVED_FORMAT_READS, VEZUVED_FORMAT_KML},
        {"ride.fit.gz", 0, VEZUVED_FORMAT_BY_EXTENSION},
        {"ride.fit.GZ", VEZUVED_FORMAT_READS, VEZUVED_FORMAT_FIT},
        {"points.csv", VEZUVED_FORMAT_READS, VEZUVED_FORMAT_BY_EXTENSION},
        {"maps.gpx/readme", VEZUVED_FORMAT_READS, VEZUVED_FORMAT_BY_EXTENSION},
        {"", VEZUVED_FORMAT_READS, VEZUVED_FORMAT_BY_EXTENSION},
    };
    for (const Case& c : cases) EXPECT_EQ(vezuved_format_of_name(c.name, c.flags), c.format) << c.name;
    EXPECT_EQ(vezuved_format_of_name(nullptr, VEZUVED_FORMAT_READS), VEZUVED_FORMAT_BY_EXTENSION);
}
