// The single values the core reads and writes for any face: ISO 8601 times
// and texts as the handheld holds them.

#include "core_text.h"

TEST(CoreValues, IsoTimesTextsAndFeetAreGivenAndTakenAsTheyAreHeld) {
    // The text, the result and the moment: time, has_date, has_time, has_zone, zone_minutes.
    const std::tuple<const char*, int32_t, vezuved_iso_time> cases[] = {
        {"2021-08-14", VEZUVED_OK, {1628899200000, 1, 0, 0, 0}},
        {"2021-08-14T10:15:00+02:00", VEZUVED_OK, {1628928900000, 1, 1, 1, 120}},
        {"2021-08-14 10:15:00.25Z", VEZUVED_OK, {1628936100250, 1, 1, 1, 0}},
        {"1969-12-31T23:59:59.999Z", VEZUVED_OK, {-1, 1, 1, 1, 0}},
        // A time alone falls on the library's day, 2000-01-01.
        {"10:15", VEZUVED_OK, {946721700000, 0, 1, 0, 0}},
        {"10:15:00-0500", VEZUVED_OK, {946739700000, 0, 1, 1, -300}},
        {"2021-02-30", VEZUVED_ERROR_FORMAT, {}},
        {"10:15+15:00", VEZUVED_ERROR_FORMAT, {}},
        {"", VEZUVED_ERROR_FORMAT, {}},
        {"yesterday", VEZUVED_ERROR_FORMAT, {}},
    };
    for (const auto& [text, result, e] : cases) {
        vezuved_iso_time m{};
        ASSERT_EQ(vezuved_read_iso_time(text, &m), result) << text;
        if (result != VEZUVED_OK) continue;
        EXPECT_EQ(std::make_tuple(m.time, m.has_date, m.has_time, m.has_zone, m.zone_minutes),
                  std::make_tuple(e.time, e.has_date, e.has_time, e.has_zone, e.zone_minutes))
            << text;
    }
    vezuved_iso_time moment{};
    EXPECT_EQ(vezuved_read_iso_time(nullptr, &moment), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_read_iso_time("2021-08-14", nullptr), VEZUVED_ERROR_ARGUMENT);

    // Written as documents write them.
    const std::pair<int64_t, const char*> written[] = {
        {1628928900000, "2021-08-14T08:15:00Z"},
        {1628936100250, "2021-08-14T10:15:00.250Z"},
        {-1, "1969-12-31T23:59:59.999Z"},
    };
    for (const auto& [time, text] : written) {
        char out[VEZUVED_ISO_TIME_SIZE];
        EXPECT_EQ(vezuved_write_iso_time(time, out, sizeof out), static_cast<int32_t>(std::strlen(text)));
        EXPECT_STREQ(out, text);
    }
    // The text and its NUL, or nothing.
    char small[21] = "untouched";
    EXPECT_EQ(vezuved_write_iso_time(0, small, 20), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(small, "untouched");
    EXPECT_EQ(vezuved_write_iso_time(0, small, 21), 20);
    EXPECT_STREQ(small, "1970-01-01T00:00:00Z");
    EXPECT_EQ(vezuved_write_iso_time(0, nullptr, 40), VEZUVED_ERROR_ARGUMENT);

    // Texts as the handheld holds them: each text, the characters replaced, the text held.
    const std::tuple<const char*, int32_t, const char*> texts[] = {
        {"plain? text", 0, "plain? text"},
        {"Caf\xC3\xA9 \xE2\x82\xAC 5", 0, "Caf\xC3\xA9 \xE2\x82\xAC 5"},  // é and € are the handheld's
        {"\xD0\x9F\xD0\xB5 \xE2\x86\x92 \xF0\x9F\x8F\x94", 4, "?? ? ?"},  // Cyrillic, an arrow, an emoji
        {"caf\xE9", 0, "caf\xC3\xA9"},  // a byte that is no UTF-8 is the handheld's character
        {"", 0, ""},
    };
    for (const auto& [text, replaced, held] : texts) {
        char out[64];
        EXPECT_EQ(vezuved_handheld_text(text, out, sizeof out), replaced) << text;
        EXPECT_STREQ(out, held) << text;
    }
    char tiny[4];
    EXPECT_EQ(vezuved_handheld_text("long", tiny, sizeof tiny), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_handheld_text(nullptr, tiny, sizeof tiny), VEZUVED_ERROR_ARGUMENT);

    // A record's feet as it wrote them travel through another program's
    // metres and come back as they were.
    Collection summits;
    vezuved_collection* collection = summits.handle;
    ASSERT_EQ(vezuved_add_set(collection, VEZUVED_SET_WAYPOINTS, "summits"), 0);
    vezuved_point point{45.3735, -121.6959, 3428.6952, 0, 1, 0, 0, nullptr, nullptr, nullptr};
    ASSERT_EQ(vezuved_add_point(collection, 0, &point), VEZUVED_OK);
    char text[32];
    EXPECT_EQ(vezuved_get_elevation_feet_text(collection, 0, 0, text, sizeof text), VEZUVED_ERROR_FORMAT);
    const std::tuple<const char*, int32_t, const char*> given[] = {
        {"11249", VEZUVED_OK, "11249"},
        {"6000.6561680", VEZUVED_OK, "6000.6561680"},
        {"-12.5", VEZUVED_OK, "-12.5"},
        {"1e3", VEZUVED_ERROR_FORMAT, "-12.5"},
        {"high", VEZUVED_ERROR_FORMAT, "-12.5"}};
    for (const auto& [given, result, kept] : given) {  // each value given, and the one then kept
        EXPECT_EQ(vezuved_set_elevation_feet_text(collection, 0, 0, given), result) << given;
        ASSERT_EQ(vezuved_get_elevation_feet_text(collection, 0, 0, text, sizeof text),
                  static_cast<int32_t>(std::strlen(kept)));
        EXPECT_STREQ(text, kept) << given;
    }
    double feet = 0;
    ASSERT_EQ(vezuved_get_elevation_feet(collection, 0, 0, &feet), VEZUVED_OK);
    EXPECT_EQ(feet, -12.5);
    ASSERT_EQ(vezuved_get_point(collection, 0, 0, &point), VEZUVED_OK);
    EXPECT_EQ(point.elevation, -12.5 * 0.3048);
    EXPECT_EQ(vezuved_get_elevation_feet_text(collection, 0, 0, text, 3), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_set_elevation_feet_text(collection, 0, 1, "1"), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_set_elevation_feet_text(collection, 1, 0, "1"), VEZUVED_ERROR_ARGUMENT);
}

// An elevation read in metres gives its feet, of exactly 0.3048 m each.
TEST(CoreValues, MetresReadGiveTheirFeet) {
    TempFolder folder;
    Collection read;
    const std::string path = folder.put("p.geojson", R"({"type":"Point","coordinates":[7,45,304.8]})");
    ASSERT_EQ(vezuved_read(read.handle, path.c_str(), nullptr), VEZUVED_OK);
    double feet = 0;
    ASSERT_EQ(vezuved_get_elevation_feet(read.handle, 0, 0, &feet), VEZUVED_OK);
    EXPECT_DOUBLE_EQ(feet, 1000);
}

// Feet become the metres their digits make, not the nearest double's
// digits: 6000 ft is 1828.8 m, where 6000 * 0.3048 prints 1828.8000000000002;
// feet to seven places are the metres a record made them of.
TEST(CoreValues, FeetAreWrittenAsTheMetresTheirDigitsMake) {
    const struct {
        const char* feet;
        const char* metres;
    } cases[] = {{"6000", "1828.8"}, {"3", "0.9144"}, {"0.1", "0.03048"}, {"6000.6561680", "1829"}};
    for (const auto& c : cases) {
        Collection collection;
        ASSERT_EQ(vezuved_add_set(collection.handle, VEZUVED_SET_WAYPOINTS, "summits"), 0);
        const vezuved_point point = At(45.5, -121.5);
        ASSERT_EQ(vezuved_add_point(collection.handle, 0, &point), VEZUVED_OK);
        ASSERT_EQ(vezuved_set_elevation_feet_text(collection.handle, 0, 0, c.feet), VEZUVED_OK);
        const std::string written =
            Document(collection.handle, VEZUVED_FORMAT_GEOJSON | VEZUVED_WRITE_COMPACT);
        ExpectHolds(written, {std::string("[-121.5,45.5,") + c.metres + "]"});
    }
}
