// A text streamed into a map document gives the bytes of its points held (as --what does).
#include "tool_runner.h"

#include <filesystem>

namespace cli_test {
namespace {

// The run streamed and held (--what, to "held-" beside it) alike; the streamed one's result.
ToolResult ExpectAsHeld(const std::vector<std::string>& arguments,
                        const std::string& what,
                        const std::string& shell = "") {
    const std::filesystem::path output = arguments[2];
    const std::string folder = output.parent_path().string() + "/";
    std::vector<std::string> held = arguments;
    if (arguments[2] != "-") held[2] = folder + "held-" + output.filename().string();
    held.insert(held.end(), {"--what", what});
    const ToolResult a = RunTool(arguments, shell), b = RunTool(held, shell);
    EXPECT_EQ(a.status, b.status) << a.err << b.err;
    EXPECT_EQ(a.err, b.err);
    std::string report = b.out;
    for (size_t at = report.find(folder + "held-"); arguments[2] != "-" && at != std::string::npos;
         at = report.find(folder + "held-", at))
        report.erase(at + folder.size(), 5);
    EXPECT_EQ(a.out, report);
    EXPECT_EQ(FileExists(arguments[2]), FileExists(held[2]));
    EXPECT_EQ(ReadFile(arguments[2]), ReadFile(held[2]));  // "" for none, or standard output
    return a;
}

// The output's extension and the options after it.
class ToolStreamFormats : public ToolTest, public ::testing::WithParamInterface<std::vector<std::string>> {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (IsSkipped()) return;
        WriteFile(csv_ = Out("big.csv"), TrackText(kSanitizedBuild ? 3000 : 100000));
        WriteFile(cal_ = Out("big.cal"), TestData("cli/data/stream/track-no-header.cal"));
    }
    std::vector<std::string> Arguments() {
        std::vector<std::string> arguments = {"convert", csv_, Out("streamed." + GetParam()[0]), "-d", cal_};
        arguments.insert(arguments.end(), GetParam().begin() + 1, GetParam().end());
        return arguments;
    }
    std::string csv_, cal_;
};

TEST_P(ToolStreamFormats, PeakMemoryStaysUnderThreeTimesTheInput) {
    if (kSanitizedBuild) GTEST_SKIP() << "a sanitizer's shadow memory is no measure of the tool's own";
    const std::vector<std::string> arguments = Arguments();
    const MeasuredRun run = RunMeasured(arguments);
    ASSERT_EQ(run.status, 0);
    if (run.peakBytes == 0) GTEST_SKIP() << "no measure of the tool's memory here";
    const long input = static_cast<long>(std::filesystem::file_size(csv_));
    EXPECT_GT(static_cast<long>(std::filesystem::file_size(arguments[2])), input / 2);
    EXPECT_LT(run.peakBytes, 3 * input)
        << "peak " << run.peakBytes << " bytes for " << input << " bytes of input";
}

TEST_P(ToolStreamFormats, DocumentAndMessagesMatchThePointsHeldInMemory) {
    const ToolResult result = ExpectAsHeld(Arguments(), "tracks");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(ReadFile(Arguments()[2]).empty());
    EXPECT_EQ(ReadFile(Out("streamed-points.geojson")), ReadFile(Out("held-streamed-points.geojson")));
    EXPECT_NE(result.err.find("big.csv:1001: column 1: '4x.1' is not a latitude"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats,
                         ToolStreamFormats,
                         ::testing::Values(std::vector<std::string>{"gpx"},
                                           std::vector<std::string>{"geojson"},
                                           std::vector<std::string>{"geojson", "--compact", "--points"},
                                           std::vector<std::string>{"kml"}),
                         [](const auto& info) {
                             return info.param[0] + (info.param.size() > 1 ? "Points" : "");
                         });

using ToolStreamFormatsKml = ToolTest;

// A streamed track whose elevations come and go is a KML Placemark per run, as held.
TEST_F(ToolStreamFormatsKml, ElevationsInPlacesAreHeldOnceAndWrittenAsHeld) {
    std::string text = "latitude,longitude,elevation_m,time,date,name\r\n";
    for (int i = 0; i < 2000; ++i) {
        text += "45." + std::to_string(1000 + i) + ",7.5," + (i % 3 == 0 ? "" : std::to_string(100 + i)) +
                ",08" + std::to_string(1000 + i % 60).substr(2) + "00,14082021,P" + std::to_string(i) +
                "\r\n";
    }
    WriteFile(Out("runs.csv"), text);
    WriteFile(Out("runs.cal"), TestData("cli/data/stream/track-no-header.cal"));
    const ToolResult result =
        ExpectAsHeld({"convert", Out("runs.csv"), Out("runs.kml"), "-d", Out("runs.cal")}, "tracks");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string kml = ReadFile(Out("runs.kml"));
    EXPECT_EQ(Count(kml, "<Data name=\"part\">") + Count(kml, "<SimpleData name=\"part\">"), 1333u);
}

// The shipped examples, and files that need a checked copy, stream what the
// held path writes (--what of the file's own kind only forces that path).
class ToolStreamExamples : public ToolTest {};

TEST_F(ToolStreamExamples, EveryDefinitionGivesTheHeldDocument) {
    // A byte order mark, UTF-8 names, CR and CR LF, a bad elevation, an empty line.
    WriteFile(Out("checked.csv"), TestData("cli/data/stream/checked.csv"));
    struct Case {
        std::string name, data, definition;  // no definition: --auto, which reads a rewritten copy
        std::string what;
    };
    std::vector<Case> cases = {{"checked", Out("checked.csv"), FormatFile("track.cal"), "tracks"},
                               {"auto", DataFile("summits.csv"), "", "waypoints"}};
    for (const ShippedExample& c : ShippedExamples())
        cases.push_back({c.definition, DataFile(c.data), FormatFile(c.definition), c.what});
    for (const Case& c : cases) {
        for (const std::string extension : {"gpx", "geojson", "kml"}) {
            SCOPED_TRACE(c.name + " to " + extension);
            std::vector<std::string> arguments = {"convert", c.data, Out(c.name + "." + extension), "--auto"};
            if (!c.definition.empty()) arguments.back() = "-d", arguments.push_back(c.definition);
            const ToolResult result = ExpectAsHeld(arguments, c.what);
            EXPECT_EQ(result.status, 0) << result.err;
            EXPECT_NE(result.out.find(" point(s))"), std::string::npos) << result.out;
        }
    }
    // Standard output.
    const ToolResult out = ExpectAsHeld(
        {"convert", DataFile("lake-loop-route.csv"), "-", "--to", "geojson", "-d", FormatFile("route.cal")},
        "routes");
    ASSERT_EQ(out.status, 0) << out.err;
    EXPECT_NE(out.out.find("\"LineString\""), std::string::npos);
}

// Failures, and standard input (named so), are those of the held path.
TEST_F(ToolStreamExamples, FailuresAndStandardInputAreThoseOfTheHeldPath) {
    WriteFile(Out("empty.csv"), "");
    WriteFile(Out("strict.csv"),
              "latitude,longitude,elevation_m,time,date,name\n45.1,-121.1,1x0,081500,14082021,A\n");
    const std::string track = FormatFile("track.cal"), in = Out("in.gpx");
    const std::vector<std::string> fromInput = {"convert", "-", in, "--from", "text", "-d", track};
    const struct {
        std::vector<std::string> arguments;
        std::string shell;  // where standard input comes from
        std::string err;    // a part of it
        std::string out;
    } cases[] = {
        {{"convert", Out("empty.csv"), Out("e.gpx"), "-d", track},
         "",
         "vezuved: cannot read the text file '" + Out("empty.csv") + "': it is empty\n",
         ""},
        {{"convert", Out("missing.csv"), Out("m.gpx"), "-d", track}, "", "", ""},
        {{"convert", Out("strict.csv"), Out("s.kml"), "-d", track, "--strict"},
         "",
         Out("strict.csv") + ":2: column 3: '1x0' is not an elevation\n",
         ""},
        {fromInput, "exec <'" + Out("empty.csv") + "'; ", "'standard input'", ""},
        {fromInput,
         "exec <'" + DataFile("hike-track.csv") + "'; ",
         "",
         "Wrote " + in + " (track, 8 point(s))\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[1] + " " + c.shell);
        const ToolResult result = ExpectAsHeld(c.arguments, "tracks", c.shell);
        EXPECT_EQ(result.status, c.out.empty() ? 1 : 0);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(FileExists(c.arguments[2]), !c.out.empty());
    }
    EXPECT_NE(ReadFile(in).find("<name>standard input</name>"), std::string::npos);
}

}  // namespace
}  // namespace cli_test
