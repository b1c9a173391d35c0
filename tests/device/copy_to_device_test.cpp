// Copies to the emulated handheld through RLDBCECopyToDevice and its steps:
// the skip tables, replacing, numbered names, questions, progress, moves,
// maps and folders, and the failure messages the emulator's faults reach.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "device/copy_to_device.h"
#include "device/device_text.h"
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
const std::string kFlagPath = "\\My Documents\\Roverlog\\flag.rli";

class CopyToDeviceTest : public SyncTest {};

std::string LocalDate(uint64_t time) {
    const FILETIME when = MakeFileTime(time);
    WCHAR text[kFileDateTextSize];
    FileDateText(&when, text);
    return NarrowedText(text);
}

}  // namespace

TEST_F(CopyToDeviceTest, PointsFileBecomesADatabaseSortedByLongitude) {
    WritePc("Home.rlp", kPoints);
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), 0, out));
    EXPECT_EQ("Copying to Device: Home\n", out);
    const auto all = Databases();
    ASSERT_EQ(1u, all.size());
    EXPECT_EQ("Home", all[0].name);
    EXPECT_EQ(kTypePoints, all[0].type);
    EXPECT_EQ(kBaseTime, all[0].modified);
    ASSERT_EQ(2u, all[0].records.size());
    EXPECT_EQ("Cabin", all[0].records[0].name);
    EXPECT_EQ(-122700000, all[0].records[0].longitude);
    EXPECT_EQ("Home", all[0].records[1].name);
    EXPECT_EQ(0, all[0].records[1].text.find("45.5"));
    EXPECT_TRUE(FileExists(Pc("Home.rlp")));  // the source stays without optMove
}

TEST_F(CopyToDeviceTest, RouteFileGetsSequenceKeysAndTheRouteType) {
    WritePc("Hike.rlr",
            "45.1000000,-122.1000000,,,A,,\r\n45.2000000,-122.2000000,,,B,,\r\n45.3000000,-122.3000000,,,C,,\r\n");
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Hike.rlr"), 0, out));
    const auto all = Databases();
    ASSERT_EQ(1u, all.size());
    EXPECT_EQ(0x00003431u, all[0].type);
    ASSERT_EQ(3u, all[0].records.size());
    EXPECT_EQ(100u, all[0].records[0].key);
    EXPECT_EQ(200u, all[0].records[1].key);
    EXPECT_EQ(300u, all[0].records[2].key);
    EXPECT_GT(all[0].records[1].legDistance, 0);
}

TEST_F(CopyToDeviceTest, PointNamesAreCutTo31AndLoseTheirQuotes) {
    WritePc("Names.rlp",
            "1.0000000,2.0000000,,,\"Quoted\",,\r\n"
            "1.0000000,3.0000000,,,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,,\r\n");
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Names.rlp"), 0, out));
    const auto all = Databases();
    ASSERT_EQ(1u, all.size());
    ASSERT_EQ(2u, all[0].records.size());
    EXPECT_EQ("Quoted", all[0].records[0].name);
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", all[0].records[1].name);
}

TEST_F(CopyToDeviceTest, FileToDatabaseSkipTable) {
    struct Row {
        int64_t pcOffset;  // PC time minus device time
        uint32_t options;
        int32_t result;    // of FileToDeviceDatabase
        const char* message;
    };
    const Row rows[] = {
        {+1, 0, devReplaced, "Copying to Device: Home\n"},
        {+1, optAlways, devReplaced, "Copying to Device: Home\n"},
        {+1, optUpdate, devReplaced, "Copying to Device: Home\n"},
        {+1, optNoReplace, devDestOlder, "Database is older on device: Home\n"},
        {0, 0, devReplaced, "Copying to Device: Home\n"},
        {0, optUpdate, devUpToDate, "Database is up to date: Home\n"},
        {0, optNoReplace, devUpToDate, "Database is up to date: Home\n"},
        {-1, 0, devReplaced, "Copying to Device: Home\n"},
        {-1, optAlways, devReplaced, "Copying to Device: Home\n"},
        {-1, optUpdate, devDestNewer, "Database is newer on device: Home\n"},
        {-1, optNoReplace, devDestNewer, "Database is newer on device: Home\n"},
    };
    CreateDeviceDatabases({"Home"}, kTypePoints);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "offset " << row.pcOffset << " options " << row.options);
        SetDeviceDatabaseTime("Home", kBaseTime);
        WritePc("Home.rlp", kPoints, kBaseTime + row.pcOffset);
        int32_t result = 0;
        const std::string out = Captured([&] {
            DeviceSession session;
            ASSERT_TRUE(session.Ok());
            DeviceDatabase db;
            db.volume = session.target.volume;
            db.type = kTypePoints;
            result = FileToDeviceDatabase(db, session.target, devtest::W(Pc("Home.rlp").c_str()).c_str(),
                                          row.options, false);
        });
        EXPECT_EQ(row.result, result);
        EXPECT_EQ(row.message, out);
        const auto all = Databases();
        ASSERT_EQ(1u, all.size());
        EXPECT_EQ(row.result == devReplaced ? 2u : 0u, all[0].records.size());
        EXPECT_EQ(row.result == devReplaced ? kBaseTime + row.pcOffset : kBaseTime, all[0].modified);
        // Back to one empty Home for the next row.
        std::filesystem::remove(DeviceFile("RoverlogDBV.cdb"));
        CreateDeviceDatabases({"Home"}, kTypePoints);
    }
}

