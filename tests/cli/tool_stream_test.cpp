// A large text track converted to GPX, GeoJSON and KML: the tool reads it
// again for each pass instead of holding it, so its peak memory stays a
// small multiple of the file, and the documents are the same bytes as
// those written from the points held in memory (--what tracks takes that
// path).
#include "tool_runner.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace cli_test {
namespace {

constexpr const char* kTrackDefinition =
    "FormatTitle = Track log, metres\n"
    "Delimited = ,\n"
    "HeaderLines = 1\n"
    "FieldCount = 6\n"
    "latitude = 0\nlongitude = 1\nelevation = 2\ntime = 3\ndate = 4\nname = 5\n"
    "icon = -1\ndesc = -1\n"
    "EleFormat = Metres\n"
    "DBType = Track\n";

// A track of the given length: seven-decimal positions, elevations in
// metres, a time every five seconds and a name on every point. Every
// thousandth line has a bad latitude (reported and left out) and every
// 997th empty position columns, so both paths must treat them alike.
std::string TrackText(int points) {
    std::string text = "latitude,longitude,elevation_m,time,date,name\r\n";
    text.reserve(static_cast<size_t>(points) * 56);
    char line[128];
    for (int i = 0; i < points; ++i) {
        const double latitude = 45.3311 + (i % 5000) * 0.0000137;
        const double longitude = -121.7113 + (i % 7000) * 0.0000091;
        const int seconds = 8 * 3600 + (i * 5) % 50000;
        if (i % 1000 == 999) {
            std::snprintf(line, sizeof line, "4x.1,-121.1,100.0,081500,14082021,BAD%06d\r\n", i);
        } else if (i % 997 == 996) {
            std::snprintf(line, sizeof line, ",,1829.5,%02d%02d%02d,14082021,NOPOS%06d\r\n", seconds / 3600,
                          seconds / 60 % 60, seconds % 60, i);
        } else {
            std::snprintf(line, sizeof line, "%.7f,%.7f,%.1f,%02d%02d%02d,14082021,TP%06d\r\n", latitude,
                          longitude, 1829.0 + (i % 300) * 0.5, seconds / 3600, seconds / 60 % 60, seconds % 60, i);
        }
        text += line;
    }
    return text;
}

class ToolStreamTest : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (IsSkipped()) return;
        csv_ = Out("big.csv");
        cal_ = Out("big.cal");
        WriteFile(csv_, TrackText(kSanitizedBuild ? 3000 : 100000));
        WriteFile(cal_, kTrackDefinition);
    }
    std::string csv_, cal_;
};

struct StreamCase {
    const char* extension;
    std::vector<std::string> extra;
};

const StreamCase kCases[] = {
    {"gpx", {}},
    {"geojson", {}},
    {"geojson", {"--compact", "--points"}},
    {"kml", {}},
};

class ToolStreamFormats : public ToolStreamTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(ToolStreamFormats, PeakMemoryStaysUnderThreeTimesTheInput) {
    if (kSanitizedBuild) GTEST_SKIP() << "a sanitizer's shadow memory is no measure of the tool's own";
    const StreamCase& c = GetParam();
    const std::string output = Out(std::string("streamed.") + c.extension);
    std::vector<std::string> arguments = {"convert", csv_, output, "-d", cal_};
    arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
    const MeasuredRun run = RunMeasured(arguments);
    ASSERT_EQ(run.status, 0);
    ASSERT_GT(run.peakBytes, 0);
    const long input = static_cast<long>(std::filesystem::file_size(csv_));
    EXPECT_GT(static_cast<long>(std::filesystem::file_size(output)), input / 2);
    EXPECT_LT(run.peakBytes, 3 * input) << "peak " << run.peakBytes << " bytes for " << input << " bytes of input";
}

