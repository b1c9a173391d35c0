// Every export that allocates, run with its Nth allocation failing for N = 1, 2, ... until it
// succeeds: each run ends in the export's failure value, never an exception or a crash (sanitizer
// runs find leaks). operator new is replaced (support/replaced_operator_new.cpp) so strings and
// vectors run out as well.
#include <functional>

#include "base/memory.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"
#include "vezuved/vezuved_core.h"

namespace {

class OutOfMemory : public FreshState {
protected:
    TempFolder folder;

    // Runs call (not allocating itself) until a run makes fewer than N allocations, which must
    // succeed; a run cut short leaves no block of the library's heap behind. Returns how many failed.
    template <typename Call, typename Failed>
    long Loop(Call&& call, Failed&& failed) {
        long failures = 0;
        for (long n = 1; n < 5000; ++n) {
            RestoreInitialState();
            const long live = LiveAllocations();
            CountOperatorNew(true);
            FailAllocationAfter(n);
            const int32_t result = call();
            const long made = FailAllocationAfter(0);
            CountOperatorNew(false);
            if (made < n) {
                EXPECT_FALSE(failed(result)) << "fails with memory to spare: " << result;
                return failures;
            }
            EXPECT_EQ(LiveAllocations(), live) << "blocks left behind when allocation " << n << " fails";
            if (failed(result)) ++failures;
        }
        ADD_FAILURE() << "never ran out of allocations to fail";
        return failures;
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

// Each must fail at least once, but for the lookups, which may do without the memory.
TEST_F(OutOfMemory, EveryExportFailsCleanlyUntilItSucceeds) {
    OwnedArray records(3);
    FillPoint(records[0], "45.5", "-122.25", "100", "143005 24122004", "Home", "House", "Gate, back");
    FillPoint(records[1], "1", "2", "", "", "Camp", "Flag", nullptr);
    FillPoint(records[2], "-3", "4", "5", "000001 01012001", "Far", "", "a longer description here");
    const std::string pdb = folder.file("r.pdb"), written = folder.file("w.pdb"), text = folder.file("b.csv");
    ASSERT_EQ(RLDBWritePDB(pdb.c_str(), records.data(), 3, 1), 0);
    const std::string source =
        folder.put("trip.csv",
                   "45.5,-122.5,100,143005 24122004,Home,House,\"note, with comma\"\r\n"
                   "1,2,,,Camp,Flag,\r\n3,4,5,,Far,,plain\r\n");
    const std::string definition = folder.put("trip.cal", "FormatTitle=Trip\nFieldCount=7\nExt=.csv\n");
    const std::string garmin = folder.put("garmin.cal", "FormatTitle=Lookup\nSource=Garmin\n");
    const std::string database = folder.file("trip.pdb");
    std::string out = database;
    std::string output = folder.file("out.txt");
    int32_t kind = 0, header = 0, version = 0, count = 0;
    char value[512];
    PointRecord record{};
    struct Case {
        std::string name;
        std::function<int32_t()> call;
        std::function<bool(int32_t)> failed;  // asked once the run's allocations are counted
        bool mustFail = true;
    };
    std::vector<Case> cases;
    const auto readPdb = [&](const std::string& path) {
        void* array = nullptr;
        const int32_t n = RLDBReadPDB(path.c_str(), &array, &kind);
        RLDBRelease(array, n > 0 ? n : 0);
        return n;
    };
    for (int32_t k : {0, 1, 2, 65, 66})
        cases.push_back({"write " + std::to_string(k),
                         [&, k] { return RLDBWritePDB(written.c_str(), records.data(), 3, k); },
                         NonZero});
    // A refused description gives up its slot: fewer records, still a success the host must release.
    cases.push_back({"read", [&] { return readPdb(pdb); }, Negative});
    cases.push_back({"info",
                     [&] {
                         count = -7;
                         const int32_t result =
                             RLGetPDBFileInfo(pdb.c_str(), &kind, &header, &version, &count);
                         if (result != 0) {
                             EXPECT_EQ(count, -7);  // no count from a failed query
                         }
                         return result;
                     },
                     NonZeroCode,
                     false});
    for (int16_t k : {0, 1, 2, 66})
        cases.push_back({"import " + std::to_string(k),
                         [&, k] {
                             return RLDBImport(
                                 source.c_str(), out.data(), definition.c_str(), k, -1, -1, nullptr);
                         },
                         NonZero});
    for (const std::string* format : {&definition, &garmin})
        cases.push_back({"export " + *format,
                         [&, format] {
                             return RLDBExport(
                                 database.c_str(), output.data(), format->c_str(), -1, -1, -1, nullptr);
                         },
                         NonZeroCode});
    // One record, the only one its read buffer is made for: a run that succeeds holds it, for a
    // record that cannot be read is never passed over.
    const std::string one = folder.file("one.pdb"), oneText = folder.file("one.csv");
    ASSERT_EQ(RLDBWritePDB(one.c_str(), &records[1], 1, 0), 0);
    std::string oneOutput = oneText;
    const auto exportOne = [&] {
        return RLDBExport(one.c_str(), oneOutput.data(), nullptr, -1, -1, -1, nullptr);
    };
    ASSERT_EQ(exportOne(), 0);
    const std::string oneLine = ReadFileText(oneText);
    cases.push_back({"read one",
                     [&] {
                         const int32_t n = readPdb(one);
                         EXPECT_TRUE(n < 0 || n == 1) << n;
                         return n;
                     },
                     Negative});
    cases.push_back({"export one", exportOne, [&](int32_t result) {
                         const bool failed = NonZeroCode(result);
                         if (!failed) {
                             EXPECT_EQ(ReadFileText(oneText), oneLine);
                         }
                         return failed;
                     }});
    // The file has lines: no run may answer "none", and an array comes exactly with a count.
    cases.push_back({"read text",
                     [&] {
                         void* array = nullptr;
                         const int32_t n =
                             RLDBReadCSV(source.c_str(), definition.c_str(), 0, -1, -1, nullptr, &array);
                         EXPECT_NE(n, 0);
                         EXPECT_EQ(array != nullptr, n > 0) << n;
                         RLDBRelease(array, n > 0 ? n : 0);
                         return n;
                     },
                     Negative});
    cases.push_back({"write text",
                     [&] {
                         return RLDBWriteCSV(
                             text.c_str(), definition.c_str(), 0, -1, -1, nullptr, records.data(), 3);
                     },
                     NonZero});
    // The lookup answers 0 whatever happens; running out leaves no value.
    cases.push_back({"title",
                     [&] {
                         value[0] = '\0';
                         return RLGetCalFileTitle(garmin.c_str(), value, &count);
                     },
                     NonZero,
                     false});
    cases.push_back({"description", [&] { return RLSetPointDesc(&record, "a description"); }, Negative});
    // The core's read of a database: all of it, or memory named as the cause.
    cases.push_back({"core read",
                     [&] {
                         vezuved_collection* collection = vezuved_collection_new();
                         if (collection == nullptr) return int32_t{VEZUVED_ERROR_MEMORY};
                         const int32_t result = vezuved_read(collection, pdb.c_str(), nullptr);
                         const std::string message = vezuved_error_message(collection);
                         if (result == VEZUVED_OK) {
                             EXPECT_EQ(vezuved_set_point_count(collection, 0), 3);
                         } else {
                             EXPECT_EQ(result, VEZUVED_ERROR_MEMORY) << message;
                             EXPECT_NE(message.find("memory ran out"), std::string::npos) << message;
                         }
                         vezuved_collection_free(collection);
                         return result;
                     },
                     [](int32_t result) { return result != VEZUVED_OK; }});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const long failures = Loop(c.call, c.failed);
        if (c.mustFail) {
            EXPECT_GT(failures, 0);
        }
    }
    EXPECT_STREQ(value, "Lookup");
    EXPECT_STREQ(RLGetPointDesc(&record), "a description");
    RLSetPointDesc(&record, nullptr);
}

}  // namespace
