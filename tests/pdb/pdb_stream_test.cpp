#include <gtest/gtest.h>

#include "frame/memory.h"
#include "pdb_fixture.h"

namespace {

// Writes at 0, past the end and over existing bytes, then reads back.
Bytes RunScript(PdbStream* s) {
    void* c = s->context;
    uint64_t size = 0;
    char tail[4] = {};
    Bytes all(12);
    EXPECT_TRUE(s->seek(c, 0) && s->write(c, "abc", 3) == 3 && s->seek(c, 10) && s->write(c, "xy", 2) == 2);
    EXPECT_TRUE(s->seek(c, 1) && s->write(c, "B", 1) == 1 && s->size(c, &size) && size == 12);
    EXPECT_EQ(s->write(c, "C", 1), 1u);  // size left the position alone
    EXPECT_TRUE(s->seek(c, 10) && s->read(c, tail, 4) == 2 && std::string(tail) == "xy");
    EXPECT_TRUE(s->seek(c, 40) && s->read(c, tail, 1) == 0);
    EXPECT_TRUE(s->seek(c, 0) && s->read(c, all.data(), 12) == 12);
    return all;
}

TEST(PdbStream, MemoryFileBehavesLikeAFile) {
    const Bytes expected = {'a', 'B', 'C', 0, 0, 0, 0, 0, 0, 0, 'x', 'y'};
    PdbMemoryFile memory;
    EXPECT_EQ(RunScript(memory.Stream()), expected);
    EXPECT_EQ(Bytes(memory.Data(), memory.Data() + memory.Size()), expected);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    PdbStream stream = PdbFileStream(file);
    EXPECT_EQ(RunScript(&stream), expected);

    // One call stores the same bytes in a file.
    Bytes big = Pattern(100000, 3);
    ASSERT_TRUE(memory.Assign(big.data(), big.size()));
    std::rewind(file);
    EXPECT_TRUE(memory.WriteTo(file));
    EXPECT_EQ(FileBytes(file), big);
    std::fclose(file);
    EXPECT_FALSE(memory.WriteTo(nullptr));
    memory.Clear();
    EXPECT_EQ(memory.Size(), 0u);
}

TEST(PdbStream, MemoryFileLimits) {
    PdbMemoryFile memory;
    PdbStream* s = memory.Stream();
    FailAllocationAfter(1);
    EXPECT_EQ(s->write(s->context, "abc", 3), 0u);
    FailAllocationAfter(0);
    EXPECT_EQ(memory.Size(), 0u);
    // Nothing beyond the reach of 32-bit offsets is attempted.
    EXPECT_FALSE(s->seek(s->context, uint64_t{1} << 32));
    EXPECT_TRUE(s->seek(s->context, UINT32_MAX));
    EXPECT_EQ(s->write(s->context, "abc", 3), 0u);
}

}  // namespace