TEST_F(CopyToDeviceTest, PlainFileToDeviceSkipTable) {
    struct Row {
        int64_t pcOffset;
        uint32_t options;
        int32_t result;
        const char* message;  // after the device path
    };
    const Row rows[] = {
        {+1, 0, devDestOlder, "File is older on device: "},
        {+1, optAlways, devReplaced, "Copying to Device: "},
        {+1, optUpdate, devReplaced, "Copying to Device: "},
        {+1, optNoReplace | optAlways, devDestOlder, "File is older on device: "},
        {0, 0, devReplaced, "Copying to Device: "},
        {0, optUpdate, devUpToDate, "File is up to date: "},
        {0, optNoReplace, devUpToDate, "File is up to date: "},
        {-1, 0, devReplaced, "Copying to Device: "},
        {-1, optAlways, devReplaced, "Copying to Device: "},
        {-1, optUpdate, devDestNewer, "File is newer on device: "},
        {-1, optNoReplace, devDestNewer, "File is newer on device: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "offset " << row.pcOffset << " options " << row.options);
        WriteDevice("flag.rli", "old", kBaseTime);
        WritePc("flag.rli", "new!", kBaseTime + row.pcOffset);
        int32_t result = 0;
        const std::string out = Captured([&] {
            DeviceSession session;
            ASSERT_TRUE(session.Ok());
            result = CopyPlainFileToDevice(session.target, devtest::W(Pc("flag.rli").c_str()).c_str(), row.options,
                                           false);
        });
        EXPECT_EQ(row.result, result);
        EXPECT_EQ(std::string(row.message) + kFlagPath + "\n", out);
        const bool copied = row.result == devReplaced;
        EXPECT_EQ(copied ? "new!" : "old", ReadFile(DeviceFile("flag.rli")));
        EXPECT_EQ(copied ? kBaseTime + row.pcOffset : kBaseTime, TimeOf(DeviceFile("flag.rli")));
    }
}

TEST_F(CopyToDeviceTest, ASingleFileReportsReplacedAsZero) {
    WriteDevice("flag.rli", "old");
    WritePc("flag.rli", "new");
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("flag.rli"), 0, out));
    EXPECT_EQ("new", ReadFile(DeviceFile("flag.rli")));
    WritePc("Home.rlp", kPoints);
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), 0, out));
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), 0, out));
    EXPECT_EQ(devUpToDate, ToDevice(Pc("Home.rlp"), optUpdate, out));
    EXPECT_EQ("Database is up to date: Home\n", out);
}

TEST_F(CopyToDeviceTest, KeepBothTakesTheFirstFreeNumberedName) {
    struct Row {
        std::vector<std::string> present;
        const char* created;
    };
    const Row rows[] = {
        {{"Home"}, "Home_01"},
        {{"Home", "Home_01"}, "Home_02"},
        {{"Home", "Home_02"}, "Home_01"},
    };
    for (const Row& row : rows) {
        std::filesystem::remove(DeviceFile("RoverlogDBV.cdb"));
        CreateDeviceDatabases(row.present, kTypePoints);
        WritePc("Home.rlp", kPoints, kBaseTime + 5);
        std::string out;
        EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optKeepBoth, out));
        EXPECT_EQ(std::string("Copying to Device: ") + row.created + "\n", out);
        const auto all = Databases();
        EXPECT_EQ(row.present.size() + 1, all.size());
        const DeviceDatabaseView* made = FindDatabase(all, row.created);
        ASSERT_NE(nullptr, made);
        EXPECT_EQ(2u, made->records.size());
        EXPECT_EQ(0u, FindDatabase(all, "Home")->records.size());  // nothing replaced
        EXPECT_TRUE(Log().asks.empty());
    }
}