TEST_P(ToolStreamFormats, DocumentAndMessagesMatchThePointsHeldInMemory) {
    const StreamCase& c = GetParam();
    const std::string streamed = Out(std::string("streamed.") + c.extension);
    const std::string held = Out(std::string("held.") + c.extension);
    std::vector<std::string> first = {"convert", csv_, streamed, "-d", cal_};
    first.insert(first.end(), c.extra.begin(), c.extra.end());
    std::vector<std::string> second = {"convert", csv_, held, "-d", cal_, "--what", "tracks"};
    second.insert(second.end(), c.extra.begin(), c.extra.end());
    const ToolResult a = RunTool(first);
    const ToolResult b = RunTool(second);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    const std::string document = ReadFile(streamed);
    EXPECT_EQ(document, ReadFile(held));
    EXPECT_FALSE(document.empty());
    if (c.extra.size() == 2) {
        EXPECT_EQ(ReadFile(Out("streamed-points.geojson")), ReadFile(Out("held-points.geojson")));
    }
    // The same bad-value lines are reported, in the same order.
    EXPECT_EQ(a.err, b.err);
    EXPECT_NE(a.err.find("big.csv:1001: column 1: '4x.1' is not a latitude"), std::string::npos) << a.err;
    // The report names the output with the same count.
    std::string expected = b.out;
    for (size_t at = expected.find("held."); at != std::string::npos; at = expected.find("held.", at)) {
        expected.replace(at, 5, "streamed.");
    }
    EXPECT_EQ(a.out, expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, ToolStreamFormats, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<StreamCase>& info) {
                             return std::string(info.param.extension) + (info.param.extra.empty() ? "" : "Points");
                         });

// The shipped examples through every definition kind (record line layouts,
// a Garmin text's extra columns, metres, fixed widths, a route, a track),
// and files that need a checked copy (UTF-8 with a byte order mark, CR
// line ends, bad values): the streamed documents, messages and reports are
// those of the held path. --what names the file's own kind, which keeps
// every set and only forces the held path.
struct ExampleCase {
    const char* name;
    std::string data;
    std::string definition;
    const char* what;
};

std::vector<ExampleCase> ExampleCases() {
    return {
        {"Comp", DataFile("alps-comp.csv"), FormatFile("comp.cal"), "waypoints"},
        {"Pcx5", DataFile("beacons.wpt"), FormatFile("pcx5.cal"), "waypoints"},
        {"Fixed", DataFile("camps.dat"), FormatFile("fixed.cal"), "waypoints"},
        {"Track", DataFile("hike-track.csv"), FormatFile("track.cal"), "tracks"},
        {"DegNoSpace", DataFile("huts-degnospace.csv"), FormatFile("degnospace.cal"), "waypoints"},
        {"Route", DataFile("lake-loop-route.csv"), FormatFile("route.cal"), "routes"},
        {"Metres", DataFile("peaks-metres.csv"), FormatFile("metres.cal"), "waypoints"},
        {"Tab", DataFile("springs.tsv"), FormatFile("tab.cal"), "waypoints"},
        {"HeaderAsPoint", DataFile("summits.csv"), FormatFile("name-first.cal"), "waypoints"},
        {"Comma", DataFile("trailheads.csv"), FormatFile("comma.cal"), "waypoints"},
        {"Garmin", DataFile("waypoints.txt"), FormatFile("garmin.cal"), "waypoints"},
    };
}

class ToolStreamExamples : public ToolTest {};

TEST_F(ToolStreamExamples, EveryDefinitionGivesTheHeldDocument) {
    // A file that needs decoding and checking: a byte order mark, UTF-8
    // names, CR and CR LF line ends, a bad elevation and an empty line.
    WriteFile(Out("checked.csv"),
              "\xEF\xBB\xBFlatitude,longitude,elevation_m,time,date,name\r\n"
              "45.3311,-121.7113,1829,081500,14082021,Caf\xC3\xA9\r"
              "45.3352,-121.7086,19x2,083000,14082021,Bad\n"
              "\n"
              "45.3398,-121.7051,1987,084700,14082021,\xE2\x82\xAC uro\r\n"
              "45.3447,-121.7010,2076,090500,14082021,Last");
    std::vector<ExampleCase> cases = ExampleCases();
    cases.push_back({"Checked", Out("checked.csv"), FormatFile("track.cal"), "tracks"});
    for (const ExampleCase& c : cases) {
        for (const char* extension : {"gpx", "geojson", "kml"}) {
            SCOPED_TRACE(std::string(c.name) + " to " + extension);
            const std::string streamed = Out(std::string("streamed-") + c.name + "." + extension);
            const std::string held = Out(std::string("held-") + c.name + "." + extension);
            const ToolResult a = RunTool({"convert", c.data, streamed, "-d", c.definition});
            const ToolResult b = RunTool({"convert", c.data, held, "-d", c.definition, "--what", c.what});
            ASSERT_EQ(a.status, 0) << a.err;
            ASSERT_EQ(b.status, 0) << b.err;
            EXPECT_EQ(ReadFile(streamed), ReadFile(held));
            EXPECT_EQ(a.err, b.err);
            EXPECT_NE(a.out.find(" point(s))"), std::string::npos) << a.out;
            EXPECT_EQ(a.out.substr(a.out.find(" (")), b.out.substr(b.out.find(" (")));
        }
    }
}

