// How the tool reads text and writes points into databases and text files.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <vezuved/vezuved.h>

#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolTextInput = ToolTest;

// A line read by comma.cal with --encoding (none: the tool's choice): the
// name show lists (none: it fails), and standard error.
TEST_F(ToolTextInput, EncodingsAndByteOrderMark) {
    const std::string file = Out("cafe.csv"), line = "45.5,-122.25,100,,";
    const std::string lost =
        "vezuved: warning: '" + file + "' holds characters Windows-1252 cannot hold; they are read as '?'\n";
    const struct {
        std::string bytes, encoding, name, err;
    } cases[] = {
        // UTF-8 with a byte order mark: the mark is no part of the latitude.
        {"\xEF\xBB\xBF" + line + "Caf\xC3\xA9 \xE2\x82\xAC,,\n", "", "Caf\xC3\xA9 \xE2\x82\xAC", ""},
        // Not UTF-8: read as Windows-1252.
        {line + "Caf\xE9 \x80,,\n", "", "Caf\xC3\xA9 \xE2\x82\xAC", ""},
        {line + "Caf\xC3\xA9,,\n", "cp1252", "Caf\xC3\x83\xC2\xA9", ""},
        {line + "Caf\xC3\xA9,,\n", "utf-8", "Caf\xC3\xA9", ""},
        {line + "Ok,,\r\n" + line + "Caf\xE9,,\n",
         "utf-8",
         "",
         "vezuved: cannot read '" + file +
             "' as UTF-8: line 2, byte 22 (0xE9) is no UTF-8; --encoding cp1252 reads it as Windows-1252\n"},
        // Characters Windows-1252 has no byte for, in a name, an icon or a description.
        {line + "\xCE\xA9mega \xE2\x86\x92 1,,\n", "", "?mega ? 1", lost},
        {line + "Ok,\xE2\x86\x92,\n", "", "Ok", lost},
        {line + "Ok,,\xE2\x86\x92\n", "", "Ok", lost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        WriteFile(file, c.bytes);
        std::vector<std::string> arguments = {
            "show", file, "-d", FormatFile("comma.cal"), "--output", "json"};
        if (!c.encoding.empty()) arguments.insert(arguments.end(), {"--encoding", c.encoding});
        const std::string out = Expected(c.name.empty() ? 1 : 0, c.err, arguments);
        EXPECT_TRUE(c.name.empty() || out.find("\"name\": \"" + c.name + "\"") != std::string::npos) << out;
    }
}

TEST_F(ToolTextInput, TextWithoutDefinitionIsRefused) {
    WriteFile(Out("peaks.csv"), "46.5776,8.0053,1000,,Eiger,,\n");
    const std::string said = "vezuved: cannot read '" + Out("peaks.csv") +
                             "': nothing says what its columns hold (no -d, no '" + Out("peaks.cal") +
                             "', no known extension); give a format definition with -d FILE.cal, or --auto "
                             "when its first line names the columns\n";
    for (const std::string command : {"show", "import"})
        EXPECT_EQ(Expected(2, said, {command, Out("peaks.csv")}), "");
    EXPECT_FALSE(FileExists(Out("peaks.pdb")));
}

// The help names each kind and layout, the last after "or".
TEST_F(ToolTextInput, HelpNamesEveryKindAndLayout) {
    const std::string help = RunTool({"import", "--help"}).out;
    for (const char* listed : {"What the text holds: points, track, route, track-old, route-old or datum\n",
                               "Text layout: comma, tab, garmin, fixed or pcx5\n"})
        EXPECT_NE(help.find(listed), std::string::npos) << help;
}

// Values that cannot be read are reported and left out; --strict fails on the first.
TEST_F(ToolTextInput, BadValuesAreReportedAndSkipped) {
    WriteFile(Out("wide-columns.cal"), TestData("cli/data/text-input/wide-columns.cal"));
    const auto blocks = Blocks(TestData("cli/data/text-input/bad-values.txt"));
    EXPECT_EQ(blocks.size(), 7u);
    for (const auto& block : blocks) {
        const std::vector<std::string> words = CommandWords(block[0].substr(3));  // the file, its definition
        SCOPED_TRACE(words[0]);
        const std::string data = Out(words[0]);
        WriteFile(data, TestData("cli/data/text-input/" + words[0]));
        std::vector<std::string> arguments = {"show", data};
        if (words.size() > 1)
            arguments.insert(arguments.end(),
                             {"-d", words[1] == "wide-columns.cal" ? Out(words[1]) : FormatFile(words[1])});
        const std::string out = Expected(block[1].empty() ? 1 : 0, Said(block, data), arguments);
        EXPECT_NE(out.find(block[1]), std::string::npos) << out;
    }
    // --strict fails on the first, under every command that reads text.
    const std::string file = Out("summits-bad-values.csv");
    for (const std::string command : {"show", "import", "convert"}) {
        std::vector<std::string> arguments = {command, file, "-d", FormatFile("name-first.cal"), "--strict"};
        if (command == "convert") arguments.insert(arguments.begin() + 2, Out("strict.gpx"));
        EXPECT_EQ(Expected(1, "vezuved: " + file + ":3: column 2: 'north' is not a latitude\n", arguments),
                  "");
    }
    EXPECT_FALSE(FileExists(Out("strict.gpx")));
}

TEST_F(ToolTextInput, RecordLineFilesAreReadByTheirKind) {
    const std::string lines =
        "45.3311000,-121.7113000,6000.5832000,081500 14082021,TP001,,\n"
        "45.3352000,-121.7086000,6240.0816000,083000 14082021,TP002,,note\n";
    for (const auto& [extension, kind] :
         {std::pair("rlp", "points"), std::pair("rlt", "track"), std::pair("rlr", "route")}) {
        const std::string file = Out(std::string("hike.") + extension), k = kind;
        WriteFile(file, lines);
        EXPECT_NE(Ok({"show", file}).find("2 point(s), " + k), std::string::npos);
        EXPECT_NE(Ok({"import", file, "-o", file + ".pdb"}).find("(" + k + ", 2 record(s))"),
                  std::string::npos);
    }
    const std::string gpx = Ok({"show", Out("hike.rlr"), "--output", "gpx"});
    EXPECT_NE(gpx.find("<rtept lat=\"45.3352\" lon=\"-121.7086\">"), std::string::npos) << gpx;
    EXPECT_NE(gpx.find("<time>2021-08-14T08:30:00Z</time>"), std::string::npos) << gpx;
}

// The listing of a text read through its definition.
std::string Listing(const std::string& file, const std::string& definition) {
    return Expected(0, "", {"show", file, "-d", definition, "--output", "csv"});
}

// Text to text through one definition; an import-only one refuses to write.
TEST_F(ToolTextInput, ShippedDefinitionsReadBackWhatTheyWrite) {
    std::vector<std::string> shipped, covered;
    for (const auto& entry : std::filesystem::directory_iterator(SourceFile("examples/formats")))
        shipped.push_back(entry.path().filename().string());
    std::sort(shipped.begin(), shipped.end());
    for (const ShippedExample& r : ShippedExamples()) covered.push_back(r.definition);
    EXPECT_EQ(shipped, covered) << "every shipped definition needs a round trip";
    std::filesystem::create_directories(Out("convert"));
    for (const ShippedExample& r : ShippedExamples()) {
        SCOPED_TRACE(r.definition);
        const std::string definition = FormatFile(r.definition), data = DataFile(r.data);
        const std::string converted = Out("convert/" + r.data), original = Listing(data, definition);
        const ToolResult convert =
            RunTool({"convert", data, converted, "-d", definition, "--output-definition", definition});
        EXPECT_NE(original.find("\n"), original.rfind("\n"));  // a header and points
        if (!r.importOnly) {
            ASSERT_EQ(convert.status, 0) << convert.err;
            EXPECT_EQ(Listing(converted, definition), original);
            continue;
        }
        EXPECT_EQ(convert.status, 2);
        const std::string said =
            "vezuved: cannot write '" + converted + "' through '" + definition + "': the format '";
        EXPECT_EQ(convert.err.rfind(said, 0), 0u) << convert.err;
        EXPECT_NE(convert.err.find("(import only)' can be read but not written back the same way\n"),
                  std::string::npos)
            << convert.err;
        EXPECT_FALSE(FileExists(converted));
    }
}

using ToolRecords = ToolTest;

// A database of points (latitude, longitude, feet, name) as another program may write them.
using Row = std::array<const char*, 4>;
void WriteOddDatabase(const std::string& path, const std::vector<Row>& rows) {
    std::vector<RLPointRecord> records(rows.size());
    std::memset(records.data(), 0, records.size() * sizeof(RLPointRecord));
    for (size_t i = 0; i < rows.size(); ++i) {
        std::strcpy(records[i].latitude, rows[i][0]);
        std::strcpy(records[i].longitude, rows[i][1]);
        std::strcpy(records[i].elevation, rows[i][2]);
        std::strcpy(records[i].name, rows[i][3]);
    }
    ASSERT_EQ(
        RLDBWritePDB(path.c_str(), records.data(), static_cast<int32_t>(rows.size()), VEZUVED_KIND_POINT), 0);
}

TEST_F(ToolRecords, PointsNoOutputTakesAreReportedAndLeftOut) {
    WriteOddDatabase(Out("odd.pdb"),
                     {{"45.5", "7.5", "328", "Good"},
                      {"91", "7.5", "", "North"},
                      {"45.5", "-200", "", "West"},
                      {"45.5", "7.5", "3.28e300", "High"},
                      {"-45.5", "-7.5", "", "Last"}});
    const std::string comma = FormatFile("comma.cal");
    // A database; text with --what and without it.
    const std::vector<std::vector<std::string>> runs = {
        {"copy.pdb", "--what", "waypoints"},
        {"odd.csv", "--what", "waypoints", "--output-definition", comma},
        {"exported.csv", "--output-definition", comma},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run[0]);
        const std::string output = Out(run[0]), strict = Out("strict-" + run[0]);
        std::vector<std::string> arguments = {"convert", Out("odd.pdb"), output};
        arguments.insert(arguments.end(), run.begin() + 1, run.end());
        const std::string odd = Out("odd.pdb") + ": record ";  // each said once, as it is read
        EXPECT_EQ(
            Expected(0,
                     odd + "2 'North': latitude 91 is outside -90..90; the point is left out\n" + odd +
                         "3 'West': longitude -200 is outside -180..180; the point is left out\n" + odd +
                         "4 'High': elevation 9.997440000000001e+299 m is beyond 100000 m; the point is "
                         "left out\n",
                     arguments),
            "Wrote " + output + " (points, 2 point(s))\n");
        arguments[2] = strict;
        arguments.push_back("--strict");
        Expected(1,
                 "vezuved: cannot read '" + Out("odd.pdb") +
                     "': record 2 'North': latitude 91 is outside -90..90\n",
                 arguments);
        EXPECT_FALSE(FileExists(strict));
    }
    EXPECT_EQ(RecordTexts(Out("copy.pdb")),
              "45.5000000\t7.5000000\t328\t\tGood\t\t\r\n-45.5000000\t-7.5000000\t\t\tLast\t\t\r\n");
    const std::string text = "45.5000000,7.5000000,328,,Good,,\r\n-45.5000000,-7.5000000,,,Last,,\r\n";
    EXPECT_EQ(ReadFile(Out("odd.csv")) + ReadFile(Out("exported.csv")), text + text);
    // A set no point of which is left is no file.
    WriteOddDatabase(Out("north.pdb"), {{"91", "0", "", "North"}});
    const std::string north = Out("north.pdb");
    Expected(1,
             north +
                 ": record 1 'North': latitude 91 is outside -90..90; the point is left out\nvezuved: cannot "
                 "read '" +
                 north + "': none of its 1 record(s) holds a point a writer takes\n",
             {"convert", north, Out("none.pdb")});
    EXPECT_FALSE(FileExists(Out("none.pdb")));
}

