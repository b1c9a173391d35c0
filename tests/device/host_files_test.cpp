// The PC side of the device operations: dates, the host file layer's case-blind wildcards, the
// callbacks' narrowed names and the kinds of PC files (file calls are exercised by every copy).

#include <time.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>

#include "device/device_callbacks.h"
#include "device/file_dates.h"
#include "device_test_support.h"
#include "state/device_state.h"

using devtest::Strings;
using devtest::W;

#if defined(_WIN32)
#define timegm _mkgmtime
#endif

namespace {

FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second, uint32_t ticks = 0) {
    struct tm parts = {};
    parts.tm_year = year - 1900, parts.tm_mon = month - 1, parts.tm_mday = day;
    parts.tm_hour = hour, parts.tm_min = minute, parts.tm_sec = second;
    const int64_t seconds = static_cast<int64_t>(timegm(&parts));
    return MakeFileTime(static_cast<uint64_t>((seconds + 11644473600LL) * 10000000LL + ticks));
}

class TimeZone {
public:
    explicit TimeZone(const char* zone) : env_("TZ", zone) { tzset(); }
    ~TimeZone() { tzset(); }

private:
    devtest::ScopedEnv env_;
};

TEST(Dates, FileDateTextShowsLocalTime) {
    struct {
        const char* zone;
        FILETIME time;
        const char* expected;
    } const cases[] = {
        {"UTC0", UtcFileTime(2004, 3, 14, 9, 5, 59), "   Mar/14/2004 09:05"},
        {"EST5", UtcFileTime(2004, 3, 14, 14, 5, 0), "   Mar/14/2004 09:05"},  // local time is shown
        {"UTC0", UtcFileTime(1999, 12, 31, 23, 59, 0), "   Dec/31/1999 23:59"},
        {"UTC0", UtcFileTime(2010, 1, 2, 0, 0, 0), "   Jan/02/2010 00:00"},
        {"UTC0", UtcFileTime(2004, 3, 31, 12, 0, 0), "   Mar/31/2004 12:00"},  // months' last days
        {"UTC0", UtcFileTime(2004, 8, 31, 12, 0, 0), "   Aug/31/2004 12:00"},
        {"UTC0", UtcFileTime(2005, 1, 31, 12, 0, 0), "   Jan/31/2005 12:00"},
        {"UTC0", UtcFileTime(2000, 2, 29, 12, 0, 0), "   Feb/29/2000 12:00"},  // a 400-year cycle's last day
    };
    for (const auto& c : cases) {
#if defined(_WIN32)
        // Windows takes the zone from its settings, not TZ: the UTC rows only (Wine runs with TZ=UTC).
        if (std::string(c.zone) != "UTC0") continue;
#endif
        TimeZone zone(c.zone);
        WCHAR text[kFileDateTextSize];
        EXPECT_EQ(0, FileDateText(&c.time, text));
        EXPECT_EQ(c.expected, NarrowedText(text));
    }
}

class HostFiles : public testing::Test {
protected:
    // The names of the files (not folders) a pattern finds, sorted.
    Strings FindNames(const std::string& pattern) {
        Strings names;
        HostFindData found;
        HostSearch search(HostFindFirstFile(devtest::W(dir.Join(pattern).c_str()).c_str(), &found));
        for (bool more = bool(search); more; more = HostFindNextFile(search.Get(), &found))
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                names.push_back(NarrowedText(found.cFileName));
        std::sort(names.begin(), names.end());
        return names;
    }
    devtest::TempFolder dir;
};

