// Checking and reading: each structural rule broken once on a sound file
// (plus the edges around the list end and the empty database), header facts,
// records and the app info block, the read buffer, sticky errors, every
// failure reported, dead handles, and dates.
#include <gtest/gtest.h>

#include <functional>

#include "pdb_fixture.h"

namespace {

uint32_t Validate(const Fixture& f) {
    PdbMemoryFile memory;
    const Bytes bytes = f.Build();
    EXPECT_TRUE(memory.Assign(bytes.data(), bytes.size()));
    return PdbValidate(memory.Stream());
}

Fixture With(uint32_t firstOffset, uint8_t attributes, bool resource) {  // two entries, ListEnd 96 or 100
    Fixture f = SoundFixture({3});
    f.entries = {{firstOffset, attributes, 1}, {resource ? 103u : 96u, 0, 2}};
    if (resource) f.attributes = 1, f.tail = Pattern(8, 1);
    return f;
}

TEST(PdbValidate, StructuralRules) {
    // The base: ListEnd 96; app info of 5 bytes at 96; records of 4 and 6 bytes at 101 and 105; 111 bytes.
    const struct {
        const char* what;
        std::function<void(Fixture&)> change;
        uint32_t expected;
    } cases[] = {
        {"sound base", [](Fixture&) {}, 0},
        {"next record list set", [](Fixture& f) { f.nextList = 1; }, pdbErrFormat},
        {"name without NUL", [](Fixture& f) { f.name = std::string(32, 'n'); }, pdbErrFormat},
        {"type 0", [](Fixture& f) { f.type = 0; }, pdbErrFormat},
        {"creator 0", [](Fixture& f) { f.creator = 0; }, pdbErrFormat},
        {"list beyond the file", [](Fixture& f) { f.count = 6; }, pdbErrFormat},
        {"list 1 past file",
         [](Fixture& f) { f = SoundFixture({0}), f.gap = false, f.tail = {0}; },
         pdbErrFormat},
        {"app info not at list end", [](Fixture& f) { f.appInfo = 98; }, pdbErrFormat},
        {"app info in the gap", [](Fixture& f) { f.appInfo = 94; }, pdbErrFormat},
        {"sort info after app info", [](Fixture& f) { f.sortInfo = 99; }, 0},
        {"sort info at app info", [](Fixture& f) { f.sortInfo = 96; }, pdbErrFormat},
        {"sort info before list end", [](Fixture& f) { f.appInfo = 0, f.sortInfo = 94; }, pdbErrFormat},
        {"sort info alone at list end", [](Fixture& f) { f.appInfo = 0, f.sortInfo = 96; }, 0},
        {"sort at file end",
         [](Fixture& f) { f.entries.clear(), f.appInfo = 80, f.sortInfo = 95; },
         pdbErrFormat},
        {"record at sort info", [](Fixture& f) { f.sortInfo = 101; }, pdbErrFormat},
        {"record at app info", [](Fixture& f) { f.entries[0].offset = 96; }, pdbErrFormat},
        {"same offset twice", [](Fixture& f) { f.entries[1].offset = 101; }, pdbErrFormat},
        {"falling offsets", [](Fixture& f) { f.entries[1].offset = 100; }, pdbErrFormat},
        {"offset at end of file", [](Fixture& f) { f.entries[1].offset = 111; }, pdbErrFormat},
        {"offset 0, 0x40",
         [](Fixture& f) { f.entries[1].offset = 0, f.entries[1].attributes = 0x40; },
         pdbErrFormat},
        {"first entry offset 0 deleted", [](Fixture& f) { f = With(0, 0x80, false); }, 0},
        {"resource database", [](Fixture& f) { f = With(100, 0, true); }, 0},
        {"resource entry offset 0", [](Fixture& f) { f = With(0, 0, true); }, pdbErrFormat},
        {"empty database", [](Fixture& f) { f = Fixture(); }, 0},
        {"empty database plus one byte", [](Fixture& f) { f = Fixture(), f.tail = {0}; }, pdbErrFormat},
        {"that byte as app info", [](Fixture& f) { f = Fixture(), f.tail = {0}, f.appInfo = 80; }, 0},
        {"app info offset, no block", [](Fixture& f) { f = Fixture(), f.appInfo = 80; }, pdbErrFormat},
        {"file of 79 bytes", [](Fixture& f) { f = Fixture(), f.gap = false, f.tail = {0}; }, pdbErrFormat},
        {"at list end - 2",
         [](Fixture& f) { f = SoundFixture({4}), f.gap = false, f.entries[0].offset = 86; },
         0},
        {"at list end - 1",
         [](Fixture& f) { f = SoundFixture({4}), f.entries[0].offset = 87; },
         pdbErrFormat},
    };
    for (const auto& c : cases) {
        Fixture f = SoundFixture({4, 6}, 5);
        c.change(f);
        EXPECT_EQ(Validate(f), c.expected) << c.what;
    }
}

// Failing streams meet the check through PdbOpen (EveryStreamFailureIsReported).
TEST(PdbValidate, LongListsAndHollowStreams) {
    Fixture f = SoundFixture(std::vector<uint32_t>(1200, 2));  // several read chunks
    EXPECT_EQ(Validate(f), 0u);
    f.entries[777].offset = f.entries[776].offset;
    EXPECT_EQ(Validate(f), pdbErrFormat);
    PdbStream hollow{};
    EXPECT_EQ(PdbValidate(&hollow), pdbErrFormat);
    EXPECT_EQ(PdbValidate(nullptr), pdbErrFormat);
}

struct Opened {
    explicit Opened(const Bytes& bytes) {
        memory.Assign(bytes.data(), bytes.size());
        code = PdbOpen(memory.Stream(), &handle);
    }
    ~Opened() { PdbRelease(handle); }
    PdbMemoryFile memory;
    PdbHandle* handle = nullptr;
    uint32_t code;
};

TEST(PdbRead, RecordsInfoAndDates) {
    Fixture f = SoundFixture({4, 0, 6, 0}, 5);
    f.attributes = 8, f.version = 2, f.seed = 77, f.dates[0] = pdbEpochOffset + 5,
    f.dates[2] = pdbEpochOffset - 1;
    const Bytes bytes = f.Build();
    Opened db(bytes);
    ASSERT_EQ(db.code, 0u);
    PdbHeader info;
    ASSERT_EQ(PdbGetInfo(db.handle, &info), 0u);
    EXPECT_STREQ(info.name, "Test");
    EXPECT_EQ(info.attributes, 8);
    EXPECT_EQ(info.version, 2);
    EXPECT_EQ(info.uniqueIdSeed, 77u);
    EXPECT_EQ(info.creationDate, 5u);
    EXPECT_EQ(info.modificationDate, 0u);
    EXPECT_EQ(info.backupDate, 0u);
    EXPECT_EQ(info.type, f.type);
    EXPECT_EQ(info.creator, f.creator);
    EXPECT_EQ(info.recordCount, 4u);
    EXPECT_EQ(info.listKind, pdbListRecord);
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    PdbReadAppInfo(db.handle, &data, &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(Bytes(data, data + size), Pattern(5, 0xa0));
    // Record 0 runs on over the deleted record 1, to the next data.
    const struct { uint32_t size, at; } expected[] = {{10, 117}, {0, 0}, {6, 121}, {0, 0}};
    for (uint32_t i = 0; i < 4; ++i) {
        PdbRecordEntry entry{}, listed{};
        ASSERT_EQ(PdbGetRecordEntry(db.handle, i, &listed), 0u) << i;
        ASSERT_EQ(PdbReadRecord(db.handle, i, &entry, &data), 0u) << i;
        EXPECT_EQ(entry.size, expected[i].size) << i;
        EXPECT_EQ(listed.size, entry.size) << i;
        EXPECT_EQ(listed.uniqueId, entry.uniqueId) << i;
        EXPECT_EQ(entry.uniqueId, 0x110000 + 5 * i) << i;
        EXPECT_EQ(entry.attributes, entry.size == 0 ? 0x80 : 0) << i;
        const auto stored = bytes.begin() + expected[i].at;
        if (entry.size == 0) {
            EXPECT_EQ(data, nullptr) << i;
        } else {
            EXPECT_EQ(Bytes(data, data + entry.size), Bytes(stored, stored + entry.size)) << i;
        }
    }
    PdbRecordEntry entry{};  // beyond the last record: refused, but not pending
    EXPECT_EQ(PdbReadRecord(db.handle, 4, &entry, &data), pdbErrNoRecord);
    EXPECT_EQ(PdbReadRecord(db.handle, 0, &entry, &data), 0u);
    // Dates: stored ones before 1970 read as 0 (above); host ones are shifted modulo 2^32.
    EXPECT_EQ(PdbDateToHost(pdbEpochOffset + 0x7fffffffu), 0x7fffffffu);
    EXPECT_EQ(PdbDateToHost(pdbEpochOffset + 0x80000000u), 0u);
    EXPECT_EQ(PdbDateFromHost(0xffffffffu), pdbEpochOffset - 1);
    EXPECT_EQ(PdbDateFromHost(0), 0u);
}

TEST(PdbRead, AppInfoSize) {
    Fixture sorted = SoundFixture({4}, 10), resource;
    sorted.sortInfo = sorted.appInfo + 6;
    resource.attributes = pdbAttrResourceDb, resource.entries = {{97, 0, 0}}, resource.appInfo = 90;
    resource.tail = Pattern(10, 0);
    const struct {
        const char* what;
        Fixture fixture;
        uint32_t expected;
    } cases[] = {
        {"no block", SoundFixture({4}), 0},
        {"up to the first record", SoundFixture({4, 2}, 9), 9},
        {"up to the sort info block", sorted, 6},
        {"first record deleted: to the end", SoundFixture({0}, 9), 9},
        {"resource database", resource, 7},
    };
    for (const auto& c : cases) {
        Opened db(c.fixture.Build());
        uint32_t size = 99;
        const uint8_t* data = nullptr;
        ASSERT_EQ(db.code, 0u) << c.what;
        EXPECT_EQ(PdbAppInfoSize(db.handle, &size), 0u) << c.what;
        EXPECT_EQ(size, c.expected) << c.what;
        PdbReadAppInfo(db.handle, &data, &size);
        EXPECT_EQ(size, c.expected) << c.what;
        EXPECT_EQ(data == nullptr, size == 0) << c.what;
    }
    Opened db(resource.Build());  // records of a resource database are not read
    PdbRecordEntry entry{};
    EXPECT_EQ(PdbGetRecordEntry(db.handle, 0, &entry), pdbErrFormat);
    EXPECT_EQ(db.handle->pendingError, 0u);
}

// Small and large records read whole in any order through the handle's
// one read buffer.
TEST(PdbRead, RecordsOfAnySizeInAnyOrderAndMemoryFailureSticks) {
    const std::vector<uint32_t> sizes = {10, 70000, 5};
    PdbRecordEntry entry{};
    const uint8_t* data = nullptr;
    using Order = std::vector<uint32_t>;
    for (const Order& order : {Order{0, 1, 2}, Order{1, 0, 2}, Order{2, 1, 0, 1}}) {
        Opened db(SoundFixture(sizes).Build());
        for (uint32_t index : order) {
            ASSERT_EQ(PdbReadRecord(db.handle, index, &entry, &data), 0u) << index;
            ASSERT_EQ(entry.size, sizes[index]);
            EXPECT_EQ(Bytes(data, data + entry.size), Pattern(sizes[index], static_cast<uint8_t>(index)))
                << index;
        }
    }
    Opened db(SoundFixture(sizes).Build());
    PdbHandle* none = nullptr;
    FailAllocationAfter(1);
    EXPECT_EQ(PdbReadRecord(db.handle, 0, &entry, &data), pdbErrMemory);
    FailAllocationAfter(1);
    EXPECT_EQ(PdbOpen(db.memory.Stream(), &none), pdbErrMemory);
    FailAllocationAfter(0);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(PdbReadRecord(db.handle, 0, &entry, &data), pdbErrMemory);
}

// The file changes under an open handle: sizes stay bounded by the real
// file, and the first failure sticks to the handle.
TEST(PdbRead, DamageAfterOpenIsCaughtAndSticks) {
    const struct {
        size_t at;
        uint32_t value, index;
    } damages[] = {
        // Next offset beyond the file or before this one; offset 0 undeleted; last record beyond the file.
        {86, 0xfffffff0u, 0},
        {86, 90, 0},
        {78, 0, 0},
        {86, 0x00fffff0u, 1}};
    for (const auto& d : damages) {
        Bytes bytes = SoundFixture({4, 6}).Build();
        Opened db(bytes);
        PutBig(bytes, d.at, d.value, 4);
        ASSERT_TRUE(db.memory.Assign(bytes.data(), bytes.size()));
        PdbRecordEntry entry{};
        const uint8_t* data = nullptr;
        PdbHeader info;
        EXPECT_EQ(PdbReadRecord(db.handle, d.index, &entry, &data), pdbErrFormat) << d.at << ' ' << d.value;
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(PdbGetInfo(db.handle, &info), pdbErrFormat);
        EXPECT_EQ(PdbGetRecordEntry(db.handle, 1 - d.index, &entry), pdbErrFormat);  // sticks
    }
}

TEST(PdbRead, EveryStreamFailureIsReported) {
    const Bytes bytes = SoundFixture({3, 70000}, 4).Build();
    PdbRecordEntry entry{};
    const uint8_t* data = nullptr;
    uint32_t size = 0, code = 1;
    for (long n = 1; code != 0; ++n) {  // each stream call fails in turn
        FaultyStream faulty(bytes, n);
        PdbHandle* handle = nullptr;
        const bool opened = (code = PdbOpen(&faulty.stream, &handle)) == 0;  // the check answers 1032
        if (opened) {
            PdbReadAppInfo(handle, &data, &size);
            PdbReadRecord(handle, 0, &entry, &data);
            code = PdbReadRecord(handle, 1, &entry, &data);
            PdbRelease(handle);
        }
        EXPECT_TRUE(code == 0 || code == pdbErrIO || (!opened && code == pdbErrFormat))
            << "stream call " << n;
    }
}

// A handle without the live marker, and null outputs, are refused
// without touching anything.
TEST(PdbRead, DeadHandlesAndNullOutputs) {
    PdbHandle dead{};
    dead.marker = 0xdeadbeef;
    PdbHeader info{};
    PdbRecordEntry entry{};
    const uint8_t* data = reinterpret_cast<const uint8_t*>(&dead);
    uint32_t size = 7;
    PdbWriteAppInfo(&dead, &info, 4);
    PdbReadAppInfo(&dead, &data, &size);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(dead.pendingError, 0u);
    Opened db(SoundFixture({4}).Build());
    for (uint32_t code : {PdbGetInfo(&dead, &info),
                          PdbAppInfoSize(&dead, &size),
                          PdbGetRecordEntry(&dead, 0, &entry),
                          PdbReadRecord(&dead, 0, &entry, &data),
                          PdbAddRecord(&dead, entry, &info),
                          PdbFinish(&dead),
                          PdbRelease(&dead),
                          PdbGetInfo(nullptr, &info),
                          PdbGetInfo(db.handle, nullptr),
                          PdbReadRecord(db.handle, 0, &entry, nullptr),
                          PdbOpen(db.memory.Stream(), nullptr)})
        EXPECT_EQ(code, pdbErrIndex);
    EXPECT_EQ(PdbRelease(nullptr), 0u);
    EXPECT_EQ(db.handle->pendingError, 0u);
}

}  // namespace
