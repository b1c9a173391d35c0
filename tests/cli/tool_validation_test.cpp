// What the tool writes for other programs is checked by other programs:
// GPX by xmllint against the GPX 1.1 schema, GeoJSON and JSON by Python's
// JSON parser.
#include <gtest/gtest.h>

#include "tool_runner.h"

namespace cli_test {
namespace {

bool HasProgram(const std::string& name) { return RunShell("command -v " + name + " >/dev/null 2>&1") == 0; }

class ToolValidation : public ::testing::Test {
protected:
    void SetUp() override {
        if (ToolPath().empty()) GTEST_SKIP() << "the vezuved tool was not built";
        folder_ = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string folder_;
};

struct Source {
    const char* data;
    const char* format;
    const char* name;
};

const Source kSources[] = {
    {"summits.csv", "name-first.cal", "points"},
    {"hike-track.csv", "track.cal", "track"},
    {"lake-loop-route.csv", "route.cal", "route"},
    {"waypoints.txt", "garmin.cal", "garmin"},
};

TEST_F(ToolValidation, GpxValidatesAgainstSchema) {
    if (!HasProgram("xmllint")) GTEST_SKIP() << "xmllint is not installed";
    // Markup and control characters in names and notes must not break it.
    const std::string tricky = folder_ + "/tricky.csv";
    WriteFile(tricky, "45.5,-122.25,100,143005 24122004,\"A & B <x>\",Flag,\"Note \x01 \x93quoted\x94 'x'\"\n");
    std::vector<std::pair<std::string, std::string>> inputs = {{tricky, ""}};
    for (const Source& source : kSources) {
        inputs.emplace_back(SourceFile(std::string("examples/data/") + source.data),
                            SourceFile(std::string("examples/formats/") + source.format));
    }
    int index = 0;
    for (const auto& [data, format] : inputs) {
        const std::string gpx = folder_ + "/out" + std::to_string(index++) + ".gpx";
        std::vector<std::string> arguments = {"convert", data, gpx};
        if (!format.empty()) arguments.insert(arguments.end(), {"-d", format});
        const ToolResult result = RunTool(arguments);
        ASSERT_EQ(result.status, 0) << data << result.err;
        EXPECT_EQ(RunShell("xmllint --noout --schema '" + SourceFile("tests/cli/gpx-1.1.xsd") + "' '" + gpx +
                           "' 2>/dev/null"),
                  0)
            << data << "\n" << ReadFile(gpx);
    }
}

TEST_F(ToolValidation, GeoJsonAndJsonParseBack) {
    if (!HasProgram("python3")) GTEST_SKIP() << "python3 is not installed";
    // One checker run over every file: a FeatureCollection of at least three
    // Points with a LineString for a route or track, and show's JSON listing.
    const std::string checker = folder_ + "/check.py";
    WriteFile(checker,
              "import json, sys\n"
              "for path, lines in zip(sys.argv[1::3], sys.argv[2::3]):\n"
              "    d = json.load(open(path, encoding='utf-8'))\n"
              "    types = [f['geometry']['type'] for f in d['features']]\n"
              "    assert d['type'] == 'FeatureCollection', path\n"
              "    assert types.count('LineString') == int(lines), (path, types)\n"
              "    assert types.count('Point') >= 3, (path, types)\n"
              "    for f in d['features']:\n"
              "        if f['geometry']['type'] == 'Point':\n"
              "            lon, lat = f['geometry']['coordinates'][:2]\n"
              "            assert -180 <= lon < 180 and -90 <= lat <= 90, (path, lon, lat)\n"
              "for path in sys.argv[3::3]:\n"
              "    assert len(json.load(open(path, encoding='utf-8'))['points']) >= 3, path\n");
    std::string arguments;
    for (const Source& source : kSources) {
        const std::string data = SourceFile(std::string("examples/data/") + source.data);
        const std::string format = SourceFile(std::string("examples/formats/") + source.format);
        const std::string geojson = folder_ + "/" + source.name + ".geojson";
        ASSERT_EQ(RunTool({"convert", data, geojson, "-d", format}).status, 0) << source.data;
        const std::string json = folder_ + "/" + source.name + ".json";
        const ToolResult shown = RunTool({"show", data, "-d", format, "--output", "json"});
        ASSERT_EQ(shown.status, 0) << source.data;
        WriteFile(json, shown.out);
        const bool line = std::string(source.name) == "track" || std::string(source.name) == "route";
        arguments += " '" + geojson + "' " + (line ? "1" : "0") + " '" + json + "'";
    }
    EXPECT_EQ(RunShell("python3 '" + checker + "'" + arguments), 0);
}

}  // namespace
}  // namespace cli_test
