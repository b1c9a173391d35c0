// What a file holds beyond the core's fields: kept from GPX to GPX and through KML
// and GeoJSON, read from other programs, copied point by point, said by a database.

#include "core_text.h"

// A Garmin-like file: everything the core keeps beyond its fields, in the
// order GPX's schema gives it, so it is written back byte for byte.
const char kGarmin[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"t\" "
    "xmlns=\"http://www.topografix.com/GPX/1/1\" "
    "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\">\n"
    "  <metadata>\n    <desc>Morning</desc>\n    <author>\n      <name>Ann</name>\n    </author>\n"
    "    <time>2021-08-14T06:00:00Z</time>\n    <keywords>ride</keywords>\n  </metadata>\n"
    "  <wpt lat=\"1\" lon=\"2\">\n    <magvar>3.5</magvar>\n    <name>W</name>\n    <cmt>c</cmt>\n"
    "    <desc>d</desc>\n    <src>s</src>\n    <type>t</type>\n    <fix>3d</fix>\n    <sat>7</sat>\n"
    "    <hdop>0.9</hdop>\n    <dgpsid>12</dgpsid>\n  </wpt>\n  <trk>\n    <name>T</name>\n"
    "    <cmt>tc</cmt>\n    <desc>track desc</desc>\n    <number>4</number>\n    <type>cycling</type>\n"
    "    <trkseg>\n      <trkpt lat=\"46.5\" lon=\"8.25\">\n        <ele>1000.5</ele>\n"
    "        <time>2021-08-14T06:00:00Z</time>\n        <extensions>\n"
    "          <gpxtpx:TrackPointExtension>\n            <gpxtpx:atemp>21.5</gpxtpx:atemp>\n"
    "            <gpxtpx:hr>142</gpxtpx:hr>\n            <gpxtpx:cad>88</gpxtpx:cad>\n"
    "            <gpxtpx:speed>5.25</gpxtpx:speed>\n          </gpxtpx:TrackPointExtension>\n"
    "        </extensions>\n      </trkpt>\n      <trkpt lat=\"46.6\" lon=\"8.26\">\n        <sat>9</sat>\n"
    "      </trkpt>\n    </trkseg>\n  </trk>\n</gpx>\n";

// The collection as a document of the format, as the core writes it.
static std::string As(const Collection& collection, int32_t format) {
    return Document(collection.handle, format, "t");
}

TEST(CoreExtras, WhatFilesHoldBeyondTheCoresFieldsIsKeptBetweenFormats) {
    TempFolder folder;
    Collection read;
    ASSERT_EQ(vezuved_read(read.handle, folder.put("in.gpx", kGarmin).c_str(), nullptr), VEZUVED_OK);
    vezuved_write_options options{};
    options.creator = "t";
    ASSERT_EQ(vezuved_write(read.handle, folder.file("out.gpx").c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(folder.file("out.gpx")), kGarmin);

    ASSERT_EQ(vezuved_write(read.handle, folder.file("out.kml").c_str(), nullptr), VEZUVED_OK);
    const std::string kml = ReadFileText(folder.file("out.kml"));
    ExpectHolds(kml,
                {"<gx:SimpleArrayData name=\"heartrate\">\n                <gx:value>142</gx:value>\n",
                 "<Data name=\"hdop\">\n            <value>0.9</value>",
                 "<description>track desc</description>",
                 "<Data name=\"metadata:author\">\n        <value>Ann</value>"});
    ASSERT_EQ(vezuved_write(read.handle, folder.file("out.geojson").c_str(), nullptr), VEZUVED_OK);
    const std::string geojson = ReadFileText(folder.file("out.geojson"));
    ExpectHolds(geojson,
                {"\"atemp\": [\n            \"21.5\",\n            null\n          ]",
                 "\"hdop\": \"0.9\"",
                 "\"desc\": \"track desc\"",
                 "\"metadata\": {\n    \"desc\": \"Morning\""});
    for (const char* through : {"out.kml", "out.geojson"}) {
        Collection back;
        ASSERT_EQ(vezuved_read(back.handle, folder.file(through).c_str(), nullptr), VEZUVED_OK);
        ASSERT_EQ(vezuved_write(back.handle, folder.file("back.gpx").c_str(), &options), VEZUVED_OK);
        EXPECT_EQ(ReadFileText(folder.file("back.gpx")), kGarmin) << through;
    }

    // A point or set given another's values; a database says once what of
    // them it cannot hold.
    Collection made;
    const int32_t track = vezuved_add_set(made.handle, VEZUVED_SET_TRACK, "Made");
    const vezuved_point point = At(45, 7);
    ASSERT_EQ(vezuved_add_point(made.handle, track, &point), VEZUVED_OK);
    ASSERT_EQ(vezuved_copy_extras(made.handle, track, 0, read.handle, 1, 0), VEZUVED_OK);
    ASSERT_EQ(vezuved_copy_extras(made.handle, track, -1, read.handle, 1, -1), VEZUVED_OK);
    EXPECT_EQ(vezuved_copy_extras(made.handle, track, 1, read.handle, 1, 0), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(Message(made.handle, folder.path()), "point 1 or the source's point 0 is not in its set");
    EXPECT_EQ(vezuved_copy_extras(made.handle, track, 0, read.handle, 5, 0), VEZUVED_ERROR_ARGUMENT);

    ASSERT_EQ(vezuved_write(made.handle, folder.file("made.pdb").c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(
        Warnings(made.handle, folder.path()),
        "0 'DIR/made.pdb': 1 point(s) hold values a database cannot hold (atemp, hr, cad, speed); the set "
        "holds texts a database cannot hold (cmt, desc, number, type); they are left out\n");
    // The warnings are the last write's, even one that failed.
    EXPECT_EQ(vezuved_write(made.handle, folder.file("none/made.pdb").c_str(), nullptr), VEZUVED_ERROR_WRITE);
    EXPECT_EQ(Warnings(made.handle, folder.path()), "");
    ExpectHolds(As(made, VEZUVED_FORMAT_GPX), {"<desc>track desc</desc>", "<gpxtpx:hr>142</gpxtpx:hr>"});

    // Other programs' values written as GPX: KML arrays beside a gx:Track, a TCX
    // trackpoint's sensors, and GPX 1.0's url and urlname as GPX 1.1's link.
    const struct {
        const char* name;
        std::string file;
        const char* warnings;
        std::initializer_list<std::string> parts;
    } cases[] = {
        {"r.kml",
         "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">"
         "<Document><Schema id=\"s\"><gx:SimpleArrayField name=\"heartrate\" type=\"int\"/></Schema>"
         "<Placemark><name>R</name><ExtendedData><Data name=\"src\"><value>logger</value></Data><Data "
         "name=\"color\"><value>red</value></Data></ExtendedData><gx:Track><when>2021-08-14T06:00:00Z</"
         "when><when>2021-08-14T06:00:01Z"
         "</when><gx:coord>8 46 100</gx:coord><gx:coord>8.1 46.1 101</gx:coord><ExtendedData><SchemaData "
         "schemaUrl=\"#s\"><gx:SimpleArrayData name=\"heartrate\"><gx:value>120</gx:value><gx:value>121"
         "</gx:value></gx:SimpleArrayData><gx:SimpleArrayData name=\"cadence\"><gx:value>80</gx:value>"
         "<gx:value/></gx:SimpleArrayData><gx:SimpleArrayData name=\"power\"><gx:value>200</gx:value>"
         "<gx:value>210</gx:value></gx:SimpleArrayData></SchemaData></ExtendedData></gx:Track></Placemark>"
         "</Document></kml>",
         "0 DIR/r.kml: 2 ExtendedData value(s) or list(s) the tool keeps none of are left out ('power', "
         "'color')\n",
         {"<name>R</name>\n    <src>logger</src>\n",
          "<gpxtpx:TrackPointExtension>\n            <gpxtpx:hr>120</gpxtpx:hr>\n"
          "            <gpxtpx:cad>80</gpxtpx:cad>\n",
          "<gpxtpx:TrackPointExtension>\n            <gpxtpx:hr>121</gpxtpx:hr>\n          </"}},
        {"r.tcx",
         "<TrainingCenterDatabase xmlns=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\" "
         "xmlns:x=\"http://www.garmin.com/xmlschemas/ActivityExtension/v2\"><Activities><Activity><Id>R</Id>"
         "<Lap><Cadence>80</Cadence><Track><Trackpoint><Position><LatitudeDegrees>45</LatitudeDegrees>"
         "<LongitudeDegrees>7</LongitudeDegrees></Position><DistanceMeters>0</DistanceMeters><HeartRateBpm>"
         "<Value>120</Value></HeartRateBpm><Cadence>85</Cadence><Extensions><x:TPX><x:Speed>5.5</x:Speed>"
         "<x:RunCadence>9</x:RunCadence><x:Watts>200</x:Watts></x:TPX></Extensions></Trackpoint>"
         "<Trackpoint><Position><LatitudeDegrees>46</LatitudeDegrees><LongitudeDegrees>7</LongitudeDegrees>"
         "</Position><Extensions><x:LX><x:Speed>7</x:Speed></x:LX>"
         "<x:TPX><x:RunCadence>90</x:RunCadence></x:TPX></Extensions></Trackpoint>"
         "</Track></Lap></Activity></Activities></TrainingCenterDatabase>",
         "0 DIR/r.tcx: 2 trackpoint value(s) the tool keeps none of are left out (DistanceMeters, Watts)\n",
         {"<gpxtpx:hr>120</gpxtpx:hr>\n            <gpxtpx:cad>85</gpxtpx:cad>\n"
          "            <gpxtpx:speed>5.5</gpxtpx:speed>\n",
          "<gpxtpx:TrackPointExtension>\n            <gpxtpx:cad>90</gpxtpx:cad>\n          </"}},
        {"u.gpx",
         "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\"><url>http://f</url>"
         "<wpt lat=\"1\" lon=\"2\"><urlname>Hut &amp; bar</urlname><url>http://w?a=1&amp;b=2</url></wpt>"
         "<rte><name>R</name><url>http://r</url><rtept lat=\"1\" lon=\"2\"/></rte></gpx>",
         "",
         {"  <metadata>\n    <link href=\"http://f\"></link>\n",
          "    <link href=\"http://w?a=1&amp;b=2\"><text>Hut &amp; bar</text></link>\n",
          "    <name>R</name>\n    <link href=\"http://r\"></link>\n"}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        Collection read;
        ASSERT_EQ(vezuved_read(read.handle, folder.put(c.name, c.file).c_str(), nullptr), VEZUVED_OK);
        EXPECT_EQ(Warnings(read.handle, folder.path()), c.warnings);
        const std::string gpx = As(read, VEZUVED_FORMAT_GPX);
        ExpectHolds(gpx, c.parts);
    }

    // A waypoint's Folders and TimeSpan end are KML's own: kept through KML and
    // GeoJSON, said by GPX. Waypoints all in one outermost Folder are its set.
    const std::string folders =
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document><Folder><name>Trip</name>"
        "<Folder><name>Alps</name><Folder><Folder><name>North</name><Placemark><name>A</name><TimeSpan>"
        "<begin>2020-01-01T10:00:00Z</begin><end> 2020-01-01T12:00:00Z </end></TimeSpan>"
        "<Point><coordinates>10,45</coordinates></Point></Placemark></Folder></Folder></Folder>"
        "<Placemark><name>B</name><TimeSpan><end>2020-01-02</end></TimeSpan>"
        "<Point><coordinates>11,46</coordinates></Point></Placemark></Folder>"
        "<Placemark><name>L</name><TimeSpan><begin>2020-01-01</begin></TimeSpan>"
        "<LineString><coordinates>1,2 3,4</coordinates></LineString></Placemark></Document></kml>";
    Collection foldered;
    ASSERT_EQ(vezuved_read(foldered.handle, folder.put("f.kml", folders).c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Warnings(foldered.handle, folder.path()),
              "0 DIR/f.kml: 1 TimeSpan(s) of lines are left out: their points keep their own times\n");
    const std::string written = As(foldered, VEZUVED_FORMAT_KML);
    const std::string waypoints =
        "    <Folder>\n      <name>Trip</name>\n      <Folder>\n        <name>Alps</name>\n        <Folder>\n"
        "          <name>North</name>\n          <Placemark>\n            <name>A</name>\n"
        "            <TimeSpan>\n              <begin>2020-01-01T10:00:00Z</begin>\n"
        "              <end>2020-01-01T12:00:00Z</end>\n            </TimeSpan>\n            <Point>\n"
        "              <coordinates>10,45</coordinates>\n            </Point>\n          </Placemark>\n"
        "        </Folder>\n      </Folder>\n      <Placemark>\n        <name>B</name>\n        <TimeSpan>\n"
        "          <end>2020-01-02</end>\n        </TimeSpan>\n";
    ExpectHolds(written, {waypoints});

    // Through GeoJSON ("folder": "Alps/North", "timeEnd") and back, the same KML.
    ASSERT_EQ(vezuved_write(foldered.handle, folder.file("f.geojson").c_str(), nullptr), VEZUVED_OK);
    ExpectHolds(ReadFileText(folder.file("f.geojson")), {"\"folder\": \"Alps/North\""});
    Collection back;
    ASSERT_EQ(vezuved_read(back.handle, folder.file("f.geojson").c_str(), nullptr), VEZUVED_OK);
    const std::string again = As(back, VEZUVED_FORMAT_KML);
    std::string expected = written;  // GeoJSON names no set of waypoints: it is "waypoints"
    for (size_t at; (at = expected.find("<name>Trip</name>")) != std::string::npos;)
        expected.replace(at, 17, "<name>waypoints</name>");
    EXPECT_EQ(again.substr(again.find("<Folder>")), expected.substr(expected.find("<Folder>")));

    ASSERT_EQ(vezuved_write(foldered.handle, folder.file("f.gpx").c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Warnings(foldered.handle, folder.path()),
              "0 'DIR/f.gpx': 2 point(s) hold values GPX cannot hold (folder, timeEnd); they are left out\n");

    // Links and extensions of other namespaces pass through as their XML, each declaring
    // its namespaces, the same bytes through KML and GeoJSON; a broken one is said. The
    // white space between an element's children is no text of it.
    const std::string gpx =
        "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
        "xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\" xmlns:o=\"urn:o\">"
        "<metadata><author><name>N</name><email id=\"n\" domain=\"d\"/></author><copyright author=\"A\">"
        "<year>2020</year></copyright><link href=\"m\"><text>M</text></link><extensions><o:m/></extensions>"
        "</metadata><wpt lat=\"1\" lon=\"2\"><link href=\"w\"/><link href=\"v\"/><extensions>"
        "<gpxx:WaypointExtension><gpxx:Categories><gpxx:Category>Hut &amp; bar</gpxx:Category>"
        "</gpxx:Categories></gpxx:WaypointExtension>"
        "<o:c a=\"1\" xml:lang=\"en\">red</o:c><plain xmlns=\"\">x</plain>"
        "<o:w>\n\t<o:v>1</o:v>&#13;\r\n </o:w><o:d><o:e/>b</o:d></extensions></wpt>"
        "<trk><name>T</name><extensions><gpxx:TrackExtension><gpxx:DisplayColor>Red</gpxx:DisplayColor>"
        "</gpxx:TrackExtension></extensions><trkseg><trkpt lat=\"3\" lon=\"4\"/></trkseg></trk>"
        "<extensions><o:f/></extensions></gpx>";
    Collection extended;
    ASSERT_EQ(vezuved_read(extended.handle, folder.put("e.gpx", gpx).c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Warnings(extended.handle, folder.path()), "");
    const std::string xml = As(extended, VEZUVED_FORMAT_GPX);
    ExpectHolds(
        xml,
        {"  <metadata>\n    <author>\n      <name>N</name>\n      <email id=\"n\" domain=\"d\"></email>\n"
         "    </author>\n    <copyright author=\"A\"><year>2020</year></copyright>\n"
         "    <link href=\"m\"><text>M</text></link>\n    <extensions>\n"
         "      <x1:m xmlns:x1=\"urn:o\"></x1:m>\n    </extensions>\n  </metadata>\n"
         "  <wpt lat=\"1\" lon=\"2\">\n    <link href=\"w\"></link><link href=\"v\"></link>\n",
         "    <extensions>\n"
         "      <x1:WaypointExtension xmlns:x1=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\">"
         "<x1:Categories><x1:Category>Hut &amp; bar</x1:Category></x1:Categories>"
         "</x1:WaypointExtension><x1:c xmlns:x1=\"urn:o\" a=\"1\" xml:lang=\"en\">red</x1:c>"
         "<plain xmlns=\"\">x</plain><x1:w xmlns:x1=\"urn:o\"><x1:v>1</x1:v></x1:w>"
         "<x1:d xmlns:x1=\"urn:o\"><x1:e></x1:e>b</x1:d>\n"
         "    </extensions>\n",
         "    <name>T</name>\n    <extensions>\n      <x1:TrackExtension xmlns:x1=\"http://"
         "www.garmin.com/xmlschemas/GpxExtensions/v3\"><x1:DisplayColor>Red</x1:DisplayColor>"
         "</x1:TrackExtension>\n    </extensions>\n    <trkseg>",
         "  </trk>\n  <extensions>\n    <x1:f xmlns:x1=\"urn:o\"></x1:f>\n  </extensions>\n</gpx>"});
    for (const char* through : {"e.kml", "e.geojson"}) {
        ASSERT_EQ(vezuved_write(extended.handle, folder.file(through).c_str(), nullptr), VEZUVED_OK);
        Collection back;
        ASSERT_EQ(vezuved_read(back.handle, folder.file(through).c_str(), nullptr), VEZUVED_OK);
        EXPECT_EQ(As(back, VEZUVED_FORMAT_GPX), xml) << through;
    }
    // Edited in another program so that it is no XML any more.
    std::string edited = ReadFileText(folder.file("e.geojson"));
    edited.replace(edited.find("<x1:TrackExtension"), 1, "");
    Collection broken;
    ASSERT_EQ(vezuved_read(broken.handle, folder.put("b.geojson", edited).c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(
        Warnings(broken.handle, folder.path()),
        "0 DIR/b.geojson: 1 extensions or link value(s) that are no well-formed XML elements are left out\n");
}
