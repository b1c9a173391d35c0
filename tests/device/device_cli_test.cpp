// The command line's device commands run as processes against an emulated
// handheld: push, list, pull, the question before replacing and the exit
// statuses; the separate inspector shows what they left on the handheld.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>

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
#if defined(_WIN32)
        GTEST_SKIP()
            << "the device commands' process tests need a POSIX shell (timeout, quoting, redirection)";
#endif
        tool_ = BuildFolder() + "/cli/vezuved";
        if (!FileExists(tool_)) GTEST_SKIP() << "the vezuved tool was not built";
        WritePc("Home.rlp", "45.5,-122.6,,,Home,,\r\n45.6,-122.7,,,Cabin,,\r\n");
    }

    // stdin: what the tool reads; by default a file holding input. A
    // time limit turns a hang into a failed run.
    ToolRun Run(const std::string& arguments,
                const std::string& input = std::string(),
                std::string redirect = "") {
        return RunProgram(tool_, arguments + " --device '" + root_.Path() + "'", input, redirect);
    }
    ToolRun RunProgram(const std::string& program,
                       const std::string& arguments,
                       const std::string& input = std::string(),
                       std::string redirect = "") {
        WriteFile(scratch_.Join("in"), input);
        if (redirect.empty()) redirect = "< '" + scratch_.Join("in") + "'";
        const std::string command = "timeout 20 '" + program + "' " + arguments + " " + redirect + " > '" +
                                    scratch_.Join("out") + "' 2> '" + scratch_.Join("err") + "'";
        ToolRun run;
        const int raw = std::system(command.c_str());
#if defined(_WIN32)
        run.status = raw;  // the exit code itself
#else
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
        run.out = ReadFile(scratch_.Join("out"));
        run.err = ReadFile(scratch_.Join("err"));
        return run;
    }
    std::string Home() const { return " '" + Pc("Home.rlp") + "'"; }

    std::string tool_;
    devtest::TempFolder scratch_;
};

TEST_F(DeviceCliTest, PushListPullAndInspect) {
    ToolRun run = Run("device push" + Home());
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.out);  // the library's lines are no document
    EXPECT_EQ("Copying to Device: Home\nHome: started\nHome: done\n",
              run.err);  // plain progress lines off a terminal

    run = Run("device push --update" + Home());
    EXPECT_EQ(0, run.status);
    EXPECT_TRUE(run.Err("Database is up to date: Home\n"));
    EXPECT_TRUE(run.Err("left alone, up to date"));

    run = Run("device list '" + PcFolder() + "'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("Identical\n"))
        << run.out;  // the report as the listing tests pin it

    run = Run("device pull --kind points '" + Pc("back") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(FileExists(Pc("back/Home.rlp")));

    // The inspector is a program of its own: the tool ships no emulator code.
    EXPECT_EQ(2, Run("device inspect '" + root_.Path() + "'").status);
    run = RunProgram(BuildFolder() + "/emulator/vezuved-device-inspect", "'" + root_.Path() + "'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("database \"Home\"")) << run.out;
}

TEST_F(DeviceCliTest, AskAnswersFromStandardInput) {
    ASSERT_EQ(0, Run("device push" + Home()).status);
    ToolRun run = Run("device push --ask" + Home(), "s\n");
    EXPECT_EQ(0, run.status);
    for (const char* text : {"Home exists.", "[r]eplace, [s]kip, [c]ancel", "left alone, up to date"})
        EXPECT_TRUE(run.Err(text)) << text << " in: " << run.err;
    run = Run("device push --ask" + Home(), "c\n");
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(run.Err("cancelled"));
    run = Run("device push --ask" + Home(), "r\n");
    EXPECT_EQ(0, run.status);
    EXPECT_TRUE(run.Err("Copying to Device: Home\n"));
}

TEST_F(DeviceCliTest, FailuresGiveStatusAndReason) {
    ToolRun run = Run("device push --device-folder '\\Nowhere'" + Home());
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(run.Err("no database volume there (use --create)")) << run.err;
    run = Run("device push '" + Pc("missing.rlp") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(run.Err("the PC path does not exist"));
    EXPECT_EQ(2, Run("device pull --kind everything").status);
    run = Run("device push --device-folder '\\Made' --create" + Home());
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(FileExists(root_.Join("Made/RoverlogDBV.cdb")));
}

#if !defined(_WIN32)
TEST_F(DeviceCliTest, FailedItemsAreNamedAndFailTheCommand) {
    ASSERT_EQ(0, Run("device push" + Home()).status);
    // Standard input closed: --ask refuses at once instead of reading
    // whatever descriptor comes next.
    ToolRun run = Run("device push --ask" + Home(), "", "<&-");
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(run.Err("--ask needs a standard input")) << run.err;
    // A folder under a file, and a folder that cannot be written.
    WriteFile(Pc("file"), "x");
    run = Run("device pull '" + Pc("file/sub") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(run.Err("no such folder")) << run.err;
    const std::string locked = Pc("locked");
    std::filesystem::create_directories(locked);
    const bool mounted =
        std::system(("mount -t tmpfs -o ro,size=64k tmpfs '" + locked + "' 2>/dev/null").c_str()) == 0;
    if (!mounted)
        std::filesystem::permissions(locked,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    run = Run("device pull '" + locked + "'");
    if (mounted) std::system(("umount '" + locked + "'").c_str());
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(run.Err("Home: failed (-1)\n")) << run.err;  // the progress line
    // The folder is what failed, and it is named.
    EXPECT_TRUE(run.Err("vezuved: device pull: Home: failed: cannot create a file in '" + locked +
                        "': Permission denied\n"))
        << run.err;
    EXPECT_FALSE(run.Err("done"));
}
#endif

}  // namespace
