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
    // The files sent, and Places.rlp as it comes back, in device/data/round-trip.
    const auto data = [](const std::string& name) { return TestData("device/data/round-trip/" + name); };
    for (const char* file : {"Places.rlp", "Loop.rlr", "Walk.rlt"}) WritePc(file, data(file));
    ASSERT_EQ(0, ToDevice(PcFolder(), optMove)) << out_;
    EXPECT_FALSE(FileExists(Pc("Places.rlp")));
    EXPECT_EQ(3u, Databases().size());

    ASSERT_EQ(0, FromDevice(-1, nullptr)) << out_;
    // In longitude order; a record's text keeps no separators: the comma inside quotes comes back a space.
    EXPECT_EQ(Lines(data("Places-back.rlp")), Lines(ReadFile(Pc("Places.rlp"))));
    EXPECT_EQ(Lines(data("Loop.rlr")), Lines(ReadFile(Pc("Loop.rlr"))));
    EXPECT_EQ(Lines(data("Walk.rlt")), Lines(ReadFile(Pc("Walk.rlt"))));
    for (const char* file : {"Places.rlp", "Loop.rlr", "Walk.rlt"}) EXPECT_EQ(kBaseTime, TimeOf(Pc(file)));

    // Unchanged on both sides: a second round copies nothing.
    EXPECT_EQ(devUpToDate, ToDevice(PcFolder(), optUpdate));
    EXPECT_EQ(0, FromDevice(-1, nullptr));
    EXPECT_EQ("Database is up to date: " + Pc("Places.rlp") + "\n" + "Database is up to date: " +
                  Pc("Loop.rlr") + "\n" + "Database is up to date: " + Pc("Walk.rlt") + "\n",
              out_);
}

}  // namespace
