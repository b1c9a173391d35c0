// Collections built through the interface and written: exact bytes, databases
// read back, refusals, and a failed write that leaves the previous file whole.

#include <cerrno>

#include "core_text.h"
#include "platform/io_faults.h"
#include "vezuved/vezuved.h"

// A set of two waypoints and a track of two segments.
static void Fill(vezuved_collection* collection) {
    // latitude, longitude, elevation, time, has_elevation, has_time, segment_start, name, description, symbol
    const vezuved_point points[] = {
        {45.5, -122.25, 12.5, 1628928900000, 1, 1, 0, "Caf\xC3\xA9", "Start, here", "Flag"},
        At(-33.8567844, 151.2152967, "Gate"),
        {45.1, -122.1, 0, 1628928960250, 0, 1, 0, nullptr, nullptr, nullptr},
        {45.3, -122.3, -3, 0, 1, 0, 1, nullptr, nullptr, nullptr},
    };
    ASSERT_EQ(vezuved_add_set(collection, VEZUVED_SET_WAYPOINTS, "Stops"), 0);
    ASSERT_EQ(vezuved_add_set(collection, VEZUVED_SET_TRACK, "Day one"), 1);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(vezuved_add_point(collection, i / 2, &points[i]), VEZUVED_OK);
}

const char kBuilt[] =
    "W 'Stops' 2: -122.25,45.5^12.5@1628928900000 'Caf\xC3\xA9' \"Start, here\" #Flag 151.2152967,"
    "-33.8567844 'Gate'\nT 'Day one' 2: -122.1,45.1@1628928960250 /-122.3,45.3^-3\n";

// The dates of the header (offsets 36 to 47) are the moment of writing.
static std::string WithoutDates(std::vector<uint8_t> bytes) {
    for (size_t at = 36; at < 48 && at < bytes.size(); ++at) bytes[at] = 0;
    return Hex(bytes.data(), bytes.size());
}

