// The device listing through RLDBCEEnum: the fixed-column report and the
// sync file "RLDBSync.inf", byte for byte; the core's listing of the same.
#include <filesystem>

#include "device/sync_list.h"
#include "device_test_support.h"
#include "state/device_state.h"
#include "vezuved/vezuved_core.h"

using namespace devtest;

namespace {

const std::string kHeader =
    "Name                  Records Dev Modified       PC Modified\n"
    "-----------------------------------------------------------\n";
const std::string kPcOnly = "\nFiles Only on PC\n====================================\n";
constexpr uint64_t kDay = 864000000000ull;

class ListingTest : public SyncTest {};

int32_t VEZUVED_CORE_CALL KeepMessage(const vezuved_device_event* event, void* context) {
    if (event->type == VEZUVED_DEVICE_EVENT_MESSAGE)
        *static_cast<std::string*>(context) += event->message + std::string("\n");
    return 0;
}

// The core's listing gives the same report, printing nothing, and answers what it shows as rows.
TEST_F(ListingTest, ReportSyncFileAndTheCoresRows) {
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n45.6,-122.7,,,B,,\r\n");
    Push("Hike.rlr", "45.5,-122.6,,,A,,\r\n");
    Push("Walk.rlt", "45.5,-122.6,,,A,,\r\n45.5,-122.6,,,B,,\r\n45.5,-122.6,,,C,,\r\n");
    CreateDeviceDatabases({"AVeryLongDatabaseNameOf29Chars"}, kBaseTime + 280 * kDay);
    // The times compare exactly, to one unit.
    WritePc("Home.RLP", "x", kBaseTime);
    WritePc("Hike.rlr", "x", kBaseTime - 1);
    WritePc("Walk.rlt", "x", kBaseTime + 1);
    WritePc("Lake.rlt", "x");
    WritePc("notes.txt", "x");
    EXPECT_EQ(0, Enum());
    EXPECT_EQ(kHeader + TestData("device/data/listing-of-every-state.txt") + kPcOnly + Pc("Lake.rlt") + "\n",
              out_);
    EXPECT_EQ(Pc("Home.rlp") + "\tHome\r\n" + "\tAVeryLongDatabaseNameOf29Chars\r\n" + Pc("Hike.rlr") +
                  "\tHike\r\n" + Pc("Walk.rlt") + "\tWalk\r\n" + Pc("Lake.rlt") + "\t\r\n",
              ReadFileText(Pc("RLDBSync.inf")));

    const std::string printed = out_;
    vezuved_device* device = vezuved_device_new();
    std::string messages;
    int32_t result = -1;
    EXPECT_EQ("", Captured([&] {
                  result = vezuved_device_list(device, PcFolder().c_str(), nullptr, KeepMessage, &messages);
              }));
    EXPECT_EQ(printed, vezuved_device_report(device));
    EXPECT_EQ(VEZUVED_OK, result);
    EXPECT_EQ(0, vezuved_device_code(device));
    std::string rows;
    for (int32_t i = 0; i < vezuved_device_row_count(device); ++i) {
        vezuved_device_row r{};
        ASSERT_EQ(VEZUVED_OK, vezuved_device_get_row(device, i, &r));
        rows += std::to_string(r.kind) + "|" + r.heading + "|" + r.name + "|" + std::to_string(r.records) +
                "|" + r.device_modified + "|" + r.pc_modified + "|" + r.state + "\n";
    }
    const std::string mar14 = "Mar/14/2004 14:25";
    EXPECT_EQ("0|Points|Home|2|" + mar14 + "|" + mar14 + "|Identical\n" +
                  "0|Points|AVeryLongDatabaseNameOf29Chars|0|Dec/19/2004 14:25||Only on Device\n" +
                  "2|Routes|Hike|1|" + mar14 + "|Mar/14/2004 14:24|Newer On Device\n" + "1|Tracks|Walk|3|" +
                  mar14 + "|" + mar14 + "|Newer On PC\n",
              rows);
    ASSERT_EQ(1, vezuved_device_pc_only_count(device));
    EXPECT_EQ(Pc("Lake.rlt"), vezuved_device_pc_only(device, 0));
    // A sync file that cannot be written is said; the handheld's result stays 0.
    std::filesystem::remove(Pc("RLDBSync.inf"));
    std::filesystem::create_directories(Pc("RLDBSync.inf"));
    messages.clear();
    EXPECT_EQ(VEZUVED_ERROR_WRITE,
              vezuved_device_list(device, PcFolder().c_str(), nullptr, KeepMessage, &messages));
    EXPECT_NE(std::string::npos, messages.find("Error !!! Writing sync file\n"));
    EXPECT_EQ(0, vezuved_device_code(device));
    EXPECT_EQ(std::string("RLDBSync.inf was not written"),
              std::string(vezuved_device_error_message(device)).substr(0, 28));
    vezuved_device_free(device);
}

TEST_F(ListingTest, EmptySidesFailuresAndForcedKind) {
    EXPECT_EQ(0, Enum());
    EXPECT_EQ(kHeader + "\nPoints:\n\nRoutes:\n\nTracks:\n" + kPcOnly + "none\n", out_);
    EXPECT_TRUE(FileExists(Pc("RLDBSync.inf")));
    EXPECT_EQ("", ReadFileText(Pc("RLDBSync.inf")));
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n");
    WritePc("Lake.rlt", "x");
    const std::string lake = kPcOnly + Pc("Lake.rlt") + "\n";
    const struct {
        const char* fault;
        int32_t result;
        std::string out;
        bool syncWritten;
    } rows[] = {
        {"CeOidGetInfoEx=7",
         0,
         kHeader + "\nPoints:\nError getting record info: Type: 506f4c69 Err: 7\n\nRoutes:\n\nTracks:\n" +
             lake,
         true},
        {"CeRapiInitEx", -8, "", false},
        // Without a volume the PC side is still listed.
        {"CeMountDBVol", 0, kHeader + "Can't mount Database Volume: " + kVolumePath + lake, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        std::filesystem::remove(Pc("RLDBSync.inf"));
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.fault);
        EXPECT_EQ(row.result, Enum());
        EXPECT_EQ(row.out, out_);
        EXPECT_EQ(row.syncWritten, FileExists(Pc("RLDBSync.inf")));
    }
    EXPECT_EQ(Pc("Lake.rlt") + "\t\r\n", ReadFileText(Pc("RLDBSync.inf")));
    std::filesystem::remove(Pc("RLDBSync.inf"));
    std::filesystem::remove(Pc("Lake.rlt"));
    std::filesystem::create_directories(Pc("RLDBSync.inf"));
    EXPECT_EQ(0, Enum());
    EXPECT_NE(std::string::npos, out_.find("none\nError !!! Writing sync file\n"));
    std::filesystem::remove(Pc("RLDBSync.inf"));
    // Named by a pattern, the PC folder is the pattern's: the sync file is written there.
    EXPECT_EQ(0, Run([&] { return RLDBCEEnum(Pc("*.rlt").c_str(), nullptr, 0, 0); }));
    EXPECT_EQ(std::string::npos, out_.find("Error !!! Writing sync file")) << out_;
    EXPECT_EQ("\tHome\r\n", ReadFileText(Pc("RLDBSync.inf")));  // the handheld's alone
    // The kind the last copy forced classifies every PC file.
    WritePc("notes.txt", "x");
    DeviceSettings().forcedKind = 0;
    EXPECT_EQ(0, Enum());
    EXPECT_NE(std::string::npos, out_.find(Pc("notes.txt") + "\n"));
}

// A time before 1980, which the listing's date form cannot hold, shows as none.
TEST_F(ListingTest, ATimeBefore1980ShowsAsNoDate) {
    CreateDeviceDatabases({"Old"}, 0);
    EXPECT_EQ(0, Enum());
    EXPECT_NE(std::string::npos, out_.find("?\?\?/00/1980 00:00")) << out_;
}

TEST_F(ListingTest, APairFoundByPathKeepsItsNameAndByNameTakesItsPath) {
    FreeSyncList();
    const WideString path = W("/pc/Home.rlp");
    AddSyncPair(nullptr, path.c_str());
    AddSyncPair(W("Home").c_str(), path.c_str());
    AddSyncPair(nullptr, path.c_str());
    ASSERT_EQ(1u, SyncList().size());
    EXPECT_EQ(W("Home"), SyncList()[0].name);
    // Found by its name, whatever its case, a pair takes the new path.
    AddSyncPair(W("HOME").c_str(), W("/pc/moved/Home.rlp").c_str());
    ASSERT_EQ(1u, SyncList().size());
    EXPECT_EQ(W("/pc/moved/Home.rlp"), SyncList()[0].path);
    FreeSyncList();
}

}  // namespace
