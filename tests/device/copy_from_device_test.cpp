// Copies from the emulated handheld through RLDBCECopyFromDevice: databases as record-line
// files with their own newer-or-older rule, plain files, numbered names, questions, failures.
#include <ctime>
#include <filesystem>

#include "device/transfer_rules.h"
#include "device_test_support.h"
#include "platform/io_faults.h"

using namespace devtest;

namespace {

class CopyFromDeviceTest : public SyncTest {
protected:
    std::string Getting(const std::string& file) { return "Getting from device: " + Pc(file) + "\n\n"; }
};

TEST_F(CopyFromDeviceTest, DatabaseTimesDecide) {
    Push("Home.rlp", kPoints);
    EXPECT_EQ(0, FromDevice(0, "*.*"));  // progress counts records
    EXPECT_EQ(Getting("Home.rlp"), out_);
    EXPECT_EQ("0 0/0 Home;1 1/2 Home;1 2/2 Home;2 2/2 Home;", Progress());
    struct {
        int64_t pcOffset;
        uint32_t options;
        const char* message;
    } const rows[] = {
        // -1000: no PC file
        {-1000, 0, nullptr},
        {0, 0, "Database is up to date: "},
        {+1, 0, "Database on PC is Newer: "},
        {-1, 0, nullptr},
        {0, optAlways, nullptr},
        {+1, optAlways, nullptr},
        {0, optUpdate | optNoReplace | optAsk | optKeepBoth, "Database is up to date: "},
    };
    for (const auto& row : rows) {  // message null: copied
        SCOPED_TRACE(testing::Message() << row.pcOffset << " " << row.options);
        std::filesystem::remove(Pc("Home.rlp"));
        if (row.pcOffset != -1000) WritePc("Home.rlp", "pc text\r\n", kBaseTime + row.pcOffset);
        EXPECT_EQ(0, FromDevice(0, nullptr, row.options));
        EXPECT_EQ(row.message ? row.message + Pc("Home.rlp") + "\n" : Getting("Home.rlp"), out_);
        EXPECT_EQ(row.message != nullptr, ReadFileText(Pc("Home.rlp")) == "pc text\r\n");
        EXPECT_EQ(row.message ? kBaseTime + row.pcOffset : kBaseTime, TimeOf(Pc("Home.rlp")));
    }
    EXPECT_TRUE(Log().asks.empty());
}

TEST_F(CopyFromDeviceTest, KindsFiltersAndEmptyDatabases) {
    Push("Home.rlp", kPoints);
    Push("Hike.rlr", "45.1,-122.1,,,A,,\r\n45.2,-122.2,,,B,,\r\n");
    Push("Walk.rlt", "45.1,-122.1,,,A,,\r\n");
    CreateDeviceDatabases({"Empty"});
    WriteDevice("flag.rli", "icon");
    EXPECT_EQ(0, FromDevice(-1, nullptr));
    EXPECT_EQ(Getting("Home.rlp") + Getting("Hike.rlr") + Getting("Walk.rlt"), out_);
    EXPECT_FALSE(FileExists(Pc("Empty.rlp")));
    EXPECT_FALSE(FileExists(Pc("flag.rli")));  // plain kinds are never part of "all"

    for (const char* file : {"Home.rlp", "Hike.rlr", "Walk.rlt"}) std::filesystem::remove(Pc(file));
    EXPECT_EQ(0, FromDevice(2, "HIKE"));
    EXPECT_TRUE(FileExists(Pc("Hike.rlr")));
    EXPECT_FALSE(FileExists(Pc("Home.rlp")));
    EXPECT_EQ(0, FromDevice(1, "Nothing"));
    EXPECT_EQ(0, FromDevice(8, "Nothing*"));  // no file matches either: nothing failed
    EXPECT_EQ("", out_);
}

// A plain file skips by one table both ways (the databases': DatabaseTimesDecide, SkipTables).
TEST_F(CopyFromDeviceTest, PlainFileSkipTable) {
    struct {
        bool push;
        int64_t pcOffset;  // PC time minus device time
        uint32_t options;
        int32_t result;
        const char* message;  // null: none
    } const rows[] = {
        {false, -1, 0, devDestOlder, nullptr},
        {false, -1, optAlways, devReplaced, "Copying from Device: "},
        {false, -1, optUpdate, devReplaced, "Copying from Device: "},
        {false, -1, optNoReplace | optAlways, devDestOlder, nullptr},
        {false, 0, 0, devReplaced, "Copying from Device: "},
        {false, 0, optUpdate, devUpToDate, "File is up to date: "},
        {false, 0, optNoReplace, devUpToDate, "File is up to date: "},
        {false, +1, 0, devReplaced, "Copying from Device: "},
        {false, +1, optUpdate, devDestNewer, "File is newer on PC: "},
        {false, +1, optNoReplace, devDestNewer, "File is newer on PC: "},
        // To the device the messages are its own.
        {true, +1, 0, devDestOlder, "File is older on device: "},
        {true, +1, optAlways, devReplaced, "Copying to Device: "},
        {true, 0, optUpdate, devUpToDate, "File is up to date: "},
        {true, -1, optUpdate, devDestNewer, "File is newer on device: "},
    };
    const std::string pcIcon = "pc icon, longer than the device's";  // replaced whole, no tail
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.push << " " << row.pcOffset << " " << row.options);
        const uint64_t pcTime = kBaseTime + row.pcOffset;
        WriteDevice("flag.rli", "device icon");
        WritePc("flag.rli", pcIcon, pcTime);
        const int32_t result =
            row.push ? ToDevice(Pc("flag.rli"), row.options) : FromDevice(9, nullptr, row.options);
        const bool copied = row.result == devReplaced;
        EXPECT_EQ(row.push && copied ? 0 : row.result, result);  // a push of one file: replaced is 0
        EXPECT_EQ(row.message ? row.message + (row.push ? kFlagPath : Pc("flag.rli")) + "\n" : "", out_);
        // The destination, and the source, which neither copy deletes.
        const std::string destination = row.push ? DeviceFile("flag.rli") : Pc("flag.rli");
        EXPECT_EQ(copied == row.push ? pcIcon : "device icon", ReadFileText(destination));
        EXPECT_EQ(copied == row.push ? pcTime : kBaseTime, TimeOf(destination));
        EXPECT_EQ(row.push ? pcIcon : "device icon",
                  ReadFileText(row.push ? Pc("flag.rli") : DeviceFile("flag.rli")));
    }
}

