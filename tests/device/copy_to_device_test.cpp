// Copies to the emulated handheld through RLDBCECopyToDevice: skip tables, numbered names,
// questions, progress, cancelling, maps, folders, Palm databases and failure messages.
#include <filesystem>

#include "device/transfer_rules.h"
#include "device_test_support.h"
#include "state/conversion_state.h"
#include "support/database_bytes.h"

using namespace devtest;

namespace {

using CopyToDeviceTest = SyncTest;

TEST_F(CopyToDeviceTest, TextFilesBecomeDatabasesOfTheirKind) {
    WritePc("Hike.rlr", "45.1,-122.1,,,A,,\r\n45.2,-122.2,,,B,,\r\n");
    EXPECT_EQ(0, ToDevice(Pc("Hike.rlr")));
    EXPECT_EQ("Copying to Device: Hike\n", out_);
    EXPECT_TRUE(FileExists(Pc("Hike.rlr")));  // the source stays without optMove
    // Point names are cut to 31 and lose their quotes.
    WritePc("Names.rlp", "1.0,2.0,,,\"Quoted\",,\r\n1.0,3.0,,,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,,\r\n");
    EXPECT_EQ(0, ToDevice(Pc("Names.rlp")));
    WritePc("walk.rlt", "45.5,-122.6,,,A,,\r\n");  // a forced kind decides for unknown extensions only
    EXPECT_EQ(0, ToDevice(Pc("walk.rlt"), 0, 0));
    // An empty line gives a record of the cleared work record; a quoted line feed stays in its line.
    WritePc("Odd.rlt", "45.1,-122.1,,,A,,\"two\nlines\"\r\n\r\n45.2,-122.2,,,C,,");
    EXPECT_EQ(0, ToDevice(Pc("Odd.rlt")));
    // The tab layout (source 2) splits at tabs only; a record keeps no commas.
    WritePc("Tabs.rlp", "45.1\t-122.1\t\t\tA,B\t\t\r\n");
    EXPECT_EQ(0, RLDBCECopyToDevice(Pc("Tabs.rlp").c_str(), nullptr, 0, nullptr, -1, 2, -1, nullptr));

    const auto all = Databases();
    ASSERT_EQ(5u, all.size());
    EXPECT_EQ(0x00003431u, Find(all, "Hike")->type);
    EXPECT_GT(Find(all, "Hike")->records[1].legDistance, 0);
    EXPECT_EQ((Strings{"Quoted", "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"}), Find(all, "Names")->Names());
    EXPECT_EQ(kTypeTrack, Find(all, "walk")->type);
    EXPECT_EQ(Strings{"A B"}, Find(all, "Tabs")->Names());
    EXPECT_EQ(-122100000, Find(all, "Tabs")->records[0].longitude);
    EXPECT_EQ("45.1000000,-122.1000000,,,A B,,", Find(all, "Tabs")->records[0].text);
    const auto& odd = Find(all, "Odd")->records;
    ASSERT_EQ(3u, odd.size());
    EXPECT_NE(std::string::npos, odd[0].text.find("two"));
    EXPECT_EQ((Ints{-122100000, 0, -122200000}),
              (Ints{odd[0].longitude, odd[1].longitude, odd[2].longitude}));
    // A track's records keep their order on the handheld by a key of 100 a step.
    EXPECT_EQ((std::vector<uint32_t>{100, 200, 300}),
              (std::vector<uint32_t>{odd[0].sequence, odd[1].sequence, odd[2].sequence}));
}

TEST_F(CopyToDeviceTest, SkipTables) {
    const char* const kCopying = "Copying to Device: ";
    struct {
        int64_t pcOffset;  // PC time minus device time
        uint32_t options;
        int32_t result;
        const char* message;
    } const rows[] = {
        {+1, 0, devReplaced, kCopying},
        {+1, optUpdate, devReplaced, kCopying},
        {+1, optNoReplace, devDestOlder, "Database is older on device: "},
        {0, 0, devReplaced, kCopying},
        {0, optUpdate, devUpToDate, "Database is up to date: "},
        {0, optUpdate | optMove, devUpToDate, "Database is up to date: "},  // a skip keeps the source
        {-1, 0, devReplaced, kCopying},
        {-1, optUpdate, devDestNewer, "Database is newer on device: "},
        {-1, optNoReplace, devDestNewer, "Database is newer on device: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "offset " << row.pcOffset << " options " << row.options);
        const bool copied = row.result == devReplaced;
        ResetDevice({"Home"});
        WritePc("Home.rlp", kPoints, kBaseTime + row.pcOffset);
        EXPECT_EQ(copied ? 0 : row.result, ToDevice(Pc("Home.rlp"), row.options));  // one file: replaced is 0
        EXPECT_EQ(std::string(row.message) + "Home\n", out_);
        EXPECT_TRUE(FileExists(Pc("Home.rlp")));  // never moved
        const auto all = Databases();
        ASSERT_EQ(1u, all.size());
        EXPECT_EQ(copied ? 2u : 0u, all[0].records.size());
        EXPECT_EQ(copied ? kBaseTime + row.pcOffset : kBaseTime, all[0].modified);
    }
}

TEST_F(CopyToDeviceTest, KeepBothTakesTheFirstFreeNumberedName) {
    Strings upTo97 = {"Home"};  // the last free numbered name
    for (int n = 1; n <= 97; ++n) upTo97.push_back((n < 10 ? "Home_0" : "Home_") + std::to_string(n));
    const std::pair<Strings, const char*> rows[] = {{{"Home"}, "Home_01"},
                                                    {{"Home", "Home_01"}, "Home_02"},
                                                    {{"Home", "Home_02"}, "Home_01"},
                                                    {upTo97, "Home_98"}};
    for (const auto& [present, created] : rows) {
        ResetDevice(present);
        WritePc("Home.rlp", kPoints, kBaseTime + 5);
        EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optKeepBoth));
        EXPECT_EQ(std::string("Copying to Device: ") + created + "\n", out_);
        const auto all = Databases();
        EXPECT_EQ(present.size() + 1, all.size());
        ASSERT_NE(nullptr, Find(all, created));
        EXPECT_EQ(2u, Find(all, created)->records.size());
        EXPECT_EQ(0u, Find(all, "Home")->records.size());  // nothing replaced
        EXPECT_TRUE(Log().asks.empty());
    }
    // With all 98 numbered names taken: the question, then replacing.
    upTo97.push_back("Home_98");
    ResetDevice(upTo97);
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optKeepBoth));
    ASSERT_EQ(1u, Log().asks.size());
    EXPECT_EQ("Home", Log().asks[0].name);
    EXPECT_EQ(devDestOlder, Log().asks[0].status);
    const auto all = Databases();
    EXPECT_EQ(99u, all.size());  // no Home_99
    EXPECT_EQ(2u, Find(all, "Home")->records.size());
}