TEST_F(ToolRecords, TextFittedToTheRecordIsReportedOncePerFile) {
    // A name over 255 characters, and characters the record cannot hold.
    WriteFile(Out("odd.gpx"), TestData("cli/data/text-input/odd.gpx"));
    const std::string records =
        "45.5000000\t7.5000000\t\t\tCamp  North ??\tFlag Red\tup here\r\n"
        "45.6000000\t7.6000000\t\t\t" +
        std::string(255, 'n') + "\t\t\r\n";
    const std::string comma = FormatFile("comma.cal");
    const struct {
        std::vector<std::string> arguments;
        std::string output;
        std::string changed;  // what the warning says was changed
        std::string content;  // the records of a database, the bytes of a text
    } steps[] = {
        {{"convert", Out("odd.gpx"), Out("odd.pdb")},
         Out("odd.pdb"),
         "3 field(s) had characters replaced or dropped (',' '\"' '*' '\xE6\x97\xA5' '\xF0\x9F\x8F\x94' "
         "TAB), "
         "1 field(s) cut to 255 characters",
         records},
        // A definition's writer quotes a name's separators; a symbol's it cannot.
        {{"convert", Out("odd.gpx"), Out("odd.csv"), "--output-definition", comma, "--what", "waypoints"},
         Out("odd.csv"),
         "2 field(s) had characters replaced or dropped ('\"' '\xE6\x97\xA5' '\xF0\x9F\x8F\x94' ','), "
         "1 field(s) cut to 255 characters",
         "45.5000000,7.5000000,,,\"Camp, North*??\",Flag Red,\"up\there\"\r\n45.6000000,7.6000000,,," +
             std::string(255, 'n') + ",,\r\n"},
        // The library's own import says what it blanks.
        {{"import", Out("odd.csv"), "-d", comma, "-o", Out("csv.pdb")},
         Out("csv.pdb"),
         "2 field(s) had characters replaced or dropped (',' '*' TAB)",
         records},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.output);
        Expected(0,
                 "vezuved: warning: '" + step.output + "': text fitted to the record: " + step.changed + "\n",
                 step.arguments);
        const bool database = step.output.substr(step.output.size() - 4) == ".pdb";
        EXPECT_EQ(database ? RecordTexts(step.output) : ReadFile(step.output), step.content);
    }
}

