// The shared transfer rules and the device database helpers that need no
// device: skip decisions, numbered names, classification by extension,
// fields of a record line and the reading of record lines. (Every skip
// message is checked as printed by the copy tests' skip tables.)
#include <gtest/gtest.h>

#include <string>

#include "device/copy_to_device.h"
#include "device/device_database.h"
#include "device/transfer_rules.h"
#include "device_test_support.h"
#include "frame/conversion_state.h"

using devtest::W;

namespace {

TEST(TransferRulesTest, StatusComparesFullTimes) {
    const FILETIME t = MakeFileTime(1000), later = MakeFileTime(1001), high = MakeFileTime(0x100000000ull + 1000);
    EXPECT_EQ(devDestOlder, CompareTimes(later, t));
    EXPECT_EQ(devUpToDate, CompareTimes(t, t));
    EXPECT_EQ(devDestNewer, CompareTimes(t, later));
    EXPECT_EQ(devDestNewer, CompareTimes(t, high));  // the high word counts
}

TEST(TransferRulesTest, SkipTables) {
    struct Row { int32_t status; uint32_t options; bool skip; };
    const Row fileRows[] = {
        {devDestOlder, 0, false},           {devDestOlder, optNoReplace, true},  {devDestOlder, optUpdate, false},
        {devDestOlder, optAlways, false},   {devUpToDate, 0, false},             {devUpToDate, optUpdate, true},
        {devUpToDate, optNoReplace, true},  {devUpToDate, optAlways, false},     {devDestNewer, 0, false},
        {devDestNewer, optUpdate, true},    {devDestNewer, optNoReplace, true},  {devDestNewer, optAsk | optKeepBoth, false},
    };
    for (const Row& row : fileRows)
        EXPECT_EQ(row.skip, ShouldSkip(CopyRule::FileToDatabase, row.status, row.options)) << row.status << " " << row.options;
    const Row plainRows[] = {
        {devDestOlder, 0, true},          {devDestOlder, optAsk | optKeepBoth | optMove, true},
        {devDestOlder, optAlways, false}, {devDestOlder, optUpdate, false}, {devDestOlder, optAlways | optNoReplace, true},
        {devUpToDate, 0, false},          {devUpToDate, optAlways, false},  {devUpToDate, optUpdate, true},
        {devUpToDate, optNoReplace, true}, {devDestNewer, 0, false},        {devDestNewer, optUpdate, true},
        {devDestNewer, optNoReplace, true},
    };
    for (CopyRule plain : {CopyRule::PlainToDevice, CopyRule::PlainFromDevice})
        for (const Row& row : plainRows)
            EXPECT_EQ(row.skip, ShouldSkip(plain, row.status, row.options)) << row.status << " " << row.options;
}

TEST(TransferRulesTest, NumberedNamesAndKeepBothStopsAt98) {
    EXPECT_EQ(W("Home_01"), NumberedDatabaseName(W("Home"), 1));
    EXPECT_EQ(W("Home_98"), NumberedDatabaseName(W("Home"), 98));
    const WideString sep(1, kHostPathSeparator);
    EXPECT_EQ(W("pc") + sep + W("flag_02.rli"), NumberedPcPath(W("pc"), W("flag"), W("rli"), 2));
    EXPECT_EQ(W("pc") + sep + W("notes_10.rlp"), NumberedPcPath(W("pc"), W("notes"), WideString(), 10));

    int32_t asked = 0;
    const ReplaceChoice free3 = ChooseReplace(optKeepBoth, devUpToDate, W("Home").c_str(), nullptr, nullptr,
                                              [&](int32_t n) { return ++asked, n == 3; });
    EXPECT_EQ(3, free3.freeNumber);
    EXPECT_FALSE(free3.deleteExisting);
    EXPECT_EQ(3, asked);
    asked = 0;
    const ReplaceChoice none = ChooseReplace(optKeepBoth, devUpToDate, W("Home").c_str(), nullptr, nullptr,
                                             [&](int32_t) { return ++asked, false; });
    EXPECT_EQ(98, asked);
    EXPECT_EQ(0, none.freeNumber);
    EXPECT_TRUE(none.deleteExisting);  // no callback registered: replace
}

TEST(DeviceKindsTest, ClassifyExtension) {
    struct { int32_t forced; const char* ext; int32_t known; DWORD type, flag; } const rows[] = {
        {-1, ".rlr", 1, kTypeTrack, 1},     {-1, ".RLT", 1, kTypeTrack, 0},     {-1, ".rlp", 1, kTypePoints, 0},
        {-1, ".Csv", 1, kTypePoints, 0},    {-1, ".rlm", 1, kTypeMaps, 0},      {-1, ".rli", 1, kTypeIcons, 0},
        {-1, ".prc", 1, kTypeResources, 0}, {-1, ".txt", 0, kTypePoints, 0},    {0, ".txt", 1, kTypePoints, 0},
        {0, ".rlt", 1, kTypeTrack, 0},      {0, ".rlr", 1, kTypeTrack, 1},      {2, ".rlp", 1, kTypeTrack, 1},
        {1, ".rli", 1, kTypeTrack, 0},      {8, ".txt", 1, kTypeMaps, 0},       {9, ".txt", 1, kTypeIcons, 0},
        {10, ".txt", 1, kTypeResources, 0}, {8, ".rlp", 1, kTypePoints, 0},     {5, ".txt", 0, kTypePoints, 0},
        {-1, nullptr, 0, kTypePoints, 0},
    };
    for (const auto& row : rows) {
        g_forcedKind = row.forced;
        DWORD type = 1, flag = 7;
        EXPECT_EQ(row.known, ClassifyExtension(row.ext ? W(row.ext).c_str() : nullptr, &type, &flag)) << row.forced << row.ext;
        EXPECT_EQ(row.type, type) << row.forced << row.ext;
        EXPECT_EQ(row.flag, flag) << row.forced << row.ext;
    }
    g_forcedKind = -1;
}

TEST(DeviceKindsTest, KindExtensionAndMapCompanions) {
    const std::pair<DWORD, DWORD> kinds[] = {{kTypeMaps, 0}, {kTypeTrack, 1}, {kTypeTrack, 0}, {kTypeTrack, 5},
                                             {kTypeIcons, 0}, {kTypeResources, 0}, {kTypePoints, 0}, {0x12345678, 0}};
    const char* const extensions[] = {".rlm", ".rlr", ".rlt", ".rlt", ".rli", ".prc", ".rlp", ".rlp"};
    for (size_t i = 0; i < 8; ++i) EXPECT_STREQ(extensions[i], KindExtension(kinds[i].first, kinds[i].second)) << i;
    const WideString sep(1, kHostPathSeparator);
    EXPECT_EQ(W("Topo.jpg"), MapCompanionName(W("Topo_jpg.rlm")));
    EXPECT_EQ(W("d") + sep + W("my_Topo.jpg"), MapCompanionName(W("d") + sep + W("my_Topo_jpg.rlm")));
    EXPECT_EQ(WideString(), MapCompanionName(W("a_b") + sep + W("Plain.rlm")));
}

TEST(DeviceRecordTextTest, GetLineField) {
    struct { const char* text; int32_t index; size_t max; const char* field; } const rows[] = {
        {"1,2,3,4,Home,Icon,Desc", 4, 31, "Home"},
        {"1,2,3,4,\"Ho,me\",Icon", 4, 31, "Ho"},  // the copy stops at any separator
        {"1,2,\"3,x\",4,Name,I", 4, 31, "Name"},  // quoted separators are not counted
        {"1*2*3*4*Star", 4, 31, "Star"}, {"1,2", 4, 31, ""}, {"1,2,3,4,ABCDEFGHIJ", 4, 5, "ABCDE"},
        {"1,2,3,4,\"Quoted\"", 4, 31, "Quoted"},
    };
    for (const auto& row : rows) {
        WCHAR out[64];
        GetLineField(W(row.text).c_str(), out, row.index, row.max);
        EXPECT_EQ(W(row.field), WideString(out)) << row.text;
    }
}

TEST(DeviceRecordTextTest, ReadRecordLine) {
    devtest::TempFolder folder;
    devtest::WriteFile(folder.Join("lines.rlp"), "1.5,2.5,,,A,,\r\n\r\n3.5,4.5,,,\"B\",,\"two\nlines\"\r\n5.5,6.5,,,C,,");
    HostFile file(HostCreateFile(folder.Wide("lines.rlp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
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

}  // namespace
