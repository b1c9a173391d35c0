// Points, a route and a track from the PC to the emulated handheld and
// back: the same points come home (points in the device's longitude order).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/transfer_rules.h"
#include "device_test_support.h"

using namespace vezuved;

using namespace devtest;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

class RoundTripTest : public SyncTest {};

TEST_F(RoundTripTest, PointsRouteAndTrackComeBackUnchanged) {
    const std::string points =
        "45.5000000,-122.6000000,100.0000000,,Home,House,Where we live\r\n"
        "46.0000000,-121.0000000,,,Summit,Flag,\"Top, at last\"\r\n"
        "44.2500000,-123.7500000,12.0000000,,Coast,,\r\n";
    const std::string route =
        "45.1000000,-122.1000000,,,Start,,\r\n45.2000000,-122.3000000,,,Middle,,\r\n45.3000000,-122.2000000,,,End,,\r\n";
    const std::string track =
        "45.1000000,-122.1000000,300.0000000,093000 14032004,T1,,\r\n"
        "45.1100000,-122.1100000,310.0000000,093100 14032004,T2,,\r\n"
        "45.1200000,-122.1000000,320.0000000,093230 14032004,T3,,\r\n";
    WritePc("Places.rlp", points);
    WritePc("Loop.rlr", route);
    WritePc("Walk.rlt", track);
    ASSERT_EQ(0, ToDevice(PcFolder(), optMove)) << out_;
    EXPECT_FALSE(FileExists(Pc("Places.rlp")));
    EXPECT_EQ(3u, Databases().size());

    ASSERT_EQ(0, FromDevice(-1, nullptr)) << out_;
    // In longitude order; a record's text keeps no separators: the comma inside quotes comes back a space.
    EXPECT_EQ((std::vector<std::string>{"44.2500000,-123.7500000,12.0000000,,Coast,,",
                                        "45.5000000,-122.6000000,100.0000000,,Home,House,Where we live",
                                        "46.0000000,-121.0000000,,,Summit,Flag,Top  at last"}),
              Lines(ReadFile(Pc("Places.rlp"))));
    EXPECT_EQ(Lines(route), Lines(ReadFile(Pc("Loop.rlr"))));
    EXPECT_EQ(Lines(track), Lines(ReadFile(Pc("Walk.rlt"))));
    for (const char* file : {"Places.rlp", "Loop.rlr", "Walk.rlt"}) EXPECT_EQ(kBaseTime, TimeOf(Pc(file)));

    // Unchanged on both sides: a second round copies nothing.
    EXPECT_EQ(devUpToDate, ToDevice(PcFolder(), optUpdate));
    EXPECT_EQ(0, FromDevice(-1, nullptr));
    EXPECT_EQ("Database is up to date: " + Pc("Places.rlp") + "\n" + "Database is up to date: " + Pc("Loop.rlr") +
                  "\n" + "Database is up to date: " + Pc("Walk.rlt") + "\n",
              out_);
}

}  // namespace
