// Collections built through the interface and written: the exact bytes of
// each format, databases read back as they went out, refusals, and a
// failed write that leaves the previous file whole.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <string>
#include <vector>

#include "core_text.h"
#include "platform/io_faults.h"
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

vezuved_point MakePoint(double latitude, double longitude, const char* name) {
    vezuved_point point{};
    point.latitude = latitude;
    point.longitude = longitude;
    point.name = name;
    return point;
}

// A set of two waypoints and a track of two segments.
void Fill(vezuved_collection* collection) {
    const int32_t waypoints = vezuved_add_set(collection, VEZUVED_SET_WAYPOINTS, "Stops");
    ASSERT_EQ(waypoints, 0);
    vezuved_point cafe = MakePoint(45.5, -122.25, "Caf\xC3\xA9");
    cafe.has_elevation = 1;
    cafe.elevation = 12.5;
    cafe.has_time = 1;
    cafe.time = 1628928900000;
    cafe.description = "Start, here";
    cafe.symbol = "Flag";
    ASSERT_EQ(vezuved_add_point(collection, waypoints, &cafe), VEZUVED_OK);
    const vezuved_point gate = MakePoint(-33.8567844, 151.2152967, "Gate");
    ASSERT_EQ(vezuved_add_point(collection, waypoints, &gate), VEZUVED_OK);

    const int32_t track = vezuved_add_set(collection, VEZUVED_SET_TRACK, "Day one");
    ASSERT_EQ(track, 1);
    vezuved_point first = MakePoint(45.1, -122.1, nullptr);
    first.has_time = 1;
    first.time = 1628928960250;
    ASSERT_EQ(vezuved_add_point(collection, track, &first), VEZUVED_OK);
    vezuved_point second = MakePoint(45.3, -122.3, nullptr);
    second.segment_start = 1;
    second.has_elevation = 1;
    second.elevation = -3;
    ASSERT_EQ(vezuved_add_point(collection, track, &second), VEZUVED_OK);
}

const char kBuilt[] =
    "W 'Stops' 2: -122.25,45.5^12.5@1628928900000 'Caf\xC3\xA9' \"Start, here\" #Flag "
    "151.2152967,-33.8567844 'Gate'\n"
    "T 'Day one' 2: -122.1,45.1@1628928960250 /-122.3,45.3^-3\n";

// What the collection of Fill is written as.
const char kGpxText[] =
    u8R"(<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="core test" xmlns="http://www.topografix.com/GPX/1/1" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xsi:schemaLocation="http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd">
  <wpt lat="45.5000000" lon="-122.2500000">
    <ele>12.50</ele>
    <time>2021-08-14T08:15:00Z</time>
    <name>Café</name>
    <desc>Start, here</desc>
    <sym>Flag</sym>
  </wpt>
  <wpt lat="-33.8567844" lon="151.2152967">
    <name>Gate</name>
  </wpt>
  <trk>
    <name>Day one</name>
    <trkseg>
      <trkpt lat="45.1000000" lon="-122.1000000">
        <time>2021-08-14T08:16:00.250Z</time>
      </trkpt>
    </trkseg>
    <trkseg>
      <trkpt lat="45.3000000" lon="-122.3000000">
        <ele>-3.00</ele>
      </trkpt>
    </trkseg>
  </trk>
</gpx>
)";

const char kGeoJsonText[] =
    u8R"({
  "type": "FeatureCollection",
  "features": [
    {
      "type": "Feature",
      "geometry": {
        "type": "Point",
        "coordinates": [-122.2500000, 45.5000000, 12.50]
      },
      "properties": {
        "name": "Café",
        "ele": 12.50,
        "time": "2021-08-14T08:15:00Z",
        "desc": "Start, here",
        "sym": "Flag"
      }
    },
    {
      "type": "Feature",
      "geometry": {
        "type": "Point",
        "coordinates": [151.2152967, -33.8567844]
      },
      "properties": {
        "name": "Gate",
        "time": null,
        "desc": null,
        "sym": null
      }
    },
    {
      "type": "Feature",
      "geometry": {
        "type": "MultiLineString",
        "coordinates": [
          [
            [-122.1000000, 45.1000000]
          ],
          [
            [-122.3000000, 45.3000000, -3.00]
          ]
        ]
      },
      "properties": {
        "name": "Day one",
        "kind": "track",
        "coordTimes": [
          [
            "2021-08-14T08:16:00.250Z"
          ],
          [
            null
          ]
        ]
      }
    }
  ]
}
)";

const char kKmlText[] =
    u8R"(<?xml version="1.0" encoding="UTF-8"?>
