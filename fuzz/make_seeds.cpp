// Writes the seed corpora of the fuzz targets: small databases of every
// kind written through the library, and lines, definitions and texts in
// every layout. Usage: make_seeds <folder>; one subfolder per target.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/fit_file.h"
#include "vezuved/vezuved.h"

namespace {

std::string g_root;

void MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

void Put(const std::string& target, const std::string& name, const std::string& bytes) {
    MakeFolder(g_root + "/" + target);
    std::string path = g_root + "/" + target + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(file);
}

std::string Slurp(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

void Fill(RLPointRecord& r,
          const char* lat,
          const char* lon,
          const char* ele,
          const char* time,
          const char* name,
          const char* icon,
          const char* desc) {
    std::memset(&r, 0, sizeof r);
    std::strcpy(r.latitude, lat);
    std::strcpy(r.longitude, lon);
    std::strcpy(r.elevation, ele);
    std::strcpy(r.time, time);
    std::strcpy(r.name, name);
    std::strcpy(r.icon, icon);
    if (desc != nullptr) RLSetPointDesc(&r, desc);
}

void Databases() {
    std::vector<RLPointRecord> points(3);
    Fill(points[0], "45.5000000", "-122.2500000", "100", "143005 24122004", "Home", "House", "Gate, back");
    Fill(points[1], "-33.8675000", "151.2070000", "", "", "Camp", "Flag", nullptr);
    Fill(points[2], "0.0000001", "179.9999999", "-12", "000000 01011970", "Edge", "", "note");
    const std::string scratch = g_root + "/scratch.pdb";
    const int32_t kinds[] = {0, 1, 2, 65, 66, 4, 5, 6};
    for (int32_t kind : kinds) {
        if (RLDBWritePDB(scratch.c_str(), points.data(), 3, kind) != 0) continue;
        std::string bytes = Slurp(scratch);
        Put("fuzz_pdb_container", "kind" + std::to_string(kind) + ".pdb", bytes);
        Put("fuzz_read_database", "kind" + std::to_string(kind) + ".pdb", bytes);
    }
    std::remove(scratch.c_str());
    for (RLPointRecord& r : points) RLSetPointDesc(&r, nullptr);
}

// A line for fuzz_point_line: the selector byte, then the line.
void Line(int index, uint8_t selector, const std::string& line) {
    Put("fuzz_point_line",
        "line" + std::to_string(index),
        std::string(1, static_cast<char>(selector)) + line);
}

void Lines() {
    int i = 0;
    Line(i++, 0, "45.5000000,-122.2500000,100,143005 24122004,Home,House,\"Gate, back\"");
    Line(i++, 0, "1*2*3**Camp*Flag*");
    Line(i++, 1, "45.5,-122.25,100,143005 24122004,Home,House,\"note, with comma\"");
    Line(i++, 1 | 8, "N45 30.000,W122 15.000,,14:30:05,Camp,,");
    Line(i++, 1 | 16, "4530.000N,12215.000W,30,,A,,");
    Line(i++, 2 | 0x40, "45.5\t-122.25\t100\t\tName\tIcon\tDesc");
    Line(i++, 3, "Waypoint\tHome\tnote\tUser Waypoint\tN45 30.123 W122 40.456\t100");
    Line(i++, 3 | 32, "Waypoint\tA\t\t\tN1 0 E1 0\t-5 ft");
    Line(i++, 4, "<any, text*here>");
    Line(i++, 5 | 0x80, "45.50000  -122.2500   100   143005 24122004Name    note");
    Line(i++, 6, "W  HOME   N45 30.0000 W122 15.0000 24-DEC-04 14:30:05 100 note");
    Line(i++, 7, "survey line, 1, 2, 3");
}

void Definitions() {
    const char* texts[] = {
        ("FormatTitle=Comma separated\nSource=Comma\nFieldCount=7\nLatitude=1\nLongitude=2\n"
         "Elevation=3\nTime=4\nName=5\nIcon=6\nDesc=7\nExt=.csv\n"),
        "Source=Garmin\nLocFormat=Deg\nEleFormat=Feet\nHeader=Grid\\tLat/Lon\n",
        "Source=Fixed\nFieldLen=10,12,12,6,16,8,20\nHeaderLines=2\nDefaultIcon=Flag\n",
        ("// comment\n# another\nDelimited=;\nFieldCount=3\nField1=Name\nField2=Lat\nDBType=Track\n"
         "[Points]\nDate=4\nPalmDBType=Route\n"),
        "  Source = Tab \r\nDelimited=\\t\r\nLocFormat=Comp\r\nFormatTitle = Tabbed\r\n",
    };
    int i = 0;
    for (const char* text : texts) {
        Put("fuzz_format_text", "def" + std::to_string(i), std::string(1, static_cast<char>(i)) + text);
        // Even: explained.
        Put("fuzz_definition_words", "def" + std::to_string(i), std::string(1, '\0') + text);
        ++i;
    }
    // Odd: a header row made into a definition (2: with ISO times).
    const char* headers[] = {
        "Name;Lat;Lon;Ele (ft);Speed;Time\nHut;46.5;7.9;11249;0;2021-08-14T10:15:00+02:00\n",
        "lat,lon,ele,time\n45.5,7.5,high,noon\n45.6,7.5,n/a,dusk\n",
        "date\ttime\tlat\tlon\tname\n2021-08-14\t10:15:00Z\t45.5\t7.5\t\"A, b\"\n",
        "\xEF\xBB\xBFy,x,\"desc [x]\",sym\n1,2,\"a,b\",Flag\n",
    };
    i = 0;
    for (const char* text : headers) {
        Put("fuzz_definition_words",
            "made" + std::to_string(i),
            std::string(1, static_cast<char>(1 | (i & 1) << 1)) + text);
        ++i;
    }
}

void Imports() {
    struct Seed {
        uint8_t selector;
        const char* text;
    };
    const Seed seeds[] = {
        {0, "45.5,-122.5,100,143005 24122004,Home,House,note\r\n1,2,,,Camp,Flag,\r\n"},
        {0 | 8, "1,2,3,143005 24122004,A,i,d\r\n4,5,,,B,,\r\n6,7,,010101 01012001,C,,\"x, y\"\r\n"},
        {1,
         "Grid\tLat/Lon\n\nHeader\tName\n\nWaypoint\tHome\tnote\tUser Waypoint\t"
         "N45 30.000 W122 30.000\t100\n\nTrackpoint\tN45 30 W122 30\n"},
        {2 | 16, "lat\tlon\n45 30.0\t-122 15.0\t100\t\tA\t\t\n"},
        {3, "45.50000  -122.2500   100   143005 24122004Name    note\n"},
        {4,
         "H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT   DESCRIPTION\n"
         "W  HOME   N45 30.0000 W122 15.0000 24-DEC-04 14:30:05 100 note\n"},
        {5 | 40, "Camp;4530.000N;12215.000W;24122004\n"},
        {0 | 40, "WGS 84,0,0\n\nNAD27, -8,160\n"},
    };
    int i = 0;
    for (const Seed& seed : seeds) {
        Put("fuzz_text_import",
            "text" + std::to_string(i++),
            std::string(1, static_cast<char>(seed.selector)) + seed.text);
    }
}

void Values() {
    const char* coordinates[] = {"45.5",
                                 "-122.2500000",
                                 "N45 30.000",
                                 "W122 30.5",
                                 "4530.000N",
                                 "12215.5W",
                                 "S 33 52 3.0",
                                 "E151 12.42",
                                 "1e3",
                                 "  +0.0000001 ",
                                 "N45°30'15.5\"",
                                 "nan",
                                 ""};
    int i = 0;
    for (const char* text : coordinates) Put("fuzz_coordinates", "c" + std::to_string(i++), text);
    const char* times[] = {"143005 24122004",
                           "14:30:05",
                           "7-5-3.25",
                           "143005.5",
                           "235959 31121999",
                           "000000 01011970",
                           "12:00",
                           "99:99:99.99",
                           "143005 2412"};
    i = 0;
    for (const char* text : times) Put("fuzz_time", "t" + std::to_string(i++), text);
}

// A number's bytes, least significant first, or most when big.
std::string FitNumber(uint32_t value, int size, bool big = false) {
    std::string bytes;
    for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * (big ? size - 1 - i : i)) & 0xFF);
    return bytes;
}