TEST_F(CopyToDeviceTest, KeepBothWithAll98NamesTakenAsksAndReplaces) {
    std::vector<std::string> names = {"Home"};
    for (int n = 1; n <= 98; ++n) names.push_back(n < 10 ? "Home_0" + std::to_string(n) : "Home_" + std::to_string(n));
    CreateDeviceDatabases(names, kTypePoints);
    WritePc("Home.rlp", kPoints, kBaseTime + 5);
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optKeepBoth, out));
    ASSERT_EQ(1u, Log().asks.size());
    EXPECT_EQ("Home", Log().asks[0].name);
    EXPECT_EQ(devDestOlder, Log().asks[0].status);
    const auto all = Databases();
    EXPECT_EQ(99u, all.size());  // no Home_99
    EXPECT_EQ(2u, FindDatabase(all, "Home")->records.size());
}

TEST_F(CopyToDeviceTest, AskAnswers) {
    struct Row {
        int32_t answer;
        int32_t result;
        bool replaced;
    };
    const Row rows[] = {{-1, devCancelled, false}, {1, devUpToDate, false}, {0, 0, true}, {2, 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        std::filesystem::remove(DeviceFile("RoverlogDBV.cdb"));
        CreateDeviceDatabases({"Home"}, kTypePoints, kBaseTime + 7);
        WritePc("Home.rlp", kPoints, kBaseTime);
        Log() = CallbackLog();
        Log().askAnswer = row.answer;
        std::string out;
        EXPECT_EQ(row.result, ToDevice(Pc("Home.rlp"), optAsk, out));
        ASSERT_EQ(1u, Log().asks.size());
        EXPECT_EQ("Home", Log().asks[0].name);
        EXPECT_EQ(devDestNewer, Log().asks[0].status);
        EXPECT_EQ(LocalDate(kBaseTime), Log().asks[0].sourceDate);
        EXPECT_EQ(LocalDate(kBaseTime + 7), Log().asks[0].destinationDate);
        EXPECT_EQ(row.replaced ? 2u : 0u, Databases()[0].records.size());
    }
}

TEST_F(CopyToDeviceTest, WithoutAskCallbackTheAnswerIsReplace) {
    RLSetAskReplaceCallback(nullptr);
    CreateDeviceDatabases({"Home"}, kTypePoints, kBaseTime + 7);
    WritePc("Home.rlp", kPoints);
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optAsk, out));
    EXPECT_EQ(2u, Databases()[0].records.size());
}

TEST_F(CopyToDeviceTest, ProgressStages) {
    WritePc("Home.rlp", kPoints);
    std::string out;
    ASSERT_EQ(0, ToDevice(Pc("Home.rlp"), 0, out));
    const int32_t size = static_cast<int32_t>(std::string(kPoints).size());
    ASSERT_EQ((std::vector<int32_t>{0, 1, 1, 2}), Stages());
    for (const ProgressCall& call : Log().progress) {
        EXPECT_EQ("Home", call.name);
        EXPECT_EQ(size, call.total);
    }
    EXPECT_EQ(0, Log().progress[0].done);
    EXPECT_LT(Log().progress[1].done, Log().progress[2].done);
    EXPECT_EQ(size, Log().progress[3].done);

    Log() = CallbackLog();
    WritePc("big.prc", std::string(2500, 'x'));
    ASSERT_EQ(0, ToDevice(Pc("big.prc"), 0, out));
    ASSERT_EQ((std::vector<int32_t>{0, 1, 1, 1, 2}), Stages());
    EXPECT_EQ(1024, Log().progress[1].done);
    EXPECT_EQ(2048, Log().progress[2].done);
    EXPECT_EQ(2500, Log().progress[3].done);
    EXPECT_EQ("\\My Documents\\Roverlog\\big.prc", Log().progress[0].name);
}

