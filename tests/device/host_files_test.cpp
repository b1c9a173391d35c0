// The PC side of the device operations: widening and narrowing, paths,
// dates, the host file layer (times, wildcards, case, dispositions) and the
// callbacks with narrowed names.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "device/host_files.h"
#include "device_test_support.h"
#include "vezuved/vezuved.h"

using devtest::W;
using Strings = std::vector<std::string>;

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

TEST(TextConversion, WidenAndNarrow) {
    struct { const char* source; size_t size; int32_t count; std::vector<uint16_t> expected; } const widen[] = {
        {"A\xE9z", 3, 0, {0x41, 0xE9, 0x7A, 0}},  // 0xE9 is not sign-extended; units up to the terminator
        {"abcdef", 6, 3, {'a', 'b', 'c', 0}},     // at most count bytes
        {"ab\0cd", 5, 5, {'a', 'b', 0}},          // stops after the NUL
        {"", 0, 0, {0}},
        {"\x80\xFF", 2, -4, {0x80, 0xFF, 0}},  // negative count: the source's length
    };
    for (const auto& c : widen) {
        WCHAR out[16];
        std::fill(std::begin(out), std::end(out), static_cast<WCHAR>(0x5555));
        WidenText(out, c.source, c.count);
        EXPECT_EQ(c.expected, std::vector<uint16_t>(out, out + c.expected.size())) << c.source;
    }
    struct { std::vector<uint16_t> source; int32_t count; std::string expected; } const narrow[] = {
        {{0x00C4, 0x20AC, 0}, 0, "\xC4\xAC"},  // the low byte, no code page
        {{'a', 'b', 'c', 'd', 0}, 2, "ab"},
        {{'a', 0, 'b', 0}, 4, "a"},  // stops at a zero unit
        {{0xFFE9, 'x', 0}, -1, "\xE9x"},
    };
    for (const auto& c : narrow) {
        std::vector<WCHAR> source(c.source.begin(), c.source.end());
        char out[16];
        std::memset(out, 0x55, sizeof(out));
        NarrowText(out, source.data(), c.count);
        EXPECT_EQ(c.expected, std::string(out));
    }
    // Bytes 0x80..0xFF widen to the same values and come back unchanged.
    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) bytes.push_back(static_cast<char>(b));
    std::vector<WCHAR> wide(bytes.size() + 1);
    WidenText(wide.data(), bytes.c_str(), 0);
    for (size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(0x80u + i, static_cast<unsigned>(wide[i]));
    std::vector<char> back(bytes.size() + 1);
    NarrowText(back.data(), wide.data(), 0);
    EXPECT_EQ(bytes, std::string(back.data()));
    EXPECT_EQ(bytes, NarrowedText(WidenedText(bytes.c_str()).c_str()));
}

TEST(Paths, JoinPath) {
    WCHAR out[64];
    EXPECT_EQ(W("folder"), WideString(JoinPath(out, W("folder").c_str(), nullptr)));
    EXPECT_EQ(W("folder") + kHostPathSeparator + W("name.rlp"),
              WideString(JoinPath(out, W("folder").c_str(), W("name.rlp").c_str())));
    EXPECT_EQ(W("\\My Documents\\RoverlogDBV.cdb"),
              WideString(JoinDevicePath(out, W("\\My Documents").c_str(), W("RoverlogDBV.cdb").c_str())));
    EXPECT_EQ(W("a\\b"), WideString(JoinDevicePath(out, W("a").c_str(), W("b").c_str())));
    const WideString path = W("dir\\sub/name.rlt");
    EXPECT_EQ(path.c_str() + 7, FindLastPathSeparator(path.c_str()));
    EXPECT_EQ(nullptr, FindLastPathSeparator(W("plain").c_str()));
    EXPECT_EQ(0, WideCompareNoCase(W("Home.RLP").c_str(), W("home.rlp").c_str()));
    EXPECT_GT(0, WideCompareNoCase(W("a").c_str(), W("B").c_str()));
}

