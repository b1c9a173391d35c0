// Points, a route and a track from the PC to the emulated handheld and
// back: the same points come home (points in the device's longitude order).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "device/transfer_rules.h"
#include "sync_test_support.h"

using namespace synctest;
using devtest::FileExists;
using devtest::ReadFile;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

double Longitude(const std::string& line) {
    const size_t comma = line.find(',');
    return std::stod(line.substr(comma + 1));
}

class RoundTripTest : public SyncTest {};

}  // namespace

TEST_F(RoundTripTest, PointsRouteAndTrackComeBackUnchanged) {
    const std::string points =
        "45.5000000,-122.6000000,100.0000000,,Home,House,Where we live\r\n"
        "46.0000000,-121.0000000,,,Summit,Flag,\"Top, at last\"\r\n"
        "44.2500000,-123.7500000,12.0000000,,Coast,,\r\n";
    const std::string route =
        "45.1000000,-122.1000000,,,Start,,\r\n"
        "45.2000000,-122.3000000,,,Middle,,\r\n"
        "45.3000000,-122.2000000,,,End,,\r\n";
    const std::string track =
        "45.1000000,-122.1000000,300.0000000,093000 14032004,T1,,\r\n"
        "45.1100000,-122.1100000,310.0000000,093100 14032004,T2,,\r\n"
        "45.1200000,-122.1000000,320.0000000,093230 14032004,T3,,\r\n";
    WritePc("Places.rlp", points);
    WritePc("Loop.rlr", route);
    WritePc("Walk.rlt", track);
    std::string out;
    ASSERT_EQ(0, ToDevice(PcFolder(), optMove, out)) << out;
    EXPECT_FALSE(FileExists(Pc("Places.rlp")));
    EXPECT_EQ(3u, Databases().size());

    ASSERT_EQ(0, FromDevice(-1, nullptr, 0, out)) << out;
    std::vector<std::string> expected = Lines(points);
    // A record's text keeps no separators: the comma inside quotes comes back a space.
    expected[1] = "46.0000000,-121.0000000,,,Summit,Flag,Top  at last";
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return Longitude(a) < Longitude(b); });
    EXPECT_EQ(expected, Lines(ReadFile(Pc("Places.rlp"))));
    EXPECT_EQ(Lines(route), Lines(ReadFile(Pc("Loop.rlr"))));
    EXPECT_EQ(Lines(track), Lines(ReadFile(Pc("Walk.rlt"))));
    for (const char* file : {"Places.rlp", "Loop.rlr", "Walk.rlt"}) EXPECT_EQ(kBaseTime, TimeOf(Pc(file)));

    // Unchanged on both sides: a second round copies nothing.
    EXPECT_EQ(devUpToDate, ToDevice(PcFolder(), optUpdate, out));
    EXPECT_EQ(0, FromDevice(-1, nullptr, 0, out));
    EXPECT_EQ("Database is up to date: " + Pc("Places.rlp") + "\n" + "Database is up to date: " + Pc("Loop.rlr") +
                  "\n" + "Database is up to date: " + Pc("Walk.rlt") + "\n",
              out);
}