TEST_F(CopyFromDeviceTest, PlainFilesKeepBothAndAsk) {
    WriteDevice("flag.rli", "device icon");
    WritePc("flag.rli", "pc icon", kBaseTime - 5);
    EXPECT_EQ(0, FromDevice(9, "", optAlways | optKeepBoth));
    EXPECT_EQ("Copying from Device: " + Pc("flag_01.rli") + "\n", out_);
    EXPECT_EQ("pc icon", ReadFileText(Pc("flag.rli")));
    EXPECT_EQ("device icon", ReadFileText(Pc("flag_01.rli")));
    // Numbered PC names of files without an extension use "rlp".
    WriteDevice("notes", "device");
    WritePc("notes", "pc", kBaseTime - 5);
    EXPECT_EQ(0, FromDevice(10, "notes", optAlways | optKeepBoth));
    EXPECT_EQ("device", ReadFileText(Pc("notes_01.rlp")));

    for (const auto& [answer, result] : {std::pair{-1, devCancelled}, {1, devUpToDate}, {0, devReplaced}}) {
        WritePc("flag.rli", "pc icon", kBaseTime - 5);
        Log() = CallbackLog();
        Log().askAnswer = answer;
        EXPECT_EQ(result, FromDevice(9, "flag.rli", optAlways | optAsk));
        ASSERT_EQ(1u, Log().asks.size());
        EXPECT_EQ(Pc("flag.rli"), Log().asks[0].name);
        EXPECT_EQ(devDestOlder, Log().asks[0].status);
        EXPECT_EQ(answer == 0 ? "device icon" : "pc icon", ReadFileText(Pc("flag.rli")));
    }
}

TEST_F(CopyFromDeviceTest, MapsBringTheirCompanionAndFoldersAreRefused) {
    WriteDevice("Topo_jpg.rlm", "map");
    WriteDevice("Topo.jpg", "image");
    std::filesystem::create_directories(DeviceFile("Dir.rlm"));
    EXPECT_EQ(0, FromDevice(8, nullptr));
    EXPECT_EQ("image", ReadFileText(Pc("Topo.jpg")));
    EXPECT_EQ("map", ReadFileText(Pc("Topo_jpg.rlm")));
    EXPECT_NE(std::string::npos, out_.find("Device folder not copied: \\My Documents\\Roverlog\\Dir.rlm\n"));
    EXPECT_NE(std::string::npos, out_.find("Copying from Device: " + Pc("Topo.jpg") + "\n"));
}

TEST_F(CopyFromDeviceTest, FailureMessages) {
    Push("Home.rlp", kPoints);
    WriteDevice("flag.rli", "icon");
    struct {
        const char* faults;
        int16_t kind;
        int32_t result;
        std::string message;
    } const rows[] = {
        {"CeMountDBVol", 0, devErrNoVolume, "Can't mount Database Volume: " + std::string(kVolumePath)},
        {"CeOidGetInfoEx=7", 0, -1, "Error getting record info: Type: 506f4c69 Err: 7\n"},
        {"CeOidGetInfoEx=7", 2, 0, ""},  // no routes: nothing to ask about
        {"CeOpenDatabaseEx=6", 0, 6, "Getting from device: " + Pc("Home.rlp") + "\n"},
        {"CeCreateFile", 9, devErrOpenSource, "Unable to open device file: " + kFlagPath + "\n"},
        {"CeRapiInitEx", 0, -8, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.faults);
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.faults);
        EXPECT_EQ(row.result, FromDevice(row.kind, nullptr));
        EXPECT_EQ(row.message, out_);
        EXPECT_FALSE(FileExists(Pc("Home.rlp")));
    }