TEST_F(CopyToDeviceTest, CancellingAtStageZeroLeavesAnEmptyDestinationAndTheSource) {
    struct Row {
        const char* file;
        const char* bytes;
    };
    const Row rows[] = {{"Home.rlp", kPoints}, {"flag.rli", "icon bytes"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        Log() = CallbackLog();
        Log().cancelAtStage = 0;
        WritePc(row.file, row.bytes);
        std::string out;
        EXPECT_EQ(devCancelled, ToDevice(Pc(row.file), optMove, out));
        EXPECT_EQ((std::vector<int32_t>{0, devCancelled}), Stages());
        EXPECT_TRUE(FileExists(Pc(row.file)));
    }
    const auto all = Databases();
    ASSERT_EQ(1u, all.size());
    EXPECT_EQ(0u, all[0].records.size());
    EXPECT_NE(kBaseTime, all[0].modified);  // a cut-short copy never looks up to date
    EXPECT_EQ("", ReadFile(DeviceFile("flag.rli")));
}

TEST_F(CopyToDeviceTest, CancellingDuringTheRecordsKeepsWhatWasWritten) {
    Log().cancelAfterCalls = 2;  // stage 0 and the first record pass
    WritePc("Home.rlp", kPoints);
    std::string out;
    EXPECT_EQ(devCancelled, ToDevice(Pc("Home.rlp"), 0, out));
    EXPECT_EQ((std::vector<int32_t>{0, 1, 1, devCancelled}), Stages());
    EXPECT_EQ(1u, Databases()[0].records.size());
}

TEST_F(CopyToDeviceTest, MoveDeletesTheSourceOnlyAfterSuccess) {
    WritePc("Home.rlp", kPoints);
    WritePc("flag.rli", "icon");
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optMove, out));
    EXPECT_FALSE(FileExists(Pc("Home.rlp")));
    EXPECT_EQ(0, ToDevice(Pc("flag.rli"), optMove, out));
    EXPECT_FALSE(FileExists(Pc("flag.rli")));

    // Skipped or failed copies keep the source.
    WritePc("Home.rlp", kPoints);
    EXPECT_EQ(devUpToDate, ToDevice(Pc("Home.rlp"), optMove | optUpdate, out));
    EXPECT_TRUE(FileExists(Pc("Home.rlp")));
    ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeCreateDatabaseEx=5");
    WritePc("Lake.rlp", kPoints);
    EXPECT_EQ(5, ToDevice(Pc("Lake.rlp"), optMove, out));
    EXPECT_TRUE(FileExists(Pc("Lake.rlp")));
}

TEST_F(CopyToDeviceTest, PalmDatabaseIsConvertedAndTheConversionRemoved) {
    RLPointRecord records[2] = {};
    std::snprintf(records[0].name, sizeof records[0].name, "Tent");
    std::snprintf(records[0].latitude, sizeof records[0].latitude, "44.0000000");
    std::snprintf(records[0].longitude, sizeof records[0].longitude, "-121.0000000");
    std::snprintf(records[1].name, sizeof records[1].name, "Lake");
    std::snprintf(records[1].latitude, sizeof records[1].latitude, "44.1000000");
    std::snprintf(records[1].longitude, sizeof records[1].longitude, "-121.5000000");
    ASSERT_EQ(0, RLDBWritePDB(Pc("Camp.pdb").c_str(), records, 2, 0));
    SetTime(Pc("Camp.pdb"), kBaseTime);
    WritePc("Camp.rlp", "a user's own file\r\n");  // never touched by the conversion
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Camp.pdb"), 0, out));
    EXPECT_EQ("No Cal File\nCopying to Device: Camp\n", out);  // the export's own note
    const auto all = Databases();
    ASSERT_EQ(1u, all.size());
    EXPECT_EQ("Camp", all[0].name);
    EXPECT_EQ(kTypePoints, all[0].type);
    EXPECT_EQ(kBaseTime, all[0].modified);  // the converted file carried the source's time
    ASSERT_EQ(2u, all[0].records.size());
    EXPECT_EQ("Lake", all[0].records[0].name);
    EXPECT_EQ("a user's own file\r\n", ReadFile(Pc("Camp.rlp")));
    EXPECT_TRUE(FileExists(Pc("Camp.pdb")));
    // Only the user's files are left in the folder.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PcFolder())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(2u, entries);

    EXPECT_EQ(0, ToDevice(Pc("Camp.pdb"), optMove, out));
    EXPECT_FALSE(FileExists(Pc("Camp.pdb")));
    EXPECT_TRUE(FileExists(Pc("Camp.rlp")));
}

TEST_F(CopyToDeviceTest, CommaTextIsImportedAsPoints) {
    WritePc("Trip.csv", "45.5,-122.6,100,,Start,,\r\n");
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Trip.csv"), 0, out));
    const auto all = Databases();
    ASSERT_EQ(1u, all.size());
    EXPECT_EQ("Trip", all[0].name);
    ASSERT_EQ(1u, all[0].records.size());
    EXPECT_EQ("Start", all[0].records[0].name);
    EXPECT_TRUE(FileExists(Pc("Trip.csv")));
    EXPECT_FALSE(FileExists(Pc("Trip.rlp")));
}

