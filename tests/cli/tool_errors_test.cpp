// Exit statuses and messages: 2 for usage errors, 1 for files the tool
// cannot convert, with a sentence on standard error naming the file.
#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolErrors = ToolTest;

struct ErrorCase {
    std::vector<std::string> arguments;
    int status;
    std::string message;  // expected on standard error
};

void Check(const std::vector<ErrorCase>& cases) {
    for (const auto& c : cases) {
        const ToolResult result = RunTool(c.arguments);
        std::string line;
        for (const auto& argument : c.arguments) line += argument + " ";
        EXPECT_EQ(result.status, c.status) << line << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << line << "\n" << result.err;
    }
}

TEST_F(ToolErrors, UsageErrorsExitWithTwo) {
    Check({
        {{}, 2, "subcommand is required"},
        {{"fly"}, 2, "fly"},
        {{"show"}, 2, "file is required"},
        {{"import", "a.csv", "--kind", "plane"}, 2, "plane"},
        {{"import", "a.csv", "--metres", "--feet"}, 2, "excludes"},
        {{"show", "a.pdb", "--output", "kml"}, 2, "kml"},
        {{"show", "a.csv", "--columns", "name,height"}, 2, "'height' is no field name"},
        {{"show", "a.csv", "--columns", "1,2,3"}, 2, "seven column numbers"},
        {{"convert", "a.gpx", "b.pdb"}, 2, "GPX and GeoJSON are written, not read"},
        {{"info", "a.pdb", "extra"}, 2, "extra"},
    });
}

TEST_F(ToolErrors, FilesItCannotReadOrWriteExitWithOne) {
    const std::string missing = folder_ + "/missing", nowhere = folder_ + "/no/such/folder/out";
    const std::string summits = DataFile("summits.csv"), definition = FormatFile("name-first.cal");
    WriteFile(Out("empty.csv"), "");
    Check({
        {{"info", missing + ".pdb"}, 1, "cannot read the database '" + missing + ".pdb': no such file"},
        {{"show", missing + ".csv"}, 1, "cannot read the text file '" + missing + ".csv'"},
        {{"import", missing + ".csv"}, 1, "no such file"},
        {{"export", missing + ".pdb"}, 1, "no such file"},
        {{"convert", missing + ".pdb", Out("x.gpx")}, 1, "no such file"},
        {{"import", summits, "-d", missing + ".cal"}, 1, "cannot read the format definition '" + missing + ".cal'"},
        {{"formats", missing}, 1, "no such folder"},
        {{"info", folder_}, 1, "is a folder"},
        {{"import", summits, "-d", definition, "-o", nowhere + ".pdb"}, 1, "cannot be created"},
        {{"convert", summits, nowhere + ".gpx", "-d", definition}, 1, "cannot write '" + nowhere + ".gpx'"},
        {{"import", Out("empty.csv")}, 1, "the file is empty"},
        {{"show", Out("empty.csv")}, 1, "empty or unreadable"},
    });
}

TEST_F(ToolErrors, DamagedDatabaseExitsWithOne) {
    const std::string damaged = Out("damaged.pdb");
    WriteFile(damaged, std::string(100, 'x'));
    for (const char* command : {"info", "show", "export"}) {
        const ToolResult result = RunTool({command, damaged});
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_NE(result.err.find("'" + damaged + "': it is no valid Palm database"), std::string::npos)
            << command << result.err;
        // The library's own diagnostic stays on standard output.
        EXPECT_NE(result.out.find("Err: 0x408"), std::string::npos) << command << result.out;
    }
    EXPECT_EQ(RunTool({"convert", damaged, Out("out.gpx")}).status, 1);
    EXPECT_FALSE(FileExists(Out("out.gpx")));
}

}  // namespace
}  // namespace cli_test
