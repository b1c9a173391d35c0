// The tool's device commands as processes against an emulated handheld: push, list, pull, the
// question, exit statuses; the inspector shows what they left. (POSIX shell needed.)
#if !defined(_WIN32)

#include <sys/wait.h>

#include <cstdlib>

#include "device_test_support.h"

using namespace devtest;

namespace {

struct ToolRun {
    int status = -1;
    std::string out, err;
    bool Err(const std::string& text) const { return err.find(text) != std::string::npos; }
};

class DeviceCliTest : public SyncTest {
protected:
    void SetUp() override {
        tool_ = BuildFolder() + "/cli/vezuved";
        if (!FileExists(tool_)) GTEST_SKIP() << "the vezuved tool was not built";
        WritePc("Home.rlp", "45.5,-122.6,,,Home,,\r\n45.6,-122.7,,,Cabin,,\r\n");
    }

    // The tool on the emulated handheld unless another program is named; stdin: input; a hang fails.
    ToolRun Run(std::string arguments,
                const std::string& input = std::string(),
                std::string redirect = "",
                std::string program = "") {
        if (program.empty()) program = tool_, arguments += " --device '" + root_.Path() + "'";
        WriteFileBytes(scratch_.Join("in"), input);
        if (redirect.empty()) redirect = "< '" + scratch_.Join("in") + "'";
        const std::string command = "timeout 20 '" + program + "' " + arguments + " " + redirect + " > '" +
                                    scratch_.Join("out") + "' 2> '" + scratch_.Join("err") + "'";
        ToolRun run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadFileText(scratch_.Join("out"));
        run.err = ReadFileText(scratch_.Join("err"));
        return run;
    }

    std::string tool_;
    devtest::TempFolder scratch_;
};

// In order, each on what the ones before left.
TEST_F(DeviceCliTest, CommandsAnswerWithTheirStatusAndMessages) {
    const std::string push = "device push", home = " '" + Pc("Home.rlp") + "'";
    // Plain progress lines off a terminal, and nothing else.
    EXPECT_EQ("Copying to Device: Home\nHome: started\nHome: done\n", Run(push + home).err);
    const struct {
        std::string arguments, input;
        int status;
        std::string said;  // on standard error
    } rows[] = {
        {push + " --update" + home, "", 0, "left alone, up to date"},
        {push + " --ask" + home, "s\n", 0, "Home exists.\n  copying:  "},
        {push + " --ask" + home, "s\n", 0, "Replace it? [r]eplace, [s]kip, [c]ancel: "},
        {push + " --ask" + home, "c\n", 1, "cancelled"},
        {push + " --ask" + home, "r\n", 0, "Copying to Device: Home\n"},
        {push + " --device-folder '\\Nowhere'" + home, "", 1, "no database volume there (use --create)"},
        {push + " '" + Pc("missing.rlp") + "'", "", 1, "the PC path does not exist\n"},
        {"device pull --kind everything", "", 2, ""},
        {"device pull --filter Home '" + scratch_.Path() + "'", "", 0, "Getting from device: "},
        {push + " --device-folder '\\Made' --create" + home, "", 0, ""},
        // The inspector is a program of its own: the tool ships no emulator code.
        {"device inspect '" + root_.Path() + "'", "", 2, ""},
    };
    for (const auto& row : rows) {
        const ToolRun run = Run(row.arguments, row.input);
        EXPECT_EQ(row.status, run.status) << row.arguments << run.err;
        EXPECT_EQ("", run.out);  // the library's lines are no document
        EXPECT_TRUE(run.Err(row.said)) << row.said << " in: " << run.err;
    }
    // A device folder that is not there: no connection, and the hint.
    EXPECT_EQ(
        "vezuved: copy of '" + Pc("Home.rlp") +
            "' to the handheld: no connection to the handheld (with --device: does the folder exist?)\n",
        Run(push + home + " --device '" + root_.Join("none") + "'", "", "", tool_).err);
    // Standard input closed: --ask refuses at once instead of reading whatever descriptor comes next.
    EXPECT_TRUE(Run(push + " --ask" + home, "", "<&-").Err("--ask needs a standard input"));
    EXPECT_TRUE(FileExists(root_.Join("Made/RoverlogDBV.cdb")));
    const ToolRun run =
        Run("'" + root_.Path() + "'", "", "", BuildFolder() + "/emulator/vezuved-device-inspect");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("database \"Home\"")) << run.out;
}

}  // namespace

#endif  // !_WIN32
