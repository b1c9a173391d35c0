// The device emulator through the loader's typed table, as the device
// operations reach it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/host_files.h"
#include "device/remote_api.h"
#include "device_test_support.h"

using devtest::ScopedEnv;
using devtest::TempFolder;
using devtest::W;

namespace {

constexpr DWORD kPoints = 0x506F4C69;  // "PoLi"
constexpr DWORD kTracks = 0x00003430;
constexpr CEPROPID kText = 0x0000001F;
constexpr CEPROPID kLongitude = 0x00010003;
constexpr CEPROPID kKey = 0x00020013;
constexpr CEPROPID kName = 0x0003001F;
const char* const kVolume = "\\My Documents\\Roverlog\\RoverlogDBV.cdb";

RemoteApiTable& Api() { return g_remoteApi; }

// A connected emulator over a fresh device folder.
class EmulatorTest : public testing::Test {
protected:
    EmulatorTest()
        : library_("VEZUVED_RAPI_LIBRARY", devtest::EmulatorPath().c_str()),
          device_("VEZUVED_DEVICE", root_.Path().c_str()),
          state_("VEZUVED_DEVICE_STATE", nullptr),
          faults_("VEZUVED_DEVICE_FAULTS", nullptr),
          log_("VEZUVED_DEVICE_LOG", nullptr) {}

    void SetUp() override {
        Connect();
        ASSERT_TRUE(Api().CeCreateDirectory(W("\\My Documents").c_str(), nullptr));
        ASSERT_TRUE(Api().CeCreateDirectory(W("\\My Documents\\Roverlog").c_str(), nullptr));
    }
    void TearDown() override { UnloadRemoteApi(); }

    void Connect() { ASSERT_EQ(0, LoadRemoteApi(nullptr)); }
    void Reconnect() {
        UnloadRemoteApi();
        Connect();
    }

    bool Mount(CEGUID& guid, DWORD flags) {
        WideString path = W(kVolume);
        return Api().CeMountDBVol(&guid, &path[0], flags) != FALSE;
    }

    CEOID CreateDatabase(CEGUID& guid, const char* name, DWORD type) {
        CEDBASEINFO info;
        std::memset(&info, 0, sizeof(info));
        info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC | CEDB_NOCOMPRESS;
        WidenText(info.szDbaseName, name, 31);
        info.dwDbaseType = type;
        info.wNumSortOrder = 2;
        info.rgSortSpecs[0].propid = kLongitude;
        info.rgSortSpecs[1].propid = type == kPoints ? kName : kKey;
        info.rgSortSpecs[1].dwFlags = type == kPoints ? CEDB_SORT_CASEINSENSITIVE : 0;
        return Api().CeCreateDatabaseEx(&guid, &info);
    }

    // Five properties, as the device copy writes a record.
    CEOID WriteRecord(HANDLE db, const char* text, int32_t longitude, const char* name, uint32_t key) {
        WideString wideText = W(text);
        WideString wideName = W(name);
        CEPROPVAL props[5];
        std::memset(props, 0, sizeof(props));
        props[0].propid = kText;
        props[0].val.lpwstr = &wideText[0];
        props[1].propid = kLongitude;
        props[1].val.lVal = longitude;
        if (name != nullptr) {
            props[2].propid = kName;
            props[2].val.lpwstr = &wideName[0];
        } else {
            props[2].propid = kKey;
            props[2].val.ulVal = key;
        }
        props[3].propid = 0x00050003;
        props[3].val.lVal = 5;
        props[4].propid = 0x00040003;
        props[4].val.lVal = 4;
        return Api().CeWriteRecordProps(db, 0, 5, props);
    }