TEST_F(CopyToDeviceTest, AskAnswers) {
    struct {
        int32_t answer;
        int32_t result;
        bool replaced;
    } const rows[] = {
        {-1, devCancelled, false}, {1, devUpToDate, false}, {0, 0, true}, {2, 0, true}, {99, 0, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer);
        ResetDevice({"Home"}, kBaseTime + 7);
        WritePc("Home.rlp", kPoints, kBaseTime);
        Log() = CallbackLog();
        Log().askAnswer = row.answer;
        if (row.answer == 99) RLSetAskReplaceCallback(nullptr);  // without a callback the answer is replace
        EXPECT_EQ(row.result, ToDevice(Pc("Home.rlp"), optAsk));
        EXPECT_EQ(row.replaced ? 2u : 0u, Databases()[0].records.size());
        if (row.answer == 99) continue;
        ASSERT_EQ(1u, Log().asks.size());
        EXPECT_EQ("Home", Log().asks[0].name);
        EXPECT_EQ(devDestNewer, Log().asks[0].status);
        EXPECT_EQ("   Mar/14/2004 14:25", Log().asks[0].sourceDate);  // as the listing shows them
        EXPECT_EQ("   Mar/14/2004 14:25", Log().asks[0].destinationDate);
    }
}

TEST_F(CopyToDeviceTest, ProgressStages) {
    WritePc("Home.rlp", kPoints);
    ASSERT_EQ(0, ToDevice(Pc("Home.rlp")));
    EXPECT_EQ("0 0/100 Home;1 50/100 Home;1 96/100 Home;2 100/100 Home;", Progress());
    Log() = CallbackLog();
    WritePc("big.prc", std::string(2500, 'x'));
    ASSERT_EQ(0, ToDevice(Pc("big.prc"), optMove));
    EXPECT_EQ(std::string(2500, 'x'), ReadFileText(DeviceFile("big.prc")));
    EXPECT_FALSE(FileExists(Pc("big.prc")));
    const std::string big = "/2500 \\My Documents\\Roverlog\\big.prc;";
    EXPECT_EQ("0 0" + big + "1 1024" + big + "1 2048" + big + "1 2500" + big + "2 2500" + big, Progress());
}

