// The device emulator through the loader's typed table, as the device
// operations reach it: files, volumes that last, sort orders, reading
// positions, damaged volumes, the call log, the listing tool and faults.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/host_files.h"
#include "device/remote_api.h"
#include "device_test_support.h"

using devtest::ScopedEnv;
using devtest::W;
using Strings = std::vector<std::string>;

namespace {

constexpr DWORD kPoints = 0x506F4C69;  // "PoLi"
constexpr DWORD kTracks = 0x00003430;
constexpr CEPROPID kText = 0x0000001F, kLongitude = 0x00010003, kKey = 0x00020013, kName = 0x0003001F;
const char* const kVolume = "\\My Documents\\Roverlog\\RoverlogDBV.cdb";
constexpr uint64_t kWhen = 127237479001234567ull;

RemoteApiTable& Api() { return g_remoteApi; }

// A connected emulator over a fresh device folder.
class EmulatorTest : public testing::Test, protected devtest::EmulatedDevice {
protected:
    void SetUp() override {
        Connect();
        ASSERT_TRUE(Api().CeCreateDirectory(W("\\My Documents").c_str(), nullptr));
        ASSERT_TRUE(Api().CeCreateDirectory(W("\\My Documents\\Roverlog").c_str(), nullptr));
    }
    void TearDown() override { UnloadRemoteApi(); }
    void Connect() { ASSERT_EQ(0, LoadRemoteApi(nullptr)); }
    std::string Roverlog(const std::string& name) const { return root_.Join("My Documents/Roverlog/" + name); }

    static bool Mount(CEGUID& guid, DWORD flags) {
        WideString path = W(kVolume);
        return Api().CeMountDBVol(&guid, &path[0], flags) != FALSE;
    }
    static HANDLE Open(CEGUID& guid, CEOID oid, CEPROPID sort, DWORD flags = CEDB_AUTOINCREMENT) {
        return Api().CeOpenDatabaseEx(&guid, &oid, nullptr, sort, flags, nullptr);
    }
    static CEOID CreateDatabase(CEGUID& guid, const char* name, DWORD type) {
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
    static bool SetModified(CEGUID& guid, CEOID oid) {
        CEDBASEINFO info;
        std::memset(&info, 0, sizeof(info));
        info.dwFlags = CEDB_VALIDMODTIME;
        info.ftLastModified = MakeFileTime(kWhen);
        return Api().CeSetDatabaseInfoEx(&guid, oid, &info);
    }
    // Five properties, as the device copy writes a record (name null: a key instead).
    static CEOID WriteRecord(HANDLE db, const char* text, int32_t longitude, const char* name, uint32_t key = 0) {
        WideString wideText = W(text), wideName = W(name);
        CEPROPVAL props[5];
        std::memset(props, 0, sizeof(props));
        const CEPROPID ids[5] = {kText, kLongitude, name != nullptr ? kName : kKey, 0x00050003, 0x00040003};
        for (int i = 0; i < 5; ++i) props[i].propid = ids[i];
        props[0].val.lpwstr = &wideText[0];
        props[1].val.lVal = longitude;
        if (name != nullptr) props[2].val.lpwstr = &wideName[0];
        else props[2].val.ulVal = key;
        props[3].val.lVal = 5;
        props[4].val.lVal = 4;
        return Api().CeWriteRecordProps(db, 0, 5, props);
    }
    // Every record's text as the copy from the device reads them: one read
    // per record, the next found by seeking from the current position.
    static Strings ReadAll(HANDLE db) {
        Strings texts;
        LPBYTE buffer = nullptr;
        DWORD size = 0;
        CEOID record = Api().CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr);
        for (int guard = 0; record != 0 && guard < 1000; ++guard) {  // a handle without AUTOINCREMENT never moves
            WORD count = 0;
            const CEOID read = Api().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr);
            EXPECT_EQ(record, read);
            if (read == 0) break;
            auto* props = reinterpret_cast<CEPROPVAL*>(buffer);
            EXPECT_EQ(5, count);
            EXPECT_EQ(kText, props[0].propid);
            texts.push_back(NarrowedText(props[0].val.lpwstr));
            record = Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 0, nullptr);
        }
        FreeRemoteBuffer(buffer);
        return texts;
    }
};