#if defined(VEZUVED_IO_FAULTS)
    // A complete PC copy that cannot be moved in says so, and leaves nothing.
    vezuved::FailIoCallAfter(vezuved::IoCall::Rename, 1, EXDEV);
    EXPECT_EQ(-1, FromDevice(9, nullptr));
    vezuved::FailIoCallAfter(vezuved::IoCall::Rename, 0, 0);
    EXPECT_EQ("Copying from Device: " + Pc("flag.rli") +
                  "\nUnable to overwrite Host/PC file: " + Pc("flag.rli") + ", Err=ffffffff\n",
              out_);
    EXPECT_FALSE(FileExists(Pc("flag.rli")));
#endif
    // A PC file that cannot be created (a folder of that name) fails before any copy.
    std::filesystem::create_directories(Pc("Home.rlp"));
    EXPECT_EQ(-1, FromDevice(0, nullptr, optAlways));
    EXPECT_EQ("Getting from device: " + Pc("Home.rlp") +
                  "\nUnable to open host/destination file: " + Pc("Home.rlp") + "\n",
              out_);
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(PcFolder()), {}));  // no temporary file
}

// No PC folder named: the copies go to the current one.
TEST_F(CopyFromDeviceTest, NoFolderMeansTheCurrentOne) {
    Push("Home.rlp", kPoints);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(PcFolder());
    const int32_t result =
        Run([] { return RLDBCECopyFromDevice(nullptr, nullptr, nullptr, 0, nullptr, 0, 0, 0, 0, 0); });
    std::filesystem::current_path(before);
    EXPECT_EQ(0, result);
    EXPECT_TRUE(FileExists(Pc("Home.rlp")));
}

// Temporary names beside the PC file taken by copies still running: the 99th
// is the last one tried.
TEST_F(CopyFromDeviceTest, TheNinetyNinthTemporaryNameIsTheLastTried) {
    Push("Home.rlp", kPoints);
    const uint64_t now = (static_cast<uint64_t>(std::time(nullptr)) + 11644473600ull) * 10000000ull;
    for (int n = 1; n <= 98; ++n) WritePc("Home.rlp.~vz" + std::to_string(n), "", now);
    EXPECT_EQ(0, FromDevice(0, nullptr));
    ASSERT_TRUE(FileExists(Pc("Home.rlp")));
    std::filesystem::remove(Pc("Home.rlp"));
    WritePc("Home.rlp.~vz99", "", now);
    EXPECT_EQ(-1, FromDevice(0, nullptr));
    EXPECT_EQ("Getting from device: " + Pc("Home.rlp") +
                  "\nUnable to open host/destination file: " + Pc("Home.rlp") + "\n",
              out_);
    EXPECT_FALSE(FileExists(Pc("Home.rlp")));
}

// A listing of the handheld's databases that breaks off part way fails the pull: a database it
// never reached is not reported as copied. The first four listings are the connection's search
// for what an earlier one left, which the next connection makes again; the pull's own are the
// fifth to the seventh: one for each database and one for the end.
TEST_F(CopyFromDeviceTest, AListingCutShortFailsThePull) {
    Push("Home.rlp", kPoints);
    Push("Work.rlp", kPoints);
    std::vector<int32_t> results;
    for (int call = 1; call <= 7; ++call) {
        for (const char* file : {"Home.rlp", "Work.rlp"}) std::filesystem::remove(Pc(file));
        ScopedEnv faults("VEZUVED_DEVICE_FAULTS", ("CeFindNextDatabaseEx@" + std::to_string(call)).c_str());
        results.push_back(FromDevice(0, nullptr));
        if (results.back() == 0) {
            EXPECT_TRUE(FileExists(Pc("Home.rlp")) && FileExists(Pc("Work.rlp"))) << call;
        }
    }
    EXPECT_EQ((std::vector<int32_t>{0, 0, 0, 0, -1, -1, -1}), results);
}

TEST_F(CopyFromDeviceTest, PointsRouteAndTrackComeBackUnchanged) {
    // The files sent, and Places.rlp as it comes back, in device/data/round-trip.
    const auto data = [](const std::string& name) { return TestData("device/data/round-trip/" + name); };
    for (const char* file : {"Places.rlp", "Loop.rlr", "Walk.rlt"}) WritePc(file, data(file));
    ASSERT_EQ(0, ToDevice(PcFolder(), optMove)) << out_;
    // Older and longer PC files are replaced whole, with no old tail.
    for (const char* file : {"Places.rlp", "Loop.rlr", "Walk.rlt"})
        WritePc(file, std::string(5000, 'o'), kBaseTime - 1);
    ASSERT_EQ(0, FromDevice(-1, nullptr)) << out_;
    // In longitude order; a record's text keeps no separators: the comma inside quotes comes back a space.
    EXPECT_EQ(data("Places-back.rlp"), ReadFileText(Pc("Places.rlp")));
    EXPECT_EQ(data("Loop.rlr"), ReadFileText(Pc("Loop.rlr")));
    EXPECT_EQ(data("Walk.rlt"), ReadFileText(Pc("Walk.rlt")));
}

}  // namespace