// Cancelled at stage 0 or later, either way: nothing (half-)written, the source kept even when moved.
TEST_F(CopyToDeviceTest, Cancelling) {
    Push("Lake.rlp", kPoints);
    WriteDevice("big.prc", std::string(3000, 'x'));
    WritePc("Home.rlp", kPoints);
    WritePc("flag.rli", "icon bytes");
    const struct {
        bool push;
        const char* file;
        int16_t kind;
        bool duringRecords;  // else at stage 0
        Ints stages;
    } rows[] = {
        {true, "Home.rlp", -1, false, {0, devCancelled}},
        {true, "flag.rli", -1, false, {0, devCancelled}},
        {true, "Home.rlp", -1, true, {0, 1, 1, devCancelled}},  // stage 0 and the first record pass
        {false, "Lake.rlp", 0, false, {0, devCancelled}},
        {false, "big.prc", 10, true, {0, 1, 1, devCancelled}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        Log() = CallbackLog();
        row.duringRecords ? Log().cancelAfterCalls = 2 : Log().cancelAtStage = 0;
        EXPECT_EQ(devCancelled,
                  row.push ? ToDevice(Pc(row.file), optMove) : FromDevice(row.kind, nullptr, optMove));
        EXPECT_EQ(row.stages, Stages());
        EXPECT_EQ(row.push, FileExists(Pc(row.file)));
        Strings databases;
        for (const DeviceDatabaseView& db : Databases()) databases.push_back(db.name);
        EXPECT_EQ(Strings{"Lake"}, databases);
        EXPECT_EQ((Strings{"RoverlogDBV.cdb", "big.prc"}), FolderNames(DeviceFile("")));
    }
}

TEST_F(CopyToDeviceTest, PalmDatabaseIsConvertedAndTheConversionRemoved) {
    RLPointRecord records[2] = {};
    std::snprintf(records[0].name, sizeof records[0].name, "Tent");
    std::snprintf(records[1].name, sizeof records[1].name, "Lake");
    std::snprintf(records[1].longitude, sizeof records[1].longitude, "-121.5000000");
    ASSERT_EQ(0, RLDBWritePDB(Pc("Camp.pdb").c_str(), records, 2, 0));
    SetTime(Pc("Camp.pdb"), kBaseTime);
    WritePc("Camp.rlp", "a user's own file\r\n");  // never touched by the conversion
    // What a conversion killed two days ago left goes with this one's.
    std::filesystem::create_directory(Pc("~vezuved-convert-1"));
    WritePc("~vezuved-convert-1/Camp.rlp", "half");
    MakeFolderTwoDaysOld(Pc("~vezuved-convert-1"));
    EXPECT_EQ(0, ToDevice(Pc("Camp.pdb")));
    EXPECT_EQ("No Cal File\nCopying to Device: Camp\n", out_);  // the export's own note
    const auto all = Databases();
    ASSERT_EQ(1u, all.size());
    EXPECT_EQ(kTypePoints, all[0].type);
    EXPECT_EQ(kBaseTime, all[0].modified);  // the converted file carried the source's time
    EXPECT_EQ((Strings{"Lake", "Tent"}), all[0].Names());
    EXPECT_EQ("a user's own file\r\n", ReadFileText(Pc("Camp.rlp")));
    EXPECT_EQ(2,
              std::distance(std::filesystem::directory_iterator(PcFolder()), {}));  // only the user's files
    // A file that is no database is refused with the reason and kept.
    WritePc("Bad.pdb", "this is no database");
    EXPECT_EQ(0x408, ToDevice(Pc("Bad.pdb"), optMove));  // the database's own code
    EXPECT_EQ("No Cal File\nErr: 0x408Unable to Convert PalmOS Database: " + Pc("Bad.pdb") + ", Err=408\n",
              out_);
    EXPECT_TRUE(FileExists(Pc("Bad.pdb")));
}

TEST_F(CopyToDeviceTest, MapsTakeTheirCompanionImage) {
    const std::string folder = "Copying to Device: \\My Documents\\Roverlog\\";
    WritePc("Topo_jpg.rlm", "map");
    WritePc("Topo.jpg", "image bytes");
    EXPECT_EQ(0, ToDevice(Pc("Topo_jpg.rlm")));
    EXPECT_EQ(folder + "Topo_jpg.rlm\n" + folder + "Topo.jpg\n", out_);
    EXPECT_EQ("image bytes", ReadFileText(DeviceFile("Topo.jpg")));
    EXPECT_EQ((Ints{0, 1, 2, 0, 1, 2}), Stages());
    // No "_": no companion. A missing companion fails at its open.
    WritePc("Plain.rlm", "map");
    EXPECT_EQ(0, ToDevice(Pc("Plain.rlm")));
    EXPECT_EQ(folder + "Plain.rlm\n", out_);
    WritePc("Sea_png.rlm", "map");
    EXPECT_EQ(devErrOpenSource, ToDevice(Pc("Sea_png.rlm")));
    EXPECT_EQ(folder + "Sea_png.rlm\nUnable to open source/host file: " + Pc("Sea.png") + "\n", out_);
}

TEST_F(CopyToDeviceTest, FolderCopies) {
    WritePc("A.rlp", kPoints);
    WritePc("B.rlp", kPoints);
    std::filesystem::create_directories(Pc("sub"));
    CreateDeviceDatabases({"A"});
    // The identical A is skipped and counted; B is copied.
    EXPECT_EQ(devUpToDate, ToDevice(PcFolder(), optUpdate));
    const auto all = Databases();
    ASSERT_EQ(2u, all.size());
    EXPECT_EQ(2u, Find(all, "B")->records.size());
    // The same with a final separator and with a pattern.
    EXPECT_EQ(devUpToDate, ToDevice(PcFolder() + "/", optUpdate));
    EXPECT_EQ(devUpToDate, ToDevice(Pc("*.rlp"), optUpdate));
    // The host's cancel ends the folder copy at the first question.
    Log().askAnswer = -1;
    EXPECT_EQ(devCancelled, ToDevice(PcFolder(), optAsk));
    EXPECT_EQ(1u, Log().asks.size());
    // A file of no kind is counted as well; nothing found is no failure.
    WritePc("README", "text");
    EXPECT_EQ(devErrNoKind, ToDevice(Pc("READ*")));
    EXPECT_EQ(0, ToDevice(Pc("*.none")));
}

TEST_F(CopyToDeviceTest, RefusedPathsNamesAndLines) {
    EXPECT_EQ(devErrNoSource, ToDevice(Pc("missing.rlp")));
    WritePc("README", "text");
    EXPECT_EQ(devErrNoKind, ToDevice(Pc("README")));
    EXPECT_EQ("", out_);
    EXPECT_TRUE(Databases().empty());

    const std::string longest(31, 'N'), longName(32, 'N');  // 31 characters fit, 32 do not
    WritePc(longest + ".rlp", kPoints);
    EXPECT_EQ(0, ToDevice(Pc(longest + ".rlp")));
    EXPECT_NE(nullptr, Find(Databases(), longest));
    WritePc(longName + ".rlp", kPoints);
    EXPECT_EQ(-1, ToDevice(Pc(longName + ".rlp")));
    EXPECT_EQ("Database name longer than 31 characters, not copied: " + longName + "\n", out_);
    WritePc("Long.rlp",
            "45.5,-122.6,,,First,,\r\n45.5,-122.6,,,Second," + std::string(6000, 'd') +
                ",\r\n45.7,-122.8,,,Third,,\r\n");
    EXPECT_EQ(0, ToDevice(Pc("Long.rlp")));
    EXPECT_EQ("Copying to Device: Long\nLine 2 longer than 5191 bytes, not copied: " + Pc("Long.rlp") + "\n",
              out_);
    EXPECT_EQ(2u, Find(Databases(), "Long")->records.size());
}

TEST_F(CopyToDeviceTest, FailureMessages) {
    WriteDevice("flag.rli", "old");
    WritePc("flag.rli", "new");
    WritePc("Home.rlp", kPoints);
    const char *h = "Home.rlp", *f = "flag.rli";
    const std::string home = "Copying to Device: Home\n", flag = "Copying to Device: " + kFlagPath + "\n";
    const std::string overwrite = "Unable to overwrite remote ", err = ", Err=ffffffff\n",
                      volume = kVolumePath;
    // The first eight or nine calls to create a file or a database find its name taken.
    const auto taken = [](const std::string& call, int calls) {
        std::string faults;
        for (int n = 1; n <= calls; ++n) faults += call + "@" + std::to_string(n) + "=183,";
        return faults;
    };
    const std::string eight = taken("CeCreateFile", 8), nine = taken("CeCreateFile", 9),
                      eightDb = taken("CeCreateDatabaseEx", 8), nineDb = taken("CeCreateDatabaseEx", 9);
    struct {
        const char* faults;
        const char* file;
        bool existing;
        int32_t result;
        std::string message;
        uint32_t options = 0;
    } const rows[] = {
        {"CeMountDBVol", h, false, devErrNoVolume, "Can't mount Database Volume: " + volume},
        {"CeCreateDatabaseEx=5", h, false, 5, home + "Unable to create remote database file: Home, Err=5\n"},
        {"CeOpenDatabaseEx=6", h, false, 6, home + "Unable to open remote database file: Home, Err=6\n"},
        {"CeWriteRecordProps=8", h, false, 8, home, optMove},  // a failed move keeps its source
        {"CeDeleteDatabaseEx", h, true, -1, home + overwrite + "database file: Home" + err},
        {"CeDeleteFile", f, false, -1, flag + overwrite + "file: " + kFlagPath + err},
        {"CeCreateFile", f, false, -1, flag + "Unable to create destination file: " + kFlagPath + "\n"},
        {"CeWriteFile", f, false, -1, flag + "Error !!! Writing hostfile: " + kFlagPath + "\n"},
        // A written file whose close fails may not hold its last bytes.
        {"CeCloseHandle", f, false, -1, flag + overwrite + "file: " + kFlagPath + err},
        {"CeRapiInitEx", h, false, -8, ""},
        // The new copy's names taken: all but the last of the nine are passed over.
        {eight.c_str(), f, false, 0, flag},
        {nine.c_str(), f, false, -1, flag + "Unable to create destination file: " + kFlagPath + "\n"},
        {eightDb.c_str(), h, false, 0, home},
        {nineDb.c_str(), h, false, 183, home + "Unable to create remote database file: Home, Err=b7\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.faults);
        ResetDevice(row.existing ? Strings{"Home"} : Strings{});
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.faults);
        EXPECT_EQ(row.result, ToDevice(Pc(row.file), row.options));
        EXPECT_EQ(row.message, out_);
        EXPECT_TRUE(FileExists(Pc(row.file)));
        EXPECT_EQ(row.result == 8 ? "DBWriteRecord-CeWriteRecordProps failed (8)\n" : "", causes_);
    }
    // Without the volume only optCreateVolume makes folder and volume.
    std::filesystem::remove_all(root_.Join("My Documents/Roverlog"));
    EXPECT_EQ(devErrNoVolume, ToDevice(Pc("Home.rlp")));
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optCreateVolume));
    EXPECT_EQ(1u, Databases().size());
}