TEST_F(ToolStreamExamples, StandardOutputGivesTheHeldDocument) {
    const ToolResult a = RunTool({"convert", DataFile("lake-loop-route.csv"), "-", "--to", "geojson", "-d",
                                  FormatFile("route.cal")});
    const ToolResult b = RunTool({"convert", DataFile("lake-loop-route.csv"), "-", "--to", "geojson", "-d",
                                  FormatFile("route.cal"), "--what", "routes"});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(a.err, b.err);
    EXPECT_NE(a.out.find("\"LineString\""), std::string::npos);
}

TEST_F(ToolStreamExamples, FailuresAreThoseOfTheHeldPath) {
    WriteFile(Out("empty.csv"), "");
    WriteFile(Out("strict.csv"), "latitude,longitude,elevation_m,time,date,name\n45.1,-121.1,1x0,081500,14082021,A\n");
    struct Failing {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const Failing cases[] = {
        {{"convert", Out("empty.csv"), Out("e.gpx"), "-d", FormatFile("track.cal")}, 1,
         "vezuved: cannot read the text file '" + Out("empty.csv") + "': it is empty\n"},
        {{"convert", Out("missing.csv"), Out("m.gpx"), "-d", FormatFile("track.cal")}, 1, ""},
        {{"convert", Out("strict.csv"), Out("s.kml"), "-d", FormatFile("track.cal"), "--strict"}, 1,
         Out("strict.csv") + ":2: column 3: '1x0' is not an elevation\n"},
    };
    for (const Failing& c : cases) {
        SCOPED_TRACE(c.arguments[1]);
        const ToolResult a = RunTool(c.arguments);
        std::vector<std::string> forced = c.arguments;
        forced.insert(forced.end(), {"--what", "tracks"});
        const ToolResult b = RunTool(forced);
        EXPECT_EQ(a.status, c.status);
        EXPECT_EQ(a.err, b.err);
        if (!c.message.empty()) {
            EXPECT_NE(a.err.find(c.message), std::string::npos) << a.err;
        }
        EXPECT_FALSE(FileExists(c.arguments[2]));
    }
}

TEST_F(ToolStreamExamples, StandardInputIsNamedAsOnTheHeldPath) {
    WriteFile(Out("empty.csv"), "");
    const struct {
        std::string input;
        int status;
    } cases[] = {{DataFile("hike-track.csv"), 0}, {Out("empty.csv"), 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const std::string fromFile = "exec <'" + c.input + "'; ";
        const ToolResult a =
            RunTool({"convert", "-", Out("in.gpx"), "--from", "text", "-d", FormatFile("track.cal")}, fromFile);
        const ToolResult b = RunTool(
            {"convert", "-", Out("held.gpx"), "--from", "text", "-d", FormatFile("track.cal"), "--what", "tracks"},
            fromFile);
        EXPECT_EQ(a.status, c.status);
        EXPECT_EQ(b.status, c.status);
        EXPECT_EQ(a.err, b.err);
        if (c.status != 0) {
            EXPECT_NE(a.err.find("'standard input'"), std::string::npos) << a.err;
            continue;
        }
        const std::string document = ReadFile(Out("in.gpx"));
        EXPECT_EQ(document, ReadFile(Out("held.gpx")));
        EXPECT_NE(document.find("<name>standard input</name>"), std::string::npos);
        EXPECT_EQ(a.out, "Wrote " + Out("in.gpx") + " (track, 8 point(s))\n");
    }
}

TEST_F(ToolStreamExamples, AutoDefinitionGivesTheHeldDocument) {
    for (const char* extension : {"gpx", "geojson", "kml"}) {
        SCOPED_TRACE(extension);
        const std::string streamed = Out(std::string("auto.") + extension);
        const std::string held = Out(std::string("held.") + extension);
        const ToolResult a = RunTool({"convert", DataFile("summits.csv"), streamed, "--auto"});
        const ToolResult b = RunTool({"convert", DataFile("summits.csv"), held, "--auto", "--what", "waypoints"});
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_EQ(ReadFile(streamed), ReadFile(held));
        EXPECT_NE(ReadFile(streamed).find("Mount Hood"), std::string::npos);
        EXPECT_EQ(a.err, b.err);
    }
}

}  // namespace
}  // namespace cli_test
