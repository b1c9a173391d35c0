// The shared transfer rules and the device database helpers that need no
// device: skip decisions, numbered names, classification by extension,
// fields of a record line and the reading of record lines.
#include <gtest/gtest.h>

#include <string>

#include "device/copy_to_device.h"
#include "device/device_database.h"
#include "device/transfer_rules.h"
#include "device_test_support.h"
#include "frame/conversion_state.h"
#include "sync_test_support.h"

using devtest::W;

namespace {

struct ForcedKindGuard {
    explicit ForcedKindGuard(int32_t kind) { g_forcedKind = kind; }
    ~ForcedKindGuard() { g_forcedKind = -1; }
};

}  // namespace

TEST(TransferRulesTest, StatusComparesFullTimes) {
    const FILETIME t = MakeFileTime(1000);
    const FILETIME later = MakeFileTime(1001);
    const FILETIME high = MakeFileTime(0x100000000ull + 1000);
    EXPECT_EQ(devDestOlder, CompareTimes(later, t));
    EXPECT_EQ(devUpToDate, CompareTimes(t, t));
    EXPECT_EQ(devDestNewer, CompareTimes(t, later));
    EXPECT_EQ(devDestNewer, CompareTimes(t, high));  // the high word counts
}

TEST(TransferRulesTest, SkipTables) {
    struct Row {
        CopyRule rule;
        int32_t status;
        uint32_t options;
        bool skip;
    };
    const CopyRule file = CopyRule::FileToDatabase;
    const CopyRule to = CopyRule::PlainToDevice;
    const CopyRule from = CopyRule::PlainFromDevice;
    const Row rows[] = {
        {file, devDestOlder, 0, false},           {file, devDestOlder, optNoReplace, true},
        {file, devDestOlder, optUpdate, false},   {file, devDestOlder, optAlways, false},
        {file, devUpToDate, 0, false},            {file, devUpToDate, optUpdate, true},
        {file, devUpToDate, optNoReplace, true},  {file, devUpToDate, optAlways, false},
        {file, devDestNewer, 0, false},           {file, devDestNewer, optUpdate, true},
        {file, devDestNewer, optNoReplace, true}, {file, devDestNewer, optAsk | optKeepBoth, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.skip, ShouldSkip(row.rule, row.status, row.options)) << row.status << " " << row.options;
    }
    for (CopyRule plain : {to, from}) {
        const Row plainRows[] = {
            {plain, devDestOlder, 0, true},
            {plain, devDestOlder, optAsk | optKeepBoth | optMove, true},
            {plain, devDestOlder, optAlways, false},
            {plain, devDestOlder, optUpdate, false},
            {plain, devDestOlder, optAlways | optNoReplace, true},
            {plain, devUpToDate, 0, false},
            {plain, devUpToDate, optAlways, false},
            {plain, devUpToDate, optUpdate, true},
            {plain, devUpToDate, optNoReplace, true},
            {plain, devDestNewer, 0, false},
            {plain, devDestNewer, optUpdate, true},
            {plain, devDestNewer, optNoReplace, true},
        };
        for (const Row& row : plainRows) {
            EXPECT_EQ(row.skip, ShouldSkip(row.rule, row.status, row.options)) << row.status << " " << row.options;
        }
    }
}

TEST(TransferRulesTest, SkipMessages) {
    EXPECT_STREQ("Database is older on device: %s\n", SkipMessage(CopyRule::FileToDatabase, devDestOlder));
    EXPECT_STREQ("Database is up to date: %s\n", SkipMessage(CopyRule::FileToDatabase, devUpToDate));
    EXPECT_STREQ("Database is newer on device: %s\n", SkipMessage(CopyRule::FileToDatabase, devDestNewer));
    EXPECT_STREQ("File is older on device: %s\n", SkipMessage(CopyRule::PlainToDevice, devDestOlder));
    EXPECT_STREQ("File is up to date: %s\n", SkipMessage(CopyRule::PlainToDevice, devUpToDate));
    EXPECT_STREQ("File is newer on device: %s\n", SkipMessage(CopyRule::PlainToDevice, devDestNewer));
    EXPECT_EQ(nullptr, SkipMessage(CopyRule::PlainFromDevice, devDestOlder));
    EXPECT_STREQ("File is up to date: %s\n", SkipMessage(CopyRule::PlainFromDevice, devUpToDate));
    EXPECT_STREQ("File is newer on PC: %s\n", SkipMessage(CopyRule::PlainFromDevice, devDestNewer));
}

