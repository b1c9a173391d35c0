#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/memory.h"
#include "record/point_record.h"
#include "support/test_support.h"

namespace {

// Descriptions of a few hundred bytes each, enough to fill several of the
// pool's blocks.
std::string NoteOf(size_t i) { return "note " + std::to_string(i) + std::string(300 + i % 97, 'x'); }

// Every description carved from a pool belongs to its record alone: each
// one freed on its own, in any order, the pool gone first or last,
// replaced or grown, and nothing is left (the sanitizer and valgrind runs
// find any block left behind).
TEST(DescPool, CarvedDescriptionsAreOwnedByTheirRecords) {
    constexpr size_t kCount = 6000;  // about 2 MB of descriptions
    OwnedArray records(kCount);
    {
        DescPool pool;
        for (size_t i = 0; i < kCount; ++i) {
            const std::string note = NoteOf(i);
            char* text = DescAllocate(records[i], note.size() + 2, &pool);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(DescCapacity(text), note.size() + 2);
            std::memcpy(text, note.c_str(), note.size() + 1);
        }
    }  // the pool goes first: the blocks live on with their descriptions
    for (size_t i = 0; i < kCount; ++i) ASSERT_STREQ(DescText(records[i]), NoteOf(i).c_str());

    // Grown past its room, a carved text moves with its words.
    char* grown = DescReserve(records[1], 5000);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(DescText(records[1]), grown);
    EXPECT_GE(DescCapacity(grown), 5000u);
    EXPECT_STREQ(grown, NoteOf(1).c_str());
    // Within its room, it stays where it is.
    char* kept = DescText(records[2]);
    EXPECT_EQ(DescReserve(records[2], 10), kept);

    // Replaced as a host replaces it, and cleared.
    ASSERT_TRUE(DescSetCopy(records[3], "replaced"));
    EXPECT_STREQ(DescText(records[3]), "replaced");
    ASSERT_TRUE(DescSetCopy(records[4], nullptr));
    EXPECT_EQ(DescText(records[4]), nullptr);

    // Freed from the end backwards, every other one first; the rest go
    // with the array.
    for (size_t i = kCount; i-- > 5;) {
        if (i % 2 == 1) DescFree(records[i]);
    }
    for (size_t i = 6; i < kCount; i += 2) ASSERT_STREQ(DescText(records[i]), NoteOf(i).c_str());
}

TEST(DescPool, APoolThatCarvedNothingLeavesNothing) {
    DescPool pool;
    OwnedRecord large;
    // Larger than a pool carves: allocated on its own, freed with the record.
    char* text = DescAllocate(large.record, 100000, &pool);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(DescCapacity(text), 100000u);
}

TEST(DescPool, RunningOutOfMemoryGivesNoBuffer) {
    DescPool pool;
    OwnedRecord record;
    FailAllocationAfter(1);
    EXPECT_EQ(DescAllocate(record.record, 40, &pool), nullptr);
    FailAllocationAfter(0);
    EXPECT_EQ(DescText(record.record), nullptr);
    ASSERT_NE(DescAllocate(record.record, 40, &pool), nullptr);
    EXPECT_STREQ(DescText(record.record), "");
}

#if UINTPTR_MAX > 0xffffffffu
// A record holds its description by a number in a table. When the table
// cannot grow, the description is refused and its buffer freed: no record
// is left holding a buffer nobody can find. Each allocation's second step fails until one
// needs the table to grow.
TEST(DescTable, ATableThatCannotGrowRefusesTheDescription) {
    std::vector<PointRecord> records(1);
    for (;;) {
        PointRecord& record = records.back();
        const long live = LiveAllocations();
        CountOperatorNew(true);
        FailAllocationAfter(2);
        char* text = DescAllocate(record, 8);
        const long made = FailAllocationAfter(0);
        CountOperatorNew(false);
        if (made >= 2) {
            EXPECT_EQ(text, nullptr);
            EXPECT_EQ(DescText(record), nullptr);
            EXPECT_EQ(LiveAllocations(), live) << "the refused buffer is kept";
            break;
        }
        ASSERT_NE(text, nullptr);
        ASSERT_EQ(DescText(record), text);
        ASSERT_LT(records.size(), 1u << 20) << "the table never grew";
        records.emplace_back();
    }
    for (PointRecord& record : records) DescFree(record);
}
#endif

}  // namespace
