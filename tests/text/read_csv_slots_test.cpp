#include <string>

#include "support/diag_capture.h"
#include "support/test_support.h"

namespace {

class ReadCsvSlots : public FreshState {};

bool AllZero(const PointRecord& record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    for (size_t i = 0; i < sizeof record; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

// The array is zeroed as it is filled: the slots no line fills (the Garmin
// lines that are not waypoints, an older track's first record) must still
// reach the host all zero.
TEST_F(ReadCsvSlots, SlotsNoLineFillsAreAllZero) {
    TempFolder folder;
    const std::string garmin = folder.put(
        "g.txt", "Grid\tx\nWaypoint\tA\t\t\tN1 2 E3 4\nTrackpoint\tN1 W2\nTrackpoint\tN1 W2\nTrackpoint\tN1 W2\n");
    void* records = nullptr;
    CapturedDiagnostics said;
    int32_t count = RLDBReadCSV(garmin.c_str(), nullptr, -1, 3, -1, nullptr, &records);
    ASSERT_EQ(count, 5);
    auto* array = static_cast<PointRecord*>(records);
    EXPECT_STREQ(array[0].name, "A");
    for (int i = 1; i < count; ++i) EXPECT_TRUE(AllZero(array[i])) << "slot " << i;
    RLDBRelease(records, count);

    folder.put("t.cal", "DBType=Track2\n");
    const std::string track = folder.put("t.txt", "1,2,,,A,,d\n3,4,,,B,,\n");
    records = nullptr;
    count = RLDBReadCSV(track.c_str(), nullptr, -1, -1, -1, nullptr, &records);
    ASSERT_EQ(count, 3);
    array = static_cast<PointRecord*>(records);
    EXPECT_TRUE(AllZero(array[0]));
    EXPECT_STREQ(array[1].name, "A");
    EXPECT_STREQ(RLGetPointDesc(&array[1]), "d");
    EXPECT_STREQ(array[2].name, "B");
    RLDBRelease(records, count);
}

}  // namespace