TEST_F(EmulatorTest, FilesLiveInTheDeviceFolderAndIgnoreCase) {
    const WideString path = W("\\my documents\\ROVERLOG\\Flag.rli");
    HANDLE file = Api().CeCreateFile(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD done = 0;
    ASSERT_TRUE(Api().CeWriteFile(file, "abc", 3, &done, nullptr));
    const FILETIME when = MakeFileTime(kWhen);
    ASSERT_TRUE(Api().CeSetFileTime(file, &when, &when, &when));
    ASSERT_TRUE(Api().CeCloseHandle(file));
    EXPECT_EQ("abc", devtest::ReadFile(Roverlog("Flag.rli")));

    CE_FIND_DATA found;
    HANDLE search = Api().CeFindFirstFile(W("\\My Documents\\Roverlog\\*.RLI").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ("Flag.rli", NarrowedText(found.cFileName));
    EXPECT_EQ(3u, found.nFileSizeLow);
    EXPECT_EQ(kWhen, FileTimeValue(found.ftLastWriteTime));
    EXPECT_FALSE(Api().CeFindNextFile(search, &found));
    EXPECT_EQ(ERROR_NO_MORE_FILES, Api().CeGetLastError());
    EXPECT_TRUE(Api().CeFindClose(search));

    file = Api().CeCreateFile(W("\\MY DOCUMENTS\\Roverlog\\FLAG.RLI").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(3u, Api().CeGetFileSize(file, nullptr));
    FILETIME write;
    ASSERT_TRUE(Api().CeGetFileTime(file, nullptr, nullptr, &write));
    EXPECT_EQ(kWhen, FileTimeValue(write));
    char buffer[8] = {};
    ASSERT_TRUE(Api().CeReadFile(file, buffer, sizeof(buffer), &done, nullptr));
    EXPECT_EQ("abc", std::string(buffer, done));
    ASSERT_TRUE(Api().CeCloseHandle(file));
    EXPECT_FALSE(Api().CeCloseHandle(file));
    EXPECT_EQ(ERROR_INVALID_HANDLE, Api().CeGetLastError());

    ASSERT_TRUE(Api().CeDeleteFile(W("\\My Documents\\Roverlog\\flag.rli").c_str()));
    EXPECT_FALSE(devtest::FileExists(Roverlog("Flag.rli")));
    EXPECT_EQ(INVALID_HANDLE_VALUE, Api().CeCreateFile(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Api().CeGetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Api().CeFindFirstFile(W("\\Nowhere\\*.*").c_str(), &found));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, Api().CeGetLastError());
    EXPECT_FALSE(Api().CeCreateDirectory(W("\\My Documents").c_str(), nullptr));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, Api().CeGetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              Api().CeCreateFile(W("\\..\\escape.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
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
    HANDLE db = Open(guid, oid, kLongitude, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    EXPECT_NE(0u, WriteRecord(db, "1,30,,,East,,", 30000000, "East"));
    EXPECT_NE(0u, WriteRecord(db, "2,-10,,,West,,", -10000000, "West"));
    EXPECT_NE(0u, WriteRecord(db, "3,20,,,Middle,,", 20000000, "Middle"));
    ASSERT_TRUE(Api().CeCloseHandle(db));
    ASSERT_TRUE(SetModified(guid, oid));
    ASSERT_TRUE(Api().CeUnmountDBVol(&guid));
    EXPECT_FALSE(Api().CeUnmountDBVol(&guid));

    UnloadRemoteApi();
    Connect();
    ASSERT_TRUE(Mount(guid, OPEN_EXISTING));
    HANDLE enumeration = Api().CeFindFirstDatabaseEx(&guid, kPoints);
    ASSERT_NE(nullptr, enumeration);
    EXPECT_EQ(oid, Api().CeFindNextDatabaseEx(enumeration, &guid));
    EXPECT_EQ(0u, Api().CeFindNextDatabaseEx(enumeration, &guid));
    EXPECT_TRUE(Api().CeCloseHandle(enumeration));
    CEOIDINFO info;
    std::memset(&info, 0, sizeof(info));
    info.wObjType = OBJTYPE_DATABASE;
    ASSERT_TRUE(Api().CeOidGetInfoEx(&guid, oid, &info));
    EXPECT_EQ(OBJTYPE_DATABASE, info.wObjType);
    EXPECT_EQ("Home", NarrowedText(info.infDatabase.szDbaseName));
    EXPECT_EQ(3, info.infDatabase.wNumRecords);
    EXPECT_EQ(kPoints, info.infDatabase.dwDbaseType);
    EXPECT_EQ(kWhen, FileTimeValue(info.infDatabase.ftLastModified));
    EXPECT_EQ(2, info.infDatabase.wNumSortOrder);
    db = Open(guid, oid, kLongitude);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    EXPECT_EQ((Strings{"2,-10,,,West,,", "3,20,,,Middle,,", "1,30,,,East,,"}), ReadAll(db));
    EXPECT_TRUE(Api().CeCloseHandle(db));
}

TEST_F(EmulatorTest, RecordsComeBackInTheOrderOfTheSortProperty) {
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    const CEOID points = CreateDatabase(guid, "Names", kPoints), tracks = CreateDatabase(guid, "Hike", kTracks | 1);
    HANDLE db = Open(guid, points, kLongitude, 0);
    WriteRecord(db, "b", 3, "bravo");
    WriteRecord(db, "A", 1, "Alpha");
    WriteRecord(db, "c", 2, "charlie");
    Api().CeCloseHandle(db);
    db = Open(guid, tracks, kKey, 0);
    WriteRecord(db, "third", -1, nullptr, 300);
    WriteRecord(db, "first", 5, nullptr, 100);
    WriteRecord(db, "second", 0, nullptr, 200);
    Api().CeCloseHandle(db);

    struct { CEOID oid; CEPROPID sort; Strings expected; } const cases[] = {
        {points, kLongitude, {"A", "c", "b"}},
        {points, kName, {"A", "b", "c"}},  // case-insensitive text order
        {points, 0, {"b", "A", "c"}},      // no sort: the order of creation
        {tracks, kKey, {"first", "second", "third"}},
        {tracks, kLongitude, {"third", "second", "first"}},
    };
    for (const auto& c : cases) {
        db = Open(guid, c.oid, c.sort);
        ASSERT_NE(INVALID_HANDLE_VALUE, db);
        EXPECT_EQ(c.expected, ReadAll(db)) << std::hex << c.sort;
        Api().CeCloseHandle(db);
    }
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(guid, tracks, kName, 0));
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
    const CEOID camp = CreateDatabase(guid, "Camp", kPoints);
    HANDLE db = Open(guid, camp, kLongitude, 0);
    const CEOID first = WriteRecord(db, "one", 1, "One"), second = WriteRecord(db, "two", 2, "Two");
    EXPECT_EQ(first, Api().CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr));
    // Without CEDB_AUTOINCREMENT the position stays put.
    LPBYTE buffer = nullptr;
    DWORD size = 0, index = 99;
    WORD count = 0;
    auto read = [&](DWORD flags, CEPROPID* wanted, LPBYTE* into, DWORD* bytes) {
        return Api().CeReadRecordPropsEx(db, flags, &count, wanted, into, bytes, nullptr);
    };
    EXPECT_EQ(first, read(CEDB_ALLOWREALLOC, nullptr, &buffer, &size));
    EXPECT_EQ(first, read(CEDB_ALLOWREALLOC, nullptr, &buffer, &size));
    EXPECT_EQ(first, Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 0, nullptr));
    EXPECT_EQ(second, Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(0u, Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, nullptr));
    EXPECT_EQ(second, Api().CeSeekDatabase(db, CEDB_SEEK_END, 0, nullptr));
    EXPECT_EQ(first, Api().CeSeekDatabase(db, CEDB_SEEK_CEOID, first, nullptr));
    Api().CeCloseHandle(db);

    // Opened by name; asking for chosen properties, a missing one is flagged, not invented.
    CEOID open = 0;
    WideString name = W("camp");
    db = Api().CeOpenDatabaseEx(&guid, &open, &name[0], kLongitude, CEDB_AUTOINCREMENT, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    EXPECT_EQ(camp, open);
    CEPROPID wanted[2] = {kLongitude, kKey};
    count = 2;
    EXPECT_EQ(first, read(CEDB_ALLOWREALLOC, wanted, &buffer, &size));
    auto* props = reinterpret_cast<CEPROPVAL*>(buffer);
    EXPECT_EQ(1, props[0].val.lVal);
    EXPECT_EQ(kKey, props[1].propid);
    EXPECT_EQ(CEDB_PROPNOTFOUND, props[1].wFlags);
    // Too small a buffer without CEDB_ALLOWREALLOC: refused with the size needed.
    LPBYTE small = nullptr;
    DWORD smallSize = 0;
    count = 0;
    EXPECT_EQ(0u, read(0, nullptr, &small, &smallSize));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, Api().CeGetLastError());
    EXPECT_GT(smallSize, 5 * sizeof(CEPROPVAL));
    // The first read moved on to the second record.
    EXPECT_EQ(second, read(CEDB_ALLOWREALLOC, nullptr, &buffer, &size));
    EXPECT_EQ("two", NarrowedText(reinterpret_cast<CEPROPVAL*>(buffer)[0].val.lpwstr));
    EXPECT_EQ(0u, read(CEDB_ALLOWREALLOC, nullptr, &buffer, &size));
    EXPECT_EQ(0u, Api().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 0, nullptr));
    FreeRemoteBuffer(buffer);
    // An open database cannot be deleted; a closed one can.
    EXPECT_FALSE(Api().CeDeleteDatabaseEx(&guid, camp));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, Api().CeGetLastError());
    Api().CeCloseHandle(db);
    EXPECT_TRUE(Api().CeDeleteDatabaseEx(&guid, camp));
    HANDLE enumeration = Api().CeFindFirstDatabaseEx(&guid, kPoints);
    EXPECT_EQ(0u, Api().CeFindNextDatabaseEx(enumeration, &guid));
    Api().CeCloseHandle(enumeration);
}

TEST_F(EmulatorTest, DamagedVolumeFilesRefuseToMount) {
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    ASSERT_NE(0u, CreateDatabase(guid, "Home", kPoints));
    ASSERT_TRUE(Api().CeUnmountDBVol(&guid));
    const std::string file = Roverlog("RoverlogDBV.cdb");
    const std::string good = devtest::ReadFile(file);
    ASSERT_GT(good.size(), 20u);
    std::string flipped = good, badVersion = good;
    flipped[flipped.size() - 3] ^= 0x40;
    badVersion[8] = 9;
    for (const std::string& bytes : {flipped, good.substr(0, good.size() - 1), good + "x", badVersion,
                                     good.substr(0, 10), std::string("not a volume at all")}) {
        devtest::WriteFile(file, bytes);
        for (DWORD flags : {OPEN_EXISTING, OPEN_ALWAYS}) {
            EXPECT_FALSE(Mount(guid, flags));
            EXPECT_EQ(ERROR_FILE_CORRUPT, Api().CeGetLastError());
        }
        EXPECT_EQ(bytes, devtest::ReadFile(file));  // left as it was
    }
    devtest::WriteFile(file, good);
    EXPECT_TRUE(Mount(guid, OPEN_EXISTING));
    EXPECT_FALSE(Api().CeDeleteFile(W(kVolume).c_str()));  // a mounted volume file is in use
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
    for (const char* call : {"CeRapiInitEx(", "CeMountDBVol(", "RoverlogDBV.cdb\", 4) -> 1", "CeGetLastError() -> 0",
                             "CeRapiUninit() -> 0"})
        EXPECT_NE(std::string::npos, calls.find(call)) << call << " in " << calls;
    Connect();
}

TEST_F(EmulatorTest, InspectListsFilesDatabasesAndRecords) {
#if defined(_WIN32)
    GTEST_SKIP() << "runs the listing tool through a POSIX shell";
#endif
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    HANDLE db = Open(guid, CreateDatabase(guid, "Home", kPoints), kLongitude, 0);
    WriteRecord(db, "45.1,-122.5,,,Camp,,", -122500000, "Camp");
    Api().CeCloseHandle(db);
    devtest::WriteFile(Roverlog("flag.rli"), "icon");
    const std::string command = devtest::BuildFolder() + "/emulator/vezuved-device-inspect '" + root_.Path() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    ASSERT_TRUE(pipe);
    std::string listing;
    char chunk[512];
    for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), pipe.get())) > 0;) listing.append(chunk, n);
    for (const char* line : {"\\My Documents\\Roverlog\\flag.rli  4 bytes", "database \"Home\"", "\"PoLi\"",
                             "text \"45.1,-122.5,,,Camp,,\"", "i4 -122500000"})
        EXPECT_NE(std::string::npos, listing.find(line)) << line << " in " << listing;
}

