#include "tool_runner.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace cli_test {

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string ToolPath() {
    const char* build = std::getenv("VEZUVED_BUILD_DIR");
    const std::string path = build ? std::string(build) + "/cli/vezuved" : "";
    return build && FileExists(path) ? path : "";
}

int RunShell(const std::string& command) {
    const int status = std::system(command.c_str());
#if defined(_WIN32)
    return status;  // the exit code itself
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

bool HasProgram(const std::string& name) { return RunShell("command -v " + name + " >/dev/null 2>&1") == 0; }

std::string Joined(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& argument : arguments) line += argument + " ";
    return line;
}

void ExpectValidGpx(const std::string& path) {
    if (!HasProgram("xmllint")) return;
    const std::string schema = Quoted(SourceFile("tests/cli/gpx-1.1.xsd"));
    EXPECT_EQ(RunShell("xmllint --noout --schema " + schema + " " + Quoted(path) + " 2>/dev/null"), 0)
        << path;
}

ToolResult RunTool(const std::vector<std::string>& arguments, const std::string& shell) {
    const std::string folder = FreshFolder("run-output");
    std::string command = shell + Quoted(ToolPath());
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    command += " >" + Quoted(folder + "/out") + " 2>" + Quoted(folder + "/err");
    return {RunShell(command), ReadFile(folder + "/out"), ReadFile(folder + "/err")};
}

std::string Expected(int status,
                     const std::string& err,
                     const std::vector<std::string>& arguments,
                     const std::string& shell) {
    const ToolResult result = RunTool(arguments, shell);
    EXPECT_EQ(result.status, status) << Joined(arguments) << "\n" << result.err;
    EXPECT_EQ(result.err, err) << Joined(arguments);
    return result.out;
}

std::string Ok(const std::vector<std::string>& arguments, const std::string& shell) {
    const ToolResult result = RunTool(arguments, shell);
    EXPECT_EQ(result.status, 0) << Joined(arguments) << "\n" << result.err;
    return result.out;
}

void Fails(int status,
           const std::vector<std::string>& arguments,
           const std::string& said,
           const std::string& shell) {
    const ToolResult result = RunTool(arguments, shell);
    EXPECT_EQ(result.status, status) << Joined(arguments);
    EXPECT_NE(result.err.find(said), std::string::npos) << Joined(arguments) << "\n" << result.err;
}

std::string SourceFile(const std::string& relative) {
    return std::string(VEZUVED_SOURCE_DIR) + "/" + relative;
}
std::string FormatFile(const std::string& name) { return SourceFile("examples/formats/" + name); }
std::string DataFile(const std::string& name) { return SourceFile("examples/data/" + name); }

// One folder per test process (CTest runs tests in parallel), removed at exit.
struct ProcessFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("vezuved-cli-test-" + std::to_string(std::random_device()()));
    ~ProcessFolder() {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
};

std::string FreshFolder(const std::string& name) {
    static ProcessFolder root;
    const auto folder = root.path / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

bool FileExists(const std::string& path) { return std::filesystem::is_regular_file(path); }

const std::vector<ShippedExample>& ShippedExamples() {
    static const std::vector<ShippedExample> examples = [] {
        std::vector<ShippedExample> rows;
        for (const auto& row : Rows(TestData("cli/data/shipped-examples.tsv")))
            rows.push_back({row[0], row.at(1), row.at(2), row.at(3) == "import only"});
        return rows;
    }();
    return examples;
}

std::string TrackText(int points) {
    std::string text = "latitude,longitude,elevation_m,time,date,name\r\n";
    text.reserve(static_cast<size_t>(points) * 56);
    char line[128];
    for (int i = 0; i < points; ++i) {
        const int s = 8 * 3600 + (i * 5) % 50000, hms = s / 3600 * 10000 + s / 60 % 60 * 100 + s % 60;
        const double latitude = 45.3311 + (i % 5000) * 0.0000137,
                     longitude = -121.7113 + (i % 7000) * 0.0000091;
        if (i % 1000 == 999) {
            std::snprintf(line, sizeof line, "4x.1,-121.1,100.0,081500,14082021,BAD%06d\r\n", i);
        } else if (i % 997 == 996) {
            std::snprintf(line, sizeof line, ",,1829.5,%06d,14082021,NOPOS%06d\r\n", hms, i);
        } else {
            static const char kLine[] = "%.7f,%.7f,%.1f,%06d,14082021,TP%06d\r\n";
            std::snprintf(line, sizeof line, kLine, latitude, longitude, 1829.0 + (i % 300) * 0.5, hms, i);
        }
        text += line;
    }
    return text;
}

std::string RecordTexts(const std::string& database) {
    const std::string text = database + ".tsv";
    const ToolResult result =
        RunTool({"convert", database, text, "--output-definition", FormatFile("tab.cal")});
    EXPECT_EQ(result.status, 0) << result.err;
    return ReadFile(text);
}

std::vector<std::string> CommandWords(const std::string& command) {
    std::vector<std::string> words;
    bool inWord = false;
    char quote = 0;
    for (char c : command) {
        if (quote == 0 && c == ' ') {
            inWord = false;
            continue;
        }
        if (!inWord) words.emplace_back();
        inWord = true;
        if (quote == 0 && (c == '\'' || c == '"')) {
            quote = c;
        } else if (c == quote) {
            quote = 0;
        } else {
            words.back() += c;
        }
    }
    return words;
}

// Not the maximum wait4 reports, which Linux starts from this process's
// memory: the tool is traced, stopped on its way out, and its high-water
// mark read from /proc.
#if !defined(_WIN32)
static long PeakOfExitingProcess(pid_t process) {
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) * 1024L;  // in kB
    return 0;
}

int StartTool(const std::vector<std::string>& arguments, bool traced) {
    std::vector<std::string> words = {ToolPath()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        // As a terminal starts it: a background job ignores SIGINT and SIGQUIT, nohup SIGHUP.
        for (const int ignored : {SIGINT, SIGQUIT, SIGHUP}) signal(ignored, SIG_DFL);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        // Where tracing is refused (an emulator), the peak goes unmeasured.
        if (traced) ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execv(argv[0], argv.data());  // a traced tool stops with SIGTRAP once loaded
        _exit(127);
    }
    return child;
}
#endif

MeasuredRun RunMeasured([[maybe_unused]] const std::vector<std::string>& arguments) {
    MeasuredRun run;
#if !defined(_WIN32)
    const pid_t child = StartTool(arguments, true);
    if (child < 0) return run;
    bool loaded = false;
    for (int status = 0; waitpid(child, &status, 0) == child;) {
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        int signal = 0;
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            run.peakBytes = PeakOfExitingProcess(child);
        } else if (WSTOPSIG(status) == SIGTRAP && !loaded) {
            loaded = true;  // from here on, stop it again on its way out
            ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
        } else {
            signal = WSTOPSIG(status);  // the tool's own, passed on
        }
        ptrace(PTRACE_CONT, child, nullptr, signal);
    }
#endif
    return run;
}

}  // namespace cli_test