// What the collection of Fill is written as, byte for byte, compact or as points.
TEST(CoreWriting, CollectionsAreWrittenExactlyOrRefused) {
    Collection collection;
    Fill(collection.handle);
    TempFolder folder;
    vezuved_write_options options{};
    options.creator = "core test";
    for (const std::string name : {"stops.gpx", "stops.geojson", "stops.kml"}) {
        const std::string path = folder.file(name);
        ASSERT_EQ(vezuved_write(collection.handle, path.c_str(), name == "stops.gpx" ? &options : nullptr),
                  VEZUVED_OK);
        EXPECT_EQ(ReadFileText(path), Data("written/" + name)) << name;
    }
    EXPECT_EQ(Warnings(collection.handle, folder.path()), "");

    // The ways a document is written, or'ed into its format: GeoJSON on one
    // line, and every point as a waypoint; the collection is as it was after.
    options.format = VEZUVED_FORMAT_GEOJSON | VEZUVED_WRITE_COMPACT;
    ASSERT_EQ(vezuved_write(collection.handle, folder.file("a.json").c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(folder.file("a.json")), Data("written/stops-compact.geojson"));
    options.format = VEZUVED_FORMAT_GEOJSON | VEZUVED_WRITE_COMPACT | VEZUVED_WRITE_AS_POINTS;
    ASSERT_EQ(vezuved_write(collection.handle, folder.file("b.json").c_str(), &options), VEZUVED_OK);
    const std::string points = ReadFileText(folder.file("b.json"));
    options.format = VEZUVED_FORMAT_GPX | VEZUVED_WRITE_AS_POINTS;
    ASSERT_EQ(vezuved_write(collection.handle, folder.file("c.gpx").c_str(), &options), VEZUVED_OK);
    const std::string gpx = ReadFileText(folder.file("c.gpx"));
    EXPECT_EQ(std::make_pair(Count(points, "\"Point\""), Count(points, "LineString")),
              std::make_pair(size_t{4}, size_t{0}));
    EXPECT_EQ(std::make_pair(Count(gpx, "<wpt "), Count(gpx, "<trk>")), std::make_pair(size_t{4}, size_t{0}));
    EXPECT_EQ(Summary(collection.handle), kBuilt);
    // Only a document's named format takes them, and only GeoJSON is compact.
    for (const int32_t format : {VEZUVED_FORMAT_PDB | VEZUVED_WRITE_AS_POINTS,
                                 VEZUVED_FORMAT_KML | VEZUVED_WRITE_COMPACT,
                                 VEZUVED_FORMAT_BY_EXTENSION | VEZUVED_WRITE_COMPACT}) {
        options.format = format;
        EXPECT_EQ(vezuved_write(collection.handle, folder.file("d.geojson").c_str(), &options),
                  VEZUVED_ERROR_ARGUMENT)
            << format;
        EXPECT_EQ(Message(collection.handle, folder.path()),
                  "'DIR/d.geojson': " + std::to_string(format) + " is no format a document is written in");
    }
    EXPECT_FALSE(FileExists(folder.file("d.geojson")));

    // Every format the registry says reads and writes all a collection holds
    // gives the collection again.
    const uint32_t everything = 0x3FF;  // every VEZUVED_KEEPS_*
    std::vector<std::string> names;
    vezuved_format_info info{};
    for (int32_t i = 0; vezuved_get_format(i, &info) == VEZUVED_OK; ++i) {
        const bool both = (info.flags & VEZUVED_FORMAT_READS) && (info.flags & VEZUVED_FORMAT_WRITES);
        if (both && info.keeps == everything)
            names.push_back("back" +
                            std::string(info.extensions).substr(0, std::string(info.extensions).find(' ')));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"back.gpx", "back.kml", "back.geojson"}));
    for (const std::string& name : names) {
        ASSERT_EQ(vezuved_write(collection.handle, folder.file(name).c_str(), nullptr), VEZUVED_OK) << name;
        std::string expected = kBuilt;
        // GPX and GeoJSON have no name for a set of waypoints; KML has its Folder.
        if (name != "back.kml") expected.replace(expected.find("'Stops'"), 7, "'waypoints'");
        EXPECT_EQ(SummaryOf(folder.file(name)), expected) << name;
    }

    Collection loop;
    const int32_t route = vezuved_add_set(loop.handle, VEZUVED_SET_ROUTE, "Loop");
    for (const int32_t start : {0, 1, 0, 1}) {
        vezuved_point point = At(45, 7, "");
        point.segment_start = start;
        ASSERT_EQ(vezuved_add_point(loop.handle, route, &point), VEZUVED_OK);
    }
    ASSERT_EQ(vezuved_write(loop.handle, folder.file("loop.gpx").c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Warnings(loop.handle, folder.path()),
              "0 route 'Loop': 3 segments joined (a GPX route has no segments)\n");
    EXPECT_EQ(Count(ReadFileText(folder.file("loop.gpx")), "<rtept "), 4u);
    ASSERT_EQ(vezuved_write(loop.handle, folder.file("loop.kml").c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Warnings(loop.handle, folder.path()), "");

    Collection named;
    const int32_t set = vezuved_add_set(named.handle, VEZUVED_SET_ROUTE, "R");
    const vezuved_point point = At(1, 2, "\xE2\x82\xAC \xE6\x97\xA5");  // € 日
    ASSERT_EQ(vezuved_add_point(named.handle, set, &point), VEZUVED_OK);
    const std::string path = folder.file("r.pdb");
    vezuved_write_options write{};
    write.encoding = VEZUVED_ENCODING_UTF8;
    ASSERT_EQ(vezuved_write(named.handle, path.c_str(), &write), VEZUVED_OK);
    vezuved_read_options read{};
    read.encoding = VEZUVED_ENCODING_UTF8;
    EXPECT_EQ(SummaryOf(path, &read), "R 'r' 1: 2,1 '\xE2\x82\xAC \xE6\x97\xA5'\n");
    // The handheld's own encoding holds the euro sign but no 日.
    ASSERT_EQ(vezuved_write(named.handle, path.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(SummaryOf(path), "R 'r' 1: 2,1 '\xE2\x82\xAC ?'\n");

    Collection refusing;
    const int32_t waypoints = vezuved_add_set(refusing.handle, VEZUVED_SET_WAYPOINTS, "W");
    // Each row: latitude, longitude, elevation and time ("-": none), name and the message.
    const std::vector<std::vector<std::string>> cases = Table("written/refused.tsv", 6, 6);
    for (const std::vector<std::string>& c : cases) {
        vezuved_point point = At(std::stod(c[0]), std::stod(c[1]), c[4].empty() ? nullptr : c[4].c_str());
        point.has_elevation = c[2] != "-" ? 1 : 0;
        point.elevation = point.has_elevation != 0 ? std::stod(c[2]) : 0;
        point.has_time = c[3] != "-" ? 1 : 0;
        point.time = point.has_time != 0 ? std::stoll(c[3]) : 0;
        EXPECT_EQ(vezuved_add_point(refusing.handle, waypoints, &point), VEZUVED_ERROR_ARGUMENT) << c[5];
        EXPECT_STREQ(vezuved_error_message(refusing.handle), c[5].c_str());
    }
    EXPECT_EQ(vezuved_set_point_count(refusing.handle, waypoints), 0);
    const vezuved_point outside = At(91, 0, nullptr);
    EXPECT_EQ(vezuved_add_point(refusing.handle, 5, &outside), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_error_message(refusing.handle), "there is no set 5");
    EXPECT_EQ(vezuved_add_set(refusing.handle, 7, "x"), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_error_message(refusing.handle), "7 is no kind of set");
    const vezuved_point fine = At(0, 0, nullptr);
    EXPECT_EQ(vezuved_add_point(refusing.handle, waypoints, &fine), VEZUVED_OK);
    EXPECT_STREQ(vezuved_error_message(refusing.handle), "");

    const std::string stops = folder.file("stops.pdb");
    vezuved_write_options one{};
    EXPECT_EQ(vezuved_write(collection.handle, stops.c_str(), &one), VEZUVED_ERROR_SETS);
    EXPECT_EQ(Message(collection.handle, folder.path()),
              "cannot write 'DIR/stops.pdb': a database holds one set and 2 are to be written; name one in "
              "the options");
    EXPECT_FALSE(FileExists(stops));

    one.one_set = 1;
    one.set_index = 0;
    ASSERT_EQ(vezuved_write(collection.handle, stops.c_str(), &one), VEZUVED_OK);
    // The waypoints as a database, its dates left out, 16 bytes a line.
    std::string hex = Data("written/stops-pdb.hex");
    std::replace(hex.begin(), hex.end(), '\n', ' ');
    EXPECT_EQ(WithoutDates(ReadFileBytes(stops)) + " ", hex);
    // The comma a record line cannot hold, and the é Windows-1252 holds.
    EXPECT_EQ(Warnings(collection.handle, folder.path()),
              "0 'DIR/stops.pdb': text fitted to the record: 1 field(s) had characters replaced or dropped "
              "(',')\n");

    // A database holds feet to 7 decimals, its name from the file, no
    // segments, and no comma in a text.
    EXPECT_EQ(SummaryOf(stops),
              "W 'stops' 2: -122.25,45.5^12.50000000376@1628928900000 'Caf\xC3\xA9' \"Start  here\" #Flag "
              "151.2152967,-33.8567844 'Gate'\n");

    const std::string track = folder.file("track.pdb");
    one.set_index = 1;
    ASSERT_EQ(vezuved_write(collection.handle, track.c_str(), &one), VEZUVED_OK);
    EXPECT_EQ(SummaryOf(track), "T 'track' 2: -122.1,45.1@1628928960250 -122.3,45.3^-3.0000000045600004\n");

    // The older layout: the older kind, an empty record first, read back
    // as the same track. Waypoints have no older layout of their own.
    const std::string older = folder.file("older.pdb");
    one.format = VEZUVED_FORMAT_PDB_OLDER;
    ASSERT_EQ(vezuved_write(collection.handle, older.c_str(), &one), VEZUVED_OK);
    int32_t kind = 0, source = 0, version = 0, count = 0;
    ASSERT_EQ(RLGetPDBFileInfo(older.c_str(), &kind, &source, &version, &count), 0);
    EXPECT_EQ(std::vector<int32_t>({kind, version, count}), std::vector<int32_t>({VEZUVED_KIND_TRACK, 1, 3}));
    EXPECT_EQ(SummaryOf(older), "T 'older' 2: -122.1,45.1@1628928960250 -122.3,45.3^-3.0000000045600004\n");
    one.set_index = 0;
    ASSERT_EQ(vezuved_write(collection.handle, older.c_str(), &one), VEZUVED_OK);
    ASSERT_EQ(RLGetPDBFileInfo(older.c_str(), &kind, &source, &version, &count), 0);
    EXPECT_EQ(std::vector<int32_t>({kind, count}), std::vector<int32_t>({VEZUVED_KIND_POINT, 2}));

    // A database holds 65535 records; the older layout spends its first on
    // nothing, so a track that fills a database has no room in it.
    Collection full;
    const int32_t fullSet = vezuved_add_set(full.handle, VEZUVED_SET_TRACK, "full");
    const vezuved_point same = At(45.5, -122.5, "");
    for (int i = 0; i < 65535; ++i) ASSERT_EQ(vezuved_add_point(full.handle, fullSet, &same), VEZUVED_OK);
    const std::string fullPath = folder.file("full.pdb");
    vezuved_write_options layouts{};
    layouts.format = VEZUVED_FORMAT_PDB;
    EXPECT_EQ(vezuved_write(full.handle, fullPath.c_str(), &layouts), VEZUVED_OK);
    layouts.format = VEZUVED_FORMAT_PDB_OLDER;
    EXPECT_EQ(vezuved_write(full.handle, fullPath.c_str(), &layouts), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(std::string(vezuved_error_message(full.handle)),
              "cannot write '" + fullPath +
                  "': its set holds 65535 points and a database at most 65534 in the older layout, whose "
                  "first record stays empty");
}

#if defined(VEZUVED_IO_FAULTS)
TEST(CoreWriting, AFailedWriteLeavesThePreviousFileWhole) {
    Collection collection;
    Fill(collection.handle);
    vezuved_write_options options{};
    options.one_set = 1;
    for (const char* name : {"keep.gpx", "keep.geojson", "keep.pdb"}) {
        TempFolder folder;
        const std::string path = folder.put(name, "the previous version");
        vezuved::FailIoCallAfter(vezuved::IoCall::Write, 1, ENOSPC);
        EXPECT_EQ(vezuved_write(collection.handle, path.c_str(), &options), VEZUVED_ERROR_WRITE) << name;
        vezuved::FailIoCallAfter(vezuved::IoCall::Write, 0, 0);
        EXPECT_EQ(Message(collection.handle, folder.path()),
                  "cannot write 'DIR/" + std::string(name) + "': No space left on device");
        EXPECT_EQ(ReadFileText(path), "the previous version") << name;
        EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>({name}));
    }
}
#endif

// A NUL, which only GeoJSON can give a name, would end the record's text:
// it is blanked and said.
TEST(CoreWriting, ANulInANameIsBlankedAndSaid) {
    TempFolder folder;
    Collection read;
    const std::string path = folder.put(
        "n.geojson",
        R"({"type":"Feature","properties":{"name":"A\u0000B"},"geometry":{"type":"Point","coordinates":[7,45]}})");
    ASSERT_EQ(vezuved_read(read.handle, path.c_str(), nullptr), VEZUVED_OK);
    const std::string database = folder.file("n.pdb");
    ASSERT_EQ(vezuved_write(read.handle, database.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(
        Warnings(read.handle, folder.path()),
        "0 'DIR/n.pdb': text fitted to the record: 1 field(s) had characters replaced or dropped (NUL)\n");
    EXPECT_EQ(SummaryOf(database), "W 'n' 1: 7,45 'A B'\n");
}
