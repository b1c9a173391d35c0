// Copies from the emulated handheld through RLDBCECopyFromDevice: databases
// as record-line files with their own newer-or-older rule, plain files
// with the skip table, numbered names and questions, and the failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "device/copy_from_device.h"
#include "device/transfer_rules.h"
#include "sync_test_support.h"

using namespace synctest;
using devtest::FileExists;
using devtest::ReadFile;
using devtest::ScopedEnv;

namespace {

const char* const kPoints =
    "45.5000000,-122.6000000,100,,Home,Flag,First point\r\n"
    "45.6000000,-122.7000000,200,,Cabin,Flag,Second\r\n";

class CopyFromDeviceTest : public SyncTest {
protected:
    // Puts a PC file on the device as a database, then removes the PC file.
    void Push(const std::string& file, const std::string& bytes, uint64_t time = kBaseTime) {
        WritePc(file, bytes, time);
        std::string out;
        ASSERT_EQ(0, ToDevice(Pc(file), optMove, out));
        ASSERT_FALSE(FileExists(Pc(file)));
        Log() = CallbackLog();
    }
};

}  // namespace

TEST_F(CopyFromDeviceTest, PointsDatabaseBecomesARecordLineFile) {
    Push("Home.rlp", kPoints);
    std::string out;
    EXPECT_EQ(0, FromDevice(0, "*.*", 0, out));
    EXPECT_EQ("Getting from device: " + Pc("Home.rlp") + "\n\n", out);
    // In the device's longitude order.
    EXPECT_EQ("45.6000000,-122.7000000,200,,Cabin,Flag,Second\r\n"
              "45.5000000,-122.6000000,100,,Home,Flag,First point\r\n",
              ReadFile(Pc("Home.rlp")));
    EXPECT_EQ(kBaseTime, TimeOf(Pc("Home.rlp")));
    EXPECT_EQ((std::vector<int32_t>{0, 1, 1, 2}), Stages());
    EXPECT_EQ("Home", Log().progress[0].name);
    EXPECT_EQ(0, Log().progress[0].total);
    EXPECT_EQ(1, Log().progress[1].done);
    EXPECT_EQ(2, Log().progress[3].done);
    EXPECT_EQ(2, Log().progress[3].total);
}

