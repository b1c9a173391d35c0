// Coordinate texts in every layout, checked as the stored "%.7f" text.
#include <gtest/gtest.h>

#include "convert/coordinates.h"
#include "convert/number_text.h"

namespace {

TEST(Coordinates, StoredText) {
    const bool lat = true, lon = false;
    const struct { const char* text; uint16_t format; bool latitude; const char* stored; } cases[] = {
        {"", kLocNum, lat, "0.0000000"}, {nullptr, kLocNum, lon, "0.0000000"},
        {"-45.5", kLocNum, lat, "-45.5000000"}, {"45 30.5", kLocNum, lat, "45.0000000"},
        {"S45.5", kLocNum, lat, "-45.5000000"}, {"N45 30 7.2", kLocNum, lat, "45.5020000"},
        {"W122 40.456", kLocNum, lon, "-122.6742667"}, {"n45 30.5", kLocNum, lat, "45.5083333"},
        {"s45 30.5", kLocDeg, lat, "-45.5083333"}, {"w10", kLocNum, lon, "-10.0000000"},
        {"X10", kLocNum, lat, "10.0000000"}, {"S0 30", kLocNum, lat, "-0.5000000"},
        {"N 30.5", kLocNum, lat, "0.5083333"}, {"N45 30 ", 9, lat, "45.5000000"},
        // Searches for the separating spaces stop at the next column.
        {"N45 30.5,W122", kLocNum, lat, "45.5083333"}, {"N45,5 30", kLocNum, lat, "45.0000000"},
        {"N45 30,5 7", kLocNum, lat, "45.5000000"},
        // 19 characters of degrees are a degrees token, 20 are not.
        {"N0000000000000000045 30", kLocNum, lat, "45.5000000"},
        {"N00000000000000000045 30", kLocNum, lat, "45.0000000"},
        // "Comp": both axes come out positive; short texts lose their tail.
        {"4530xx12", kLocComp, lat, "45.5020000"}, {"12230xx30", kLocComp, lon, "122.5050000"},
        {"4530", kLocComp, lat, "45.5000000"}, {"453", kLocComp, lat, "45.0000000"},
        {"4", kLocComp, lat, "0.0000000"}, {"4530xx1", kLocComp, lat, "45.5001667"},
        {"122", kLocComp, lon, "122.0000000"}, {"", kLocComp, lon, "0.0000000"},
        // "DegNoSpace".
        {"N4530.123", kLocDegNoSpace, lat, "45.5020500"}, {"W12230.5", kLocDegNoSpace, lon, "-122.5083333"},
        {"4530.123", kLocDegNoSpace, lat, "4530.1230000"}, {"S453", kLocDegNoSpace, lat, "-45.0000000"},
        {"E0123", kLocDegNoSpace, lon, "12.0000000"}, {"N45 30.5", kLocDegNoSpace, lat, "45.5083333"}};
    for (const auto& c : cases) {
        const double value = c.latitude ? ParseLatitudeText(c.text, c.format) : ParseLongitudeText(c.text, c.format);
        char stored[32];
        FormatFixed7(value, stored, sizeof stored);
        EXPECT_STREQ(stored, c.stored) << (c.text ? c.text : "(null)") << " format " << c.format;
    }
}

TEST(Coordinates, BothLetterSetsAgree) {
    EXPECT_STREQ(GetTableString(3), "SWsw");
    for (int constant : {0, 1}) {
        double value = 0.0;
        EXPECT_EQ(ParseCoordinate("s10", value, constant), 0);
        EXPECT_EQ(value, -10.0);
    }
}

}  // namespace