    // Every record's text, from the current position on, as the copy from
    // the device reads them: one read per record, the next found by seeking
    // from the current position.
    std::vector<std::string> ReadAll(HANDLE db, std::vector<CEPROPVAL>* last = nullptr) {
        std::vector<std::string> texts;
        LPBYTE buffer = nullptr;
        DWORD size = 0;
        CEOID record = Api().CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr);
        // Bounded: a handle opened without CEDB_AUTOINCREMENT never moves on.
        for (int guard = 0; record != 0 && guard < 1000; ++guard) {
            WORD count = 0;
            const CEOID read = Api().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr);
            EXPECT_EQ(record, read);
            if (read == 0) break;
            auto* props = reinterpret_cast<CEPROPVAL*>(buffer);
            EXPECT_EQ(5, count);
            EXPECT_EQ(kText, props[0].propid);
            texts.push_back(NarrowedText(props[0].val.lpwstr));
            if (last != nullptr) last->assign(props, props + count);
            record = Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 0, nullptr);
        }
        FreeRemoteBuffer(buffer);
        return texts;
    }

    TempFolder root_;
    ScopedEnv library_;
    ScopedEnv device_;
    ScopedEnv state_;
    ScopedEnv faults_;
    ScopedEnv log_;
};

}  // namespace

TEST_F(EmulatorTest, FilesLiveInTheDeviceFolderAndIgnoreCase) {
    const WideString path = W("\\my documents\\ROVERLOG\\Flag.rli");
    HANDLE file = Api().CeCreateFile(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD done = 0;
    ASSERT_TRUE(Api().CeWriteFile(file, "abc", 3, &done, nullptr));
    const FILETIME when = MakeFileTime(127237479001234567ull);
    ASSERT_TRUE(Api().CeSetFileTime(file, &when, &when, &when));
    ASSERT_TRUE(Api().CeCloseHandle(file));
    EXPECT_EQ("abc", devtest::ReadFile(root_.Join("My Documents/Roverlog/Flag.rli")));

    CE_FIND_DATA found;
    HANDLE search = Api().CeFindFirstFile(W("\\My Documents\\Roverlog\\*.RLI").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ("Flag.rli", NarrowedText(found.cFileName));
    EXPECT_EQ(3u, found.nFileSizeLow);
    EXPECT_EQ(FileTimeValue(when), FileTimeValue(found.ftLastWriteTime));
    EXPECT_FALSE(Api().CeFindNextFile(search, &found));
    EXPECT_EQ(ERROR_NO_MORE_FILES, Api().CeGetLastError());
    EXPECT_TRUE(Api().CeFindClose(search));

    file = Api().CeCreateFile(W("\\MY DOCUMENTS\\Roverlog\\FLAG.RLI").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(3u, Api().CeGetFileSize(file, nullptr));
    FILETIME write;
    ASSERT_TRUE(Api().CeGetFileTime(file, nullptr, nullptr, &write));
    EXPECT_EQ(FileTimeValue(when), FileTimeValue(write));
    char buffer[8] = {};
    ASSERT_TRUE(Api().CeReadFile(file, buffer, sizeof(buffer), &done, nullptr));
    EXPECT_EQ("abc", std::string(buffer, done));
    ASSERT_TRUE(Api().CeCloseHandle(file));
    EXPECT_FALSE(Api().CeCloseHandle(file));
    EXPECT_EQ(ERROR_INVALID_HANDLE, Api().CeGetLastError());

    ASSERT_TRUE(Api().CeDeleteFile(W("\\My Documents\\Roverlog\\flag.rli").c_str()));
    EXPECT_FALSE(devtest::FileExists(root_.Join("My Documents/Roverlog/Flag.rli")));
    EXPECT_EQ(INVALID_HANDLE_VALUE, Api().CeCreateFile(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                                       nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Api().CeGetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Api().CeFindFirstFile(W("\\Nowhere\\*.*").c_str(), &found));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, Api().CeGetLastError());
    EXPECT_FALSE(Api().CeCreateDirectory(W("\\My Documents").c_str(), nullptr));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, Api().CeGetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Api().CeCreateFile(W("\\..\\escape.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                                       CREATE_ALWAYS, 0, nullptr));
}

TEST_F(EmulatorTest, VolumesSurviveUnmountAndANewConnection) {
    CEGUID guid;
    EXPECT_FALSE(Mount(guid, OPEN_EXISTING));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Api().CeGetLastError());
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    const CEOID oid = CreateDatabase(guid, "Home", kPoints);
    ASSERT_NE(0u, oid);
    EXPECT_EQ(0u, CreateDatabase(guid, "HOME", kPoints));  // names are unique regardless of case
    EXPECT_EQ(ERROR_DUP_NAME, Api().CeGetLastError());
    CEOID open = oid;
    HANDLE db = Api().CeOpenDatabaseEx(&guid, &open, nullptr, kLongitude, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    EXPECT_NE(0u, WriteRecord(db, "1,30,,,East,,", 30000000, "East", 0));
    EXPECT_NE(0u, WriteRecord(db, "2,-10,,,West,,", -10000000, "West", 0));
    EXPECT_NE(0u, WriteRecord(db, "3,20,,,Middle,,", 20000000, "Middle", 0));
    ASSERT_TRUE(Api().CeCloseHandle(db));
    CEDBASEINFO info;
    std::memset(&info, 0, sizeof(info));
    info.dwFlags = CEDB_VALIDMODTIME;
    info.ftLastModified = MakeFileTime(127237479001234567ull);
    ASSERT_TRUE(Api().CeSetDatabaseInfoEx(&guid, oid, &info));
    ASSERT_TRUE(Api().CeUnmountDBVol(&guid));
    EXPECT_FALSE(Api().CeUnmountDBVol(&guid));

    Reconnect();
    ASSERT_TRUE(Mount(guid, OPEN_EXISTING));
    HANDLE enumeration = Api().CeFindFirstDatabaseEx(&guid, kPoints);
    ASSERT_NE(nullptr, enumeration);
    EXPECT_EQ(oid, Api().CeFindNextDatabaseEx(enumeration, &guid));
    EXPECT_EQ(0u, Api().CeFindNextDatabaseEx(enumeration, &guid));
    EXPECT_TRUE(Api().CeCloseHandle(enumeration));
    CEOIDINFO oidInfo;
    std::memset(&oidInfo, 0, sizeof(oidInfo));
    oidInfo.wObjType = OBJTYPE_DATABASE;
    ASSERT_TRUE(Api().CeOidGetInfoEx(&guid, oid, &oidInfo));
    EXPECT_EQ(OBJTYPE_DATABASE, oidInfo.wObjType);
    EXPECT_EQ("Home", NarrowedText(oidInfo.infDatabase.szDbaseName));
    EXPECT_EQ(3, oidInfo.infDatabase.wNumRecords);
    EXPECT_EQ(kPoints, oidInfo.infDatabase.dwDbaseType);
    EXPECT_EQ(127237479001234567ull, FileTimeValue(oidInfo.infDatabase.ftLastModified));
    EXPECT_EQ(2, oidInfo.infDatabase.wNumSortOrder);

    open = oid;
    db = Api().CeOpenDatabaseEx(&guid, &open, nullptr, kLongitude, CEDB_AUTOINCREMENT, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    EXPECT_EQ((std::vector<std::string>{"2,-10,,,West,,", "3,20,,,Middle,,", "1,30,,,East,,"}), ReadAll(db));
    EXPECT_TRUE(Api().CeCloseHandle(db));
}

TEST_F(EmulatorTest, RecordsComeBackInTheOrderOfTheSortProperty) {
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    const CEOID points = CreateDatabase(guid, "Names", kPoints);
    const CEOID tracks = CreateDatabase(guid, "Hike", kTracks | 1);
    CEOID open = points;
    HANDLE db = Api().CeOpenDatabaseEx(&guid, &open, nullptr, kLongitude, 0, nullptr);
    WriteRecord(db, "b", 3, "bravo", 0);
    WriteRecord(db, "A", 1, "Alpha", 0);
    WriteRecord(db, "c", 2, "charlie", 0);
    Api().CeCloseHandle(db);
    open = tracks;
    db = Api().CeOpenDatabaseEx(&guid, &open, nullptr, kKey, 0, nullptr);
    WriteRecord(db, "third", -1, nullptr, 300);
    WriteRecord(db, "first", 5, nullptr, 100);
    WriteRecord(db, "second", 0, nullptr, 200);
    Api().CeCloseHandle(db);

    struct Case {
        CEOID oid;
        CEPROPID sort;
        std::vector<std::string> expected;
    } cases[] = {
        {points, kLongitude, {"A", "c", "b"}},
        {points, kName, {"A", "b", "c"}},  // case-insensitive text order
        {points, 0, {"b", "A", "c"}},      // no sort: the order of creation
        {tracks, kKey, {"first", "second", "third"}},
        {tracks, kLongitude, {"third", "second", "first"}},
    };
    for (const Case& c : cases) {
        open = c.oid;
        db = Api().CeOpenDatabaseEx(&guid, &open, nullptr, c.sort, CEDB_AUTOINCREMENT, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, db);
        EXPECT_EQ(c.expected, ReadAll(db)) << std::hex << c.sort;
        Api().CeCloseHandle(db);
    }
    open = tracks;
    EXPECT_EQ(INVALID_HANDLE_VALUE, Api().CeOpenDatabaseEx(&guid, &open, nullptr, kName, 0, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, Api().CeGetLastError());
    // Enumeration by type: routes are their own type.
    HANDLE enumeration = Api().CeFindFirstDatabaseEx(&guid, kTracks);
    EXPECT_EQ(0u, Api().CeFindNextDatabaseEx(enumeration, &guid));
    Api().CeCloseHandle(enumeration);
    enumeration = Api().CeFindFirstDatabaseEx(&guid, 0);
    EXPECT_EQ(points, Api().CeFindNextDatabaseEx(enumeration, &guid));
    EXPECT_EQ(tracks, Api().CeFindNextDatabaseEx(enumeration, &guid));
    Api().CeCloseHandle(enumeration);
}

TEST_F(EmulatorTest, AutoIncrementAndReadBuffers) {
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    CEOID open = CreateDatabase(guid, "Camp", kPoints);
    HANDLE db = Api().CeOpenDatabaseEx(&guid, &open, nullptr, kLongitude, 0, nullptr);
    const CEOID first = WriteRecord(db, "one", 1, "One", 0);
    const CEOID second = WriteRecord(db, "two", 2, "Two", 0);
    EXPECT_EQ(first, Api().CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr));

    // Without CEDB_AUTOINCREMENT the position stays put.
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    EXPECT_EQ(first, Api().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr));
    EXPECT_EQ(first, Api().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr));
    EXPECT_EQ(first, Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 0, nullptr));
    DWORD index = 99;
    EXPECT_EQ(second, Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(0u, Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, nullptr));
    EXPECT_EQ(second, Api().CeSeekDatabase(db, CEDB_SEEK_END, 0, nullptr));
    EXPECT_EQ(first, Api().CeSeekDatabase(db, CEDB_SEEK_CEOID, first, nullptr));
    Api().CeCloseHandle(db);

    // Asking for chosen properties; a missing one is flagged, not invented.
    open = 0;
    WideString name = W("camp");
    db = Api().CeOpenDatabaseEx(&guid, &open, &name[0], kLongitude, CEDB_AUTOINCREMENT, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    CEPROPID wanted[2] = {kLongitude, kKey};
    count = 2;
    EXPECT_EQ(first, Api().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, wanted, &buffer, &size, nullptr));
    auto* props = reinterpret_cast<CEPROPVAL*>(buffer);
    EXPECT_EQ(1, props[0].val.lVal);
    EXPECT_EQ(kKey, props[1].propid);
    EXPECT_EQ(CEDB_PROPNOTFOUND, props[1].wFlags);
    // Too small a buffer without CEDB_ALLOWREALLOC: refused with the size needed.
    LPBYTE small = nullptr;
    DWORD smallSize = 0;
    count = 0;
    EXPECT_EQ(0u, Api().CeReadRecordPropsEx(db, 0, &count, nullptr, &small, &smallSize, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, Api().CeGetLastError());
    EXPECT_GT(smallSize, 5 * sizeof(CEPROPVAL));
    // The first read moved on to the second record.
    EXPECT_EQ(second, Api().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr));
    EXPECT_EQ("two", NarrowedText(reinterpret_cast<CEPROPVAL*>(buffer)[0].val.lpwstr));
    EXPECT_EQ(0u, Api().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr));
    EXPECT_EQ(0u, Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 0, nullptr));
    FreeRemoteBuffer(buffer);

    // An open database cannot be deleted; a closed one can.
    EXPECT_FALSE(Api().CeDeleteDatabaseEx(&guid, open));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, Api().CeGetLastError());
    Api().CeCloseHandle(db);
    EXPECT_TRUE(Api().CeDeleteDatabaseEx(&guid, open));
    HANDLE enumeration = Api().CeFindFirstDatabaseEx(&guid, kPoints);
    EXPECT_EQ(0u, Api().CeFindNextDatabaseEx(enumeration, &guid));
    Api().CeCloseHandle(enumeration);
}

