// Sets written as text described by a ".cal" definition: exact bytes, a round
// trip through a database, and the failures.

#include "core_text.h"
#include "vezuved/vezuved.h"

// data/text/header.cal writes the points below as trip.csv; trip-record.csv is the
// same without a separator in a text, which a database record cannot hold.
static int32_t WriteText(Collection& collection, const std::string& path, const std::string& definition) {
    vezuved_write_options options{};
    options.format = VEZUVED_FORMAT_TEXT;
    options.definition_path = definition.c_str();
    return vezuved_write(collection.handle, path.c_str(), &options);
}

// Written after the header, or refused with the cause: no definition, one
// that cannot be read, or more than the one set a text holds.
TEST(CoreTextWriting, SetsAreWrittenAsTextByTheirDefinitionsOrRefused) {
    TempFolder folder;
    Collection collection;
    const int32_t set = vezuved_add_set(collection.handle, VEZUVED_SET_WAYPOINTS, "trip");
    const vezuved_point points[] = {{45.5, -122.25, 12.5, 0, 1, 0, 0, "Cafe, corner", "Start", nullptr},
                                    At(-0.125, 7, "Hut")};
    for (const vezuved_point& point : points)
        ASSERT_EQ(vezuved_add_point(collection.handle, set, &point), VEZUVED_OK);
    const std::string definition = folder.put("layout.cal", Data("text/header.cal"));
    ASSERT_EQ(WriteText(collection, folder.file("trip.csv"), definition), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(folder.file("trip.csv")), Data("text/trip.csv"));
    EXPECT_EQ(vezuved_warning_count(collection.handle), 0);

    const std::string path = folder.file("out.txt");

    EXPECT_EQ(WriteText(collection, path, ""), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(Message(collection.handle, folder.path()),
              "cannot write 'DIR/out.txt': text needs a format definition; name one in the options");
    EXPECT_EQ(WriteText(collection, path, folder.file("none.cal")), VEZUVED_ERROR_OPEN);
    EXPECT_EQ(
        Message(collection.handle, folder.path()),
        "cannot write 'DIR/out.txt': its format definition 'DIR/none.cal' cannot be read (No such file or "
        "directory)");
    ASSERT_EQ(vezuved_add_set(collection.handle, VEZUVED_SET_TRACK, "more"), 1);
    EXPECT_EQ(WriteText(collection, path, definition), VEZUVED_ERROR_SETS);
    EXPECT_EQ(
        Message(collection.handle, folder.path()),
        "cannot write 'DIR/out.txt': a text file holds one set and 2 are to be written; name one in the "
        "options");
    EXPECT_FALSE(FileExists(path));

    const std::string text = folder.put("trip.csv", Data("text/trip-record.csv"));
    const std::string database = folder.file("trip.pdb");
    Collection read, back;
    vezuved_read_options options{};
    options.definition_path = definition.c_str();
    ASSERT_EQ(vezuved_read(read.handle, text.c_str(), &options), VEZUVED_OK);
    ASSERT_EQ(vezuved_write(read.handle, database.c_str(), nullptr), VEZUVED_OK);
    ASSERT_EQ(vezuved_read(back.handle, database.c_str(), nullptr), VEZUVED_OK);
    const std::string again = folder.file("again.csv");
    ASSERT_EQ(WriteText(back, again, definition), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(again), Data("text/trip-record.csv"));

    Collection route;
    const int32_t loop = vezuved_add_set(route.handle, VEZUVED_SET_ROUTE, "loop");
    for (const double latitude : {45.5, -0.25}) {
        const vezuved_point point{latitude, 7.125, 30.48, 0, 1, 0, 0, nullptr, nullptr, nullptr};
        ASSERT_EQ(vezuved_add_point(route.handle, loop, &point), VEZUVED_OK);
    }
    const std::string garmin = folder.put("garmin.cal", Data("text/garmin-metres.cal"));
    const std::string loopPath = folder.file("loop.txt");
    ASSERT_EQ(WriteText(route, loopPath, garmin), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(loopPath), Data("text/loop-garmin.txt"));

    // Read back, the waypoints are the route's points with their altitude in metres.
    vezuved_read_options byGarmin{};
    byGarmin.definition_path = garmin.c_str();
    EXPECT_EQ(SummaryOf(loopPath, &byGarmin),
              "W 'loop' 2: 7.125,45.5^30.48 'RPT0001' 7.125,-0.25^30.48 'RPT0002'\n");

    // Feet are a database's, a text's and a host's record's own texts: written
    // again as they were read, as the host's export writes them, not as seven
    // decimals. A form a number cannot give back ("1.5e3") is written as the number.
    const std::string feetCal = folder.put("comma.cal", Data("text/comma-feet.cal"));
    const std::vector<std::string> feet = {
        "1829", "1829.50", "-12.0", "11332.020997375328", "1.5e3", "007", "0.12345678901234567890"};
    std::vector<RLPointRecord> records(feet.size());
    std::string held, written;
    for (size_t i = 0; i < feet.size(); ++i) {
        std::memset(&records[i], 0, sizeof records[i]);
        std::snprintf(records[i].latitude, sizeof records[i].latitude, "45.5");
        std::snprintf(records[i].longitude, sizeof records[i].longitude, "7.25");
        std::snprintf(records[i].elevation, sizeof records[i].elevation, "%s", feet[i].c_str());
        std::snprintf(records[i].name, sizeof records[i].name, "P%zu", i);
        held += "P" + std::to_string(i) + ",45.5,7.25," + feet[i] + "\r\n";
        const std::string as = i == 4   ? "1500.0000000"
                               : i == 5 ? "7.0000000"
                               : i == 6 ? "0.1234568"
                                        : feet[i];
        written += "P" + std::to_string(i) + ",45.5000000,7.2500000," + as + ",,,\r\n";
    }
    const std::string heldPdb = folder.file("held.pdb");
    ASSERT_EQ(RLDBWritePDB(heldPdb.c_str(), records.data(), static_cast<int32_t>(records.size()), 0), 0);
    // Read from the database and from the text, and handed over by a host.
    Collection fromDatabase, fromText, handed;
    vezuved_read_options byFeet{};
    byFeet.definition_path = feetCal.c_str();
    ASSERT_EQ(vezuved_read(fromDatabase.handle, heldPdb.c_str(), &byFeet), VEZUVED_OK);
    ASSERT_EQ(vezuved_read(fromText.handle, folder.put("held.csv", held).c_str(), &byFeet), VEZUVED_OK);
    const int32_t heldSet = vezuved_add_set(handed.handle, VEZUVED_SET_WAYPOINTS, "held");
    EXPECT_EQ(vezuved_add_record(handed.handle, heldSet, nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_add_record(handed.handle, heldSet + 1, records.data()), VEZUVED_ERROR_ARGUMENT);
    for (const RLPointRecord& record : records)
        ASSERT_EQ(vezuved_add_record(handed.handle, heldSet, &record), VEZUVED_OK);
    vezuved_point point{};
    ASSERT_EQ(vezuved_get_point(handed.handle, heldSet, 1, &point), VEZUVED_OK);
    EXPECT_EQ(std::string(point.name), "P1");
    EXPECT_DOUBLE_EQ(point.elevation, 1829.5 * 0.3048);
    for (Collection* collection : {&fromDatabase, &fromText, &handed}) {
        ASSERT_EQ(WriteText(*collection, folder.file("again.csv"), feetCal), VEZUVED_OK);
        EXPECT_EQ(ReadFileText(folder.file("again.csv")), written);
    }
    // The host's export of the same database, for the forms kept.
    char exported[VEZUVED_PATH_BUFFER] = {};
    std::snprintf(exported, sizeof exported, "%s", folder.file("exported.csv").c_str());
    ASSERT_EQ(RLDBExport(heldPdb.c_str(), exported, feetCal.c_str(), -1, -1, -1, nullptr), 0);
    const std::string host = ReadFileText(exported);
    EXPECT_EQ(host.substr(0, host.find("P4")), written.substr(0, written.find("P4")));
}
