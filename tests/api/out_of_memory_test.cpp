// Every export that allocates, run with its Nth allocation failing for N =
// 1, 2, ... until it succeeds: each run must end in the export's failure
// value (never an exception or a crash), and the sanitizer and valgrind
// runs prove nothing leaks on the way out. This program replaces operator
// new so the library's strings and vectors run out as well as its heap.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/memory.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

void* operator new(std::size_t size) {
    if (OperatorNewShouldFail()) throw std::bad_alloc();
    for (;;) {
        if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}
void* operator new[](std::size_t size) { return ::operator new(size); }
// gcc sees malloc behind operator new and free behind delete and warns of
// a mismatch that, with both replaced together, is none.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

class OutOfMemory : public FreshState {
protected:
    TempFolder folder;

    std::string Put(const std::string& name, const std::string& text) { return folder.put(name, text); }

    // Runs call (which must not allocate itself) from a reset state with its
    // Nth allocation failing, N = 1, 2, ..., until a run makes fewer than N
    // allocations: that one must succeed; earlier ones may fail or do without
    // the memory. Returns how many runs failed.
    template <typename Call, typename Failed>
    long Loop(Call&& call, Failed&& failed) {
        long failures = 0;
        for (long n = 1; n < 5000; ++n) {
            RestoreInitialState();
            CountOperatorNew(true);
            FailAllocationAfter(n);
            const int32_t result = call();
            const long made = FailAllocationAfter(0);
            CountOperatorNew(false);
            if (made < n) {
                EXPECT_FALSE(failed(result)) << "fails with memory to spare: " << result;
                return failures;
            }
            if (failed(result)) ++failures;
        }
        ADD_FAILURE() << "never ran out of allocations to fail";
        return failures;
    }

    static void Fill(OwnedArray& records) {
        FillPoint(records[0], "45.5", "-122.25", "100", "143005 24122004", "Home", "House", "Gate, back");
        FillPoint(records[1], "1", "2", "", "", "Camp", "Flag", nullptr);
        FillPoint(records[2], "-3", "4", "5", "000001 01012001", "Far", "", "a longer description here");
    }
};

// A failed call answers its failure value, nothing else.
bool Negative(int32_t result) {
    EXPECT_GE(result, -1);
    return result < 0;
}
bool NonZero(int32_t result) {
    EXPECT_GE(result, -1);
    EXPECT_LE(result, 0);
    return result != 0;
}
// The export and the header query answer the container's memory code.
bool NonZeroCode(int32_t result) {
    EXPECT_TRUE(result == 0 || result == -1 || result == 1029) << result;
    return result != 0;
}

TEST_F(OutOfMemory, WritePdbFailsCleanlyUntilItSucceeds) {
    OwnedArray records(3);
    Fill(records);
    const std::string path = folder.file("w.pdb");
    for (int32_t kind : {0, 1, 2, 65, 66})
        EXPECT_GT(Loop([&] { return RLDBWritePDB(path.c_str(), records.data(), 3, kind); }, NonZero), 0)
            << kind;
}

TEST_F(OutOfMemory, ReadPdbAndFileInfoFailCleanlyUntilTheySucceed) {
    const std::string path = folder.file("r.pdb");
    {
        OwnedArray records(3);
        Fill(records);
        ASSERT_EQ(RLDBWritePDB(path.c_str(), records.data(), 3, 1), 0);
    }
    // A refused description gives up its slot: fewer records, still a success the host must release.
    EXPECT_GT(Loop(
                  [&] {
                      void* array = nullptr;
                      int32_t kind = 0, count = RLDBReadPDB(path.c_str(), &array, &kind);
                      RLDBRelease(array, count > 0 ? count : 0);
                      return count;
                  },
                  Negative),
              0);
    int32_t kind = 0, source = 0, version = 0, count = 0;
    Loop(
        [&] {
            count = -7;
            const int32_t result = RLGetPDBFileInfo(path.c_str(), &kind, &source, &version, &count);
            if (result != 0) EXPECT_EQ(count, -7);  // no count from a failed query
            return result;
        },
        NonZeroCode);
    EXPECT_EQ(count, 3);
}

TEST_F(OutOfMemory, ImportAndExportFailCleanlyUntilTheySucceed) {
    const std::string source = Put("trip.csv",
                                   "45.5,-122.5,100,143005 24122004,Home,House,\"note, with comma\"\r\n"
                                   "1,2,,,Camp,Flag,\r\n3,4,5,,Far,,plain\r\n");
    const std::string definition = Put("trip.cal", "FormatTitle=Trip\nFieldCount=7\nExt=.csv\n");
    const std::string garmin = Put("garmin.cal", "Source=Garmin\n");
    const std::string database = folder.file("trip.pdb");
    std::vector<char> out(database.begin(), database.end());
    out.push_back('\0');
    for (int16_t kind : {0, 1, 2, 66})
        EXPECT_GT(Loop(
                      [&] {
                          return RLDBImport(
                              source.c_str(), out.data(), definition.c_str(), kind, -1, -1, nullptr);
                      },
                      NonZero),
                  0)
            << kind;
    std::string output = folder.file("out.txt");
    for (const std::string& format : {definition, garmin})
        EXPECT_GT(Loop(
                      [&] {
                          return RLDBExport(
                              database.c_str(), output.data(), format.c_str(), -1, -1, -1, nullptr);
                      },
                      NonZeroCode),
                  0)
            << format;
}

TEST_F(OutOfMemory, TextArraysFailCleanlyUntilTheySucceed) {
    const std::string source =
        Put("a.csv", "45.5,-122.5,100,,Home,House,\"note, with comma\"\r\n1,2,,,Camp,,\r\n");
    const std::string definition = Put("a.cal", "FieldCount=7\n");
    // The file has lines: no run may answer "none", and an array comes exactly with a count.
    EXPECT_GT(Loop(
                  [&] {
                      void* array = nullptr;
                      int32_t count =
                          RLDBReadCSV(source.c_str(), definition.c_str(), 0, -1, -1, nullptr, &array);
                      EXPECT_NE(count, 0);
                      EXPECT_EQ(array != nullptr, count > 0) << count;
                      RLDBRelease(array, count > 0 ? count : 0);
                      return count;
                  },
                  Negative),
              0);
    OwnedArray records(3);
    Fill(records);
    const std::string output = folder.file("b.csv");
    EXPECT_GT(Loop(
                  [&] {
                      return RLDBWriteCSV(
                          output.c_str(), definition.c_str(), 0, -1, -1, nullptr, records.data(), 3);
                  },
                  NonZero),
              0);
}

TEST_F(OutOfMemory, DefinitionLookupsAndDescriptionsFailCleanly) {
    const std::string definition = Put("c.cal", "FormatTitle=Lookup\nSource=Garmin\n");
    char value[512];
    int32_t length = 0;
    // The lookup answers 0 whatever happens; running out leaves no value.
    Loop(
        [&] {
            value[0] = '\0';
            return RLGetCalFileTitle(definition.c_str(), value, &length);
        },
        NonZero);
    EXPECT_STREQ(value, "Lookup");
    PointRecord record{};
    EXPECT_GT(Loop([&] { return RLSetPointDesc(&record, "a description"); }, Negative), 0);
    EXPECT_STREQ(RLGetPointDesc(&record), "a description");
    RLSetPointDesc(&record, nullptr);
}

}  // namespace