TEST_F(CopyToDeviceTest, ForcedKindDecidesForUnknownExtensionsOnly) {
    WritePc("trip.rlt", "45.5,-122.6,,,A,,\r\n");
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("trip.rlt"), 0, out, 0));
    ASSERT_EQ(1u, Databases().size());
    EXPECT_EQ(kTypeTrack, Databases()[0].type);
}

TEST_F(CopyToDeviceTest, MapsTakeTheirCompanionImage) {
    WritePc("Topo_jpg.rlm", "map");
    WritePc("Topo.jpg", "image bytes");
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Topo_jpg.rlm"), 0, out));
    EXPECT_EQ("Copying to Device: \\My Documents\\Roverlog\\Topo_jpg.rlm\n"
              "Copying to Device: \\My Documents\\Roverlog\\Topo.jpg\n",
              out);
    EXPECT_EQ("image bytes", ReadFile(DeviceFile("Topo.jpg")));
    EXPECT_EQ((std::vector<int32_t>{0, 1, 2, 0, 1, 2}), Stages());

    // No "_": no companion. A missing companion fails at its open.
    WritePc("Plain.rlm", "map");
    EXPECT_EQ(0, ToDevice(Pc("Plain.rlm"), 0, out));
    EXPECT_EQ("Copying to Device: \\My Documents\\Roverlog\\Plain.rlm\n", out);
    WritePc("Sea_png.rlm", "map");
    EXPECT_EQ(devErrOpenSource, ToDevice(Pc("Sea_png.rlm"), 0, out));
    EXPECT_EQ("Copying to Device: \\My Documents\\Roverlog\\Sea_png.rlm\n"
              "Unable to open source/host file: " + Pc("Sea.png") + "\n",
              out);
}

TEST_F(CopyToDeviceTest, FolderCopies) {
    WritePc("A.rlp", kPoints);
    WritePc("B.rlp", kPoints);
    std::filesystem::create_directories(Pc("sub"));
    std::string out;
    CreateDeviceDatabases({"A"}, kTypePoints);
    // The identical A is skipped and counted; B is copied.
    EXPECT_EQ(devUpToDate, ToDevice(PcFolder(), optUpdate, out));
    auto all = Databases();
    ASSERT_EQ(2u, all.size());
    EXPECT_EQ(2u, FindDatabase(all, "B")->records.size());
    // The same with a final separator and with a pattern.
    EXPECT_EQ(devUpToDate, ToDevice(PcFolder() + "/", optUpdate, out));
    EXPECT_EQ(devUpToDate, ToDevice(Pc("*.rlp"), optUpdate, out));
    // A file of no kind is counted as well.
    WritePc("README", "text");
    EXPECT_EQ(devErrNoKind, ToDevice(Pc("READ*"), 0, out));
    EXPECT_EQ(0, ToDevice(Pc("*.none"), 0, out));  // nothing found
}

TEST_F(CopyToDeviceTest, FolderCopyEndsWhenTheHostCancels) {
    WritePc("A.rlp", kPoints);
    WritePc("B.rlp", kPoints);
    CreateDeviceDatabases({"A", "B"}, kTypePoints);
    Log().askAnswer = -1;
    std::string out;
    EXPECT_EQ(devCancelled, ToDevice(PcFolder(), optAsk, out));
    EXPECT_EQ(1u, Log().asks.size());
}

TEST_F(CopyToDeviceTest, RefusedPaths) {
    std::string out;
    EXPECT_EQ(devErrNoSource, ToDevice(Pc("missing.rlp"), 0, out));
    WritePc("README", "text");
    EXPECT_EQ(devErrNoKind, ToDevice(Pc("README"), 0, out));
    EXPECT_EQ("", out);
    EXPECT_TRUE(Databases().empty());
}

