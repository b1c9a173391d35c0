// Ctrl-C or SIGTERM while the tool writes a large output: the signal ends
// the tool as it would have, and the temporary file it was writing beside
// the output is gone with it; a previous output stays as it was.
#include "tool_runner.h"

#include "support/test_support.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace cli_test {
namespace {

#if !defined(_WIN32)

// About 50 MB of points, one a line.
std::string LargePointFile() {
    const size_t lines = kSanitizedBuild ? 200000 : 1100000;
    std::string text;
    char line[96];
    for (size_t i = 0; i < lines; ++i) {
        text.append(line,
                    std::snprintf(line,
                                  sizeof line,
                                  "%.7f,%.7f,%d,,Point%07zu,,\r\n",
                                  45.0 + (i % 9000) * 0.0000173,
                                  -122.0 + (i % 7000) * 0.0000119,
                                  static_cast<int>(i % 3000),
                                  i));
    }
    return text;
}

// Ends the tool if the test stops early, so no conversion outlives it.
struct EndedWithTheTest {
    pid_t child;
    ~EndedWithTheTest() {
        if (child > 0 && waitpid(child, nullptr, WNOHANG) == 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
};

class ToolInterrupt : public ToolTest, public ::testing::WithParamInterface<int> {};

TEST_P(ToolInterrupt, TheSignalRemovesTheTemporaryBeingWritten) {
    const int signal = GetParam();
    const std::string input = Out("big.csv");
    WriteFile(input, LargePointFile());
    // The definition beside the data, found by its name.
    WriteFile(Out("big.cal"),
              "FormatTitle = Points\nDelimited = ,\nFieldCount = 7\n"
              "latitude = 0\nlongitude = 1\nelevation = 2\ntime = 3\nname = 4\nicon = 5\ndesc = 6\n");
    const std::string outputs = FreshFolder("interrupt-out");
    const std::string output = outputs + "/big.gpx";
    WriteFile(output, "previous");
    std::vector<std::string> words = {ToolPath(), "convert", input, output};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    const EndedWithTheTest guard{child};
    // The signal comes once the temporary file is there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : FolderNames(outputs)) seen = seen || name.rfind(".vezuved-", 0) == 0;
        ASSERT_TRUE(seen || waitpid(child, &status, WNOHANG) != child)
            << "the conversion ended before its temporary file was seen";
        if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(seen);
    kill(child, signal);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
    EXPECT_EQ(FolderNames(outputs), std::vector<std::string>{"big.gpx"});
    EXPECT_EQ(ReadFile(output), "previous");
}

INSTANTIATE_TEST_SUITE_P(Signals,
                         ToolInterrupt,
                         ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGTERM ? std::string("SIGTERM") : std::string("SIGINT");
                         });

#endif

}  // namespace
}  // namespace cli_test
