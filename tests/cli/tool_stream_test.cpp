// A large text track converted to GPX, GeoJSON and KML: the tool reads it
// again for each pass instead of holding it, so its peak memory stays a
// small multiple of the file, and the documents are the same bytes as
// those written from the points held in memory (--what tracks takes that
// path).
#include "tool_runner.h"

#include <cstdio>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

struct MeasuredRun {
    int status = -1;
    long peakBytes = 0;
};

// Runs the tool directly (no shell in between), its own peak memory. A
// forked copy, not a spawned one: Linux keeps the peak of the memory a
// process execs from, and a spawned child execs from this process's own
// (whose peak held the generated file); a forked copy starts from what
// this process holds now.
MeasuredRun RunMeasured(const std::vector<std::string>& arguments) {
    MeasuredRun run;
#if !defined(_WIN32)
    std::vector<std::string> words = {ToolPath()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) return run;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(child, &status, 0, &usage) != child) return run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakBytes = usage.ru_maxrss * 1024L;  // kilobytes on Linux
#endif
    return run;
}

long FileSize(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return -1;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size;
}

class StreamTest : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (IsSkipped()) return;
        csv_ = Out("big.csv");
        cal_ = Out("big.cal");
        WriteFile(csv_, TrackText(100000));
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

class StreamFormatTest : public StreamTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(StreamFormatTest, PeakMemoryStaysUnderThreeTimesTheInput) {
    const StreamCase& c = GetParam();
    const std::string output = Out(std::string("streamed.") + c.extension);
    std::vector<std::string> arguments = {"convert", csv_, output, "-d", cal_};
    arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
    const MeasuredRun run = RunMeasured(arguments);
    ASSERT_EQ(run.status, 0);
    const long input = FileSize(csv_);
    EXPECT_GT(FileSize(output), input / 2);
    EXPECT_LT(run.peakBytes, 3 * input) << "peak " << run.peakBytes << " bytes for " << input << " bytes of input";
}

TEST_P(StreamFormatTest, DocumentAndMessagesMatchThePointsHeldInMemory) {
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

INSTANTIATE_TEST_SUITE_P(Formats, StreamFormatTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<StreamCase>& info) {
                             return std::string(info.param.extension) + (info.param.extra.empty() ? "" : "Points");
                         });

}  // namespace
}  // namespace cli_test
