// The text helpers the map readers build on: ISO times and wildcards.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "input/input_paths.h"
#include "values/iso_time.h"
#include "values/values.h"

namespace vezuved_cli {
namespace {

TEST(GpsText, ParseIsoTimeTakesZonesAndFractions) {
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"2021-08-14T08:15:00Z", 1628928900000},
        {"2021-08-14T10:15:00+02:00", 1628928900000},
        {"2021-08-14T03:45:00-0430", 1628928900000},
        {"2021-08-14T08:15:00.25Z", 1628928900250},
        {"2021-08-14T08:15:00,123456Z", 1628928900123},  // beyond milliseconds: cut
        {" 2021-08-14T08:15:00 ", 1628928900000},        // no zone: UTC
        {"2021-08-14", 1628899200000},
        {"1969-12-31T23:59:59.500Z", -500},
        {"2004-02-29T00:00:00Z", 1078012800000},
        {"2003-02-29T00:00:00Z", std::nullopt},
        {"2000-02-29T00:00:00Z", 951782400000},  // divisible by 400: a leap year
        {"1900-02-29T00:00:00Z", std::nullopt},
        {"2021-13-01T00:00:00Z", std::nullopt},
        {"2021-08-14T25:00:00Z", std::nullopt},
        {"2021-08-14T08:15:00+2", std::nullopt},
        {"2021-08-14T08:15:00Zjunk", std::nullopt},
        {"14/08/2021", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ParseIsoTime(text), expected) << text;
}

TEST(GpsText, Wildcards) {
    EXPECT_TRUE(MatchesWildcard("*.gpx", "a.gpx"));
    EXPECT_TRUE(MatchesWildcard("*.gpx", ".gpx"));
    EXPECT_TRUE(MatchesWildcard("t?ip*", "trip-2.gpx"));
    EXPECT_TRUE(MatchesWildcard("*a*b*", "xxaxxbxx"));
    EXPECT_FALSE(MatchesWildcard("*.gpx", "a.gpx.bak"));
    EXPECT_FALSE(MatchesWildcard("?.gpx", "ab.gpx"));
}

}  // namespace
}  // namespace vezuved_cli