// The running totals carry over between the host's calls: a text imported as points, or
// pushed as points and then refused by the handheld, leaves the next track written without
// leg times until something resets them.
TEST_F(CopyToDeviceTest, PointsTextLeavesTheNextTrackUntimed) {
    OwnedArray track(2);
    FillPoint(track[0], "45.0", "0.0", "", "120000 01012004", "", "", nullptr);
    FillPoint(track[1], "45.01", "0.0", "", "120100 01012004", "", "", nullptr);
    const auto lastLegTime = [&] {  // big-endian, 8 bytes before the end of the last record
        EXPECT_EQ(0, RLDBWritePDB(Pc("t.pdb").c_str(), track.data(), 2, VEZUVED_KIND_TRACK));
        const std::vector<uint8_t> bytes = ReadFileBytes(Pc("t.pdb"));
        return static_cast<int32_t>(U32At(bytes, bytes.size() - 8));
    };
    WritePc("trip.csv", "45.1,-122.1,,120000 01012004,One,,\r\n");  // timed, so only the import stops them
    WritePc("trip.cal", "FieldCount=7\r\nExt=.csv\r\n");
    ResetRunningTotals(State());
    EXPECT_EQ(60, lastLegTime());
    {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeCreateDatabaseEx=5");
        EXPECT_EQ(5, Run([&] {
                      return RLDBCECopyToDevice(
                          Pc("trip.csv").c_str(), nullptr, 0, Pc("trip.cal").c_str(), -1, -1, -1, nullptr);
                  }));
    }
    EXPECT_EQ(0, lastLegTime());
    ResetRunningTotals(State());
    std::string output = Pc("p.pdb");
    output.resize(VEZUVED_PATH_BUFFER, '\0');
    EXPECT_EQ(0, RLDBImport(Pc("trip.csv").c_str(), &output[0], Pc("trip.cal").c_str(), -1, -1, -1, nullptr));
    EXPECT_EQ(0, lastLegTime());
    // Texts pushed in one call start totals of their own: the untimed point
    // ending the one pushed first leaves the other's legs timed.
    const std::string timedThenNot =
        "46.2,-122.2,,120000 01012004,A,,\r\n46.3,-122.2,,120100 01012004,B,,\r\n46.4,-122.2,,,C,,\r\n";
    WritePc("a.rlt", timedThenNot);
    WritePc("b.rlt", timedThenNot);
    EXPECT_EQ(0, ToDevice(Pc("*.rlt")));
    const auto all = Databases();
    for (const char* name : {"a", "b"}) {
        ASSERT_NE(nullptr, Find(all, name)) << name;
        EXPECT_EQ(60, Find(all, name)->records.at(1).legTime) << name;
    }
}