<kml xmlns="http://www.opengis.net/kml/2.2" xmlns:gx="http://www.google.com/kml/ext/2.2">
  <Document>
    <name>Stops, Day one</name>
    <Folder>
      <name>Stops</name>
      <Placemark>
        <name>Café</name>
        <description>Start, here</description>
        <TimeStamp>
          <when>2021-08-14T08:15:00Z</when>
        </TimeStamp>
        <ExtendedData>
          <Data name="sym">
            <value>Flag</value>
          </Data>
        </ExtendedData>
        <Point>
          <altitudeMode>absolute</altitudeMode>
          <coordinates>-122.2500000,45.5000000,12.50</coordinates>
        </Point>
      </Placemark>
      <Placemark>
        <name>Gate</name>
        <Point>
          <coordinates>151.2152967,-33.8567844</coordinates>
        </Point>
      </Placemark>
    </Folder>
    <Folder>
      <name>Day one</name>
      <Placemark>
        <name>Day one</name>
        <ExtendedData>
          <Data name="kind">
            <value>track</value>
          </Data>
        </ExtendedData>
        <gx:MultiTrack>
          <gx:Track>
            <altitudeMode>absolute</altitudeMode>
            <when>2021-08-14T08:16:00.250Z</when>
            <gx:coord>-122.1000000 45.1000000</gx:coord>
          </gx:Track>
          <gx:Track>
            <altitudeMode>absolute</altitudeMode>
            <when/>
            <gx:coord>-122.3000000 45.3000000 -3.00</gx:coord>
          </gx:Track>
        </gx:MultiTrack>
      </Placemark>
    </Folder>
  </Document>
</kml>
)";

// The waypoints as a database, its dates (offsets 36 to 47) left out.
const char kDatabaseHex[] =
    "73 74 6f 70 73 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 08 00 03 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 00 00 00 00 50 6f 4c 69 "
    "5a 69 5a 75 00 00 00 00 00 00 00 00 00 02 00 00 "
    "00 60 00 11 00 00 00 00 00 c0 00 11 00 05 00 00 "
    "34 35 2e 35 30 30 30 30 30 30 2c 2d 31 32 32 2e "
    "32 35 30 30 30 30 30 2c 34 31 2e 30 31 30 34 39 "
    "38 37 2c 30 38 31 35 30 30 20 31 34 30 38 32 30 "
    "32 31 2c 43 61 66 e9 2c 46 6c 61 67 2c 53 74 61 "
    "72 74 20 20 68 65 72 65 00 00 00 00 02 b6 46 60 "
    "f8 b6 9c f0 00 00 00 29 00 00 00 00 00 00 00 00 "
    "2d 33 33 2e 38 35 36 37 38 34 34 2c 31 35 31 2e "
    "32 31 35 32 39 36 37 2c 2c 2c 47 61 74 65 2c 2c "
    "00 00 00 00 fd fb 62 f0 09 03 5c c0 00 00 00 00 "
    "00 00 00 00 00 00 00 00";

TEST(CoreWriting, BuiltCollectionsHoldWhatWasAdded) {
    Collection collection;
    Fill(collection.handle);
    EXPECT_EQ(Summary(collection.handle), kBuilt);
}