TEST(Dates, FileDateTextDosDateTimeAndComparison) {
    struct { const char* zone; FILETIME time; const char* expected; } const cases[] = {
        {"UTC0", UtcFileTime(2004, 3, 14, 9, 5, 59), "   Mar/14/2004 09:05"},
        {"EST5", UtcFileTime(2004, 3, 14, 14, 5, 0), "   Mar/14/2004 09:05"},  // local time is shown
        {"UTC0", UtcFileTime(1999, 12, 31, 23, 59, 0), "   Dec/31/1999 23:59"},
        {"UTC0", UtcFileTime(2010, 1, 2, 0, 0, 0), "   Jan/02/2010 00:00"},
    };
    for (const auto& c : cases) {
#if defined(_WIN32)
        // Windows takes the zone from its settings, not from TZ: only the
        // UTC rows apply (the Windows test run starts Wine with TZ=UTC).
        if (std::string(c.zone) != "UTC0") continue;
#endif
        TimeZone zone(c.zone);
        WCHAR text[kFileDateTextSize];
        EXPECT_EQ(0, FileDateText(&c.time, text));
        EXPECT_EQ(20u, WideLength(text));
        EXPECT_EQ(c.expected, NarrowedText(text));
    }
    const FILETIME time = UtcFileTime(2004, 3, 14, 9, 5, 6);
    WORD date = 0, clock = 0;
    ASSERT_TRUE(HostFileTimeToDosDateTime(&time, &date, &clock));
    EXPECT_EQ(((2004 - 1980) << 9) | (3 << 5) | 14, date);
    EXPECT_EQ((9 << 11) | (5 << 5) | 3, clock);
    const FILETIME early = UtcFileTime(1979, 12, 31, 0, 0, 0);
    EXPECT_FALSE(HostFileTimeToDosDateTime(&early, &date, &clock));
    const FILETIME later = MakeFileTime(FileTimeValue(time) + 1);
    EXPECT_EQ(-1, CompareFileTimes(&time, &later));
    EXPECT_EQ(1, CompareFileTimes(&later, &time));
    EXPECT_EQ(0, CompareFileTimes(&time, &time));
}

class HostFiles : public testing::Test {
protected:
    HANDLE Open(const std::string& name, DWORD access, DWORD disposition = OPEN_EXISTING) {
        return HostCreateFile(dir.Wide(name).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    void SetTime(const std::string& name, const FILETIME& time) {
        HostFile file(Open(name, GENERIC_WRITE));
        ASSERT_TRUE(file);
        ASSERT_TRUE(HostSetFileTime(file.Get(), &time, &time, &time));
    }
    HostFindData Found(const std::string& pattern) {
        HostFindData found{};
        HostSearch search(HostFindFirstFile(dir.Wide(pattern).c_str(), &found));
        EXPECT_TRUE(search) << pattern;
        return found;
    }
    // The names of the files (not folders) a pattern finds, sorted.
    Strings FindNames(const std::string& pattern) {
        Strings names;
        HostFindData found;
        HostSearch search(HostFindFirstFile(dir.Wide(pattern).c_str(), &found));
        for (bool more = bool(search); more; more = HostFindNextFile(search.Get(), &found))
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(NarrowedText(found.cFileName));
        std::sort(names.begin(), names.end());
        return names;
    }
    devtest::TempFolder dir;
};

TEST_F(HostFiles, TimesRoundTripAt100Nanoseconds) {
    devtest::WriteFile(dir.Join("t.rlp"), "x");
    const FILETIME wanted = UtcFileTime(2004, 3, 14, 9, 5, 6, 1234567);
    SetTime("t.rlp", wanted);
    HostFile file(Open("t.rlp", GENERIC_READ));
    ASSERT_TRUE(file);
    FILETIME creation, access, write;
    ASSERT_TRUE(HostGetFileTime(file.Get(), &creation, &access, &write));
    EXPECT_EQ(FileTimeValue(wanted), FileTimeValue(write));
    EXPECT_EQ(FileTimeValue(wanted), FileTimeValue(access));
    EXPECT_EQ(FileTimeValue(wanted), FileTimeValue(Found("t.rlp").ftLastWriteTime));
    EXPECT_EQ(1u, Found("t.rlp").nFileSizeLow);
}

TEST_F(HostFiles, WildcardsAndCase) {
    for (const char* name : {"Home.RLP", "lake.rlt", "noext", "a.b.c", "Topo_jpg.rlm"}) devtest::WriteFile(dir.Join(name), name);
    ASSERT_TRUE(HostCreateDirectory(dir.Wide("Sub.rlp").c_str()));
    const Strings all = {"Home.RLP", "Topo_jpg.rlm", "a.b.c", "lake.rlt", "noext"};
    const std::pair<const char*, Strings> cases[] = {
        {"*.*", all},           {"*", all},           {"*.rlp", {"Home.RLP"}}, {"HOME.rlp", {"Home.RLP"}},
        {"?ake.*", {"lake.rlt"}}, {"*.", {"noext"}},  {"*.C", {"a.b.c"}},      {"topo_*.RLM", {"Topo_jpg.rlm"}},
        {"x*", {}},
    };
    for (const auto& [pattern, expected] : cases) EXPECT_EQ(expected, FindNames(pattern)) << pattern;
    // A folder found by name carries the directory bit; "\" separates too.
    HostFindData found;
    HostSearch search(HostFindFirstFile((dir.Wide() + W("\\sub.RLP")).c_str(), &found));
    ASSERT_TRUE(search);
    EXPECT_NE(0u, found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ("Sub.rlp", NarrowedText(found.cFileName));
    EXPECT_EQ(INVALID_HANDLE_VALUE, HostFindFirstFile(dir.Wide("none.*").c_str(), &found));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, HostGetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, HostFindFirstFile(dir.Wide("missing/*.*").c_str(), &found));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, HostGetLastError());
    // Names with high bytes are widened byte by byte and open again by that name.
    devtest::WriteFile(dir.Join("caf\xE9.rli"), "icon");
    const HostFindData cafe = Found("caf*.rli");
    EXPECT_EQ(0x00E9u, static_cast<unsigned>(cafe.cFileName[3]));
    WCHAR path[MAX_PATH * 2];
    JoinPath(path, dir.Wide().c_str(), cafe.cFileName);
    EXPECT_TRUE(HostFile(HostCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)));
}