struct Inside {
    std::string folder, definition;
    std::vector<std::string> answers;
    std::vector<int32_t> deviceResults;
};

int32_t VEZUVED_CALL LookUp(int32_t, int32_t, int32_t, const char*, void* session) {
    Inside& inside = *static_cast<Inside*>(session);
    char value[512] = "";
    int32_t length = 0;
    RLGetCalFileInfo("Ext", inside.definition.c_str(), value, &length);
    inside.answers.push_back(std::string(value) + "/" + std::to_string(length));
    inside.deviceResults.push_back(RLDBCEEnum(inside.folder.c_str(), nullptr, 0, 0));
    return 0;
}

// A progress callback calling into the library while a copy runs: the lookup gets its
// answer, the copy is the same as without the calls, and a device call is refused.
TEST_F(CopyToDeviceTest, ProgressCallbackLooksUpADefinitionDuringACopy) {
    // Lines a tab layout would read otherwise: the lookup's definition must not reach the copy.
    const std::string lines = std::string(kPoints) + "45.7000000,-122.8000000,,,Lake,,\"x\ty\"\r\n";
    WritePc("Home.rlp", lines);
    WritePc("Trip.rlr", lines);
    ASSERT_EQ(0, ToDevice(PcFolder()));
    const auto digest = [](const std::vector<DeviceDatabaseView>& all) {
        std::string text;
        for (const DeviceDatabaseView& db : all) {
            text += db.name + ":\n";
            for (const DeviceRecord& r : db.records)
                text += r.text + "|" + r.name + "|" + std::to_string(r.legDistance) + "\n";
        }
        return text;
    };
    const std::string alone = digest(Databases());
    ASSERT_EQ(2u, Databases().size());

    ResetDevice();
    devtest::TempFolder elsewhere;
    Inside inside;
    inside.folder = elsewhere.Path();
    inside.definition = elsewhere.Join("tab.cal");
    WriteFileBytes(inside.definition, "Source=Tab\nFieldCount=3\nname=0\nHeaderLines=1\nExt=.tab\n");
    RLSetSessionPtr(&inside);
    RLSetProgressCallback(LookUp);
    EXPECT_EQ(0, ToDevice(PcFolder()));
    RLSetProgressCallback(nullptr);
    RLSetSessionPtr(nullptr);

    ASSERT_FALSE(inside.answers.empty());
    EXPECT_EQ(std::vector<std::string>(inside.answers.size(), ".tab/4"), inside.answers);
    EXPECT_EQ(std::vector<int32_t>(inside.answers.size(), -1), inside.deviceResults);
    EXPECT_EQ(alone, digest(Databases()));
}

}  // namespace
