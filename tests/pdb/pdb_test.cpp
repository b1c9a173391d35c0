#include <gtest/gtest.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "base/memory.h"
#include "pdb/pdb.h"

using namespace vezuved;

namespace {

using Bytes = std::vector<uint8_t>;

inline Bytes Pattern(uint32_t size, uint8_t seed) {
    Bytes bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    return bytes;
}

inline void PutBig(Bytes& bytes, size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}

// Header fields as stored; 10-byte resource entries when attribute bit 1 is set.
struct Fixture {
    std::string name = "Test";
    uint16_t attributes = 0, version = 0;
    uint32_t dates[3] = {0, 0, 0};
    uint32_t appInfo = 0, sortInfo = 0, nextList = 0, seed = 0;
    uint32_t type = PdbFourChars("DATA"), creator = PdbFourChars("test");
    int count = -1;  // stored N; -1: the number of entries
    struct Entry {
        uint32_t offset;
        uint8_t attributes;
        uint32_t uniqueId;
    };
    std::vector<Entry> entries;
    bool gap = true;
    Bytes tail;  // everything after list and gap

    Bytes Build() const {
        const size_t entrySize = (attributes & 1) ? 10 : 8;
        Bytes b(78 + entrySize * entries.size(), 0);
        std::memcpy(b.data(), name.data(), name.size() < 32 ? name.size() : 32);
        PutBig(b, 32, uint32_t{attributes} << 16 | version, 4);
        const uint32_t words[] = {
            dates[0], dates[1], dates[2], 0, appInfo, sortInfo, type, creator, seed, nextList};
        for (int i = 0; i < 10; ++i) PutBig(b, 36 + 4 * i, words[i], 4);
        PutBig(b, 76, count < 0 ? static_cast<uint32_t>(entries.size()) : count, 2);
        for (size_t i = 0, at = 78; i < entries.size(); ++i, at += entrySize) {
            PutBig(b, entrySize == 10 ? at + 6 : at, entries[i].offset, 4);
            if (entrySize == 8) b[at + 4] = entries[i].attributes, PutBig(b, at + 5, entries[i].uniqueId, 3);
        }
        if (gap) b.insert(b.end(), 2, 0);
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    }
};

// A sound record database: app info block (if any), then one record per
// size (0 = deleted) filled with Pattern(size, index), unique IDs 0x110000 + 5i.
inline Fixture SoundFixture(const std::vector<uint32_t>& sizes, uint32_t appInfoSize = 0) {
    Fixture f;
    uint32_t at = 80 + 8 * static_cast<uint32_t>(sizes.size());
    if (appInfoSize != 0) f.appInfo = at;
    f.tail = Pattern(appInfoSize, 0xa0);
    at += appInfoSize;
    for (uint32_t i = 0; i < sizes.size(); at += sizes[i], ++i) {
        f.entries.push_back({sizes[i] != 0 ? at : 0, uint8_t(sizes[i] != 0 ? 0 : 0x80), 0x110000 + 5 * i});
        const Bytes data = Pattern(sizes[i], static_cast<uint8_t>(i));
        f.tail.insert(f.tail.end(), data.begin(), data.end());
    }
    return f;
}

// A memory file whose nth stream call from now on fails (1 = the next).
struct FaultyStream {
    FaultyStream(const Bytes& bytes, long failAtCall) : failAt(failAtCall) {
        file.Assign(bytes.data(), bytes.size());
        stream = {this,
                  [](void* c, uint64_t at) { return !Fails(c) && In(c)->seek(In(c)->context, at); },
                  [](void* c, uint64_t* out) { return !Fails(c) && In(c)->size(In(c)->context, out); },
                  [](void* c, void* out, size_t n) -> size_t {
                      return Fails(c) ? 0 : In(c)->read(In(c)->context, out, n);
                  },
                  [](void* c, const void* d, size_t n) -> size_t {
                      return Fails(c) ? 0 : In(c)->write(In(c)->context, d, n);
                  }};
    }
    static PdbStream* In(void* c) { return static_cast<FaultyStream*>(c)->file.Stream(); }
    static bool Fails(void* c) {
        return ++static_cast<FaultyStream*>(c)->calls == static_cast<FaultyStream*>(c)->failAt;
    }
    PdbMemoryFile file;
    long failAt, calls = 0;
    PdbStream stream;
};

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
    constexpr uint32_t kBad = pdbErrFormat;
    const struct {
        const char* what;
        std::function<void(Fixture&)> change;
        uint32_t expected;
    } cases[] = {
        {"sound base", [](Fixture&) {}, 0},
        {"next record list set", [](Fixture& f) { f.nextList = 1; }, kBad},
        {"name without NUL", [](Fixture& f) { f.name = std::string(32, 'n'); }, kBad},
        {"type 0", [](Fixture& f) { f.type = 0; }, kBad},
        {"creator 0", [](Fixture& f) { f.creator = 0; }, kBad},
        {"list beyond the file", [](Fixture& f) { f.count = 6; }, kBad},
        {"list 1 past file", [](Fixture& f) { f = SoundFixture({0}), f.gap = false, f.tail = {0}; }, kBad},
        {"app info not at list end", [](Fixture& f) { f.appInfo = 98; }, kBad},
        {"app info in the gap", [](Fixture& f) { f.appInfo = 94; }, kBad},
        {"sort info after app info", [](Fixture& f) { f.sortInfo = 99; }, 0},
        {"sort info at app info", [](Fixture& f) { f.sortInfo = 96; }, kBad},
        {"sort info before list end", [](Fixture& f) { f.appInfo = 0, f.sortInfo = 94; }, kBad},
        {"sort info alone at list end", [](Fixture& f) { f.appInfo = 0, f.sortInfo = 96; }, 0},
        {"sort info alone after list end", [](Fixture& f) { f.appInfo = 0, f.sortInfo = 98; }, kBad},
        {"sort at file end", [](Fixture& f) { f.entries.clear(), f.appInfo = 80, f.sortInfo = 95; }, kBad},
        {"record at sort info", [](Fixture& f) { f.sortInfo = 101; }, kBad},
        {"record at app info", [](Fixture& f) { f.entries[0].offset = 96; }, kBad},
        {"same offset twice", [](Fixture& f) { f.entries[1].offset = 101; }, kBad},
        {"falling offsets", [](Fixture& f) { f.entries[1].offset = 100; }, kBad},
        {"offset at end of file", [](Fixture& f) { f.entries[1].offset = 111; }, kBad},
        {"offset 0, 0x40", [](Fixture& f) { f.entries[1].offset = 0, f.entries[1].attributes = 0x40; }, kBad},
        {"first entry offset 0 deleted", [](Fixture& f) { f = With(0, 0x80, false); }, 0},
        {"resource database", [](Fixture& f) { f = With(100, 0, true); }, 0},
        {"resource entry offset 0", [](Fixture& f) { f = With(0, 0, true); }, kBad},
        {"empty database", [](Fixture& f) { f = Fixture(); }, 0},
        {"empty database plus one byte", [](Fixture& f) { f = Fixture(), f.tail = {0}; }, kBad},
        {"that byte as app info", [](Fixture& f) { f = Fixture(), f.tail = {0}, f.appInfo = 80; }, 0},
        {"app info offset, no block", [](Fixture& f) { f = Fixture(), f.appInfo = 80; }, kBad},
        {"file of 79 bytes", [](Fixture& f) { f = Fixture(), f.gap = false, f.tail = {0}; }, kBad},
        {"list end - 2",
         [](Fixture& f) { f = SoundFixture({4}), f.gap = false, f.entries[0].offset = 86; },
         0},
        {"list end - 1", [](Fixture& f) { f = SoundFixture({4}), f.entries[0].offset = 87; }, kBad},
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
    EXPECT_EQ(std::tie(info.attributes, info.version, info.uniqueIdSeed, info.type, info.creator),
              std::make_tuple(8, 2, 77u, f.type, f.creator));
    EXPECT_EQ(std::tie(info.creationDate, info.modificationDate, info.backupDate, info.recordCount),
              std::make_tuple(5u, 0u, 0u, 4u));
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
        EXPECT_EQ(std::tie(entry.size, entry.uniqueId, entry.attributes),
                  std::make_tuple(expected[i].size, 0x110000 + 5 * i, entry.size == 0 ? 0x80 : 0));
        EXPECT_EQ(std::tie(listed.size, listed.uniqueId), std::tie(entry.size, entry.uniqueId)) << i;
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
    // Changed under the open handle (another program writing the file), a first
    // resource whose data begins at 0 ends no block: the size is refused.
    Fixture zeroed = resource;
    zeroed.entries = {{0, 0, 0}};
    const Bytes changed = zeroed.Build();
    db.memory.Assign(changed.data(), changed.size());
    uint32_t size = 99;
    EXPECT_EQ(PdbAppInfoSize(db.handle, &size), pdbErrFormat);
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
        std::memset(&info, 0xA5, sizeof info);
        EXPECT_EQ(PdbReadRecord(db.handle, d.index, &entry, &data), pdbErrFormat) << d.at << ' ' << d.value;
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(PdbGetInfo(db.handle, &info), pdbErrFormat);
        EXPECT_EQ(std::make_pair(info.type, info.name[0]), std::make_pair(0u, '\0'));  // nothing of it
        EXPECT_EQ(PdbGetRecordEntry(db.handle, 1 - d.index, &entry), pdbErrFormat);    // sticks
    }
    // The first record moved onto the app info block leaves the block no byte.
    Bytes bytes = SoundFixture({4, 6}, 5).Build();
    Opened db(bytes);
    PutBig(bytes, 78, 96, 4);
    ASSERT_TRUE(db.memory.Assign(bytes.data(), bytes.size()));
    uint32_t size = 7;
    EXPECT_EQ(PdbAppInfoSize(db.handle, &size), pdbErrFormat);
    EXPECT_EQ(size, 0u);
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

PdbHeader SampleInfo(uint32_t count, const char* name = "Points") {
    PdbHeader info{};
    PdbSetName(info, name);
    info.attributes = 0x0008, info.version = 3, info.creationDate = 1, info.backupDate = 1000;
    info.modificationNumber = 7, info.type = PdbFourChars("PoLi"), info.creator = PdbFourChars("RLog");
    info.uniqueIdSeed = 0x1234, info.recordCount = count;
    return info;
}

const PdbRecordEntry kEntries[] = {{4, 0, 0x110000}, {0, 0x80, 0x110005}, {6, 0x40, 0x11000a}};

// Creates the sample (app info, three records) and finishes it.
uint32_t WriteSample(PdbStream* stream) {
    PdbHandle* handle = nullptr;
    uint32_t code = PdbCreate(stream, SampleInfo(3), &handle);
    if (code != 0) return code;
    PdbWriteAppInfo(handle, Pattern(5, 0xa0).data(), 5);
    for (uint32_t i = 0; i < 3 && code == 0; ++i)
        code = PdbAddRecord(handle, kEntries[i], Pattern(kEntries[i].size, uint8_t(i)).data());
    const uint32_t finish = PdbFinish(handle);
    if (finish != 0) PdbRelease(handle);
    return code != 0 ? code : finish;
}

TEST(PdbWrite, CreatedDatabaseByteByByte) {
    Bytes expected(32, 0);
    std::memcpy(expected.data(), "Points", 6);
    // Attributes, version; dates (host 1 and 1000 + 2082815970, host 0 stays 0); modification number,
    // app info; no sort info; type, creator; seed, next list, N; the entries (the deleted one has no
    // data), the gap.
    const std::string header =
        "00 08 00 03 7c 25 3f e3 00 00 00 00 7c 25 43 ca 00 00 00 07 00 00 00 68 00 00 00 00 50 6f 4c 69 "
        "52 4c 6f 67 00 00 12 34 00 00 00 00 00 03 00 00 00 6d 00 11 00 00 00 00 00 00 80 11 00 05 00 00 "
        "00 71 40 11 00 0a 00 00";
    for (size_t at = 0; at < header.size(); at += 3)
        expected.push_back(std::stoi(header.substr(at, 2), nullptr, 16));
    for (const Bytes& part : {Pattern(5, 0xa0), Pattern(4, 0), Pattern(6, 2)})
        expected.insert(expected.end(), part.begin(), part.end());
    PdbMemoryFile memory, copy;
    ASSERT_EQ(WriteSample(memory.Stream()), 0u);
    EXPECT_EQ(Bytes(memory.Data(), memory.Data() + memory.Size()), expected);
    EXPECT_EQ(PdbValidate(memory.Stream()), 0u);
    std::FILE* file = std::tmpfile();  // a C file gets the same bytes
    ASSERT_NE(file, nullptr);
    PdbStream stream = PdbFileStream(file);
    EXPECT_EQ(WriteSample(&stream), 0u);
    EXPECT_TRUE(copy.ReadFrom(file));
    EXPECT_EQ(Bytes(copy.Data(), copy.Data() + copy.Size()), expected);
    std::fclose(file);
}

// Each misuse leaves its code pending; later operations answer it without
// touching the file.
TEST(PdbWrite, MisuseBecomesStickyError) {
    static const uint8_t kByte[1] = {1};
    static const PdbRecordEntry kOne = {1, 0, 1};
    const struct {
        uint32_t declared;
        void (*act)(PdbHandle*);
        uint32_t expected;
    } misuses[] = {
        {1, [](PdbHandle* h) { PdbWriteAppInfo(h, nullptr, 4); }, pdbErrIndex},
        {1, [](PdbHandle* h) { PdbAddRecord(h, kOne, nullptr); }, pdbErrIndex},
        {2,
         [](PdbHandle* h) {
             PdbAddRecord(h, kOne, kByte);
             PdbWriteAppInfo(h, kByte, 1);
         },
         pdbErrFormat},
    };
    for (const auto& m : misuses) {
        PdbMemoryFile memory;
        PdbHandle* handle = nullptr;
        ASSERT_EQ(PdbCreate(memory.Stream(), SampleInfo(m.declared), &handle), 0u);
        m.act(handle);
        const size_t size = memory.Size();
        uint32_t appInfoSize = 9;
        EXPECT_EQ(PdbAddRecord(handle, kOne, kByte), m.expected) << &m - misuses;
        PdbWriteAppInfo(handle, kByte, 1);
        EXPECT_EQ(PdbAppInfoSize(handle, &appInfoSize), m.expected) << &m - misuses;
        EXPECT_EQ(appInfoSize, 0u) << &m - misuses;
        EXPECT_EQ(memory.Size(), size) << &m - misuses;
        PdbRelease(handle);
    }
}

// The list is reserved for the declared count and the data follows it: an
// entry past the count would land on the first record's bytes.
TEST(PdbWrite, DeclaredCountIsTheLimit) {
    for (uint32_t declared : {1u, 3u}) {
        PdbMemoryFile memory;
        PdbHandle* handle = nullptr;
        ASSERT_EQ(PdbCreate(memory.Stream(), SampleInfo(declared), &handle), 0u);
        for (uint32_t i = 0; i < declared; ++i)
            EXPECT_EQ(PdbAddRecord(handle, kEntries[0], Pattern(4, uint8_t(i)).data()), 0u) << declared;
        const Bytes full(memory.Data(), memory.Data() + memory.Size());
        EXPECT_EQ(PdbAddRecord(handle, kEntries[0], Pattern(4, 9).data()), pdbErrNoRecord) << declared;
        EXPECT_EQ(Bytes(memory.Data(), memory.Data() + memory.Size()), full) << declared;
        PdbRelease(handle);
        EXPECT_EQ(PdbValidate(memory.Stream()), 0u) << declared;
    }
}

TEST(PdbWrite, FinishAndWrongHandles) {
    const uint8_t byte = 1;
    const PdbRecordEntry one = {1, 0, 1};
    PdbMemoryFile memory;
    PdbHandle* handle = nullptr;
    ASSERT_EQ(PdbCreate(memory.Stream(), SampleInfo(2, std::string(40, 'x').c_str()), &handle), 0u);
    EXPECT_EQ(PdbAddRecord(handle, one, &byte), 0u);
    EXPECT_EQ(PdbFinish(handle), pdbErrCount);
    EXPECT_EQ(PdbRelease(handle), 0u);                      // Finish left it alive
    EXPECT_EQ(PdbValidate(memory.Stream()), pdbErrFormat);  // the unwritten entry is zero
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory.Data())), std::string(31, 'x'));
    EXPECT_EQ(SampleInfo(1, std::string(32, 'x').c_str()).name[31], '\0');  // the name keeps its NUL
    PdbHeader info = SampleInfo(1);
    info.attributes = pdbAttrResourceDb;
    memory.Clear();
    ASSERT_EQ(PdbCreate(memory.Stream(), info, &handle), 0u);
    EXPECT_EQ(memory.Size(), 90u);  // 10-byte entries reserved
    EXPECT_EQ(PdbAddRecord(handle, one, &byte), pdbErrFormat);
    PdbRelease(handle);
    ASSERT_EQ(WriteSample(memory.Stream()), 0u);
    ASSERT_EQ(PdbOpen(memory.Stream(), &handle), 0u);
    EXPECT_EQ(PdbAddRecord(handle, one, &byte), pdbErrIO);  // opened for reading
    PdbRelease(handle);
    EXPECT_EQ(PdbCreate(memory.Stream(), info, nullptr), pdbErrIndex);
    EXPECT_EQ(PdbCreate(nullptr, info, &handle), pdbErrIO);
    info.recordCount = 600000000;  // the list alone would pass 4 GiB
    EXPECT_EQ(PdbCreate(memory.Stream(), info, &handle), pdbErrIO);
    EXPECT_EQ(handle, nullptr);
}

// Every stream call failed in turn: the first failure surfaces as its code,
// never a crash or a leak. (Every allocation failed in turn: api/out_of_memory_test.cpp.)
TEST(PdbWrite, EveryStreamFailureIsReported) {
    for (long n = 1, code = 1; code != 0; ++n) {
        FaultyStream faulty({}, n);
        code = WriteSample(&faulty.stream);
        EXPECT_TRUE(code == 0 || code == pdbErrIO) << "stream call " << n;
    }
}

// The memory file holds no more than 32-bit offsets reach, and survives running out.
TEST(PdbStream, MemoryFileLimits) {
    PdbMemoryFile memory;
    PdbStream* s = memory.Stream();
    FailAllocationAfter(1);
    EXPECT_EQ(s->write(s->context, "abc", 3), 0u);
    FailAllocationAfter(0);
    EXPECT_EQ(memory.Size(), 0u);
    EXPECT_FALSE(s->seek(s->context, uint64_t{1} << 32));
    EXPECT_TRUE(s->seek(s->context, UINT32_MAX));
    EXPECT_EQ(s->write(s->context, "abc", 3), 0u);
}

}  // namespace
