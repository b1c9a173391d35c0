// A GPX's values beyond the tool's fields stay with what the filters keep.
#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolExtras = ToolTest;

// Four points a second apart from the minute, heart rates from heartRate.
std::string Ride(const std::string& name, int minute, int heartRate) {
    std::string points;
    for (int i = 0; i < 4; ++i) {
        points += "<trkpt lat=\"4" + std::to_string(minute) + "." + std::to_string(i) +
                  "\" lon=\"8\"><time>2021-08-14T06:0" + std::to_string(minute) + ":0" + std::to_string(i) +
                  "Z</time><extensions><gpxtpx:TrackPointExtension><gpxtpx:hr>" +
                  std::to_string(heartRate + i) +
                  "</gpxtpx:hr></gpxtpx:TrackPointExtension></extensions></trkpt>";
    }
    return "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
           "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v1\"><trk><name>" +
           name + "</name><desc>" + name + " desc</desc><trkseg>" + points + "</trkseg></trk></gpx>";
}

TEST_F(ToolExtras, FiltersKeepThemOnThePointsTheyKeep) {
    WriteFile(Out("a.gpx"), Ride("A", 0, 100));
    WriteFile(Out("b.gpx"), Ride("B", 1, 200));
    Ok({"convert", Out("a.gpx"), Out("thin.gpx"), "--simplify", "2"});
    const std::string thin = ReadFile(Out("thin.gpx"));
    EXPECT_EQ(Count(thin, "<gpxtpx:hr>"), 2u) << thin;
    EXPECT_NE(thin.find("<gpxtpx:hr>100</gpxtpx:hr>"), std::string::npos) << thin;
    EXPECT_NE(thin.find("<gpxtpx:hr>103</gpxtpx:hr>"), std::string::npos) << thin;
    EXPECT_NE(thin.find("<desc>A desc</desc>"), std::string::npos) << thin;
    EXPECT_NE(thin.find("<time>2021-08-14T06:00:03Z</time>"), std::string::npos) << thin;

    Ok({"convert", Out("a.gpx"), Out("b.gpx"), "-o", Out("both.gpx"), "--merge", "--simplify", "2"});
    const std::string both = ReadFile(Out("both.gpx"));
    EXPECT_NE(both.find("<gpxtpx:hr>100</gpxtpx:hr>"), std::string::npos) << both;
    EXPECT_NE(both.find("<gpxtpx:hr>203</gpxtpx:hr>"), std::string::npos) << both;

    const ToolResult database = RunTool({"convert", Out("a.gpx"), Out("a.pdb"), "--simplify", "2"});
    EXPECT_EQ(database.status, 0) << database.err;
    EXPECT_EQ(
        database.err,
        "vezuved: track 'A': --simplify 2: 2 of 4 points kept\nvezuved: warning: '" + Out("a.pdb") +
            "': 2 point(s) hold values a database cannot hold (hr); the set holds texts a database cannot "
            "hold (desc); they are left out\n");
}

}  // namespace
}  // namespace cli_test