TEST(TransferRulesTest, NumberedNames) {
    EXPECT_EQ(W("Home_01"), NumberedDatabaseName(W("Home"), 1));
    EXPECT_EQ(W("Home_98"), NumberedDatabaseName(W("Home"), 98));
    const WideString sep(1, kHostPathSeparator);
    EXPECT_EQ(W("pc") + sep + W("flag_02.rli"), NumberedPcPath(W("pc"), W("flag"), W("rli"), 2));
    EXPECT_EQ(W("pc") + sep + W("notes_10.rlp"), NumberedPcPath(W("pc"), W("notes"), WideString(), 10));
}

TEST(TransferRulesTest, KeepBothStopsAt98) {
    int32_t asked = 0;
    const ReplaceChoice free3 =
        ChooseReplace(optKeepBoth, devUpToDate, W("Home").c_str(), nullptr, nullptr, [&](int32_t n) {
            ++asked;
            return n == 3;
        });
    EXPECT_EQ(3, free3.freeNumber);
    EXPECT_FALSE(free3.deleteExisting);
    EXPECT_EQ(3, asked);
    asked = 0;
    const ReplaceChoice none = ChooseReplace(optKeepBoth, devUpToDate, W("Home").c_str(), nullptr, nullptr,
                                             [&](int32_t) {
                                                 ++asked;
                                                 return false;
                                             });
    EXPECT_EQ(98, asked);
    EXPECT_EQ(0, none.freeNumber);
    EXPECT_TRUE(none.deleteExisting);  // no callback registered: replace
}

TEST(DeviceKindsTest, ClassifyExtension) {
    struct Row {
        int32_t forced;
        const char* ext;
        int32_t known;
        DWORD type;
        DWORD flag;
    };
    const Row rows[] = {
        {-1, ".rlr", 1, kTypeTrack, 1},     {-1, ".RLT", 1, kTypeTrack, 0},     {-1, ".rlp", 1, kTypePoints, 0},
        {-1, ".Csv", 1, kTypePoints, 0},    {-1, ".rlm", 1, kTypeMaps, 0},      {-1, ".rli", 1, kTypeIcons, 0},
        {-1, ".prc", 1, kTypeResources, 0}, {-1, ".txt", 0, kTypePoints, 0},    {0, ".txt", 1, kTypePoints, 0},
        {0, ".rlt", 1, kTypeTrack, 0},      {0, ".rlr", 1, kTypeTrack, 1},      {2, ".rlp", 1, kTypeTrack, 1},
        {1, ".rli", 1, kTypeTrack, 0},      {8, ".txt", 1, kTypeMaps, 0},       {9, ".txt", 1, kTypeIcons, 0},
        {10, ".txt", 1, kTypeResources, 0}, {8, ".rlp", 1, kTypePoints, 0},     {5, ".txt", 0, kTypePoints, 0},
    };
    for (const Row& row : rows) {
        ForcedKindGuard forced(row.forced);
        DWORD type = 1;
        DWORD flag = 7;
        EXPECT_EQ(row.known, ClassifyExtension(W(row.ext).c_str(), &type, &flag)) << row.forced << row.ext;
        EXPECT_EQ(row.type, type) << row.forced << row.ext;
        EXPECT_EQ(row.flag, flag) << row.forced << row.ext;
    }
    DWORD type = 1;
    DWORD flag = 1;
    EXPECT_EQ(0, ClassifyExtension(nullptr, &type, &flag));
    EXPECT_EQ(kTypePoints, type);
    EXPECT_EQ(0u, flag);
}