// Fault injection: every entry point can be made to fail.
struct FaultContext {
    CEGUID guid{};
    CEOID database = 0;
    HANDLE open = INVALID_HANDLE_VALUE;
};

HANDLE OpenFlag(DWORD access) {
    return Api().CeCreateFile(W("\\My Documents\\Roverlog\\a.rli").c_str(), access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}
HANDLE FindIcons(CE_FIND_DATA& found) { return Api().CeFindFirstFile(W("\\My Documents\\Roverlog\\*.rli").c_str(), &found); }
bool MountOnly(FaultContext& c) {
    WideString path = W(kVolume);
    return Api().CeMountDBVol(&c.guid, &path[0], OPEN_EXISTING) != FALSE;
}
bool OpenHome(FaultContext& c) {
    if (!MountOnly(c)) return false;
    HANDLE enumeration = Api().CeFindFirstDatabaseEx(&c.guid, kPoints);
    c.database = Api().CeFindNextDatabaseEx(enumeration, &c.guid);
    Api().CeCloseHandle(enumeration);
    CEOID oid = c.database;
    c.open = Api().CeOpenDatabaseEx(&c.guid, &oid, nullptr, kLongitude, CEDB_AUTOINCREMENT, nullptr);
    return c.open != INVALID_HANDLE_VALUE;
}
// An opened icon file handed to call; true when the call failed.
bool OnFlag(DWORD access, const std::function<bool(HANDLE)>& call) {
    HANDLE file = OpenFlag(access);
    return file != INVALID_HANDLE_VALUE && !call(file);
}
bool ReadFails(FaultContext& c, bool ex) {
    LPBYTE data = nullptr;
    DWORD size = 0;
    WORD count = 0;
    OpenHome(c);
    const CEOID read = ex ? Api().CeReadRecordPropsEx(c.open, CEDB_ALLOWREALLOC, &count, nullptr, &data, &size, nullptr)
                          : Api().CeReadRecordProps(c.open, CEDB_ALLOWREALLOC, &count, nullptr, &data, &size);
    FreeRemoteBuffer(data);
    return read == 0;
}
bool WriteFails(FaultContext& c, bool ex) {
    OpenHome(c);
    WideString text = W("x");
    CEPROPVAL prop;
    std::memset(&prop, 0, sizeof(prop));
    prop.propid = kText;
    prop.val.lpwstr = &text[0];
    return (ex ? Api().CeWriteRecordPropsEx(c.open, 0, 1, &prop) : Api().CeWriteRecordProps(c.open, 0, 1, &prop)) == 0;
}
CEDBASEINFO ModTimeInfo() {
    CEDBASEINFO info;
    std::memset(&info, 0, sizeof(info));
    info.dwFlags = CEDB_VALIDMODTIME;
    return info;
}

// Each runs the call after whatever it needs; true when it returned its failure value.
const std::vector<std::pair<const char*, std::function<bool(FaultContext&)>>> kFaultCases = {
    {"CeRapiUninit", [](FaultContext&) { return Api().CeRapiUninit() != 0; }},
    {"CeReadRecordProps", [](FaultContext& c) { return ReadFails(c, false); }},
    {"CeSeekDatabase", [](FaultContext& c) { return OpenHome(c) && !Api().CeSeekDatabase(c.open, CEDB_SEEK_BEGINNING, 0, nullptr); }},
    {"CeSetDatabaseInfo", [](FaultContext& c) { CEDBASEINFO i = ModTimeInfo(); return OpenHome(c) && !Api().CeSetDatabaseInfo(c.database, &i); }},
    {"CeWriteRecordProps", [](FaultContext& c) { return WriteFails(c, false); }},
    {"CeFindFirstFile", [](FaultContext&) { CE_FIND_DATA f; return FindIcons(f) == INVALID_HANDLE_VALUE; }},
    {"CeFindNextFile", [](FaultContext&) {
         CE_FIND_DATA f;
         HANDLE search = FindIcons(f);
         const bool failed = search != INVALID_HANDLE_VALUE && !Api().CeFindNextFile(search, &f);
         Api().CeFindClose(search);
         return failed;
     }},
    {"CeFindClose", [](FaultContext&) { CE_FIND_DATA f; HANDLE s = FindIcons(f); return s != INVALID_HANDLE_VALUE && !Api().CeFindClose(s); }},
    {"CeCreateFile", [](FaultContext&) { return OpenFlag(GENERIC_READ) == INVALID_HANDLE_VALUE; }},
    {"CeReadFile", [](FaultContext&) {
         return OnFlag(GENERIC_READ, [](HANDLE f) { char d[4]; DWORD n = 0; return Api().CeReadFile(f, d, 4, &n, nullptr); });
     }},
    {"CeWriteFile", [](FaultContext&) {
         return OnFlag(GENERIC_WRITE, [](HANDLE f) { DWORD n = 0; return Api().CeWriteFile(f, "z", 1, &n, nullptr); });
     }},
    {"CeCloseHandle", [](FaultContext&) { return OnFlag(GENERIC_READ, [](HANDLE f) { return Api().CeCloseHandle(f); }); }},
    {"CeDeleteFile", [](FaultContext&) { return !Api().CeDeleteFile(W("\\My Documents\\Roverlog\\a.rli").c_str()); }},
    {"CeGetFileSize", [](FaultContext&) {
         return OnFlag(GENERIC_READ, [](HANDLE f) { return Api().CeGetFileSize(f, nullptr) != INVALID_FILE_SIZE; });
     }},
    {"CeGetFileTime", [](FaultContext&) {
         return OnFlag(GENERIC_READ, [](HANDLE f) { FILETIME t; return Api().CeGetFileTime(f, nullptr, nullptr, &t); });
     }},
    {"CeSetFileTime", [](FaultContext&) {
         return OnFlag(GENERIC_WRITE, [](HANDLE f) { const FILETIME t = MakeFileTime(kWhen); return Api().CeSetFileTime(f, &t, &t, &t); });
     }},
    {"CeGetVersionEx", [](FaultContext&) {
         CEOSVERSIONINFO version;
         version.dwOSVersionInfoSize = sizeof(version);
         return !Api().CeGetVersionEx(&version);
     }},
    {"CeFindFirstDatabaseEx", [](FaultContext& c) { return MountOnly(c) && Api().CeFindFirstDatabaseEx(&c.guid, kPoints) == nullptr; }},
    {"CeFindNextDatabaseEx", [](FaultContext& c) {
         MountOnly(c);
         HANDLE enumeration = Api().CeFindFirstDatabaseEx(&c.guid, kPoints);
         return enumeration != nullptr && Api().CeFindNextDatabaseEx(enumeration, &c.guid) == 0;
     }},
    {"CeCreateDatabaseEx", [](FaultContext& c) {
         MountOnly(c);
         CEDBASEINFO info;
         std::memset(&info, 0, sizeof(info));
         info.dwFlags = CEDB_VALIDNAME;
         WidenText(info.szDbaseName, "Other", 31);
         return Api().CeCreateDatabaseEx(&c.guid, &info) == 0;
     }},
    {"CeSetDatabaseInfoEx", [](FaultContext& c) { CEDBASEINFO i = ModTimeInfo(); return OpenHome(c) && !Api().CeSetDatabaseInfoEx(&c.guid, c.database, &i); }},
    {"CeOpenDatabaseEx", [](FaultContext& c) { return !OpenHome(c) && c.database != 0; }},
    {"CeDeleteDatabaseEx", [](FaultContext& c) {
         OpenHome(c);
         Api().CeCloseHandle(c.open);
         return !Api().CeDeleteDatabaseEx(&c.guid, c.database);
     }},
    {"CeReadRecordPropsEx", [](FaultContext& c) { return ReadFails(c, true); }},
    {"CeWriteRecordPropsEx", [](FaultContext& c) { return WriteFails(c, true); }},
    {"CeMountDBVol", [](FaultContext& c) { return !OpenHome(c); }},
    {"CeUnmountDBVol", [](FaultContext& c) { return OpenHome(c) && !Api().CeUnmountDBVol(&c.guid); }},
    {"CeOidGetInfoEx", [](FaultContext& c) { CEOIDINFO i; return OpenHome(c) && !Api().CeOidGetInfoEx(&c.guid, c.database, &i); }},
    {"CeCreateDirectory", [](FaultContext&) { return !Api().CeCreateDirectory(W("\\Fresh").c_str(), nullptr); }},
};

TEST_F(EmulatorTest, EveryEntryPointCanBeMadeToFail) {
    // The device every case starts from: two icons and a volume with one
    // points database holding one record. Some calls change the device when
    // they succeed, so each run starts afresh.
    devtest::WriteFile(Roverlog("b.rli"), "bbbb");
    CEGUID guid;
    ASSERT_TRUE(Mount(guid, OPEN_ALWAYS));
    ASSERT_NE(0u, WriteRecord(Open(guid, CreateDatabase(guid, "Home", kPoints), kLongitude, 0), "record", 1, "Name"));
    UnloadRemoteApi();
    const std::string volumeBytes = devtest::ReadFile(Roverlog("RoverlogDBV.cdb"));
    std::optional<ScopedEnv> faultsEnv;
    auto restartWith = [&](const char* faults) {
        faultsEnv.reset();
        faultsEnv.emplace("VEZUVED_DEVICE_FAULTS", faults);
        devtest::WriteFile(Roverlog("RoverlogDBV.cdb"), volumeBytes);
        devtest::WriteFile(Roverlog("a.rli"), "aaaa");
        UnloadRemoteApi();
        Connect();
    };

    ASSERT_EQ(29u, kFaultCases.size());  // with CeRapiInitEx and CeGetLastError below: all 31
    for (const auto& [entry, fails] : kFaultCases) {
        restartWith(nullptr);
        FaultContext clean;
        EXPECT_FALSE(fails(clean)) << entry << " fails without a fault";
        const std::string fault = std::string(entry) + "=4321";
        restartWith(fault.c_str());
        FaultContext context;
        EXPECT_TRUE(fails(context)) << entry;
        EXPECT_EQ(4321u, Api().CeGetLastError()) << entry;
    }
    restartWith("CeGetLastError=77");
    EXPECT_EQ(77u, Api().CeGetLastError());
    UnloadRemoteApi();
    faultsEnv.reset();
    faultsEnv.emplace("VEZUVED_DEVICE_FAULTS", "CeRapiInitEx");
    EXPECT_EQ(rapiErrInit, LoadRemoteApi(nullptr));
    // @N: only the Nth call fails; the default error is 31.
    restartWith("CeWriteRecordProps@2, CeCreateFile@1=5");
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenFlag(GENERIC_READ));
    EXPECT_EQ(5u, Api().CeGetLastError());
    EXPECT_NE(INVALID_HANDLE_VALUE, OpenFlag(GENERIC_READ));
    FaultContext context;
    ASSERT_TRUE(OpenHome(context));
    EXPECT_NE(0u, WriteRecord(context.open, "one", 1, "One"));
    EXPECT_EQ(0u, WriteRecord(context.open, "two", 2, "Two"));
    EXPECT_EQ(ERROR_GEN_FAILURE, Api().CeGetLastError());
    EXPECT_NE(0u, WriteRecord(context.open, "three", 3, "Three"));
    EXPECT_EQ((Strings{"record", "one", "three"}), ReadAll(context.open));
}

}  // namespace