TEST_F(CopyFromDeviceTest, DatabaseTimesDecide) {
    Push("Home.rlp", kPoints);
    struct Row {
        int64_t pcOffset;  // -1000: no PC file
        uint32_t options;
        bool copied;
        const char* message;
    };
    const Row rows[] = {
        {-1000, 0, true, nullptr},
        {0, 0, false, "Database is up to date: "},
        {+1, 0, false, "Database on PC is Newer: "},
        {-1, 0, true, nullptr},
        {0, optAlways, true, nullptr},
        {+1, optAlways, true, nullptr},
        {0, optUpdate | optNoReplace | optAsk | optKeepBoth, false, "Database is up to date: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.pcOffset << " " << row.options);
        std::filesystem::remove(Pc("Home.rlp"));
        if (row.pcOffset != -1000) WritePc("Home.rlp", "pc text\r\n", kBaseTime + row.pcOffset);
        std::string out;
        EXPECT_EQ(0, FromDevice(0, nullptr, row.options, out));
        if (row.copied) {
            EXPECT_EQ("Getting from device: " + Pc("Home.rlp") + "\n\n", out);
            EXPECT_NE("pc text\r\n", ReadFile(Pc("Home.rlp")));
            EXPECT_EQ(kBaseTime, TimeOf(Pc("Home.rlp")));
        } else {
            EXPECT_EQ(row.message + Pc("Home.rlp") + "\n", out);
            EXPECT_EQ("pc text\r\n", ReadFile(Pc("Home.rlp")));
        }
    }
    EXPECT_TRUE(Log().asks.empty());
}

TEST_F(CopyFromDeviceTest, KindsFiltersAndEmptyDatabases) {
    Push("Home.rlp", kPoints);
    Push("Hike.rlr", "45.1,-122.1,,,A,,\r\n45.2,-122.2,,,B,,\r\n");
    Push("Walk.rlt", "45.1,-122.1,,,A,,\r\n");
    CreateDeviceDatabases({"Empty"}, kTypePoints);
    WriteDevice("flag.rli", "icon");
    std::string out;
    EXPECT_EQ(0, FromDevice(-1, nullptr, 0, out));
    EXPECT_EQ("Getting from device: " + Pc("Home.rlp") + "\n\n" + "Getting from device: " + Pc("Hike.rlr") +
                  "\n\n" + "Getting from device: " + Pc("Walk.rlt") + "\n\n",
              out);
    EXPECT_FALSE(FileExists(Pc("Empty.rlp")));
    EXPECT_FALSE(FileExists(Pc("flag.rli")));  // plain kinds are never part of "all"

    for (const char* file : {"Home.rlp", "Hike.rlr", "Walk.rlt"}) std::filesystem::remove(Pc(file));
    EXPECT_EQ(0, FromDevice(2, "HIKE", 0, out));
    EXPECT_TRUE(FileExists(Pc("Hike.rlr")));
    EXPECT_FALSE(FileExists(Pc("Home.rlp")));
    EXPECT_EQ(0, FromDevice(1, "Nothing", 0, out));
    EXPECT_EQ("", out);
}

TEST_F(CopyFromDeviceTest, PlainFileFromDeviceSkipTable) {
    struct Row {
        int64_t pcOffset;  // PC time minus device time
        uint32_t options;
        int32_t result;
        const char* message;  // before the PC path; null: none
    };
    const Row rows[] = {
        {-1, 0, devDestOlder, nullptr},
        {-1, optAlways, devReplaced, "Copying from Device: "},
        {-1, optUpdate, devReplaced, "Copying from Device: "},
        {-1, optNoReplace | optAlways, devDestOlder, nullptr},
        {0, 0, devReplaced, "Copying from Device: "},
        {0, optUpdate, devUpToDate, "File is up to date: "},
        {0, optNoReplace, devUpToDate, "File is up to date: "},
        {+1, 0, devReplaced, "Copying from Device: "},
        {+1, optUpdate, devDestNewer, "File is newer on PC: "},
        {+1, optNoReplace, devDestNewer, "File is newer on PC: "},
    };
    WriteDevice("flag.rli", "device icon");
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.pcOffset << " " << row.options);
        WritePc("flag.rli", "pc icon", kBaseTime + row.pcOffset);
        std::string out;
        EXPECT_EQ(row.result, FromDevice(9, nullptr, row.options, out));
        EXPECT_EQ(row.message != nullptr ? row.message + Pc("flag.rli") + "\n" : std::string(), out);
        const bool copied = row.result == devReplaced;
        EXPECT_EQ(copied ? "device icon" : "pc icon", ReadFile(Pc("flag.rli")));
        EXPECT_EQ(copied ? kBaseTime : kBaseTime + row.pcOffset, TimeOf(Pc("flag.rli")));
    }
    EXPECT_TRUE(FileExists(DeviceFile("flag.rli")));  // the copy back never deletes its source
}

TEST_F(CopyFromDeviceTest, PlainFilesKeepBothAndAsk) {
    WriteDevice("flag.rli", "device icon");
    WritePc("flag.rli", "pc icon", kBaseTime - 5);
    std::string out;
    EXPECT_EQ(0, FromDevice(9, "", optAlways | optKeepBoth, out));
    EXPECT_EQ("Copying from Device: " + Pc("flag_01.rli") + "\n", out);
    EXPECT_EQ("pc icon", ReadFile(Pc("flag.rli")));
    EXPECT_EQ("device icon", ReadFile(Pc("flag_01.rli")));
    EXPECT_EQ(0, FromDevice(9, "", optAlways | optKeepBoth, out));
    EXPECT_TRUE(FileExists(Pc("flag_02.rli")));

    struct Row {
        int32_t answer;
        int32_t result;
    };
    for (const Row& row : {Row{-1, devCancelled}, Row{1, devUpToDate}, Row{0, devReplaced}}) {
        WritePc("flag.rli", "pc icon", kBaseTime - 5);
        Log() = CallbackLog();
        Log().askAnswer = row.answer;
        EXPECT_EQ(row.result, FromDevice(9, "flag.rli", optAlways | optAsk, out));
        ASSERT_EQ(1u, Log().asks.size());
        EXPECT_EQ(Pc("flag.rli"), Log().asks[0].name);
        EXPECT_EQ(devDestOlder, Log().asks[0].status);
        EXPECT_EQ(row.answer == 0 ? "device icon" : "pc icon", ReadFile(Pc("flag.rli")));
    }
}