TEST_F(CopyToDeviceTest, OverlongNamesAndLinesAreRefusedByName) {
    const std::string longName(32, 'N');
    WritePc(longName + ".rlp", kPoints);
    std::string out;
    EXPECT_EQ(-1, ToDevice(Pc(longName + ".rlp"), 0, out));
    EXPECT_EQ("Database name longer than 31 characters, not copied: " + longName + "\n", out);

    // A name that fits, but whose numbered form would not.
    const std::string name29(29, 'M');
    CreateDeviceDatabases({name29}, kTypePoints);
    WritePc(name29 + ".rlp", kPoints, kBaseTime + 1);
    EXPECT_EQ(-1, ToDevice(Pc(name29 + ".rlp"), optKeepBoth, out));
    EXPECT_EQ("Database name longer than 31 characters, not copied: " + name29 + "_01\n", out);

    WritePc("Long.rlp", "45.5,-122.6,,,First,,\r\n45.5,-122.6,,,Second," + std::string(6000, 'd') +
                            ",\r\n45.7,-122.8,,,Third,,\r\n");
    EXPECT_EQ(0, ToDevice(Pc("Long.rlp"), 0, out));
    EXPECT_EQ("Copying to Device: Long\nLine 2 longer than 5191 bytes, not copied: " + Pc("Long.rlp") + "\n", out);
    const auto all = Databases();
    ASSERT_EQ(2u, all.size());
    EXPECT_EQ(2u, FindDatabase(all, "Long")->records.size());
}

TEST_F(CopyToDeviceTest, FailureMessages) {
    WriteDevice("flag.rli", "old");
    WritePc("flag.rli", "new");
    WritePc("Home.rlp", kPoints);
    const std::string flag = "\\My Documents\\Roverlog\\flag.rli";
    struct Row {
        const char* faults;
        const char* file;
        bool existingDatabase;
        int32_t result;
        std::string message;
    };
    const Row rows[] = {
        {"CeMountDBVol", "Home.rlp", false, devErrNoVolume,
         "Can't mount Database Volume: \\My Documents\\Roverlog\\RoverlogDBV.cdb"},
        {"CeCreateDatabaseEx=5", "Home.rlp", false, 5,
         "Copying to Device: Home\nUnable to create remote database file: Home, Err=5\n"},
        {"CeOpenDatabaseEx=6", "Home.rlp", false, 6,
         "Copying to Device: Home\nUnable to open remote database file: Home, Err=6\n"},
        {"CeWriteRecordProps=8", "Home.rlp", false, 8, "Copying to Device: Home\n"},
        {"CeDeleteDatabaseEx", "Home.rlp", true, -1,
         "Unable to overwrite remote database file: Home, Err=ffffffff\n"},
        {"CeDeleteFile", "flag.rli", false, -1, "Unable to overwrite remote file: " + flag + ", Err=ffffffff\n"},
        {"CeCreateFile", "flag.rli", false, -1, "Copying to Device: " + flag + "\nUnable to create destination file: " +
                                                    flag + "\n"},
        {"CeWriteFile", "flag.rli", false, -1, "Copying to Device: " + flag + "\nError !!! Writing hostfile: " + flag +
                                                   "\n"},
        {"CeRapiInitEx", "Home.rlp", false, -8, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.faults);
        std::filesystem::remove(DeviceFile("RoverlogDBV.cdb"));
        CreateDeviceDatabases(row.existingDatabase ? std::vector<std::string>{"Home"} : std::vector<std::string>{},
                              kTypePoints);
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.faults);
        testing::internal::CaptureStderr();
        std::string out;
        EXPECT_EQ(row.result, ToDevice(Pc(row.file), 0, out));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(row.message, out);
        if (row.result == 8) {
#if defined(_WIN32)
            EXPECT_EQ("", err);  // the line goes to the debugger (OutputDebugString)
#else
            EXPECT_EQ("DBWriteRecord-CeWriteRecordProps failed (8)\n", err);
#endif
        }
    }
}

TEST_F(CopyToDeviceTest, UnconvertibleDatabase) {
    WritePc("Bad.pdb", "this is no database");
    std::string out;
    const int32_t result = ToDevice(Pc("Bad.pdb"), 0, out);
    EXPECT_NE(0, result);
    EXPECT_NE(std::string::npos, out.find("Unable to Convert PalmOS Database: " + Pc("Bad.pdb") + ", Err="));
    EXPECT_TRUE(Databases().empty());
    EXPECT_TRUE(FileExists(Pc("Bad.pdb")));
}

TEST_F(CopyToDeviceTest, CreateVolumeMakesFolderAndVolume) {
    std::filesystem::remove_all(root_.Join("My Documents/Roverlog"));
    WritePc("Home.rlp", kPoints);
    std::string out;
    EXPECT_EQ(devErrNoVolume, ToDevice(Pc("Home.rlp"), 0, out));
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optCreateVolume, out));
    EXPECT_EQ(1u, Databases().size());
}