TEST_F(EmulatorTest, DamagedVolumeFilesRefuseToMount) {
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    ASSERT_NE(0u, CreateDatabase(guid, "Home", kPoints));
    ASSERT_TRUE(Api().CeUnmountDBVol(&guid));
    const std::string file = root_.Join("My Documents/Roverlog/RoverlogDBV.cdb");
    const std::string good = devtest::ReadFile(file);
    ASSERT_GT(good.size(), 20u);

    std::string flipped = good;
    flipped[flipped.size() - 3] ^= 0x40;
    std::string badVersion = good;
    badVersion[8] = 9;
    const std::string damaged[] = {flipped, good.substr(0, good.size() - 1), good + "x", badVersion,
                                   good.substr(0, 10), "not a volume at all"};
    for (const std::string& bytes : damaged) {
        devtest::WriteFile(file, bytes);
        for (DWORD flags : {OPEN_EXISTING, OPEN_ALWAYS}) {
            EXPECT_FALSE(Mount(guid, flags));
            EXPECT_EQ(ERROR_FILE_CORRUPT, Api().CeGetLastError());
        }
        EXPECT_EQ(bytes, devtest::ReadFile(file));  // left as it was
    }
    devtest::WriteFile(file, good);
    EXPECT_TRUE(Mount(guid, OPEN_EXISTING));
    // A mounted volume file is in use.
    EXPECT_FALSE(Api().CeDeleteFile(W(kVolume).c_str()));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, Api().CeGetLastError());
}

