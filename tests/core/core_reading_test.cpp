// Files of every format read into a collection: the exact sets, points and
// warnings, and the failures of hostile files as a code and a sentence
// that names the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core_text.h"
#include "support/database_bytes.h"
#include "support/test_support.h"
#include "vezuved/vezuved_core.h"

using core_test::Message;
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

const char kGpx[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    " <wpt lat=\"45.5\" lon=\"-122.25\"><ele>12.5</ele><time>2021-08-14T08:15:00Z</time>"
    "<name>Caf\xC3\xA9</name><desc>Start here</desc><sym>Flag</sym></wpt>\n"
    " <wpt lat=\"91\" lon=\"0\"><name>Bad</name></wpt>\n"
    " <trk><name>Day one</name>\n"
    "  <trkseg><trkpt lat=\"45.1\" lon=\"-122.1\"><time>2021-08-14T08:16:00.250Z</time></trkpt>"
    "<trkpt lat=\"45.2\" lon=\"-122.2\"/></trkseg>\n"
    "  <trkseg><trkpt lat=\"45.3\" lon=\"-122.3\"><ele>-3</ele></trkpt></trkseg>\n"
    " </trk>\n"
    " <rte><rtept lat=\"1\" lon=\"2\"/></rte>\n"
    "</gpx>\n";

const char kKml[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>\n"
    "<Placemark><name>Summit</name><description>Top</description>"
    "<Point><coordinates>7.5,46.25,4000</coordinates></Point></Placemark>\n"
    "<Placemark><name>Path</name><LineString><coordinates>7.1,46.1 7.2,46.2,10</coordinates></LineString>"
    "</Placemark>\n"
    "</Document></kml>\n";

const char kGeoJson[] =
    "{\"type\": \"FeatureCollection\", \"features\": [\n"
    " {\"type\": \"Feature\", \"properties\": {\"name\": \"Well\", \"sym\": \"Water\"},\n"
    "  \"geometry\": {\"type\": \"Point\", \"coordinates\": [-3.5, 40.25, 650.5]}},\n"
    " {\"type\": \"Feature\", \"properties\": {\"name\": \"Loop\", \"kind\": \"route\"},\n"
    "  \"geometry\": {\"type\": \"MultiLineString\", \"coordinates\": [[[-3.1, 40.1], [-3.2, 40.2]], [[-3.3, "
    "40.3]]]}}\n"
    "]}\n";

struct ReadCase {
    const char* file;
    const char* bytes;
    const char* sets;
    const char* warnings;
};

TEST(CoreReading, EachFormatGivesItsSetsExactly) {
    const std::vector<ReadCase> cases = {
        {"trip.gpx",
         kGpx,
         "W 'waypoints' 1: -122.25,45.5^12.5@1628928900000 'Caf\xC3\xA9' \"Start here\" #Flag\n"
         "T 'Day one' 3: -122.1,45.1@1628928960250 -122.2,45.2 /-122.3,45.3^-3\n"
         "R 'route 1' 1: 2,1\n",
         "4 DIR/trip.gpx:4: waypoint 2 'Bad': latitude '91' is outside -90..90; the point is left out\n"},
        {"peaks.kml",
         kKml,
         "W 'waypoints' 1: 7.5,46.25^4000 'Summit' \"Top\"\n"
         "T 'Path' 2: 7.1,46.1 7.2,46.2^10\n",
         ""},
        {"wells.geojson",
         kGeoJson,
         "W 'waypoints' 1: -3.5,40.25^650.5 'Well' #Water\n"
         "R 'Loop' 3: -3.1,40.1 -3.2,40.2 /-3.3,40.3\n",
         ""},
    };
    for (const ReadCase& c : cases) {
        TempFolder folder;
        Collection collection;
        const std::string path = folder.put(c.file, c.bytes);
        EXPECT_EQ(vezuved_read(collection.handle, path.c_str(), nullptr), VEZUVED_OK) << c.file;
        EXPECT_EQ(Message(collection.handle, folder.path()), "") << c.file;
        EXPECT_EQ(Summary(collection.handle), c.sets) << c.file;
        EXPECT_EQ(Warnings(collection.handle, folder.path()), c.warnings) << c.file;
    }
}

TEST(CoreReading, ReadsAppendAndAFailedReadChangesNothing) {
    TempFolder folder;
    Collection collection;
    const std::string gpx = folder.put("a.gpx", kGpx);
    const std::string bad = folder.put("b.gpx", "<gpx");
    ASSERT_EQ(vezuved_read(collection.handle, gpx.c_str(), nullptr), VEZUVED_OK);
    ASSERT_EQ(vezuved_read(collection.handle, gpx.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(vezuved_set_count(collection.handle), 6);
    EXPECT_EQ(vezuved_read(collection.handle, bad.c_str(), nullptr), VEZUVED_ERROR_FORMAT);
    EXPECT_EQ(vezuved_set_count(collection.handle), 6);
    EXPECT_EQ(vezuved_warning_count(collection.handle), 0);
}

TEST(CoreReading, StrictReadsFailAtTheFirstBadPoint) {
    TempFolder folder;
    Collection collection;
    const std::string path = folder.put("trip.gpx", kGpx);
    vezuved_read_options options{};
    options.strict = 1;
    EXPECT_EQ(vezuved_read(collection.handle, path.c_str(), &options), VEZUVED_ERROR_FORMAT);
    EXPECT_EQ(Message(collection.handle, folder.path()),
              "DIR/trip.gpx:4: waypoint 2 'Bad': latitude '91' is outside -90..90");
    EXPECT_EQ(vezuved_set_count(collection.handle), 0);
}

// Databases assembled byte by byte, apart from the library's writer.
TEST(CoreReading, DatabasesGiveTheirPointsAndLeaveOutBadOnes) {
    DatabaseImage points;
    points.records = {
        TextRecord("45.5000000,-122.2500000,41.0104987,081500 14082021,Caf\xE9,Flag,Start here"),
        TextRecord("95.0000000,1.0000000,,,High,,"),
        TextRecord("-33.8567844,151.2152967,,,Gate,,"),
    };
    DatabaseImage track;
    track.type = "UsTr";
    track.records = {TextRecord("1.0000000,2.0000000,-10,120000 01012000,,,")};
    TempFolder folder;
    Collection collection;
    const std::string first = folder.put("points.pdb", BuildDatabase(points));
    const std::string second = folder.put("walk.pdb", BuildDatabase(track));
    ASSERT_EQ(vezuved_read(collection.handle, first.c_str(), nullptr), VEZUVED_OK)
        << vezuved_error_message(collection.handle);
    EXPECT_EQ(Warnings(collection.handle, folder.path()),
              "0 DIR/points.pdb: record 2 'High': latitude 95 is outside -90..90; the point is left out\n");
    ASSERT_EQ(vezuved_read(collection.handle, second.c_str(), nullptr), VEZUVED_OK)
        << vezuved_error_message(collection.handle);
    EXPECT_EQ(Summary(collection.handle),
              "W 'points' 2: -122.25,45.5^12.50000000376@1628928900000 'Caf\xC3\xA9' \"Start here\" #Flag "
              "151.2152967,-33.8567844 'Gate'\n"
              "T 'walk' 1: 2,1^-3.048@946728000000\n");
    EXPECT_EQ(Warnings(collection.handle, folder.path()), "");
}

struct CutCase {
    size_t length;
    const char* message;
};

// A database cut before its last record's text is refused whole, with the
// library's cause (the last record runs to the end of the file).
TEST(CoreReading, CutDatabasesAreRefused) {
    DatabaseImage points;
    points.records = {TextRecord("45.5000000,-122.2500000,,,A,,"), TextRecord("1.0000000,2.0000000,,,B,,")};
    const std::string whole = BuildDatabase(points);
    const std::vector<CutCase> cases = {
        {0, "cannot read 'DIR/cut.pdb': it is no readable point, route or track database (Err: 0x408)"},
        {40, "cannot read 'DIR/cut.pdb': it is no readable point, route or track database (Err: 0x408)"},
        {78, "cannot read 'DIR/cut.pdb': it is no readable point, route or track database (Err: 0x408)"},
        {90, "cannot read 'DIR/cut.pdb': it is no readable point, route or track database (Err: 0x408)"},
        {100, "cannot read 'DIR/cut.pdb': it is no readable point, route or track database (Err: 0x408)"},
    };
    for (const CutCase& c : cases) {
        TempFolder folder;
        Collection collection;
        const std::string path = folder.put("cut.pdb", whole.substr(0, c.length));
        EXPECT_EQ(vezuved_read(collection.handle, path.c_str(), nullptr), VEZUVED_ERROR_FORMAT) << c.length;
        EXPECT_EQ(Message(collection.handle, folder.path()), c.message) << c.length;
        EXPECT_EQ(vezuved_set_count(collection.handle), 0);
    }
}

struct HostileCase {
    const char* file;
    const char* bytes;  // null: no such file
    int32_t format;
    int32_t code;
    const char* message;
};

TEST(CoreReading, HostileFilesFailWithACodeAndTheirName) {
    const std::string kDeep(100000, '[');
    const std::vector<HostileCase> cases = {
        {"missing.gpx",
         nullptr,
         0,
         VEZUVED_ERROR_OPEN,
         "cannot read 'DIR/missing.gpx': the file cannot be opened"},
        {"empty.gpx", "", 0, VEZUVED_ERROR_FORMAT, "cannot read 'DIR/empty.gpx': line 1: no element found"},
        {"crossed.gpx",
         "<gpx><wpt lat=\"1\" lon=\"2\"></gpx>",
         0,
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/crossed.gpx': line 1: mismatched tag"},
        {"html.gpx",
         "<html></html>",
         0,
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/html.gpx': it is no GPX file (its root element is <html>, not <gpx>)"},
        {"none.gpx",
         "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"></gpx>",
         0,
         VEZUVED_ERROR_FORMAT,
         "cannot convert 'DIR/none.gpx': it holds no points, routes or tracks"},
        {"deep.geojson",
         kDeep.c_str(),
         0,
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/deep.geojson': its JSON nests deeper than 512 lists and objects"},
        {"brace.geojson",
         "{",
         0,
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/brace.geojson': line 1, column 2 (byte 1): syntax error while parsing object key "
         "- "
         "unexpected end of input; expected string literal"},
        {"text.pdb",
         "no database at all",
         0,
         VEZUVED_ERROR_FORMAT,
         "cannot read 'DIR/text.pdb': it is no readable point, route or track database (Err: 0x408)"},
        {"notes.txt",
         "x",
         0,
         VEZUVED_ERROR_ARGUMENT,
         "'DIR/notes.txt': its extension names no format; give one in the options"},
        {"notes.txt", "x", 9, VEZUVED_ERROR_ARGUMENT, "'DIR/notes.txt': 9 is no format"},
        {"notes.txt",
         "x",
         VEZUVED_FORMAT_TEXT,
         VEZUVED_ERROR_OPEN,
         "cannot read 'DIR/notes.txt': its format definition 'DIR/notes.cal' cannot be read (No such file or "
         "directory)"},
    };
    for (const HostileCase& c : cases) {
        TempFolder folder;
        Collection collection;
        const std::string path = c.bytes != nullptr ? folder.put(c.file, c.bytes) : folder.file(c.file);
        vezuved_read_options options{};
        options.format = c.format;
        // The library's own lines ("Err: 0x408") are kept in the message, never printed.
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(vezuved_read(collection.handle, path.c_str(), &options), c.code) << c.file;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.file;
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << c.file;
        EXPECT_EQ(Message(collection.handle, folder.path()), c.message) << c.file;
        EXPECT_EQ(vezuved_set_count(collection.handle), 0) << c.file;
    }
}

TEST(CoreReading, BadHandlesAndIndexesAreRefused) {
    vezuved_point point{};
    vezuved_warning warning{};
    EXPECT_EQ(vezuved_read(nullptr, "a.gpx", nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_write(nullptr, "a.gpx", nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_set_count(nullptr), -1);
    EXPECT_EQ(vezuved_get_point(nullptr, 0, 0, &point), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_error_message(nullptr), "no collection was given");
    Collection collection;
    EXPECT_EQ(vezuved_read(collection.handle, nullptr, nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_error_message(collection.handle), "no path was given to read");
    EXPECT_EQ(vezuved_set_kind(collection.handle, 0), -1);
    EXPECT_EQ(vezuved_set_name(collection.handle, -1), nullptr);
    EXPECT_EQ(vezuved_set_point_count(collection.handle, 3), -1);
    EXPECT_EQ(vezuved_get_point(collection.handle, 0, 0, &point), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_get_warning(collection.handle, 0, &warning), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_core_version(), VEZUVED_CORE_VERSION);
}

}  // namespace