TEST_F(HostFiles, OpenIgnoresCaseAndReplacesTheExistingFile) {
    devtest::WriteFile(dir.Join("Home.RLP"), "old");
    DWORD done = 0;
    {
        HostFile file(Open("HOME.rlp", GENERIC_WRITE, CREATE_ALWAYS));
        ASSERT_TRUE(file);
        EXPECT_EQ(ERROR_ALREADY_EXISTS, HostGetLastError());
        ASSERT_TRUE(HostWriteFile(file.Get(), "new!", 4, &done));
        EXPECT_EQ(4u, done);
    }
    EXPECT_EQ("new!", devtest::ReadFile(dir.Join("Home.RLP")));
    EXPECT_EQ((Strings{"Home.RLP"}), FindNames("*.*"));
    HostFile file(Open("home.rlp", GENERIC_READ));
    ASSERT_TRUE(file);
    EXPECT_EQ(4u, HostGetFileSize(file.Get(), nullptr));
    char buffer[8] = {};
    ASSERT_TRUE(HostReadFile(file.Get(), buffer, sizeof(buffer), &done));
    EXPECT_EQ("new!", std::string(buffer, done));
    ASSERT_TRUE(HostReadFile(file.Get(), buffer, sizeof(buffer), &done));
    EXPECT_EQ(0u, done);  // end of file: success, nothing read
}

TEST_F(HostFiles, CreateDispositions) {
    devtest::WriteFile(dir.Join("here.rli"), "12345");
    struct { const char* name; DWORD disposition; bool opens; DWORD error; long sizeAfter; } const cases[] = {
        {"here.rli", CREATE_NEW, false, ERROR_FILE_EXISTS, 5},  // sizeAfter -1: the file does not exist afterwards
        {"new1.rli", CREATE_NEW, true, ERROR_SUCCESS, 0},
        {"here.rli", OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, 5},
        {"new2.rli", OPEN_ALWAYS, true, ERROR_SUCCESS, 0},
        {"gone.rli", OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, -1},
        {"nofolder/x.rli", OPEN_EXISTING, false, ERROR_PATH_NOT_FOUND, -1},
        {"nofolder/x.rli", CREATE_ALWAYS, false, ERROR_PATH_NOT_FOUND, -1},
        {"gone.rli", TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, -1},
        {"here.rli", TRUNCATE_EXISTING, true, ERROR_SUCCESS, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.disposition);
        HostFile file(Open(c.name, GENERIC_READ | GENERIC_WRITE, c.disposition));
        EXPECT_EQ(c.opens, file.IsValid());
        EXPECT_EQ(c.error, HostGetLastError());
        file.Close();
        if (c.sizeAfter < 0)
            EXPECT_FALSE(devtest::FileExists(dir.Join(c.name)));
        else
            EXPECT_EQ(static_cast<size_t>(c.sizeAfter), devtest::ReadFile(dir.Join(c.name)).size());
    }
    // A folder cannot be opened as a file, nor deleted as one.
    ASSERT_TRUE(HostCreateDirectory(dir.Wide("folder").c_str()));
    EXPECT_FALSE(HostCreateDirectory(dir.Wide("folder").c_str()));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, HostGetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open("folder", GENERIC_READ));
    EXPECT_EQ(ERROR_ACCESS_DENIED, HostGetLastError());
    EXPECT_FALSE(HostDeleteFile(dir.Wide("folder").c_str()));
    EXPECT_TRUE(HostDeleteFile(dir.Wide("HERE.RLI").c_str()));
    EXPECT_FALSE(devtest::FileExists(dir.Join("here.rli")));
    EXPECT_FALSE(HostDeleteFile(dir.Wide("here.rli").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, HostGetLastError());
}

