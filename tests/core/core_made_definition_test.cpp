// Definitions made from a text's header row: the exact text, the columns left
// out with their warnings, ISO times, and the files and calls refused.

#include "core_text.h"

struct Made {
    int32_t result;
    std::string text;
    std::string warnings;  // one message a line
};

static Made Make(const std::string& path, int32_t flags) {
    Collection collection;
    Made made;
    made.result = vezuved_make_definition(collection.handle, path.c_str(), flags, AppendDocument, &made.text);
    for (int32_t i = 0; i < vezuved_warning_count(collection.handle); ++i) {
        vezuved_warning warning{};
        vezuved_get_warning(collection.handle, i, &warning);
        made.warnings += std::string(warning.message) + "\n";
    }
    if (made.result != VEZUVED_OK)
        made.warnings += std::string("failed: ") + vezuved_error_message(collection.handle);
    return made;
}

TEST(CoreMadeDefinition, AHeaderRowMakesADefinitionOrNoneAndATextIsReadByIt) {
    TempFolder folder;
    const std::string data = folder.put("walk.csv",
                                        "Name;Lat;Lon;Ele (ft);Speed;Time\r\nHut;46.5;7.9;11249;0;"
                                        "2021-08-14T10:15:00+02:00\r\n");
    const std::string head =
        "; Made from the header row of walk.csv.\nFormatTitle = walk.csv, by its header row\nDelimited = ;\n"
        "HeaderLines = 1\nHeader = Name;Lat;Lon;Ele (ft);Speed;Time\nFieldCount = 6\nlatitude = 1\n"
        "longitude = 2\nelevation = 3\n";
    const std::string tail =
        "date = -1\nname = 0\nicon = -1\ndesc = -1\nLocFormat = Num\nEleFormat = Feet\nDBType = Point\n"
        "Ext = csv\n";
    const std::string speed =
        "warning: left out column(s) that name no field a definition holds: 'Speed' (column 5)\n";
    Made made = Make(data, 0);
    EXPECT_EQ(made.result, VEZUVED_OK);
    EXPECT_EQ(made.text, head + "time = -1\n" + tail);
    EXPECT_EQ(made.warnings,
              speed +
                  "warning: left out the time column 'Time' (column 6): its values are ISO 8601 (line 2: "
                  "'2021-08-14T10:15:00+02:00'), which a definition's time column cannot read; reading the "
                  "file by its header row keeps them\n");
    // Read with its ISO times, the time column stays.
    made = Make(data, VEZUVED_MAKE_ISO_TIMES);
    EXPECT_EQ(made.result, VEZUVED_OK);
    EXPECT_EQ(made.text, head + "time = 5\n" + tail);
    EXPECT_EQ(made.warnings, speed);

    // Columns read on no line are left out. The elevation hides the time
    // behind it: both go, one after the other.
    made = Make(folder.put("log.csv", "lat,lon,ele,time\n45.5,7.5,high,noon\n45.6,7.5,n/a,dusk\n"), 0);
    EXPECT_EQ(made.result, VEZUVED_OK);
    ExpectHolds(made.text, {"elevation = -1\ntime = -1\ndate = -1\n"});
    EXPECT_EQ(made.warnings,
              "warning: the elevation column 'ele' names no unit; it is read as metres\n"
              "warning: left out the elevation column 'ele' (column 3): the definition reads it on no line "
              "(line 2: 'high' is not an elevation)\nwarning: left out the time column 'time' (column 4): "
              "the definition reads it on no line (line 2: 'noon' is not a time)\n");

    // Lines are cut as the reader cuts them: a CR alone ends one too. The first column is looked at too.
    made = Make(folder.put("log.txt", "time\tlat\tlon\r2021-08-14T10:00:00Z\t45\t7\r"), 0);
    EXPECT_EQ(made.result, VEZUVED_OK);
    EXPECT_EQ(
        made.warnings,
        "warning: left out the time column 'time' (column 1): its values are ISO 8601 (line 2: "
        "'2021-08-14T10:00:00Z'), which a definition's time column cannot read; reading the file by its "
        "header row keeps them\n");

    // An elevation in the first column with no unit is said too.
    made = Make(folder.put("first.csv", "ele,lat,lon\n100,45,7\n"), 0);
    EXPECT_EQ(made.warnings, "warning: the elevation column 'ele' names no unit; it is read as metres\n");

    // A row that ends before the time column holds no time: the first ISO time is on the next.
    made = Make(
        folder.put("short.csv", "lat,lon,time\n45.5,-122.25\n45.6,-122.3,2021-08-14T01:30:00-05:00\n"), 0);
    EXPECT_EQ(made.warnings,
              "warning: left out the time column 'time' (column 3): its values are ISO 8601 (line 3: "
              "'2021-08-14T01:30:00-05:00'), which a definition's time column cannot read; reading the file "
              "by its header row keeps them\n");

    const std::pair<const char*, const char*> cases[] = {
        {"", "its first line, the header row, is empty"},
        {"\n45,7\n", "its first line, the header row, is empty"},
        {"name,lon\nA,7\n", "its header row ('name', 'lon') has no column for latitude (lat, latitude or y)"},
    };
    const std::string bad = folder.file("bad.csv");
    for (const auto& [contents, said] : cases) {
        folder.put("bad.csv", contents);
        const Made made = Make(bad, 0);
        EXPECT_EQ(made.result, VEZUVED_ERROR_FORMAT) << contents;
        EXPECT_EQ(made.warnings, "failed: cannot make a format definition for '" + bad + "': " + said);
    }
    EXPECT_EQ(Make(folder.file("missing.csv"), 0).result, VEZUVED_ERROR_OPEN);
    folder.put("good.csv", "lat,lon\n45,7\n");
    EXPECT_EQ(Make(folder.file("good.csv"), 2).result, VEZUVED_ERROR_ARGUMENT);
    Collection collection;
    vezuved_collection* const c = collection.handle;
    std::string text;
    const std::string good = folder.file("good.csv");
    EXPECT_EQ(vezuved_make_definition(c, good.c_str(), 0, RefuseDocument, nullptr), VEZUVED_ERROR_WRITE);
    EXPECT_EQ(vezuved_make_definition(c, nullptr, 0, AppendDocument, &text), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_make_definition(c, good.c_str(), 0, nullptr, nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_make_definition(nullptr, good.c_str(), 0, AppendDocument, &text),
              VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(text, "");

    // A text read by its header row: the making's warnings first, ISO times kept,
    // feet as the file wrote them; with a definition too it is refused.
    const std::string walk =
        folder.put("walk.txt",
                   "Name;Lat;Lon;Ele (ft);Speed;Time\r\nHut;46.5;7.9;11249;0;"
                   "2021-08-14T10:15:00+02:00\r\nPass;north;7.8;8000.50;0;"
                   "2021-08-14T11:00:00Z\r\nCol;46.6;7.7;1829;0;2021-08-14T12:00:00Z\r\n");
    Collection read;
    vezuved_read_options options{};
    options.flags = VEZUVED_READ_HEADER_ROW;
    ASSERT_EQ(vezuved_read(read.handle, walk.c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(Summary(read.handle),
              "W 'walk' 2: 7.9,46.5^3428.6952@1628928900000 'Hut' 7.7,46.6^557.4792@1628942400000 'Col'\n");
    EXPECT_EQ(Warnings(read.handle, folder.path()),
              "0 warning: left out column(s) that name no field a definition holds: 'Speed' (column 5)\n"
              "3 DIR/walk.txt:3: column 2: 'north' is not a latitude\n");
    const double feet[] = {11249, 1829};
    for (int64_t i = 0; i < 2; ++i) {
        double got = 0;
        ASSERT_EQ(vezuved_get_elevation_feet(read.handle, 0, i, &got), VEZUVED_OK);
        EXPECT_EQ(got, feet[i]);  // exactly as written, not the metres' feet
    }
    // The position's columns may come first; a time's column may say it is UTC.
    Collection first;
    const std::string lonFirst = "Lon;Lat;Time (UTC)\r\n7.9;46.5;2021-08-14T10:15:00Z\r\n";
    ASSERT_EQ(vezuved_read(first.handle, folder.put("first.txt", lonFirst).c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(Summary(first.handle), "T 'first' 1: 7.9,46.5@1628936100000\n");
    double got = 0;
    EXPECT_EQ(vezuved_get_elevation_feet(read.handle, 0, 2, &got), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_get_elevation_feet(read.handle, 1, 0, &got), VEZUVED_ERROR_ARGUMENT);

    options.definition_path = walk.c_str();
    EXPECT_EQ(vezuved_read(read.handle, walk.c_str(), &options), VEZUVED_ERROR_ARGUMENT);
}
