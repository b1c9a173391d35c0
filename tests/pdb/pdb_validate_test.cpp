// Each structural rule broken once on a sound file, plus the edge cases
// around the list end and the empty database.
#include <gtest/gtest.h>

#include <functional>

#include "pdb_fixture.h"

namespace {

uint32_t Validate(const Bytes& bytes) {
    PdbMemoryFile memory;
    EXPECT_TRUE(memory.Assign(bytes.data(), bytes.size()));
    return PdbValidate(memory.Stream());
}

// ListEnd 96; app info of 5 bytes at 96; records of 4 and 6 bytes at 101
// and 105; 111 bytes.
Fixture Base() { return SoundFixture({4, 6}, 5); }

Fixture Deleted(uint8_t attributes) {  // a first entry without data
    Fixture f = SoundFixture({3});
    f.entries = {{0, attributes, 1}, {96, 0, 2}};
    return f;
}

Fixture Resource(uint32_t firstOffset) {  // ListEnd 100
    Fixture f;
    f.attributes = 1;
    f.entries = {{firstOffset, 0, 0}, {103, 0, 0}};
    f.tail = Pattern(8, 1);
    return f;
}

const struct {
    const char* what;
    std::function<void(Fixture&)> change;
    uint32_t expected;
} kCases[] = {
    {"sound base", [](Fixture&) {}, 0},
    {"next record list set", [](Fixture& f) { f.nextList = 1; }, pdbErrFormat},
    {"name of 31 characters", [](Fixture& f) { f.name = std::string(31, 'n'); }, 0},
    {"name without NUL", [](Fixture& f) { f.name = std::string(32, 'n'); }, pdbErrFormat},
    {"type 0", [](Fixture& f) { f.type = 0; }, pdbErrFormat},
    {"creator 0", [](Fixture& f) { f.creator = 0; }, pdbErrFormat},
    {"list beyond the file", [](Fixture& f) { f.count = 6; }, pdbErrFormat},
    {"app info not at list end", [](Fixture& f) { f.appInfo = 98; }, pdbErrFormat},
    {"app info in the gap", [](Fixture& f) { f.appInfo = 94; }, pdbErrFormat},
    {"sort info after app info", [](Fixture& f) { f.sortInfo = 99; }, 0},
    {"sort info at app info", [](Fixture& f) { f.sortInfo = 96; }, pdbErrFormat},
    {"sort info before list end", [](Fixture& f) { f.appInfo = 0; f.sortInfo = 94; }, pdbErrFormat},
    {"sort info alone at list end", [](Fixture& f) { f.appInfo = 0; f.sortInfo = 96; }, 0},
    {"sort info alone past list end", [](Fixture& f) { f.appInfo = 0; f.sortInfo = 98; }, pdbErrFormat},
    {"sort info at end of file", [](Fixture& f) { f.entries.clear(); f.appInfo = 80; f.sortInfo = 95; }, pdbErrFormat},
    {"record at sort info", [](Fixture& f) { f.sortInfo = 101; }, pdbErrFormat},
    {"record at app info", [](Fixture& f) { f.entries[0].offset = 96; }, pdbErrFormat},
    {"same offset twice", [](Fixture& f) { f.entries[1].offset = 101; }, pdbErrFormat},
    {"falling offsets", [](Fixture& f) { f.entries[1].offset = 100; }, pdbErrFormat},
    {"offset at end of file", [](Fixture& f) { f.entries[1].offset = 111; }, pdbErrFormat},
    {"offset 0 attribute 0x40", [](Fixture& f) { f.entries[1] = {0, 0x40, 0}; }, pdbErrFormat},
    {"offset 0 deleted", [](Fixture& f) { f.entries[1] = {0, 0x80, 0}; }, 0},
    {"empty database", [](Fixture& f) { f = Fixture(); }, 0},
    {"empty database plus one byte", [](Fixture& f) { f = Fixture(); f.tail = {0}; }, pdbErrFormat},
    {"empty database, 10 bytes after", [](Fixture& f) { f = Fixture(); f.tail = Pattern(10, 0); }, pdbErrFormat},
    {"those bytes as app info", [](Fixture& f) { f = Fixture(); f.tail = Pattern(10, 0); f.appInfo = 80; }, 0},
    {"app info offset, no block", [](Fixture& f) { f = Fixture(); f.appInfo = 80; }, pdbErrFormat},
    {"file of 79 bytes", [](Fixture& f) { f = Fixture(); f.gap = false; f.tail = {0}; }, pdbErrFormat},
    {"data at list end - 2", [](Fixture& f) { f = SoundFixture({4}); f.gap = false; f.entries[0].offset = 86; }, 0},
    {"data at list end - 1", [](Fixture& f) { f = SoundFixture({4}); f.entries[0].offset = 87; }, pdbErrFormat},
    {"deleted first entry", [](Fixture& f) { f = Deleted(0x80); }, 0},
    {"first entry offset 0, 0x40", [](Fixture& f) { f = Deleted(0x40); }, pdbErrFormat},
    {"resource database", [](Fixture& f) { f = Resource(100); }, 0},
    {"resource entry offset 0", [](Fixture& f) { f = Resource(0); }, pdbErrFormat},
};

TEST(PdbValidate, StructuralRules) {
    for (const auto& c : kCases) {
        Fixture f = Base();
        c.change(f);
        EXPECT_EQ(Validate(BuildFile(f)), c.expected) << c.what;
    }
}

TEST(PdbValidate, LongListsAndFailingStreams) {
    Fixture f = SoundFixture(std::vector<uint32_t>(1200, 2));  // several read chunks
    EXPECT_EQ(Validate(BuildFile(f)), 0u);
    f.entries[777].offset = f.entries[776].offset;
    EXPECT_EQ(Validate(BuildFile(f)), pdbErrFormat);

    for (long n = 1;; ++n) {
        FaultyStream faulty(BuildFile(Base()), n);
        uint32_t code = PdbValidate(&faulty.stream);
        if (code == 0) break;
        EXPECT_EQ(code, pdbErrFormat) << "stream call " << n;
    }
    PdbStream hollow{};
    EXPECT_EQ(PdbValidate(&hollow), pdbErrFormat);
    EXPECT_EQ(PdbValidate(nullptr), pdbErrFormat);
}

}  // namespace