// A FIT file of the messages: its 14-byte header and both CRCs.
std::string FitFile(const std::string& messages) {
    std::string file = std::string("\x0e\x20", 2) + fit_test::Little(2132, 2) +
                       fit_test::Little(messages.size(), 4) + ".FIT";
    file += fit_test::Little(fit_test::Crc(file), 2) + messages;
    return file + fit_test::Little(fit_test::Crc(file), 2);
}

// Small documents of each map format, the first byte choosing it as the
// target does (0 GPX, 1 KML, 3 GeoJSON, 4 a database, 5 IGC, 6 NMEA, 7 TCX, 8 FIT,
// 9 a gzipped GPX, 10 a zip of a gzipped GPX and its activities.csv).
void Maps() {
    Put("fuzz_map_read",
        "gpx",
        std::string(1, '\0') +
            "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\"><wpt lat=\"1\" lon=\"2\">"
            "<ele>3.5</ele><time>2021-08-14T06:00:00.250Z</time><name>A</name><desc>d</desc><sym>s</sym></"
            "wpt>"
            "<rte><name>R</name><rtept lat=\"1\" lon=\"2\"/></rte><trk><name>T</name><trkseg>"
            "<trkpt lat=\"1\" lon=\"2\"/></trkseg><trkseg><trkpt lat=\"3\" lon=\"4\"/></trkseg></trk></gpx>");
    Put("fuzz_map_read",
        "kml",
        std::string(1, '\1') +
            "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">"
            "<Document><Placemark><name>P</name><Point><coordinates>2,1,3</coordinates></Point></Placemark>"
            "<Placemark><gx:Track><when>2021-08-14T06:00:00Z</when><gx:coord>2 1 3</gx:coord></gx:Track>"
            "</Placemark><Placemark><LineString><coordinates>2,1 4,3</coordinates></LineString></Placemark>"
            "</Document></kml>");
    // A Garmin GPX's values beyond the tool's fields; a KML of our own lines
    // in parts with their point arrays.
    Put("fuzz_map_read",
        "gpx-extras",
        std::string(1, '\0') +
            "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
            "xmlns:t=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v1\"><metadata><desc>m</desc>"
            "<author><name>a</name></author></metadata><wpt lat=\"1\" lon=\"2\"><cmt>c</cmt><desc>d</desc>"
            "<sat>7</sat></wpt><trk><name>T</name><type>ride</type><trkseg><trkpt lat=\"1\" lon=\"2\">"
            "<extensions><t:TrackPointExtension><t:hr>140</t:hr><t:cad>80</t:cad></t:TrackPointExtension>"
            "</extensions></trkpt></trkseg></trk></gpx>");
    // Extensions of other namespaces, kept as XML; a KML waypoint in Folders
    // with a TimeSpan, and a GeoJSON one carrying extensions as text.
    Put("fuzz_map_read",
        "gpx-other-extensions",
        std::string(1, '\0') +
            "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\" xmlns:o=\"urn:o\">"
            "<wpt lat=\"1\" lon=\"2\"><extensions><o:a b=\"1\" xml:lang=\"en\"><o:c>&amp;</o:c></o:a>"
            "<n xmlns=\"\">x</n></extensions></wpt><trk><extensions><o:d>1</o:d></extensions><trkseg>"
            "<trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>");
    Put("fuzz_map_read",
        "kml-folders",
        std::string(1, '\1') +
            "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document><Folder><name>A</name><Folder>"
            "<name>B</name><Placemark><name>P</name><TimeSpan><begin>2021-08-14</begin><end>x</end>"
            "</TimeSpan><Point><coordinates>2,1</coordinates></Point></Placemark></Folder></Folder>"
            "</Document></kml>");
    Put("fuzz_map_read",
        "geojson-extensions",
        std::string(1, '\3') +
            "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[2,1]},"
            "\"properties\":{\"extensions\":\"<a xmlns=\\\"\\\">1</a>\",\"folder\":\"X/Y\"}}");
    Put("fuzz_map_read",
        "kml-parts",
        std::string(1, '\1') +
            "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">"
            "<Document><ExtendedData><Data name=\"metadata:desc\"><value>m</value></Data></ExtendedData>"
            "<Placemark><name>T</name><ExtendedData><Data "
            "name=\"kind\"><value>track</value></Data></ExtendedData>"
            "<gx:Track><when>2021-08-14T06:00:00Z</when><gx:coord>2 1 3</gx:coord><ExtendedData><SchemaData>"
            "<gx:SimpleArrayData name=\"name\"><gx:value>A</gx:value></gx:SimpleArrayData>"
            "<gx:SimpleArrayData "
            "name=\"heartrate\"><gx:value>140</gx:value></gx:SimpleArrayData></SchemaData>"
            "</ExtendedData></gx:Track></Placemark><Placemark><name>T</name><ExtendedData><Data "
            "name=\"kind\">"
            "<value>track</value></Data><Data name=\"part\"><value>run</value></Data><SchemaData>"
            "<gx:SimpleArrayData name=\"when\"><gx:value>2021-08-14T06:00:01Z</gx:value></gx:SimpleArrayData>"
            "</SchemaData></ExtendedData><LineString><coordinates>4,3</coordinates></LineString></Placemark>"
            "<NetworkLink><Link><href>x.kml</href></Link></NetworkLink></Document></kml>");
    Put("fuzz_map_read",
        "geojson",
        std::string(1, '\3') +
            "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"properties\":"
            "{\"name\":\"P\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[2,1,3]}},"
            "{\"type\":\"Feature\",\"properties\":{\"coordTimes\":[\"2021-08-14T06:00:00Z\",null]},"
            "\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[2,1],[4,3]]}}]}");
    Put("fuzz_map_read",
        "igc",
        std::string(1, '\5') +
            "AXXX\r\nHFDTEDATE:160701,01\r\nC160701120000160701000102 Task\r\nC0000000N00000000E\r\n"
            "C4745633N01132683E Start\r\nB2359590100000N00200000EA0010000120\r\n"
            "B0000010100100S00200100WV-001000000\r\n");
    Put("fuzz_map_read",
        "nmea",
        std::string(1, '\6') +
            "$GNGGA,235958.50,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*7F\n"
            "$GPRMC,235959,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*66\r\n"
            "$GPGGA,235959,4807.040,N,01131.002,E,1,08,0.9,546.0,M,46.9,M,,*41\r\n"
            "$GLRMC,000001,A,4807.050,S,01131.010,W,022.4,084.4,240394,,*06\n");
    Put("fuzz_map_read",
        "tcx",
        std::string(1, '\7') +
            "<TrainingCenterDatabase xmlns=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\">"
            "<Activities><Activity><Id>2020-01-01T00:00:00Z</Id><Lap><Track><Trackpoint><Time>"
            "2020-01-01T00:00:00Z</Time><Position><LatitudeDegrees>1</LatitudeDegrees><LongitudeDegrees>2"
            "</LongitudeDegrees></Position><AltitudeMeters>3</AltitudeMeters></Trackpoint></Track></Lap>"
            "</Activity></Activities><Courses><Course><Name>C</Name><CoursePoint><Name>P</Name><Position>"
            "<LatitudeDegrees>1</LatitudeDegrees><LongitudeDegrees>2</LongitudeDegrees></Position>"
            "</CoursePoint></Course></Courses></TrainingCenterDatabase>");
    // file_id; records with a developer field, one by a compressed timestamp;
    // a lap; a course point defined big-endian.
    const uint32_t time = 1000000000, latitude = 536870912, longitude = 134217728;
    const std::string record = FitNumber(latitude, 4) + FitNumber(longitude, 4) + FitNumber(3000, 2) + "\x07";
    Put("fuzz_map_read",
        "fit",
        std::string(1, '\10') +
            FitFile(std::string("\x40\0\0\0\0\x02\0\x01\0\x04\x04\x86\0\x04", 14) + FitNumber(time, 4) +
                    std::string(
                        "\x61\0\0\x14\0\x04\xfd\x04\x86\0\x04\x85\x01\x04\x85\x02\x02\x84\x01\0\x01\0", 22) +
                    "\x01" + FitNumber(time, 4) + record + "\xa5" + FitNumber(time + 5, 4) + record +
                    std::string("\x42\0\0\x13\0\x01\xfd\x04\x86\x02", 10) + FitNumber(time + 6, 4) +
                    std::string("\x43\0\x01\0\x20\x03\x02\x04\x85\x03\x04\x85\x06\x04\x07\x03", 16) +
                    FitNumber(latitude, 4, true) + FitNumber(longitude, 4, true) + std::string("Top\0", 4)));
    Put("fuzz_map_read",
        "gz",
        std::string(1, '\11') + std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\x35\x8d\x31\x0e\x80\x20"
                                            "\x10\x04\xbf\x42\xee\x01\x6c\xb0\x34\x48\x6b\x6b\x69\x6b"
                                            "\x8c\xa2\x11\x85\xc0\x45\x78\xbe\x4a\x62\xb3\xd3\x4c\x66\xb5\x0d"
                                            "\x45\xdc\x4b\x4c\xbb\xbf\x3a\x52\x52\x91\x28\xa7\xbb\x52"
                                            "\x47\x1b\x73\x68\x81\x9c\xb3\x64\x1f\xbc\x8d\xd3\xba\x17\x39\xfb"
                                            "\x13\xfd\x30\x42\x41\x91\xd1\x1c\x8f\x3a\x69\xb1\x95\x81"
                                            "\x85\x9b\xf8\xed\x90\x70\x5f\xaf\x21\x18\x8d\x5f\x40\xd5\xf1\x3e"
                                            "\x9a\x07\xf9\x7b\xea\xa7\x77\x00\x00\x00",
                                            116));
    Put("fuzz_map_read",
        "zip",
        std::string(1, '\12') +
            std::string("\x50\x4b\x03\x04\x14\x00\x00\x00\x00\x00\x00\x00\x21\x50\x7d\x83\xe6\xa6\x27\x00\x00"
                        "\x00\x27\x00\x00\x00\x0e\x00\x00\x00"
                        "\x61\x63\x74\x69\x76\x69\x74\x69\x65\x73\x2e\x63\x73\x76\x41\x63\x74\x69\x76\x69\x74"
                        "\x79\x20\x4e\x61\x6d\x65\x2c\x46\x69"
                        "\x6c\x65\x6e\x61\x6d\x65\x0a\x52\x69\x64\x65\x2c\x61\x2f\x31\x2e\x67\x70\x78\x2e\x67"
                        "\x7a\x0a\x50\x4b\x03\x04\x14\x00\x00"
                        "\x00\x00\x00\x00\x00\x21\x50\xbc\xc2\xc3\x6e\x74\x00\x00\x00\x74\x00\x00\x00\x0a\x00"
                        "\x00\x00\x61\x2f\x31\x2e\x67\x70\x78"
                        "\x2e\x67\x7a\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\x35\x8d\x31\x0e\x80\x20\x10\x04"
                        "\xbf\x42\xee\x01\x6c\xb0\x34\x48\x6b"
                        "\x6b\x69\x6b\x8c\xa2\x11\x85\xc0\x45\x78\xbe\x4a\x62\xb3\xd3\x4c\x66\xb5\x0d\x45\xdc"
                        "\x4b\x4c\xbb\xbf\x3a\x52\x52\x91\x28"
                        "\xa7\xbb\x52\x47\x1b\x73\x68\x81\x9c\xb3\x64\x1f\xbc\x8d\xd3\xba\x17\x39\xfb\x13\xfd"
                        "\x30\x42\x41\x91\xd1\x1c\x8f\x3a\x69"
                        "\xb1\x95\x81\x85\x9b\xf8\xed\x90\x70\x5f\xaf\x21\x18\x8d\x5f\x40\xd5\xf1\x3e\x9a\x07"
                        "\xf9\x7b\xea\xa7\x77\x00\x00\x00\x50"
                        "\x4b\x01\x02\x14\x03\x14\x00\x00\x00\x00\x00\x00\x00\x21\x50\x7d\x83\xe6\xa6\x27\x00"
                        "\x00\x00\x27\x00\x00\x00\x0e\x00\x00"
                        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x01\x00\x00\x00\x00\x61\x63\x74\x69\x76\x69"
                        "\x74\x69\x65\x73\x2e\x63\x73\x76\x50"
                        "\x4b\x01\x02\x14\x03\x14\x00\x00\x00\x00\x00\x00\x00\x21\x50\xbc\xc2\xc3\x6e\x74\x00"
                        "\x00\x00\x74\x00\x00\x00\x0a\x00\x00"
                        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x01\x53\x00\x00\x00\x61\x2f\x31\x2e\x67\x70"
                        "\x78\x2e\x67\x7a\x50\x4b\x05\x06\x00"
                        "\x00\x00\x00\x02\x00\x02\x00\x74\x00\x00\x00\xef\x00\x00\x00\x00\x00",
                        377));
    const std::string database = Slurp(g_root + "/fuzz_read_database/kind1.pdb");
    if (!database.empty()) Put("fuzz_map_read", "pdb", std::string(1, '\4') + database);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    MakeFolder(g_root);
    Databases();
    Lines();
    Definitions();
    Imports();
    Values();
    Maps();
    return 0;
}