TEST_F(HostFiles, CopyFileTimesAndCurrentDirectory) {
    devtest::WriteFile(dir.Join("src.rlp"), "a");
    devtest::WriteFile(dir.Join("dst.rlp"), "b");
    const FILETIME sourceTime = UtcFileTime(2004, 3, 14, 9, 5, 0, 77), destinationTime = UtcFileTime(2001, 1, 1, 0, 0, 0);
    SetTime("src.rlp", sourceTime);
    SetTime("dst.rlp", destinationTime);
    CopyFileTimes(dir.Wide("missing.rlp").c_str(), dir.Wide("dst.rlp").c_str());
    EXPECT_EQ(FileTimeValue(destinationTime), FileTimeValue(Found("dst.rlp").ftLastWriteTime));
    CopyFileTimes(dir.Wide("src.rlp").c_str(), dir.Wide("dst.rlp").c_str());
    EXPECT_EQ(FileTimeValue(sourceTime), FileTimeValue(Found("dst.rlp").ftLastWriteTime));
    CopyFileTimes(dir.Wide("src.rlp").c_str(), dir.Wide("nowhere.rlp").c_str());  // silently nothing
    EXPECT_FALSE(devtest::FileExists(dir.Join("nowhere.rlp")));

    WCHAR buffer[4096];
    const DWORD length = HostGetCurrentDirectory(4096, buffer);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(length, WideLength(buffer));
    EXPECT_EQ(length + 1, HostGetCurrentDirectory(length, buffer));  // too small: the size needed
}

struct Seen {
    int calls = 0;
    int32_t stage = 0;
    std::string name, sourceDate, destinationDate;
};

int32_t VEZUVED_CALL OnProgress(int32_t stage, int32_t, int32_t, const char* name, void* session) {
    auto* seen = static_cast<Seen*>(session);
    ++seen->calls;
    seen->stage = stage;
    seen->name = name;
    return 7;
}

int32_t VEZUVED_CALL OnAsk(const char* name, int32_t, const char* sourceDate, const char* destinationDate, uint32_t*,
                           void* session) {
    auto* seen = static_cast<Seen*>(session);
    ++seen->calls;
    seen->name = name;
    seen->sourceDate = sourceDate;
    seen->destinationDate = destinationDate;
    return 1;
}

TEST(Callbacks, NamesAreNarrowedAndCut) {
    TimeZone zone("UTC0");
    Seen seen;
    RLSetSessionPtr(&seen);
    RLSetProgressCallback(OnProgress);
    RLSetAskReplaceCallback(OnAsk);
    WideString longName(600, static_cast<WCHAR>('n'));
    longName[0] = 0x00E9;
    longName[1] = 0x20AC;
    EXPECT_EQ(7, ReportDeviceProgress(1, 10, 20, longName.c_str()));
    EXPECT_EQ(1, seen.calls);
    EXPECT_EQ(1, seen.stage);
    ASSERT_EQ(520u, seen.name.size());
    EXPECT_EQ("\xE9\xAC", seen.name.substr(0, 2));

    const FILETIME source = UtcFileTime(2004, 3, 14, 9, 5, 0), destination = UtcFileTime(2003, 12, 1, 18, 30, 0);
    uint32_t options = 0;
    EXPECT_EQ(1, AskDeviceReplace(W("Home").c_str(), 0x07000022, &source, &destination, &options));
    EXPECT_EQ("Home", seen.name);
    EXPECT_EQ("   Mar/14/2004 09:05", seen.sourceDate);
    EXPECT_EQ("   Dec/01/2003 18:30", seen.destinationDate);

    RLSetProgressCallback(nullptr);
    RLSetAskReplaceCallback(nullptr);
    RLSetSessionPtr(nullptr);
    EXPECT_EQ(0, ReportDeviceProgress(0, 0, 0, nullptr));
    EXPECT_EQ(0, AskDeviceReplace(nullptr, 0, nullptr, nullptr, &options));
}

}  // namespace