TEST_F(HostFiles, WildcardsAndCase) {
    for (const char* name : {"Home.RLP", "lake.rlt", "noext", "a.b.c", "Topo_jpg.rlm"})
        WriteFileBytes(dir.Join(name), name);
    ASSERT_TRUE(PlatformCreateDirectory(devtest::W(dir.Join("Sub.rlp").c_str()).c_str()));
#if !defined(_WIN32)
    // A folder made for the user is as open as the user's umask lets any be.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat made {};
    ASSERT_EQ(::stat(dir.Join("Sub.rlp").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0777 & ~mask);
#endif
    const Strings all = {"Home.RLP", "Topo_jpg.rlm", "a.b.c", "lake.rlt", "noext"};
    const std::pair<const char*, Strings> cases[] = {
        {"*.*", all},
        {"*.rlp", {"Home.RLP"}},
        {"?ake.*", {"lake.rlt"}},
        {"*.", {"noext"}},
        {"*.C", {"a.b.c"}},
        {"x*", {}},
    };
    for (const auto& [pattern, expected] : cases) EXPECT_EQ(expected, FindNames(pattern)) << pattern;
    // Names with high bytes are widened byte by byte.
    WriteFileBytes(dir.Join("caf\xE9.rli"), "icon");
    HostFindData found{};
    HostSearch search(HostFindFirstFile(devtest::W(dir.Join("caf*.rli").c_str()).c_str(), &found));
    ASSERT_TRUE(search);
    EXPECT_EQ(0x00E9u, static_cast<unsigned>(found.cFileName[3]));
#if !defined(_WIN32)
    // A pattern at the root is looked for in the root, not in the current folder.
    HostFindData root{};
    HostSearch atRoot(HostFindFirstFile(devtest::W("/tm?").c_str(), &root));
    ASSERT_TRUE(atRoot);
    EXPECT_EQ(devtest::W("tmp"), WideString(root.cFileName, root.cFileName + 3));
#endif
}

// A file's times are set each as given: the copies give a file its source's.
TEST_F(HostFiles, AccessAndWriteTimesAreSetApart) {
    WriteFileBytes(dir.Join("t.rlp"), "x");
    HostFile file(HostCreateFile(devtest::W(dir.Join("t.rlp").c_str()).c_str(),
                                 GENERIC_WRITE,
                                 FILE_SHARE_READ,
                                 nullptr,
                                 OPEN_EXISTING,
                                 0,
                                 nullptr));
    const uint64_t kDay = 864000000000ull;  // in FILETIME's 100 ns
    const FILETIME access = MakeFileTime(devtest::kBaseTime), write = MakeFileTime(devtest::kBaseTime + kDay);
    ASSERT_TRUE(PlatformSetFileTime(file.Get(), nullptr, &access, &write));
    FILETIME gotAccess{}, gotWrite{};
    ASSERT_TRUE(PlatformGetFileTime(file.Get(), nullptr, &gotAccess, &gotWrite));
    EXPECT_EQ(std::make_pair(FileTimeValue(gotAccess), FileTimeValue(gotWrite)),
              std::make_pair(devtest::kBaseTime, devtest::kBaseTime + kDay));
}

#if !defined(_WIN32)
// A link is listed as what it points at; one that points nowhere is listed
// too, so that copying it fails by its name instead of passing in silence.
TEST_F(HostFiles, LinksAreListedAsWhatTheyPointAt) {
    WriteFileBytes(dir.Join("target.bin"), "0123456789ab");
    ASSERT_EQ(0, ::symlink("target.bin", dir.Join("link.rli").c_str()));
    ASSERT_EQ(0, ::symlink("missing", dir.Join("gone.rli").c_str()));
    EXPECT_EQ((Strings{"gone.rli", "link.rli"}), FindNames("*.rli"));
    HostFindData found{};
    HostSearch search(HostFindFirstFile(devtest::W(dir.Join("link.rli").c_str()).c_str(), &found));
    ASSERT_TRUE(search);
    EXPECT_EQ(12u, found.nFileSizeLow);
}
#endif

// The name a progress callback gets is narrowed and cut (the rest is checked through the copies).
int32_t VEZUVED_CALL OnProgress(int32_t, int32_t, int32_t, const char* name, void* session) {
    *static_cast<std::string*>(session) = name;
    return 7;
}

TEST(Callbacks, NamesNarrowedAndCut) {
    std::string seen;
    RLSetSessionPtr(&seen);
    RLSetProgressCallback(OnProgress);
    WideString longName(600, static_cast<WCHAR>('n'));
    longName[0] = 0x00E9;
    longName[1] = 0x20AC;
    EXPECT_EQ(7, ReportDeviceProgress(1, 10, 20, longName.c_str()));
    ASSERT_EQ(520u, seen.size());
    EXPECT_EQ("\xE9\xAC", seen.substr(0, 2));
    RLSetProgressCallback(nullptr);
    RLSetSessionPtr(nullptr);
    EXPECT_EQ(0, ReportDeviceProgress(0, 0, 0, nullptr));  // no callback: go on
}

TEST(DeviceKindsTest, ClassifyExtension) {
    struct {
        int32_t forced;
        const char* ext;
        int32_t known;
        DWORD type, flag;
    } const rows[] = {
        {-1, ".rlr", 1, kTypeTrack, 1},     {-1, ".RLT", 1, kTypeTrack, 0},  {-1, ".rlp", 1, kTypePoints, 0},
        {-1, ".Csv", 1, kTypePoints, 0},    {-1, ".rlm", 1, kTypeMaps, 0},   {-1, ".rli", 1, kTypeIcons, 0},
        {-1, ".prc", 1, kTypeResources, 0}, {-1, ".txt", 0, kTypePoints, 0}, {0, ".txt", 1, kTypePoints, 0},
        {0, ".rlt", 1, kTypeTrack, 0},      {0, ".rlr", 1, kTypeTrack, 1},   {2, ".rlp", 1, kTypeTrack, 1},
        {1, ".rli", 1, kTypeTrack, 0},      {8, ".txt", 1, kTypeMaps, 0},    {9, ".txt", 1, kTypeIcons, 0},
        {10, ".txt", 1, kTypeResources, 0}, {8, ".rlp", 1, kTypePoints, 0},  {5, ".txt", 0, kTypePoints, 0},
        {-1, nullptr, 0, kTypePoints, 0},
    };
    for (const auto& row : rows) {
        DeviceSettings().forcedKind = row.forced;
        DWORD type = 1, flag = 7;
        EXPECT_EQ(row.known, ClassifyExtension(row.ext ? W(row.ext).c_str() : nullptr, &type, &flag))
            << row.forced << row.ext;
        EXPECT_EQ(row.type, type) << row.forced << row.ext;
        EXPECT_EQ(row.flag, flag) << row.forced << row.ext;
    }
    DeviceSettings().forcedKind = -1;
}

}  // namespace