TEST(CoreWriting, GpxAndGeoJsonBytesAreExact) {
    Collection collection;
    Fill(collection.handle);
    TempFolder folder;
    vezuved_write_options options{};
    options.creator = "core test";
    ASSERT_EQ(vezuved_write(collection.handle, folder.file("out.gpx").c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(folder.file("out.gpx")), kGpxText);
    ASSERT_EQ(vezuved_write(collection.handle, folder.file("out.geojson").c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(folder.file("out.geojson")), kGeoJsonText);
    ASSERT_EQ(vezuved_write(collection.handle, folder.file("out.kml").c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(folder.file("out.kml")), kKmlText);
    EXPECT_EQ(Warnings(collection.handle, folder.path()), "");
}

// Every written format read back gives the collection again.
TEST(CoreWriting, EachFormatReadsBackAsItWasWritten) {
    Collection collection;
    Fill(collection.handle);
    TempFolder folder;
    for (const char* name : {"back.gpx", "back.geojson", "back.kml"}) {
        ASSERT_EQ(vezuved_write(collection.handle, folder.file(name).c_str(), nullptr), VEZUVED_OK) << name;
        Collection back;
        ASSERT_EQ(vezuved_read(back.handle, folder.file(name).c_str(), nullptr), VEZUVED_OK) << name;
        std::string expected = kBuilt;
        expected.replace(expected.find("'Stops'"), 7, "'waypoints'");
        EXPECT_EQ(Summary(back.handle), expected) << name;
    }
}

// The dates of the header (offsets 36 to 47) are the moment of writing.
std::string WithoutDates(std::vector<uint8_t> bytes) {
    for (size_t at = 36; at < 48 && at < bytes.size(); ++at) bytes[at] = 0;
    return Hex(bytes.data(), bytes.size());
}

TEST(CoreWriting, DatabaseBytesAreExactAndReadBack) {
    Collection collection;
    Fill(collection.handle);
    TempFolder folder;
    const std::string path = folder.file("stops.pdb");
    vezuved_write_options options{};
    EXPECT_EQ(vezuved_write(collection.handle, path.c_str(), &options), VEZUVED_ERROR_SETS);
    EXPECT_EQ(Message(collection.handle, folder.path()),
              "cannot write 'DIR/stops.pdb': a database holds one set and 2 are to be written; name one in "
              "the options");
    EXPECT_FALSE(FileExists(path));

    options.one_set = 1;
    options.set_index = 0;
    ASSERT_EQ(vezuved_write(collection.handle, path.c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(WithoutDates(ReadFileBytes(path)), kDatabaseHex);
    // The comma a record line cannot hold, and the é Windows-1252 holds.
    EXPECT_EQ(Warnings(collection.handle, folder.path()),
              "0 'DIR/stops.pdb': text fitted to the record: 1 field(s) had characters replaced or dropped "
              "(',')\n");

    // A database holds feet to 7 decimals, its name from the file, no
    // segments, and no comma in a text.
    Collection back;
    ASSERT_EQ(vezuved_read(back.handle, path.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Summary(back.handle),
              "W 'stops' 2: -122.25,45.5^12.50000000376@1628928900000 'Caf\xC3\xA9' \"Start  here\" #Flag "
              "151.2152967,-33.8567844 "
              "'Gate'\n");

    const std::string track = folder.file("track.pdb");
    options.set_index = 1;
    ASSERT_EQ(vezuved_write(collection.handle, track.c_str(), &options), VEZUVED_OK);
    Collection trackBack;
    ASSERT_EQ(vezuved_read(trackBack.handle, track.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Summary(trackBack.handle),
              "T 'track' 2: -122.1,45.1@1628928960250 -122.3,45.3^-3.0000000045600004\n");
}

TEST(CoreWriting, Utf8DatabasesKeepEveryCharacter) {
    Collection collection;
    const int32_t set = vezuved_add_set(collection.handle, VEZUVED_SET_ROUTE, "R");
    const vezuved_point point = MakePoint(1, 2, "\xE2\x82\xAC \xE6\x97\xA5");  // € 日
    ASSERT_EQ(vezuved_add_point(collection.handle, set, &point), VEZUVED_OK);
    TempFolder folder;
    const std::string path = folder.file("r.pdb");
    vezuved_write_options write{};
    write.encoding = VEZUVED_ENCODING_UTF8;
    ASSERT_EQ(vezuved_write(collection.handle, path.c_str(), &write), VEZUVED_OK);
    vezuved_read_options read{};
    read.encoding = VEZUVED_ENCODING_UTF8;
    Collection back;
    ASSERT_EQ(vezuved_read(back.handle, path.c_str(), &read), VEZUVED_OK);
    EXPECT_EQ(Summary(back.handle), "R 'r' 1: 2,1 '\xE2\x82\xAC \xE6\x97\xA5'\n");
    // The handheld's own encoding holds the euro sign but no 日.
    ASSERT_EQ(vezuved_write(collection.handle, path.c_str(), nullptr), VEZUVED_OK);
    Collection narrowed;
    ASSERT_EQ(vezuved_read(narrowed.handle, path.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Summary(narrowed.handle), "R 'r' 1: 2,1 '\xE2\x82\xAC ?'\n");
}

struct RefusedPoint {
    vezuved_point point;
    const char* message;
};

TEST(CoreWriting, PointsNoWriterCouldKeepAreRefused) {
    Collection collection;
    const int32_t set = vezuved_add_set(collection.handle, VEZUVED_SET_WAYPOINTS, "W");
    vezuved_point high = MakePoint(1, 2, nullptr);
    high.has_elevation = 1;
    high.elevation = 1e300;
    vezuved_point late = MakePoint(1, 2, nullptr);
    late.has_time = 1;
    late.time = 253402300800000;
    const std::vector<RefusedPoint> cases = {
        {MakePoint(91, 0, nullptr), "the point is refused: latitude 91 is outside -90..90"},
        {MakePoint(0, -180.5, nullptr), "the point is refused: longitude -180.5 is outside -180..180"},
        {MakePoint(NAN, 0, nullptr), "the point is refused: latitude nan is outside -90..90"},
        {high, "the point is refused: elevation 1e+300 m is beyond 100000 m"},
        {late, "the point is refused: time 253402300800000 ms lies outside the years 0000 to 9999"},
        {MakePoint(0, 0, "bad \xC3"), "the point's name is no UTF-8 text"},
    };
    for (const RefusedPoint& c : cases) {
        EXPECT_EQ(vezuved_add_point(collection.handle, set, &c.point), VEZUVED_ERROR_ARGUMENT) << c.message;
        EXPECT_STREQ(vezuved_error_message(collection.handle), c.message);
    }
    EXPECT_EQ(vezuved_set_point_count(collection.handle, set), 0);
    EXPECT_EQ(vezuved_add_point(collection.handle, 5, &cases[0].point), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_error_message(collection.handle), "there is no set 5");
    EXPECT_EQ(vezuved_add_set(collection.handle, 7, "x"), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_error_message(collection.handle), "7 is no kind of set");
    const vezuved_point fine = MakePoint(0, 0, nullptr);
    EXPECT_EQ(vezuved_add_point(collection.handle, set, &fine), VEZUVED_OK);
    EXPECT_STREQ(vezuved_error_message(collection.handle), "");
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

}  // namespace
