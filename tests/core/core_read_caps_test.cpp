// Past the most points or the longest text a read takes, every reader fails
// naming the cap and keeps nothing; the caps are lowered so small files meet them.

#include "core_text.h"
#include "maps/read_caps.h"

// Six of a piece of text, numbered 1 to 6 where it holds '#'.
static std::string Six(const std::string& piece) {
    std::string all;
    for (char n = '1'; n <= '6'; ++n) {
        std::string one = piece;
        for (size_t at = one.find('#'); at != std::string::npos; at = one.find('#', at)) one[at] = n;
        all += one;
    }
    return all;
}

// Six GGA sentences a second apart, each with its checksum.
static std::string SixFixes() {
    std::string all;
    for (char n = '1'; n <= '6'; ++n) {
        const std::string body =
            std::string("GPGGA,12000") + n + ",4530.000,N,00730.000,E,1,08,0.9,100.0,M,,,,";
        unsigned sum = 0;
        for (char c : body) sum ^= static_cast<unsigned char>(c);
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", sum);
        all += "$" + body + "*" + hex + "\r\n";
    }
    return all;
}

// The file read fails with "cannot read 'DIR/FILE': CAUSE" and leaves no set.
static void ExpectRefused(const std::string& file, const std::string& text, const std::string& cause) {
    EXPECT_EQ(ReadOutcome(file, text),
              Outcome(VEZUVED_ERROR_FORMAT, "", "cannot read 'DIR/" + file + "': " + cause));
}

// The caps the README names: ten million points (two million in a 32-bit build) and 256 MiB a text.
TEST(ReadCapsOfABuild, AreTheOnesTheReadmeNames) {
    const std::string points = sizeof(void*) >= 8 ? "10000000" : "2000000";
    EXPECT_EQ(vezuved::maps::TooManyPoints(),
              "it holds more than " + points + " points, the most one file is read with");
    EXPECT_EQ(vezuved::maps::TooLongText(),
              "a text of more than 268435456 bytes, the most one text is read to");
}

class ReadCaps : public ::testing::Test {
protected:
    void SetUp() override { vezuved::maps::SetReadCapsForTests(5, 64); }
    void TearDown() override { vezuved::maps::SetReadCapsForTests(0, 0); }
};

TEST_F(ReadCaps, MorePointsOrALongerTextThanAReadTakesFailNamingTheCap) {
    const std::string kml = "<kml><Placemark>";
    const std::pair<const char*, std::string> cases[] = {
        {"a.gpx", "<gpx><trk><trkseg>" + Six("<trkpt lat=\"1\" lon=\"#\"/>") + "</trkseg></trk></gpx>"},
        {"w.gpx", "<gpx>" + Six("<wpt lat=\"1\" lon=\"#\"/>") + "</gpx>"},
        {"l.kml",
         kml + "<LineString><coordinates>" + Six("#,1 ") + "</coordinates></LineString></Placemark></kml>"},
        // Counted as they are read, not when their Placemark ends.
        {"u.kml", kml + "<LineString><coordinates>" + Six("#,1 ") + "</coordinates></LineString>"},
        {"t.kml",
         kml + "<gx:Track xmlns:gx=\"g\">" + Six("<gx:coord># 1 2</gx:coord>") +
             "</gx:Track></Placemark></kml>"},
        {"p.kml",
         "<kml>" + Six("<Placemark><Point><coordinates>#,1</coordinates></Point></Placemark>") + "</kml>"},
        {"v.kml",
         kml + "<ExtendedData><SchemaData><gx:SimpleArrayData name=\"name\" xmlns:gx=\"g\">" +
             Six("<gx:value>#</gx:value>") +
             "</gx:SimpleArrayData></SchemaData></ExtendedData></Placemark></kml>"},
        {"a.geojson", R"({"type":"LineString","coordinates":[)" + Six("[#,1],") + Six("[#,2],") + "[0,0]]}"},
        {"a.igc", "HFDTE010121\r\n" + Six("B12000#4530000N00730000EA0010000100\r\n")},
        {"a.nmea", SixFixes()},
    };
    for (const auto& [file, text] : cases)
        ExpectRefused(file, text, "it holds more than 5 points, the most one file is read with");

    // A longer text than a read takes.
    const std::string name(65, 'n');
    const std::tuple<const char*, std::string, std::string> texts[] = {
        {"a.gpx", "<gpx>\n<wpt lat=\"1\" lon=\"2\"><name>" + name + "</name></wpt></gpx>", "line 2: "},
        {"a.kml", "<kml><Placemark><description>" + name + "</description></Placemark></kml>", "line 1: "},
        {"a.geojson", R"({"type":"Point","coordinates":[1,2],"x":")" + name + "\"}", ""},
    };
    for (const auto& [file, text, where] : texts)
        ExpectRefused(file, text, where + "a text of more than 64 bytes, the most one text is read to");
    // At the cap, a text is read.
    EXPECT_EQ(
        ReadOutcome("b.gpx",
                    "<gpx><wpt lat=\"1\" lon=\"2\"><name>" + std::string(64, 'n') + "</name></wpt></gpx>"),
        Outcome(VEZUVED_OK, "W 'waypoints' 1: 2,1 '" + std::string(64, 'n') + "'\n", ""));
    // A text no reader keeps is no text read: a file's own value's display name.
    EXPECT_EQ(ReadOutcome("m.kml",
                          "<kml><Document><ExtendedData><Data name=\"metadata:a\"><displayName>" + name +
                              "</displayName><value>v</value></Data></ExtendedData><Placemark><Point>"
                              "<coordinates>2,1</coordinates></Point></Placemark></Document></kml>"),
              Outcome(VEZUVED_OK, "W 'waypoints' 1: 2,1\n", ""));
}
