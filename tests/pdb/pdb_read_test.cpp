#include <gtest/gtest.h>

#include "frame/memory.h"
#include "pdb_fixture.h"

namespace {

// A database in memory or in a real temporary file, opened for reading.
struct Opened {
    Opened(const Bytes& bytes, bool inFile = false) {
        memory.Assign(bytes.data(), bytes.size());
        stream = *memory.Stream();
        if (inFile && (file = std::tmpfile()) != nullptr) {
            memory.WriteTo(file);
            stream = PdbFileStream(file);
        }
        code = PdbOpen(&stream, &handle);
    }
    ~Opened() {
        PdbRelease(handle);
        if (file != nullptr) std::fclose(file);
    }
    PdbMemoryFile memory;
    std::FILE* file = nullptr;
    PdbStream stream;
    PdbHandle* handle = nullptr;
    uint32_t code;
};

TEST(PdbRead, RecordsAndInfoInMemoryAndInAFile) {
    Fixture f = SoundFixture({4, 0, 6, 0}, 5);
    f.attributes = 0x0008;
    f.version = 2;
    f.dates[0] = pdbEpochOffset + 5;
    f.dates[2] = pdbEpochOffset - 1;
    f.seed = 77;
    const Bytes bytes = BuildFile(f);
    // Record 0 runs on over the deleted record 1, to the next data.
    const struct { uint32_t size, at; } expected[] = {{10, 117}, {0, 0}, {6, 121}, {0, 0}};
    for (bool inFile : {false, true}) {
        Opened db(bytes, inFile);
        ASSERT_EQ(db.code, 0u);
        PdbInfo info;
        ASSERT_EQ(PdbGetInfo(db.handle, &info), 0u);
        EXPECT_STREQ(info.name, "Test");
        EXPECT_TRUE(info.attributes == 8 && info.version == 2 && info.uniqueIdSeed == 77);
        EXPECT_TRUE(info.creationDate == 5 && info.modificationDate == 0 && info.backupDate == 0);
        EXPECT_TRUE(info.type == PdbFourChars("DATA") && info.creator == PdbFourChars("test"));
        EXPECT_TRUE(info.recordCount == 4 && info.listKind == pdbListRecord);

        const uint8_t* data = nullptr;
        uint32_t size = 0;
        PdbReadAppInfo(db.handle, &data, &size);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(Bytes(data, data + size), Pattern(5, 0xa0));
        for (uint32_t i = 0; i < 4; ++i) {
            PdbRecordEntry entry{}, listed{};
            ASSERT_EQ(PdbGetRecordEntry(db.handle, i, &listed), 0u);
            ASSERT_EQ(PdbReadRecord(db.handle, i, &entry, &data), 0u);
            EXPECT_TRUE(entry.size == expected[i].size && listed.size == expected[i].size) << i;
            EXPECT_TRUE(entry.uniqueId == 0x110000 + 5 * i && listed.uniqueId == entry.uniqueId) << i;
            EXPECT_EQ(entry.attributes, expected[i].size == 0 ? 0x80 : 0) << i;
            ASSERT_EQ(data == nullptr, expected[i].size == 0) << i;
            const uint8_t* stored = bytes.data() + expected[i].at;
            EXPECT_TRUE(data == nullptr || Bytes(data, data + entry.size) == Bytes(stored, stored + entry.size));
        }
        // Beyond the last record: refused, but not pending.
        PdbRecordEntry entry{};
        EXPECT_EQ(PdbReadRecord(db.handle, 4, &entry, &data), pdbErrNoRecord);
        EXPECT_EQ(PdbGetRecordEntry(db.handle, 99, &entry), pdbErrNoRecord);
        EXPECT_EQ(PdbReadRecord(db.handle, 0, &entry, &data), 0u);
    }
}

Fixture Sorted() {
    Fixture f = SoundFixture({4}, 10);
    f.sortInfo = f.appInfo + 6;
    return f;
}
Fixture Resource() {
    Fixture f;
    f.attributes = pdbAttrResourceDb;
    f.entries = {{97, 0, 0}};
    f.appInfo = 90;
    f.tail = Pattern(10, 0);
    return f;
}

TEST(PdbRead, AppInfoSize) {
    const struct { const char* what; Fixture fixture; uint32_t expected; } cases[] = {
        {"no block", SoundFixture({4}), 0},
        {"up to the first record", SoundFixture({4, 2}, 9), 9},
        {"up to the sort info block", Sorted(), 6},
        {"first record deleted: to the end", SoundFixture({0}, 9), 9},
        {"no records: to the end", SoundFixture({}, 12), 12},
        {"resource database", Resource(), 7},
    };
    for (const auto& c : cases) {
        Opened db(BuildFile(c.fixture));
        ASSERT_EQ(db.code, 0u) << c.what;
        uint32_t size = 99;
        const uint8_t* data = nullptr;
        EXPECT_EQ(PdbAppInfoSize(db.handle, &size), 0u) << c.what;
        EXPECT_EQ(size, c.expected) << c.what;
        PdbReadAppInfo(db.handle, &data, &size);
        EXPECT_TRUE(size == c.expected && (data == nullptr) == (size == 0)) << c.what;
    }
    Opened db(BuildFile(Resource()));  // records of a resource database are not read
    PdbRecordEntry entry{};
    EXPECT_EQ(PdbGetRecordEntry(db.handle, 0, &entry), pdbErrFormat);
    EXPECT_EQ(db.handle->pendingError, 0u);
}

TEST(PdbRead, ReadBufferStartsAt64KiBAndOnlyGrows) {
    const std::vector<uint32_t> sizes = {10, 70000, 5};
    const std::vector<std::vector<std::pair<uint32_t, uint32_t>>> orders = {  // index, capacity after
        {{0, 65536}, {1, 70000}, {2, 70000}}, {{1, 70000}, {0, 70000}}};
    for (const auto& order : orders) {
        Opened db(BuildFile(SoundFixture(sizes)));
        EXPECT_EQ(db.handle->readBufferCapacity, 0u);
        for (const auto& step : order) {
            PdbRecordEntry entry{};
            const uint8_t* data = nullptr;
            ASSERT_EQ(PdbReadRecord(db.handle, step.first, &entry, &data), 0u);
            EXPECT_EQ(entry.size, sizes[step.first]);
            EXPECT_EQ(db.handle->readBufferCapacity, step.second);
        }
    }
    Opened db(BuildFile(SoundFixture(sizes)));
    PdbHandle* none = nullptr;
    PdbRecordEntry entry{};
    const uint8_t* data = nullptr;
    FailAllocationAfter(1);
    EXPECT_EQ(PdbReadRecord(db.handle, 0, &entry, &data), pdbErrMemory);
    FailAllocationAfter(1);
    EXPECT_EQ(PdbOpen(db.memory.Stream(), &none), pdbErrMemory);
    FailAllocationAfter(0);
    EXPECT_TRUE(none == nullptr && data == nullptr && db.handle->readBufferCapacity == 0);
    EXPECT_EQ(PdbReadRecord(db.handle, 0, &entry, &data), pdbErrMemory);  // sticky
}

// The file changes under an open handle: sizes stay bounded by the real
// file, and the first failure sticks to the handle.
TEST(PdbRead, DamageAfterOpenIsCaughtAndSticks) {
    const struct { const char* what; size_t at; uint32_t value, index; } damages[] = {
        {"next offset far beyond the file", 86, 0xfffffff0u, 0},
        {"next offset before this one", 86, 90, 0},
        {"offset 0 without deleted bit", 78, 0, 0},
        {"last record beyond the file", 86, 0x00fffff0u, 1},
    };
    for (const auto& d : damages) {
        Bytes bytes = BuildFile(SoundFixture({4, 6}));
        Opened db(bytes);
        for (int i = 0; i < 4; ++i) bytes[d.at + i] = static_cast<uint8_t>(d.value >> (24 - 8 * i));
        ASSERT_TRUE(db.memory.Assign(bytes.data(), bytes.size()));
        PdbRecordEntry entry{};
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        PdbInfo info;
        EXPECT_EQ(PdbReadRecord(db.handle, d.index, &entry, &data), pdbErrFormat) << d.what;
        EXPECT_TRUE(data == nullptr && db.handle->readBufferCapacity == 0) << d.what;
        EXPECT_EQ(PdbGetInfo(db.handle, &info), pdbErrFormat) << d.what;
        EXPECT_EQ(PdbGetRecordEntry(db.handle, 1 - d.index, &entry), pdbErrFormat) << d.what;
        PdbReadAppInfo(db.handle, &data, &size);
        EXPECT_EQ(data, nullptr);
    }
}

TEST(PdbRead, EveryFailureIsReported) {
    const Bytes bytes = BuildFile(SoundFixture({3, 70000}, 4));
    PdbRecordEntry entry{};
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    for (long n = 1;; ++n) {  // each stream call fails in turn
        FaultyStream faulty(bytes, n);
        PdbHandle* handle = nullptr;
        uint32_t code = PdbOpen(&faulty.stream, &handle);
        bool opened = code == 0;  // the check answers 1032, everything else 1035
        if (opened) {
            PdbReadAppInfo(handle, &data, &size);
            PdbReadRecord(handle, 0, &entry, &data);
            code = PdbReadRecord(handle, 1, &entry, &data);
            PdbRelease(handle);
        }
        if (code == 0) break;
        EXPECT_TRUE(code == pdbErrIO || (!opened && code == pdbErrFormat)) << "stream call " << n;
    }
}

// A handle without the live marker, and null outputs, are refused
// without touching anything.
TEST(PdbRead, DeadHandlesAndNullOutputs) {
    PdbHandle dead{};
    dead.marker = 0xdeadbeef;
    PdbInfo info{};
    PdbRecordEntry entry{};
    const uint8_t* data = reinterpret_cast<const uint8_t*>(&dead);
    uint32_t size = 7;
    PdbWriteAppInfo(&dead, &info, 4);
    PdbReadAppInfo(&dead, &data, &size);
    EXPECT_TRUE(data == nullptr && size == 0 && dead.pendingError == 0);
    Opened db(BuildFile(SoundFixture({4})));
    for (uint32_t code : {PdbGetInfo(&dead, &info), PdbAppInfoSize(&dead, &size), PdbGetRecordEntry(&dead, 0, &entry),
                          PdbReadRecord(&dead, 0, &entry, &data), PdbAddRecord(&dead, entry, &info), PdbFinish(&dead),
                          PdbRelease(&dead), PdbGetInfo(nullptr, &info), PdbGetInfo(db.handle, nullptr),
                          PdbAppInfoSize(db.handle, nullptr), PdbReadRecord(db.handle, 0, &entry, nullptr),
                          PdbOpen(db.memory.Stream(), nullptr)}) {
        EXPECT_EQ(code, pdbErrIndex);
    }
    EXPECT_EQ(PdbRelease(nullptr), 0u);
    EXPECT_EQ(db.handle->pendingError, 0u);
}

TEST(PdbDates, Conversions) {
    const std::pair<uint32_t, uint32_t> toFile[] = {{0, 0}, {1, 2082815971u}, {0xffffffffu, pdbEpochOffset - 1}};
    for (const auto& c : toFile) EXPECT_EQ(PdbDateFromHost(c.first), c.second) << c.first;
    const std::pair<uint32_t, uint32_t> toHost[] = {
        {0, 0}, {pdbEpochOffset, 0}, {pdbEpochOffset + 5, 5}, {pdbEpochOffset - 1, 0},
        {pdbEpochOffset + 0x7fffffffu, 0x7fffffffu}, {pdbEpochOffset + 0x80000000u, 0}};
    for (const auto& c : toHost) EXPECT_EQ(PdbDateToHost(c.first), c.second) << c.first;
}

}  // namespace
