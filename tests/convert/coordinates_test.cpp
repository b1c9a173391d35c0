// Coordinate texts in every layout, checked as the stored "%.7f" text, and
// great-circle distances in nautical miles from millionths of a degree.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "convert/coordinates.h"
#include "convert/distance.h"
#include "convert/number_text.h"

using namespace vezuved;

namespace {

TEST(Coordinates, StoredText) {
    const bool lat = true, lon = false;
    const struct {
        const char* text;
        uint16_t format;
        bool latitude;
        const char* stored;
    } cases[] = {{nullptr, kLocNum, lon, "0.0000000"},
                 {"-45.5", kLocNum, lat, "-45.5000000"},
                 {"45 30.5", kLocNum, lat, "45.0000000"},
                 {"N45 30 7.2", kLocNum, lat, "45.5020000"},
                 {"W122 40.456", kLocNum, lon, "-122.6742667"},
                 {"s45 30.5", kLocDeg, lat, "-45.5083333"},
                 {"X10", kLocNum, lat, "10.0000000"},
                 {"S0 30", kLocNum, lat, "-0.5000000"},
                 {"N 30.5", kLocNum, lat, "0.5083333"},
                 {"N45 30 ", 9, lat, "45.5000000"},
                 // Searches for the separating spaces stop at the next column.
                 {"N45,5 30", kLocNum, lat, "45.0000000"},
                 {"N45 30,5 7", kLocNum, lat, "45.5000000"},
                 // 19 characters of degrees are a degrees token, 20 are not.
                 {"N0000000000000000045 30", kLocNum, lat, "45.5000000"},
                 {"N00000000000000000045 30", kLocNum, lat, "45.0000000"},
                 // "Comp": both axes come out positive; short texts lose their tail.
                 {"4530xx12", kLocComp, lat, "45.5020000"},
                 {"12230xx30", kLocComp, lon, "122.5050000"},
                 {"453", kLocComp, lat, "45.0000000"},
                 {"4", kLocComp, lat, "0.0000000"},
                 {"4530xx1", kLocComp, lat, "45.5001667"},
                 // "DegNoSpace".
                 {"N4530.123", kLocDegNoSpace, lat, "45.5020500"},
                 {"W12230.5", kLocDegNoSpace, lon, "-122.5083333"},
                 {"4530.123", kLocDegNoSpace, lat, "4530.1230000"},
                 {"S453", kLocDegNoSpace, lat, "-45.0000000"},
                 {"E0123", kLocDegNoSpace, lon, "12.0000000"},
                 {"N45 30.5", kLocDegNoSpace, lat, "45.5083333"}};
    for (const auto& c : cases) {
        char stored[32];
        FormatFixed7(c.latitude ? ParseLatitudeText(c.text, c.format) : ParseLongitudeText(c.text, c.format),
                     stored,
                     sizeof stored);
        EXPECT_STREQ(stored, c.stored) << (c.text ? c.text : "(null)") << " format " << c.format;
    }
}

TEST(Coordinates, BothLetterSetsAgree) {
    EXPECT_STREQ(NegativeHemisphereLetters(), "SWsw");
    double value = 0.0;
    for (int constant : {0, 1}) {
        EXPECT_EQ(ParseCoordinate("s10", value, constant), 0) << constant;
        EXPECT_EQ(value, -10.0) << constant;
    }
}

TEST(DistanceNm, KnownDistancesAndNoNaN) {
    EXPECT_EQ(DistanceNm(45000000, -122000000, 45000000, -122000000), 0.0);
    EXPECT_NEAR(DistanceNm(0, 0, 1000000, 0), 60.0, 1e-9);
    // 180 degrees is a hair over pi radians in single precision: acos comes back short.
    EXPECT_NEAR(DistanceNm(0, 0, 0, 180000000), 10799.9994, 1e-4);
    // Beyond half the globe the longitude difference itself is taken.
    EXPECT_NEAR(DistanceNm(60000000, 179000000, 60000000, -179000000), 21480.0, 1e-6);
    EXPECT_LT(DistanceNm(-88976669, 5000000, -88976669, 5000001), 0.001);  // cosine rounds above 1
    for (int32_t lat = -89000000; lat < 89000000; lat += 97531) {
        ASSERT_TRUE(std::isfinite(DistanceNm(lat, 5000000, lat, 5000001))) << lat;
        ASSERT_TRUE(std::isfinite(DistanceNm(lat, 0, -lat, 180000000))) << lat;
    }
}

}  // namespace