TEST_F(CopyFromDeviceTest, NumberedPcNamesWithoutExtensionUseRlp) {
    WriteDevice("notes", "device");
    WritePc("notes", "pc", kBaseTime - 5);
    std::string out;
    EXPECT_EQ(0, FromDevice(10, "notes", optAlways | optKeepBoth, out));
    EXPECT_EQ("device", ReadFile(Pc("notes_01.rlp")));
}

TEST_F(CopyFromDeviceTest, MapsBringTheirCompanionAndFoldersAreRefused) {
    WriteDevice("Topo_jpg.rlm", "map");
    WriteDevice("Topo.jpg", "image");
    std::filesystem::create_directories(DeviceFile("Dir.rlm"));
    std::string out;
    EXPECT_EQ(0, FromDevice(8, nullptr, 0, out));
    EXPECT_EQ("image", ReadFile(Pc("Topo.jpg")));
    EXPECT_EQ("map", ReadFile(Pc("Topo_jpg.rlm")));
    EXPECT_NE(std::string::npos, out.find("Device folder not copied: \\My Documents\\Roverlog\\Dir.rlm\n"));
    EXPECT_NE(std::string::npos, out.find("Copying from Device: " + Pc("Topo.jpg") + "\n"));
}

TEST_F(CopyFromDeviceTest, CancellingStopsTheCopy) {
    Push("Home.rlp", kPoints);
    Log().cancelAtStage = 0;
    std::string out;
    EXPECT_EQ(devCancelled, FromDevice(0, nullptr, 0, out));
    EXPECT_EQ((std::vector<int32_t>{0, devCancelled}), Stages());
    EXPECT_FALSE(FileExists(Pc("Home.rlp")));

    WriteDevice("big.prc", std::string(3000, 'x'));
    Log() = CallbackLog();
    Log().cancelAfterCalls = 2;
    EXPECT_EQ(devCancelled, FromDevice(10, nullptr, 0, out));
    EXPECT_EQ((std::vector<int32_t>{0, 1, 1, devCancelled}), Stages());
    EXPECT_EQ(2048u, ReadFile(Pc("big.prc")).size());  // what was written so far
    EXPECT_NE(kBaseTime, TimeOf(Pc("big.prc")));
}

TEST_F(CopyFromDeviceTest, FailureMessages) {
    Push("Home.rlp", kPoints);
    WriteDevice("flag.rli", "icon");
    const std::string flag = "\\My Documents\\Roverlog\\flag.rli";
    struct Row {
        const char* faults;
        int16_t kind;
        int32_t result;
        std::string message;
    };
    const Row rows[] = {
        {"CeMountDBVol", 0, devErrNoVolume, "Can't mount Database Volume: \\My Documents\\Roverlog\\RoverlogDBV.cdb"},
        {"CeOidGetInfoEx=7", 0, -1, "Error getting record info: Type: 506f4c69 Err: 7\n"},
        {"CeOidGetInfoEx=7", 2, 0, ""},  // no routes: nothing to ask about
        {"CeOpenDatabaseEx=6", 0, 6, "Getting from device: " + Pc("Home.rlp") + "\n"},
        {"CeCreateFile", 9, devErrOpenSource, "Unable to open device file: " + flag + "\n"},
        {"CeRapiInitEx", 0, -8, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.faults);
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.faults);
        std::string out;
        EXPECT_EQ(row.result, FromDevice(row.kind, nullptr, 0, out));
        EXPECT_EQ(row.message, out);
        EXPECT_FALSE(FileExists(Pc("Home.rlp")));
    }
    // A PC file that cannot be created leaves the result 0.
    std::filesystem::create_directories(Pc("Home.rlp"));
    std::string out;
    EXPECT_EQ(0, FromDevice(0, nullptr, optAlways, out));
    EXPECT_EQ("Getting from device: " + Pc("Home.rlp") + "\nUnable to open host/destination file: " +
                  Pc("Home.rlp") + "\n",
              out);
}

TEST_F(CopyFromDeviceTest, NoPcFolderMeansTheCurrentDirectory) {
    Push("Home.rlp", kPoints);
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(PcFolder());
    testing::internal::CaptureStdout();
    const int32_t result = RLDBCECopyFromDevice(nullptr, nullptr, nullptr, 0, nullptr, 0, 0, 0, 0, 0);
    testing::internal::GetCapturedStdout();
    std::filesystem::current_path(old);
    EXPECT_EQ(0, result);
    EXPECT_TRUE(FileExists(Pc("Home.rlp")));
}
