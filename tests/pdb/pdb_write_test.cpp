#include <gtest/gtest.h>

#include <cstring>

#include "frame/memory.h"
#include "pdb_fixture.h"

namespace {

PdbNewInfo SampleInfo(uint32_t count, const char* name = "Points") {
    return PdbNewInfo{name, 0x0008, 3, 1, 0, 1000, 7, PdbFourChars("PoLi"), PdbFourChars("RLog"),
                      0x1234, count};
}

const Bytes kAppInfo = Pattern(5, 0xa0);
const PdbRecordEntry kEntries[] = {{4, 0, 0x110000}, {0, 0x80, 0x110005}, {6, 0x40, 0x11000a}};

// Creates the sample (app info, three records) and finishes it.
uint32_t WriteSample(PdbStream* stream) {
    PdbHandle* handle = nullptr;
    uint32_t code = PdbCreate(stream, SampleInfo(3), &handle);
    if (code != 0) return code;
    PdbWriteAppInfo(handle, kAppInfo.data(), 5);
    for (uint32_t i = 0; i < 3 && code == 0; ++i) {
        code = PdbAddRecord(handle, kEntries[i], Pattern(kEntries[i].size, uint8_t(i)).data());
    }
    uint32_t finish = PdbFinish(handle);
    if (finish != 0) PdbRelease(handle);
    return code != 0 ? code : finish;
}

TEST(PdbWrite, CreatedDatabaseByteByByte) {
    Bytes expected(80 + 24 + 5 + 4 + 6, 0);
    std::memcpy(expected.data(), "Points", 6);
    const Bytes fields = {0, 8, 0, 3,                  // attributes, version
                          0x7c, 0x25, 0x3f, 0xe3,      // host 1 + 2082815970
                          0, 0, 0, 0,                  // host 0 stays 0
                          0x7c, 0x25, 0x43, 0xca,      // host 1000 + 2082815970
                          0, 0, 0, 7, 0, 0, 0, 104,    // modification number, app info
                          0, 0, 0, 0, 'P', 'o', 'L', 'i', 'R', 'L', 'o', 'g',
                          0, 0, 0x12, 0x34, 0, 0, 0, 0, 0, 3,  // seed, next list, N
                          0, 0, 0, 109, 0x00, 0x11, 0x00, 0x00,
                          0, 0, 0, 0, 0x80, 0x11, 0x00, 0x05,   // deleted: no data
                          0, 0, 0, 113, 0x40, 0x11, 0x00, 0x0a, 0, 0};
    std::copy(fields.begin(), fields.end(), expected.begin() + 32);
    std::copy(kAppInfo.begin(), kAppInfo.end(), expected.begin() + 104);
    for (uint32_t i : {0u, 2u}) {
        Bytes data = Pattern(kEntries[i].size, uint8_t(i));
        std::copy(data.begin(), data.end(), expected.begin() + (i == 0 ? 109 : 113));
    }

    PdbMemoryFile memory;
    ASSERT_EQ(WriteSample(memory.Stream()), 0u);
    EXPECT_EQ(Bytes(memory.Data(), memory.Data() + memory.Size()), expected);
    EXPECT_EQ(PdbValidate(memory.Stream()), 0u);
    // A real file gets the same bytes, written directly or in one call.
    std::FILE* direct = std::tmpfile();
    std::FILE* copied = std::tmpfile();
    ASSERT_TRUE(direct && copied);
    PdbStream stream = PdbFileStream(direct);
    EXPECT_EQ(WriteSample(&stream), 0u);
    EXPECT_EQ(FileBytes(direct), expected);
    EXPECT_TRUE(memory.WriteTo(copied));
    EXPECT_EQ(FileBytes(copied), expected);
    std::fclose(direct);
    std::fclose(copied);
}

const uint8_t kByte[1] = {1};
const PdbRecordEntry kOne = {1, 0, 1};

// Each misuse leaves its code pending; later operations answer it without
// touching the file.
TEST(PdbWrite, MisuseBecomesStickyError) {
    const struct {
        const char* what;
        uint32_t declared;
        void (*act)(PdbHandle*);
        uint32_t expected;
    } misuses[] = {
        {"app info without data", 1, [](PdbHandle* h) { PdbWriteAppInfo(h, nullptr, 4); }, pdbErrIndex},
        {"app info of size 0", 1, [](PdbHandle* h) { PdbWriteAppInfo(h, kByte, 0); }, pdbErrIndex},
        {"record without data", 1, [](PdbHandle* h) { PdbAddRecord(h, kOne, nullptr); }, pdbErrIndex},
        {"record beyond N", 1, [](PdbHandle* h) { PdbAddRecord(h, kOne, kByte); PdbAddRecord(h, kOne, kByte); }, pdbErrNoRecord},
        {"app info after a record", 2, [](PdbHandle* h) { PdbAddRecord(h, kOne, kByte); PdbWriteAppInfo(h, kByte, 1); }, pdbErrFormat},
        {"second app info", 1, [](PdbHandle* h) { PdbWriteAppInfo(h, kByte, 1); PdbWriteAppInfo(h, kByte, 1); }, pdbErrFormat},
    };
    for (const auto& m : misuses) {
        PdbMemoryFile memory;
        PdbHandle* handle = nullptr;
        ASSERT_EQ(PdbCreate(memory.Stream(), SampleInfo(m.declared), &handle), 0u);
        m.act(handle);
        size_t size = memory.Size();
        uint32_t appInfoSize = 9;
        EXPECT_EQ(PdbAddRecord(handle, kOne, kByte), m.expected) << m.what;
        PdbWriteAppInfo(handle, kByte, 1);
        EXPECT_EQ(PdbAppInfoSize(handle, &appInfoSize), m.expected) << m.what;
        EXPECT_EQ(appInfoSize, 0u);
        EXPECT_EQ(memory.Size(), size) << m.what;
        PdbRelease(handle);
    }
}

TEST(PdbWrite, FinishAndWrongHandles) {
    PdbMemoryFile memory;
    PdbHandle* handle = nullptr;
    ASSERT_EQ(PdbCreate(memory.Stream(), SampleInfo(2), &handle), 0u);
    EXPECT_EQ(PdbAddRecord(handle, kOne, kByte), 0u);
    EXPECT_EQ(PdbFinish(handle), pdbErrCount);
    EXPECT_EQ(PdbRelease(handle), 0u);  // Finish left it alive
    EXPECT_EQ(PdbValidate(memory.Stream()), pdbErrFormat);  // the unwritten entry is zero

    const std::string longName(40, 'x');  // cut to 31 characters
    memory.Clear();
    ASSERT_EQ(PdbCreate(memory.Stream(), SampleInfo(0, longName.c_str()), &handle), 0u);
    EXPECT_EQ(PdbFinish(handle), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory.Data())), longName.substr(0, 31));
    EXPECT_TRUE(memory.Size() == 80 && PdbValidate(memory.Stream()) == 0);

    PdbNewInfo info = SampleInfo(1);
    info.attributes = pdbAttrResourceDb;
    memory.Clear();
    ASSERT_EQ(PdbCreate(memory.Stream(), info, &handle), 0u);
    EXPECT_EQ(memory.Size(), 90u);  // 10-byte entries reserved
    EXPECT_EQ(PdbAddRecord(handle, kOne, kByte), pdbErrFormat);
    PdbRelease(handle);

    ASSERT_EQ(WriteSample(memory.Stream()), 0u);
    ASSERT_EQ(PdbOpen(memory.Stream(), &handle), 0u);
    EXPECT_EQ(PdbAddRecord(handle, kOne, kByte), pdbErrIO);  // opened for reading
    PdbRelease(handle);

    EXPECT_EQ(PdbCreate(memory.Stream(), info, nullptr), pdbErrIndex);
    EXPECT_EQ(PdbCreate(nullptr, info, &handle), pdbErrIO);
    info.recordCount = 600000000;  // the list alone would pass 4 GiB
    EXPECT_EQ(PdbCreate(memory.Stream(), info, &handle), pdbErrIO);
    EXPECT_EQ(handle, nullptr);
}

// Every stream call and every allocation failed in turn: the first failure
// surfaces as its code, never a crash or a leak.
TEST(PdbWrite, EveryFailureIsReported) {
    for (long n = 1;; ++n) {
        FaultyStream faulty({}, n);
        uint32_t code = WriteSample(&faulty.stream);
        if (code == 0) break;
        EXPECT_EQ(code, pdbErrIO) << "stream call " << n;
    }
    for (long n = 1;; ++n) {
        PdbMemoryFile memory;
        FailAllocationAfter(n);
        uint32_t code = WriteSample(memory.Stream());
        FailAllocationAfter(0);
        if (code == 0) break;
        EXPECT_EQ(code, n == 1 ? pdbErrMemory : pdbErrIO) << "allocation " << n;  // then the file's growth
    }
}

}  // namespace
