// What the device layer prints, taken apart: the listing's report pieced together
// from its column-at-a-time messages, every other message a line of its own.

#include "core/device_lines.h"
#include "core_text.h"

TEST(DeviceLines, ReportPiecesStayTogetherAndProblemsEndTheirLines) {
    // Whether a listing's, the messages taken, the report and the lines said.
    const std::tuple<bool, std::vector<std::string>, std::string, std::string> rows[] = {
        {false,
         {"Err: 0x40b", "No Cal File\n", "\n", "Copying to Device: a\n"},
         "",
         "Err: 0x40b|No Cal File|Copying to Device: a|"},
        {true,
         {"Name    Records\n", "hike  ", "   8", " Only on Device", "\n", "Err: 0x408", "none\n"},
         "Name    Records\nhike     8 Only on Device\nnone\n",
         "Err: 0x408|"},
        {true,
         {"Can't mount Database Volume: \\x",
          "\nFiles Only on PC\n",
          "Error !!! Writing sync file\n",
          "left"},
         "\nFiles Only on PC\nleft\n",
         "Can't mount Database Volume: \\x|Error !!! Writing sync file|"},
        {true, {"Error getting  ", "   3\n"}, "Error getting     3\n", ""},  // a database named so
        {true, {"Err: 0xzz", "   3\n", "Err: 0x", "   1\n"}, "Err: 0xzz   3\nErr: 0x   1\n", ""},  // and so
    };
    for (const auto& [listing, messages, report, said] : rows) {
        std::string lines;
        vezuved::core::DeviceLines taken(listing, [&](const std::string& line) { lines += line + "|"; });
        for (const std::string& message : messages) taken.Take(message.data(), message.size());
        EXPECT_EQ(taken.Report(), report);
        EXPECT_EQ(lines, said);
    }
}
