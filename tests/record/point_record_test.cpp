#include <cstring>

#include "base/memory.h"
#include "record/point_record.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

TEST(PointRecordLayout, ArraysArePackedAt702Bytes) {
    PointRecord three[3];
    EXPECT_EQ(sizeof three, 2106u);
    auto* base = reinterpret_cast<unsigned char*>(three);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(three[1].desc) - base, 1374);
}

TEST(PointRecordDesc, SetGetAndFreeThroughTheField) {
    OwnedArray records(3);
    for (size_t i = 0; i < 3; ++i)
        ASSERT_EQ(RLSetPointDesc(&records[i], ("note " + std::to_string(i)).c_str()), 0);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_STREQ(RLGetPointDesc(&records[i]), ("note " + std::to_string(i)).c_str());
    uint32_t field;
    std::memcpy(&field, records[0].desc, 4);
    // With 4-byte pointers the field is the text's own address, as hosts of
    // the 32-bit library read it; with 8-byte ones it names a table slot.
    if (sizeof(void*) == 4)
        EXPECT_EQ(field, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(RLGetPointDesc(&records[0]))));
    else
        EXPECT_NE(field, 0u);
    EXPECT_EQ(RLSetPointDesc(&records[1], nullptr), 0);
    EXPECT_EQ(RLGetPointDesc(&records[1]), nullptr);
    std::memcpy(&field, records[1].desc, 4);
    EXPECT_EQ(field, 0u);
}

TEST(PointRecordDesc, OutOfMemoryKeepsTheOldText) {
    OwnedRecord r;
    ASSERT_EQ(RLSetPointDesc(&r.record, "kept"), 0);
    FailAllocationAfter(1);
    EXPECT_EQ(RLSetPointDesc(&r.record, "new"), -1);
    FailAllocationAfter(0);
    EXPECT_EQ(r.desc(), "kept");
}

TEST(PointRecordDesc, ClearKeepsAndEmptiesTheBuffer) {
    OwnedRecord r;
    FillPoint(r.record, "1", "2", "3", "4", "n", "i", "text");
    char* before = DescText(r.record);
    ClearKeepDesc(r.record);
    EXPECT_EQ(DescText(r.record), before);
    EXPECT_EQ(r.desc(), "");
    EXPECT_STREQ(r->latitude, "");
}

TEST(PointRecordFields, CopiesAlwaysLeaveATerminatedField) {
    char field[4];
    CopyField(field, "abcdef");
    EXPECT_STREQ(field, "abc");
    CopyField(field, nullptr);
    EXPECT_STREQ(field, "");
    CopyField(field, "xy", 1);
    EXPECT_STREQ(field, "x");
}

TEST(Release, FreesArraysWithTheirDescriptions) {
    auto* array = static_cast<PointRecord*>(MemAllocateZeroed(2, sizeof(PointRecord)));
    ASSERT_TRUE(DescSetCopy(array[0], "one"));
    RLDBRelease(array, 2);  // the second record has none; leak checkers see the first freed
    RLDBRelease(nullptr, 5);
}

}  // namespace