TEST_F(EmulatorTest, CallLog) {
    UnloadRemoteApi();
    ScopedEnv log("VEZUVED_DEVICE_LOG", root_.Join("calls.log").c_str());
    Connect();
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    Api().CeGetLastError();
    UnloadRemoteApi();
    const std::string calls = devtest::ReadFile(root_.Join("calls.log"));
    EXPECT_NE(std::string::npos, calls.find("CeRapiInitEx("));
    EXPECT_NE(std::string::npos,
              calls.find("CeMountDBVol(") != std::string::npos ? calls.find("RoverlogDBV.cdb\", 4) -> 1")
                                                               : std::string::npos)
        << calls;
    EXPECT_NE(std::string::npos, calls.find("CeGetLastError() -> 0"));
    EXPECT_NE(std::string::npos, calls.find("CeRapiUninit() -> 0"));
    Connect();
}

TEST_F(EmulatorTest, InspectListsFilesDatabasesAndRecords) {
#if defined(_WIN32)
    GTEST_SKIP() << "runs the listing tool through a POSIX shell";
#endif
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    CEOID open = CreateDatabase(guid, "Home", kPoints);
    HANDLE db = Api().CeOpenDatabaseEx(&guid, &open, nullptr, kLongitude, 0, nullptr);
    WriteRecord(db, "45.1,-122.5,,,Camp,,", -122500000, "Camp", 0);
    Api().CeCloseHandle(db);
    devtest::WriteFile(root_.Join("My Documents/Roverlog/flag.rli"), "icon");
    const std::string command = devtest::BuildFolder() + "/emulator/vezuved-device-inspect '" + root_.Path() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    ASSERT_TRUE(pipe);
    std::string listing;
    char chunk[512];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), pipe.get())) > 0) listing.append(chunk, n);
    EXPECT_NE(std::string::npos, listing.find("\\My Documents\\Roverlog\\flag.rli  4 bytes")) << listing;
    EXPECT_NE(std::string::npos, listing.find("database \"Home\"")) << listing;
    EXPECT_NE(std::string::npos, listing.find("\"PoLi\"")) << listing;
    EXPECT_NE(std::string::npos, listing.find("text \"45.1,-122.5,,,Camp,,\"")) << listing;
    EXPECT_NE(std::string::npos, listing.find("i4 -122500000")) << listing;
}

