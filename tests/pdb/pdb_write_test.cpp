// Creating databases: the exact bytes, through memory and a C file; misuse
// as sticky errors; finishing; every failure reported; the memory file's limits.
#include <gtest/gtest.h>

#include "pdb_fixture.h"

namespace {

PdbHeader SampleInfo(uint32_t count, const char* name = "Points") {
    PdbHeader info{};
    PdbSetName(info, name);
    info.attributes = 0x0008;
    info.version = 3;
    info.creationDate = 1;
    info.backupDate = 1000;
    info.modificationNumber = 7;
    info.type = PdbFourChars("PoLi");
    info.creator = PdbFourChars("RLog");
    info.uniqueIdSeed = 0x1234;
    info.recordCount = count;
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
        "00 08 00 03 7c 25 3f e3 00 00 00 00 7c 25 43 ca 00 00 00 07 00 00 00 68 00 00 00 00 50 6f 4c 69 52 "
        "4c "
        "6f 67 00 00 12 34 00 00 00 00 00 03 00 00 00 6d 00 11 00 00 00 00 00 00 80 11 00 05 00 00 00 71 40 "
        "11 00 0a 00 00";
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
        {1,
         [](PdbHandle* h) {
             PdbAddRecord(h, kOne, kByte);
             PdbAddRecord(h, kOne, kByte);
         },
         pdbErrNoRecord},
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