TEST(DeviceKindsTest, KindExtension) {
    EXPECT_STREQ(".rlm", KindExtension(kTypeMaps, 0));
    EXPECT_STREQ(".rlr", KindExtension(kTypeTrack, 1));
    EXPECT_STREQ(".rlt", KindExtension(kTypeTrack, 0));
    EXPECT_STREQ(".rlt", KindExtension(kTypeTrack, 5));
    EXPECT_STREQ(".rli", KindExtension(kTypeIcons, 0));
    EXPECT_STREQ(".prc", KindExtension(kTypeResources, 0));
    EXPECT_STREQ(".rlp", KindExtension(kTypePoints, 0));
    EXPECT_STREQ(".rlp", KindExtension(0x12345678, 0));
}

TEST(DeviceKindsTest, MapCompanions) {
    const WideString sep(1, kHostPathSeparator);
    EXPECT_EQ(W("Topo.jpg"), MapCompanionName(W("Topo_jpg.rlm")));
    EXPECT_EQ(W("d") + sep + W("my_Topo.jpg"), MapCompanionName(W("d") + sep + W("my_Topo_jpg.rlm")));
    EXPECT_EQ(WideString(), MapCompanionName(W("a_b") + sep + W("Plain.rlm")));
}

TEST(DeviceRecordTextTest, GetLineField) {
    struct Row {
        const char* text;
        int32_t index;
        size_t max;
        const char* field;
    };
    const Row rows[] = {
        {"1,2,3,4,Home,Icon,Desc", 4, 31, "Home"},
        {"1,2,3,4,\"Ho,me\",Icon", 4, 31, "Ho"},  // the copy stops at any separator
        {"1,2,\"3,x\",4,Name,I", 4, 31, "Name"},  // quoted separators are not counted
        {"1*2*3*4*Star", 4, 31, "Star"},
        {"1,2", 4, 31, ""},
        {"1,2,3,4,ABCDEFGHIJ", 4, 5, "ABCDE"},
        {"1,2,3,4,\"Quoted\"", 4, 31, "Quoted"},
    };
    for (const Row& row : rows) {
        WCHAR out[64];
        GetLineField(W(row.text).c_str(), out, row.index, row.max);
        EXPECT_EQ(W(row.field), WideString(out)) << row.text;
    }
}

TEST(DeviceRecordTextTest, ReadRecordLine) {
    devtest::TempFolder folder;
    devtest::WriteFile(folder.Join("lines.rlp"),
                       "1.5,2.5,,,A,,\r\n\r\n3.5,4.5,,,\"B\",,\"two\nlines\"\r\n5.5,6.5,,,C,,");
    const WideString path = folder.Wide("lines.rlp");
    HostFile file(HostCreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.IsValid());
    ResetConversionState();
    RLPointRecord record = {};
    uint64_t counter = 0;
    EXPECT_EQ(kLineRead, ReadRecordLine(file.Get(), record, counter));
    EXPECT_STREQ("A", record.name);
    EXPECT_EQ(13u, counter);  // the CR and LF are not part of the line
    EXPECT_EQ(kLineRead, ReadRecordLine(file.Get(), record, counter));  // empty: the record is left alone
    EXPECT_STREQ("A", record.name);
    EXPECT_EQ(kLineRead, ReadRecordLine(file.Get(), record, counter));
    EXPECT_STREQ("B", record.name);
    EXPECT_EQ(kLastLineRead, ReadRecordLine(file.Get(), record, counter));
    EXPECT_STREQ("C", record.name);
    EXPECT_EQ(kEndOfFile, ReadRecordLine(file.Get(), record, counter));
    FreeLineBuffer();
    DescFree(record);
}

namespace {
class RecordLineCopyTest : public synctest::SyncTest {};
}  // namespace

TEST_F(RecordLineCopyTest, EmptyLinesAndQuotedLineFeedsReachTheDevice) {
    WritePc("Odd.rlt", "45.1,-122.1,,,A,,\"two\nlines\"\r\n\r\n45.2,-122.2,,,C,,");
    std::string out;
    EXPECT_EQ(0, ToDevice(Pc("Odd.rlt"), 0, out));
    const auto all = Databases();
    ASSERT_EQ(1u, all.size());
    ASSERT_EQ(3u, all[0].records.size());  // the empty line gives a record of the cleared work record
    EXPECT_NE(std::string::npos, all[0].records[0].text.find("two"));
    EXPECT_EQ(0, all[0].records[1].longitude);
    EXPECT_EQ(-122200000, all[0].records[2].longitude);
}
