// TCX files read through the core: laps and pauses as segments, courses,
// trackpoints without a position, and files that are no TCX.

#include "core_text.h"

static std::string Document(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n"
           "<TrainingCenterDatabase xmlns=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\"\n"
           " xmlns:ns3=\"http://www.garmin.com/xmlschemas/ActivityExtension/v2\">\n" +
           body + "</TrainingCenterDatabase>\n";
}

// A trackpoint on a line of its own.
static std::string Point(const std::string& time,
                         const std::string& lat,
                         const std::string& lon,
                         const std::string& more = "") {
    return "<Trackpoint><Time>" + time + "</Time><Position><LatitudeDegrees>" + lat +
           "</LatitudeDegrees><LongitudeDegrees>" + lon + "</LongitudeDegrees></Position>" + more +
           "</Trackpoint>\n";
}

TEST(CoreTcx, ActivitiesCoursesWhatIsLeftOutAndOtherFiles) {
    const ReadCase cases[] = {
        {"two laps, a pause in the second: three segments; heart rate and extensions passed over",
         Document("<Activities><Activity Sport=\"Biking\"><Id>2012-12-26T21:29:53Z</Id>\n"
                  "<Lap StartTime=\"2012-12-26T21:29:53Z\"><TotalTimeSeconds>9</TotalTimeSeconds><Track>\n" +
                  Point("2012-12-26T21:29:53Z",
                        "35.5",
                        "-79.25",
                        "<AltitudeMeters>178.942626953</AltitudeMeters><HeartRateBpm><Value>62</Value>"
                        "</HeartRateBpm>"
                        "<Extensions><ns3:TPX><ns3:Speed>1</ns3:Speed></ns3:TPX></Extensions>") +
                  Point("2012-12-26T21:29:54.5Z", "35.75", "-79.5") +
                  "</Track></Lap>\n<Lap StartTime=\"2012-12-26T21:30:00Z\"><Track>\n" +
                  Point("2012-12-26T21:30:00Z", "36", "-80") + "</Track><Track>\n" +
                  Point("2012-12-26T21:31:00Z", "36.25", "-80.25") +
                  "</Track></Lap></Activity></Activities>\n"),
         "T '2012-12-26T21:29:53Z' 4: -79.25,35.5^178.942626953@1356557393000 -79.5,35.75@1356557394500 /-80,"
         "36@1356557400000 /-80.25,36.25@1356557460000\n"},
        {"a course: its name, its track and its course points as waypoints",
         Document(
             "<Courses><Course><Name>Loop</Name><Lap><TotalTimeSeconds>1</TotalTimeSeconds></Lap><Track>\n" +
             Point("2020-01-01T00:00:00Z", "1", "2", "<AltitudeMeters>10</AltitudeMeters>") +
             Point("2020-01-01T00:00:01Z", "1.5", "2.5") +
             "</Track>\n<CoursePoint><Name>Turn</Name><Time>2020-01-01T00:00:01Z</Time><Position>"
             "<LatitudeDegrees>1.5</LatitudeDegrees><LongitudeDegrees>2.5</LongitudeDegrees></Position>"
             "<PointType>Left</PointType><Notes>at the church</Notes></CoursePoint></Course></Courses>\n"),
         "W 'waypoints' 1: 2.5,1.5@1577836801000 'Turn' \"at the church\" #Left\n"
         "T 'Loop' 2: 2,1^10@1577836800000 2.5,1.5@1577836801000\n"},
        {"trackpoints without a position, a bad latitude, either half of a position, an unplaced course "
         "point",
         Document(
             "<Activities><Activity><Lap><Track>\n<Trackpoint><Time>2020-01-01T00:00:00Z</Time><HeartRateBpm>"
             "<Value>70</Value></HeartRateBpm>"
             "</Trackpoint>\n<Trackpoint><Time>2020-01-01T00:00:01Z</Time></Trackpoint>\n" +
             Point("2020-01-01T00:00:02Z", "95", "2") +
             "<Trackpoint><Position><LatitudeDegrees>1</LatitudeDegrees></Position></Trackpoint>\n"
             "<Trackpoint><Position><LongitudeDegrees>2</LongitudeDegrees></Position></Trackpoint>\n" +
             Point("2020-01-01T00:00:03Z", "1", "2") +
             "</Track></Lap></Activity></Activities>\n<Courses><Course><CoursePoint><Name>Nowhere</Name>"
             "</CoursePoint></Course></Courses>\n"),
         "T 'track 1' 1: 2,1@1577836803000\n",
         "7 DIR/ride.tcx:7: track 'track 1' point 1: latitude '95' is outside -90..90; the point is left "
         "out\n8 DIR/ride.tcx:8: track 'track 1' point 2: it has no longitude; the point is left out\n"
         "9 DIR/ride.tcx:9: track 'track 1' point 3: it has no latitude; the point is left out\n"
         "12 DIR/ride.tcx:12: waypoint 1 'Nowhere': it has no position; the point is left out\n"
         "0 DIR/ride.tcx: 2 trackpoint(s) without a position (a time, heart rate or distance alone) left "
         "out\n0 'DIR/ride.tcx': track 'track 2' has no points and is left out\n"},
        {"no trackpoint anywhere",
         Document("<Activities><Activity><Lap/></Activity></Activities>"),
         "",
         "cannot convert 'DIR/ride.tcx': it holds no points, routes or tracks",
         VEZUVED_ERROR_FORMAT},
        {"another root",
         "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"/>",
         "",
         "cannot read 'DIR/ride.tcx': it is no TCX file (its root element is <gpx>, not "
         "<TrainingCenterDatabase>)",
         VEZUVED_ERROR_FORMAT},
        {"another namespace",
         "<TrainingCenterDatabase xmlns=\"urn:other\"/>",
         "",
         "cannot read 'DIR/ride.tcx': it is no TCX 2 file (its namespace is 'urn:other')",
         VEZUVED_ERROR_FORMAT},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(ReadOutcome("ride.tcx", c.file), Outcome(c.result, c.sets, c.warnings)) << c.what;
    // Cut short: the XML reader's own words follow.
    EXPECT_EQ(ReadOutcome("ride.tcx", "<TrainingCenterDatabase><Activities>").rfind("-3\ncannot read", 0),
              0u);
}
