// Points on their way into databases and text files, through the tool:
// times to the millisecond both ways, points the outputs refuse, text
// columns that are empty or missing, and texts fitted to the record.
#include <array>
#include <cstring>
#include <regex>

#include <vezuved/vezuved.h>

#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolRecords = ToolTest;

std::vector<std::string> Times(const std::string& gpx) {
    static const std::regex kTime("<time>([^<]*)</time>");
    std::vector<std::string> times;
    for (std::sregex_iterator at(gpx.begin(), gpx.end(), kTime), end; at != end; ++at)
        times.push_back((*at)[1]);
    return times;
}

// Each fraction of a second, with what the record holds and what comes back.
TEST_F(ToolRecords, MillisecondsSurviveDatabasesAndText) {
    const struct {
        const char* written;
        const char* record;  // the time column of the record and the text
        const char* read;
    } cases[] = {
        {"06:00:00.001", "060000.01", "06:00:00.001"},
        {"06:00:02.05", "060002.50", "06:00:02.050"},
        {"06:00:04.999", "060004.999", "06:00:04.999"},
        {"06:00:06.9996", "060007", "06:00:07"},
    };
    std::string gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><name>Frac</name><trkseg>";
    std::string records, text = "latitude,longitude,elevation_m,time,date,name\r\n";
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        gpx +=
            std::string("<trkpt lat=\"45.5\" lon=\"7.5\"><time>2021-08-14T") + c.written + "Z</time></trkpt>";
        records += std::string("45.5000000\t7.5000000\t\t") + c.record + " 14082021\t\t\t\r\n";
        // The definition's writer puts the date after the time, in its column.
        text += std::string("45.5000000,7.5000000,,") + c.record + " 14082021,,\r\n";
        expected.push_back(std::string("2021-08-14T") + c.read + "Z");
    }
    WriteFile(Out("frac.gpx"), gpx + "</trkseg></trk></gpx>\n");
    const std::string track = FormatFile("track.cal");
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"convert", Out("frac.gpx"), Out("frac.pdb")},
             {"convert", Out("frac.pdb"), Out("back.gpx")},
             {"convert", Out("frac.gpx"), Out("frac.csv"), "--output-definition", track},
             {"convert", Out("frac.csv"), Out("text.gpx"), "-d", track}}) {
        Expected(0, "", arguments);  // and nothing said
    }
    EXPECT_EQ(RecordTexts(Out("frac.pdb")), records);
    EXPECT_EQ(Times(ReadFile(Out("back.gpx"))), expected);
    EXPECT_EQ(ReadFile(Out("frac.csv")), text);
    EXPECT_EQ(Times(ReadFile(Out("text.gpx"))), expected);
}

// A database holding what no output takes, as another program may write
// it: latitude, longitude, elevation (feet) and name of each point.
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
    // A database; text from the points; text by the library's own export (no
    // --what), whose report counts the records read.
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
        const std::string odd = ": waypoints 'odd' point ";
        EXPECT_EQ(Expected(0,
                           output + odd + "2: latitude 91 is outside -90..90; left out\n" + output + odd +
                               "3: longitude -200 is outside -180..180; left out\n" + output + odd +
                               "4: elevation 9.997440000000001e+299 m is beyond 100000 m; left out\n",
                           arguments),
                  "Wrote " + output +
                      (run[1] == "--what" ? " (points, 2 point(s))\n" : " (points, 5 record(s))\n"));
        arguments[2] = strict;
        arguments.push_back("--strict");
        Expected(1, "vezuved: " + strict + odd + "2: latitude 91 is outside -90..90\n", arguments);
        EXPECT_FALSE(FileExists(strict));
    }
    EXPECT_EQ(RecordTexts(Out("copy.pdb")),
              "45.5000000\t7.5000000\t328\t\tGood\t\t\r\n-45.5000000\t-7.5000000\t\t\tLast\t\t\r\n");
    const std::string text = "45.5000000,7.5000000,328,,Good,,\r\n-45.5000000,-7.5000000,,,Last,,\r\n";
    EXPECT_EQ(ReadFile(Out("odd.csv")), text);
    EXPECT_EQ(ReadFile(Out("exported.csv")), text);
    // A set no point of which is left is no file.
    WriteOddDatabase(Out("north.pdb"), {{"91", "0", "", "North"}});
    Expected(1,
             Out("none.pdb") + ": waypoints 'north' point 1: latitude 91 is outside -90..90; left out\n" +
                 "vezuved: cannot write '" + Out("none.pdb") +
                 "': all 1 point(s) of waypoints 'north' were refused (above)\n",
             {"convert", Out("north.pdb"), Out("none.pdb")});
    EXPECT_FALSE(FileExists(Out("none.pdb")));
}

TEST_F(ToolRecords, EmptyAndMissingColumnsAreReportedLikeUnreadableOnes) {
    const std::string data = Out("log.csv"), track = FormatFile("track.cal");
    WriteFile(data,
              "latitude,longitude,elevation_m,time,date,name\n45.5,7.5,100,060000,14082021,ok\n,,,,,\n45.5\n"
              "abc,7.5,100,060000,14082021,x\n45.5,200,100,060000,14082021,far\n"
              "45.5,7.5,1e300,060000,14082021,high\n   \n");
    std::string said;
    for (const char* line : {":3: column 1: the latitude is empty",
                             ":4: column 2: no longitude: the line has fewer columns",
                             ":5: column 1: 'abc' is not a latitude",
                             ":6: column 2: '200' is not a longitude",
                             ":7: column 3: '1e300' is no elevation: beyond 100000 m",
                             ":8: column 1: the latitude is empty"})
        said += data + line + "\n";
    EXPECT_EQ(Expected(0, said, {"import", data, "-d", track, "-o", Out("log.pdb")}),
              "Wrote " + Out("log.pdb") + " (track, 1 record(s))\n");
}

TEST_F(ToolRecords, TextFittedToTheRecordIsReportedOncePerFile) {
    const std::string longName(300, 'n');
    WriteFile(Out("odd.gpx"),
              "<gpx version=\"1.1\" creator=\"t\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
              "<wpt lat=\"45.5\" lon=\"7.5\"><name>Camp, \"North\"*&#26085;</name><desc>up&#9;here</desc>"
              "<sym>Flag,Red</sym></wpt><wpt lat=\"45.6\" lon=\"7.6\"><name>" +
                  longName + "</name></wpt></gpx>\n");
    const std::string records =
        "45.5000000\t7.5000000\t\t\tCamp  North ?\tFlag Red\tup here\r\n"
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
         "3 field(s) had characters replaced or dropped (',' '\"' '*' '\xE6\x97\xA5' TAB), 1 field(s) cut "
         "to 255 characters",
         records},
        // A definition's writer quotes a name's separators; a symbol's it cannot.
        {{"convert", Out("odd.gpx"), Out("odd.csv"), "--output-definition", comma, "--what", "waypoints"},
         Out("odd.csv"),
         "2 field(s) had characters replaced or dropped ('\"' '\xE6\x97\xA5' ','), 1 field(s) cut to 255 "
         "characters",
         "45.5000000,7.5000000,,,\"Camp, North*?\",Flag Red,\"up\there\"\r\n45.6000000,7.6000000,,," +
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

}  // namespace
}  // namespace cli_test