// ---------------------------------------------------------------------------
// Fault injection: every entry point can be made to fail.

namespace {

struct FaultContext {
    CEGUID guid{};
    CEOID database = 0;
    HANDLE open = INVALID_HANDLE_VALUE;
    HANDLE file = INVALID_HANDLE_VALUE;
};

struct FaultCase {
    const char* entry;
    // Runs the call after whatever it needs; true when it returned its
    // failure value.
    std::function<bool(FaultContext&)> fails;
};

HANDLE OpenFlag(DWORD access) {
    return Api().CeCreateFile(W("\\My Documents\\Roverlog\\a.rli").c_str(), access, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
}

bool OpenHome(FaultContext& c) {
    WideString path = W(kVolume);
    if (!Api().CeMountDBVol(&c.guid, &path[0], OPEN_EXISTING)) return false;
    HANDLE enumeration = Api().CeFindFirstDatabaseEx(&c.guid, kPoints);
    c.database = Api().CeFindNextDatabaseEx(enumeration, &c.guid);
    Api().CeCloseHandle(enumeration);
    CEOID oid = c.database;
    c.open = Api().CeOpenDatabaseEx(&c.guid, &oid, nullptr, kLongitude, CEDB_AUTOINCREMENT, nullptr);
    return c.open != INVALID_HANDLE_VALUE;
}

std::vector<FaultCase> FaultCases() {
    auto buffer = [](FaultContext& c, bool ex) {
        LPBYTE data = nullptr;
        DWORD size = 0;
        WORD count = 0;
        OpenHome(c);
        const CEOID read = ex ? Api().CeReadRecordPropsEx(c.open, CEDB_ALLOWREALLOC, &count, nullptr, &data, &size,
                                                          nullptr)
                              : Api().CeReadRecordProps(c.open, CEDB_ALLOWREALLOC, &count, nullptr, &data, &size);
        FreeRemoteBuffer(data);
        return read == 0;
    };
    auto write = [](FaultContext& c, bool ex) {
        OpenHome(c);
        WideString text = W("x");
        CEPROPVAL prop;
        std::memset(&prop, 0, sizeof(prop));
        prop.propid = kText;
        prop.val.lpwstr = &text[0];
        return (ex ? Api().CeWriteRecordPropsEx(c.open, 0, 1, &prop) : Api().CeWriteRecordProps(c.open, 0, 1, &prop)) ==
               0;
    };
    CEDBASEINFO modTime;
    std::memset(&modTime, 0, sizeof(modTime));
    modTime.dwFlags = CEDB_VALIDMODTIME;
    return {
        {"CeRapiUninit", [](FaultContext&) { return Api().CeRapiUninit() != 0; }},
        {"CeReadRecordProps", [=](FaultContext& c) { return buffer(c, false); }},
        {"CeSeekDatabase",
         [](FaultContext& c) { return OpenHome(c) && Api().CeSeekDatabase(c.open, CEDB_SEEK_BEGINNING, 0, nullptr) == 0; }},
        {"CeSetDatabaseInfo",
         [=](FaultContext& c) mutable { return OpenHome(c) && !Api().CeSetDatabaseInfo(c.database, &modTime); }},
        {"CeWriteRecordProps", [=](FaultContext& c) { return write(c, false); }},
        {"CeFindFirstFile",
         [](FaultContext&) {
             CE_FIND_DATA found;
             return Api().CeFindFirstFile(W("\\My Documents\\Roverlog\\*.rli").c_str(), &found) == INVALID_HANDLE_VALUE;
         }},
        {"CeFindNextFile",
         [](FaultContext&) {
             CE_FIND_DATA found;
             HANDLE search = Api().CeFindFirstFile(W("\\My Documents\\Roverlog\\*.rli").c_str(), &found);
             const bool failed = search != INVALID_HANDLE_VALUE && !Api().CeFindNextFile(search, &found);
             Api().CeFindClose(search);
             return failed;
         }},
        {"CeFindClose",
         [](FaultContext&) {
             CE_FIND_DATA found;
             HANDLE search = Api().CeFindFirstFile(W("\\My Documents\\Roverlog\\*.rli").c_str(), &found);
             return search != INVALID_HANDLE_VALUE && !Api().CeFindClose(search);
         }},
        {"CeCreateFile", [](FaultContext&) { return OpenFlag(GENERIC_READ) == INVALID_HANDLE_VALUE; }},
        {"CeReadFile",
         [](FaultContext& c) {
             char data[4];
             DWORD done = 0;
             c.file = OpenFlag(GENERIC_READ);
             return c.file != INVALID_HANDLE_VALUE && !Api().CeReadFile(c.file, data, 4, &done, nullptr);
         }},
        {"CeWriteFile",
         [](FaultContext& c) {
             DWORD done = 0;
             c.file = OpenFlag(GENERIC_WRITE);
             return c.file != INVALID_HANDLE_VALUE && !Api().CeWriteFile(c.file, "z", 1, &done, nullptr);
         }},
        {"CeCloseHandle",
         [](FaultContext&) {
             HANDLE file = OpenFlag(GENERIC_READ);
             return file != INVALID_HANDLE_VALUE && !Api().CeCloseHandle(file);
         }},
        {"CeDeleteFile",
         [](FaultContext&) { return !Api().CeDeleteFile(W("\\My Documents\\Roverlog\\a.rli").c_str()); }},
        {"CeGetFileSize",
         [](FaultContext& c) {
             c.file = OpenFlag(GENERIC_READ);
             return c.file != INVALID_HANDLE_VALUE && Api().CeGetFileSize(c.file, nullptr) == INVALID_FILE_SIZE;
         }},
        {"CeGetFileTime",
         [](FaultContext& c) {
             FILETIME t;
             c.file = OpenFlag(GENERIC_READ);
             return c.file != INVALID_HANDLE_VALUE && !Api().CeGetFileTime(c.file, nullptr, nullptr, &t);
         }},
        {"CeSetFileTime",
         [](FaultContext& c) {
             const FILETIME t = MakeFileTime(127237479000000000ull);
             c.file = OpenFlag(GENERIC_WRITE);
             return c.file != INVALID_HANDLE_VALUE && !Api().CeSetFileTime(c.file, &t, &t, &t);
         }},
        {"CeGetVersionEx",
         [](FaultContext&) {
             CEOSVERSIONINFO version;
             version.dwOSVersionInfoSize = sizeof(version);
             return !Api().CeGetVersionEx(&version);
         }},
        {"CeFindFirstDatabaseEx",
         [](FaultContext& c) {
             WideString path = W(kVolume);
             return Api().CeMountDBVol(&c.guid, &path[0], OPEN_EXISTING) &&
                    Api().CeFindFirstDatabaseEx(&c.guid, kPoints) == nullptr;
         }},
        {"CeFindNextDatabaseEx",
         [](FaultContext& c) {
             WideString path = W(kVolume);
             Api().CeMountDBVol(&c.guid, &path[0], OPEN_EXISTING);
             HANDLE enumeration = Api().CeFindFirstDatabaseEx(&c.guid, kPoints);
             return enumeration != nullptr && Api().CeFindNextDatabaseEx(enumeration, &c.guid) == 0;
         }},
        {"CeCreateDatabaseEx",
         [](FaultContext& c) {
             WideString path = W(kVolume);
             Api().CeMountDBVol(&c.guid, &path[0], OPEN_EXISTING);
             CEDBASEINFO info;
             std::memset(&info, 0, sizeof(info));
             info.dwFlags = CEDB_VALIDNAME;
             WidenText(info.szDbaseName, "Other", 31);
             return Api().CeCreateDatabaseEx(&c.guid, &info) == 0;
         }},
        {"CeSetDatabaseInfoEx",
         [=](FaultContext& c) mutable {
             return OpenHome(c) && !Api().CeSetDatabaseInfoEx(&c.guid, c.database, &modTime);
         }},
        {"CeOpenDatabaseEx", [](FaultContext& c) { return !OpenHome(c) && c.database != 0; }},
        {"CeDeleteDatabaseEx",
         [](FaultContext& c) {
             OpenHome(c);
             Api().CeCloseHandle(c.open);
             return !Api().CeDeleteDatabaseEx(&c.guid, c.database);
         }},
        {"CeReadRecordPropsEx", [=](FaultContext& c) { return buffer(c, true); }},
        {"CeWriteRecordPropsEx", [=](FaultContext& c) { return write(c, true); }},
        {"CeMountDBVol", [](FaultContext& c) { return !OpenHome(c); }},
        {"CeUnmountDBVol", [](FaultContext& c) { return OpenHome(c) && !Api().CeUnmountDBVol(&c.guid); }},
        {"CeOidGetInfoEx",
         [](FaultContext& c) {
             CEOIDINFO info;
             return OpenHome(c) && !Api().CeOidGetInfoEx(&c.guid, c.database, &info);
         }},
        {"CeCreateDirectory",
         [](FaultContext&) { return !Api().CeCreateDirectory(W("\\Fresh").c_str(), nullptr); }},
    };
}

}  // namespace

TEST_F(EmulatorTest, EveryEntryPointCanBeMadeToFail) {
    // The device every case starts from: two icons and a volume with one
    // points database holding one record.
    devtest::WriteFile(root_.Join("My Documents/Roverlog/a.rli"), "aaaa");
    devtest::WriteFile(root_.Join("My Documents/Roverlog/b.rli"), "bbbb");
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    CEOID open = CreateDatabase(guid, "Home", kPoints);
    HANDLE db = Api().CeOpenDatabaseEx(&guid, &open, nullptr, kLongitude, 0, nullptr);
    ASSERT_NE(0u, WriteRecord(db, "record", 1, "Name", 0));
    UnloadRemoteApi();
    // Some calls change the device when they succeed; each run starts afresh.
    const std::string volumeFile = root_.Join("My Documents/Roverlog/RoverlogDBV.cdb");
    const std::string volumeBytes = devtest::ReadFile(volumeFile);
    auto restore = [&]() {
        devtest::WriteFile(volumeFile, volumeBytes);
        devtest::WriteFile(root_.Join("My Documents/Roverlog/a.rli"), "aaaa");
    };

    std::vector<FaultCase> cases = FaultCases();
    ASSERT_EQ(29u, cases.size());  // with CeRapiInitEx and CeGetLastError below: all 31
    for (FaultCase& c : cases) {
        // Without the fault the call succeeds...
        {
            restore();
            Connect();
            FaultContext context;
            EXPECT_FALSE(c.fails(context)) << c.entry << " fails without a fault";
            UnloadRemoteApi();
        }
        // ...with it, it fails with the error asked for.
        const std::string fault = std::string(c.entry) + "=4321";
        ScopedEnv faults("VEZUVED_DEVICE_FAULTS", fault.c_str());
        restore();
        Connect();
        FaultContext context;
        EXPECT_TRUE(c.fails(context)) << c.entry;
        EXPECT_EQ(4321u, Api().CeGetLastError()) << c.entry;
        UnloadRemoteApi();
    }
    {
        ScopedEnv faults("VEZUVED_DEVICE_FAULTS", "CeGetLastError=77");
        Connect();
        EXPECT_EQ(77u, Api().CeGetLastError());
        UnloadRemoteApi();
    }
    {
        ScopedEnv faults("VEZUVED_DEVICE_FAULTS", "CeRapiInitEx");
        EXPECT_EQ(rapiErrInit, LoadRemoteApi(nullptr));
    }
    // @N: only the Nth call fails; the default error is 31.
    {
        ScopedEnv faults("VEZUVED_DEVICE_FAULTS", "CeWriteRecordProps@2, CeCreateFile@1=5");
        restore();
        Connect();
        EXPECT_EQ(INVALID_HANDLE_VALUE, OpenFlag(GENERIC_READ));
        EXPECT_EQ(5u, Api().CeGetLastError());
        HANDLE file = OpenFlag(GENERIC_READ);
        EXPECT_NE(INVALID_HANDLE_VALUE, file);
        FaultContext context;
        ASSERT_TRUE(OpenHome(context));
        EXPECT_NE(0u, WriteRecord(context.open, "one", 1, "One", 0));
        EXPECT_EQ(0u, WriteRecord(context.open, "two", 2, "Two", 0));
        EXPECT_EQ(ERROR_GEN_FAILURE, Api().CeGetLastError());
        EXPECT_NE(0u, WriteRecord(context.open, "three", 3, "Three", 0));
        EXPECT_EQ((std::vector<std::string>{"record", "one", "three"}), ReadAll(context.open));
        UnloadRemoteApi();
    }
    Connect();  // for TearDown
}