// A database goes to text one way, whichever command writes it, its feet as it holds them.
TEST_F(ToolRecords, ADatabaseIsWrittenAsTheSameTextByEveryCommand) {
    WriteOddDatabase(Out("held.pdb"), {{"45.5", "7.25", "1829.50", "Hut"}, {"-45.5", "-7.5", "-12", "Col"}});
    const std::string held = Out("held.pdb"), exported = Out("exported.txt");
    for (const char* definition : {"comma.cal", "garmin.cal"}) {
        SCOPED_TRACE(definition);
        const std::string cal = FormatFile(definition);
        Expected(0, "", {"export", held, "-d", cal, "-o", exported});
        const std::string text = ReadFile(exported);
        EXPECT_NE(text.find("1829.50"), std::string::npos) << text;
        EXPECT_NE(text.find("-12"), std::string::npos) << text;
        for (const std::string what : {"", "waypoints"}) {
            std::vector<std::string> arguments = {
                "convert", held, Out("converted.txt"), "--output-definition", cal};
            if (!what.empty()) arguments.insert(arguments.end(), {"--what", what});
            Expected(0, "", arguments);
            EXPECT_EQ(ReadFile(Out("converted.txt")), text) << what;
        }
    }
}

// A text's feet reach its database as written, as the host's import keeps them.
TEST_F(ToolRecords, TextFeetReachTheDatabaseAsWritten) {
    WriteFile(Out("feet.csv"), "45.5,7.25,1829.50,,Hut,,\n-45.5,-7.5,-12.0,,Col,,\n");
    const std::string comma = FormatFile("comma.cal");
    Expected(0, "", {"convert", Out("feet.csv"), Out("tool.pdb"), "-d", comma});
    char host[VEZUVED_PATH_BUFFER] = {};
    std::snprintf(host, sizeof host, "%s", Out("host.pdb").c_str());
    ASSERT_EQ(RLDBImport(Out("feet.csv").c_str(), host, comma.c_str(), -1, -1, -1, nullptr), 0);
    EXPECT_EQ(RecordTexts(Out("tool.pdb")),
              "45.5000000\t7.2500000\t1829.50\t\tHut\t\t\r\n-45.5000000\t-7.5000000\t-12.0\t\tCol\t\t\r\n");
    EXPECT_EQ(RecordTexts(Out("tool.pdb")), RecordTexts(host));
}

}  // namespace
}  // namespace cli_test
