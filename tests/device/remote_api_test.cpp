// Loading the remote API: the result of every way it can go, the timeout,
// and the session that ends the connection; the emulator's volumes.

#if defined(__linux__)
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <tuple>

#include "device/remote_api.h"
#include "device_test_support.h"

using namespace devtest;

namespace {

#if defined(__linux__)
// How many descriptors the process holds open.
std::ptrdiff_t OpenDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}
#endif

struct RemoteApiLoad : testing::Test, devtest::EmulatedDevice {
    std::string Calls() { return ReadFileText(root_.Join("calls.log")); }
};

TEST_F(RemoteApiLoad, Results) {
#if defined(__linux__)
    const auto opened = OpenDescriptors();  // every connection closes what it opened
#endif
    struct {
        const char* what;
        bool device;
        const char* state;
        const char* faults;
        int library;
        int32_t expected;
    } const cases[] = {
        // library: 0 emulator, 1 partial emulator, 2 missing file
        {"connected", true, nullptr, nullptr, 0, 0},
        {"no device folder", false, nullptr, nullptr, 0, rapiErrInit},
        {"connection start refused", true, nullptr, "CeRapiInitEx", 0, rapiErrInit},
        {"connection up with a failure", true, "fail", nullptr, 0, -1},
        {"missing library", true, nullptr, nullptr, 2, -static_cast<int32_t>(ERROR_MOD_NOT_FOUND)},
        {"missing entry point", true, nullptr, nullptr, 1, -1},
    };
    for (const auto& c : cases) {
#if defined(_WIN32)
        // Windows loads RAPI.DLL by that one name: no other library can be chosen.
        if (c.library != 0) continue;
#endif
        SCOPED_TRACE(c.what);
        const std::string library = c.library == 0   ? devtest::EmulatorPath()
                                    : c.library == 1 ? devtest::PartialEmulatorPath()
                                                     : root_.Join("no-such-library.so");
        ScopedEnv lib("VEZUVED_RAPI_LIBRARY", library.c_str());
        ScopedEnv dev("VEZUVED_DEVICE", c.device ? root_.Path().c_str() : nullptr);
        ScopedEnv state("VEZUVED_DEVICE_STATE", c.state);
        ScopedEnv faults("VEZUVED_DEVICE_FAULTS", c.faults);
        RAPIINIT init;
        int32_t result = 0;
        const std::string printed = devtest::Captured([&] { result = LoadRemoteApi(&init); });
        EXPECT_EQ(c.expected, result);
        EXPECT_EQ(c.expected == 0, RemoteApiLoaded());
        EXPECT_EQ(c.library == 1, printed.find("CeCreateDirectory") != std::string::npos) << printed;
        EXPECT_EQ(c.library == 1 ? printed : "", printed);
        if (result == 0) {
            EXPECT_EQ(12u, init.cbSize);
        }  // the entries loaded serve every copy
        UnloadRemoteApi();
        EXPECT_FALSE(RemoteApiLoaded());
        const auto* slots = reinterpret_cast<const unsigned char*>(&RemoteApi());
        for (size_t i = 0; i < sizeof(RemoteApiTable); ++i) ASSERT_EQ(0, slots[i]) << "byte " << i;
    }
#if defined(__linux__)
    EXPECT_EQ(OpenDescriptors(), opened);
#endif
}

#if defined(__linux__)
// With the standard descriptors closed, the connection's event takes none
// of them: a host's own reads and writes never meet it.
TEST_F(RemoteApiLoad, TheEventLeavesTheStandardDescriptorsFree) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int fd = 0; fd <= 2; ++fd) ::close(fd);
        RAPIINIT init;
        const bool free = LoadRemoteApi(&init) == 0 && reinterpret_cast<intptr_t>(init.heRapiInit) > 2;
        ::_exit(free ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// With one descriptor left, not enough for the event's two, the connection
// is refused at its start. The library is loaded first, so loading it
// again takes none.
TEST_F(RemoteApiLoad, NoDescriptorsForTheEventRefuseTheConnection) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::dlopen(devtest::EmulatorPath().c_str(), RTLD_NOW) == nullptr) ::_exit(3);
        const rlimit limit{64, 64};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(2);
        int last = -1;
        for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;) last = fd;
        ::close(last);
        RAPIINIT init;
        ::_exit(LoadRemoteApi(&init) == rapiErrInit ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
#endif

TEST_F(RemoteApiLoad, TimesOutAfterThreeSecondsAndSessionsEndTheConnection) {
    ScopedEnv state("VEZUVED_DEVICE_STATE", "timeout");
    ScopedEnv log("VEZUVED_DEVICE_LOG", root_.Join("calls.log").c_str());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(rapiErrTimeout, LoadRemoteApi(nullptr));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2900));
    EXPECT_FALSE(RemoteApiLoaded());
    // The connection that never came up was still ended.
    EXPECT_NE(std::string::npos, Calls().find("CeRapiInitEx("));
    EXPECT_NE(std::string::npos, Calls().find("CeRapiUninit() -> 0"));
    // A session object ends a connection that did come up.
    {
        ScopedEnv connected("VEZUVED_DEVICE_STATE", nullptr);
        RemoteApiSession session;
        ASSERT_EQ(0, LoadRemoteApi(nullptr));
    }
    EXPECT_FALSE(RemoteApiLoaded());
    EXPECT_EQ(2u, Count(Calls(), "CeRapiUninit() -> 0"));
}

// The emulator the device tests run against: volumes last; damaged ones are refused and left alone.
class EmulatorTest : public SyncTest {
protected:
    void TearDown() override { UnloadRemoteApi(); }
    // A new connection with the volume mounted as the copies mount it.
    bool Mount(DWORD flags = OPEN_EXISTING) {
        UnloadRemoteApi();
        WideString path = W(kVolumePath);
        return LoadRemoteApi(nullptr) == 0 && RemoteApi().CeMountDBVol(&guid_, &path[0], flags) != FALSE;
    }
    CEGUID guid_{};
};

TEST_F(EmulatorTest, VolumesLastAndDamagedOnesAreRefused) {
    Push("Home.rlp", kPoints);  // written by one connection, read by the next
    const auto written = Databases();
    ASSERT_EQ(1u, written.size());
    EXPECT_EQ(kBaseTime, written[0].modified);
    EXPECT_EQ((std::vector<std::string>{"Cabin", "Home"}), written[0].Names());

    const std::string file = DeviceFile("RoverlogDBV.cdb");
    const std::string good = ReadFileText(file);
    ASSERT_GT(good.size(), 20u);
    std::string flipped = good, badVersion = good;
    flipped[flipped.size() - 3] ^= 0x40;
    badVersion[8] = 9;
    for (const std::string& bytes : {flipped,
                                     good.substr(0, good.size() - 1),
                                     good + "x",
                                     badVersion,
                                     std::string("not a volume at all")}) {
        WriteFileBytes(file, bytes);
        for (DWORD flags : {OPEN_EXISTING, OPEN_ALWAYS}) {
            EXPECT_FALSE(Mount(flags));
            EXPECT_EQ(DWORD{ERROR_FILE_CORRUPT}, RemoteApi().CeGetLastError());
        }
        EXPECT_EQ(bytes, ReadFileText(file));  // left as it was
    }
    WriteFileBytes(file, good);
    ScopedEnv log("VEZUVED_DEVICE_LOG", Pc("calls.log").c_str());
    ASSERT_TRUE(Mount());
    // Database names are found and taken whatever their case, as on the handheld.
    CEOID byName = 0;
    WideString upper = W("HOME");
    const HANDLE db = RemoteApi().CeOpenDatabaseEx(&guid_, &byName, &upper[0], kPropLongitude, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, db);
    // The call log gives an id passed by address with the value it held.
    EXPECT_NE(std::string::npos, ReadFileText(Pc("calls.log")).find(" oid 0, "))
        << ReadFileText(Pc("calls.log"));
    RemoteApi().CeCloseHandle(db);
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE;
    WidenText(info.szDbaseName, "HOME", 31);
    info.dwDbaseType = kTypePoints;
    EXPECT_EQ(0u, RemoteApi().CeCreateDatabaseEx(&guid_, &info));
    EXPECT_FALSE(RemoteApi().CeDeleteFile(W(kVolumePath).c_str()));  // a mounted volume file is in use
    EXPECT_EQ(DWORD{ERROR_SHARING_VIOLATION}, RemoteApi().CeGetLastError());
}

// A handle visits a database's records in the order of the sort it was opened
// with: signed numbers, doubles, texts with or without case, either way round,
// records without the property last or first.
TEST_F(EmulatorTest, HandlesVisitRecordsInTheirSortOrder) {
    ASSERT_TRUE(Mount(OPEN_ALWAYS));
    const CEPROPID id = 0x01000003, i2 = 0x01010002, i4 = 0x01020003, r8 = 0x01030005, text = 0x0104001F,
                   u4 = 0x01050013;
    struct Values {
        int16_t small;
        LONG large;
        double real;
        const char* text;
        ULONG unsignedValue;
    };
    const Values values[] = {
        {5, 7, 2.5, "beta", 2}, {-3, -100000, -1.25, "Alpha", 2}, {1, 3, 0.5, "Charlie", 1}};
    const struct {
        CEPROPID sort;
        DWORD flags;
        const char* order;  // the records' ids; 4 has none of the sorted properties
    } cases[] = {
        {i2, 0, "2314"},
        {i2, CEDB_SORT_DESCENDING, "1324"},
        {i4, CEDB_SORT_DESCENDING, "1324"},
        {u4, CEDB_SORT_DESCENDING, "1234"},  // equals keep the order they were written in
        {r8, CEDB_SORT_UNKNOWNFIRST, "4231"},
        {text, 0, "2314"},
        {text, CEDB_SORT_CASEINSENSITIVE | CEDB_SORT_DESCENDING | CEDB_SORT_UNKNOWNFIRST, "4312"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        CEDBASEINFO info{};
        info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC;
        WidenText(info.szDbaseName, ("sorted" + std::to_string(++n)).c_str(), 31);
        info.wNumSortOrder = 1;
        info.rgSortSpecs[0] = {c.sort, c.flags};
        CEOID oid = RemoteApi().CeCreateDatabaseEx(&guid_, &info);
        const HANDLE db = RemoteApi().CeOpenDatabaseEx(&guid_, &oid, nullptr, c.sort, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, db);
        for (LONG record = 1; record <= 4; ++record) {
            WideString wide = W(record < 4 ? values[record - 1].text : "");
            CEPROPVAL props[6] = {};
            props[0].propid = id, props[0].val.lVal = record;
            if (record < 4) {
                props[1].propid = i2, props[1].val.iVal = values[record - 1].small;
                props[2].propid = i4, props[2].val.lVal = values[record - 1].large;
                props[3].propid = r8, props[3].val.dblVal = values[record - 1].real;
                props[4].propid = text, props[4].val.lpwstr = &wide[0];
                props[5].propid = u4, props[5].val.ulVal = values[record - 1].unsignedValue;
            }
            ASSERT_NE(0u, RemoteApi().CeWriteRecordProps(db, 0, record < 4 ? 6 : 1, props));
        }
        std::string order;
        LPBYTE buffer = nullptr;
        DWORD size = 0;
        for (CEOID at = RemoteApi().CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr); at != 0;
             at = RemoteApi().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, nullptr)) {
            WORD count = 1;
            CEPROPID wanted = id;
            ASSERT_NE(0u,
                      RemoteApi().CeReadRecordPropsEx(
                          db, CEDB_ALLOWREALLOC, &count, &wanted, &buffer, &size, nullptr));
            order += std::to_string(reinterpret_cast<const CEPROPVAL*>(buffer)->val.lVal);
        }
        FreeRemoteBuffer(buffer);
        RemoteApi().CeCloseHandle(db);
        EXPECT_EQ(c.order, order);
    }
}

// Every property type a record can hold comes back as written, through the
// volume file of a later connection. An id the record lacks is said so; a
// buffer too small is refused with the size it needs, a missing count as
// an argument error.
TEST_F(EmulatorTest, EveryPropertyTypeComesBackAsWritten) {
    ASSERT_TRUE(Mount(OPEN_ALWAYS));
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE;
    WidenText(info.szDbaseName, "types", 31);
    CEOID oid = RemoteApi().CeCreateDatabaseEx(&guid_, &info);
    WideString text = W("Zo\xc3\xab");
    BYTE blob[3] = {1, 0, 255};
    CEPROPVAL props[9] = {};
    const CEPROPID ids[9] = {0x10002, 0x20012, 0x30003, 0x40013, 0x5000B, 0x60005, 0x70040, 0x8001F, 0x90041};
    for (int i = 0; i < 9; ++i) props[i].propid = ids[i];
    props[0].val.iVal = -5, props[1].val.uiVal = 65000, props[2].val.lVal = -100000;
    props[3].val.ulVal = 4000000000u, props[4].val.boolVal = TRUE, props[5].val.dblVal = -2.75;
    props[6].val.filetime = {0x89ABCDEFu, 0x01234567u}, props[7].val.lpwstr = &text[0];
    props[8].val.blob = {3, blob};
    HANDLE db = RemoteApi().CeOpenDatabaseEx(&guid_, &oid, nullptr, 0, 0, nullptr);
    const CEOID record = RemoteApi().CeWriteRecordProps(db, 0, 9, props);
    ASSERT_NE(0u, record);
    RemoteApi().CeCloseHandle(db);

    ASSERT_TRUE(Mount());
    db = RemoteApi().CeOpenDatabaseEx(&guid_, &oid, nullptr, 0, 0, nullptr);
    EXPECT_EQ(record, RemoteApi().CeSeekDatabase(db, CEDB_SEEK_CEOID, record, nullptr));
    CEPROPID wanted[10];
    std::copy(ids, ids + 9, wanted);
    wanted[9] = 0xA0003;  // no such property
    WORD count = 10;
    BYTE small[16];
    LPBYTE buffer = small;
    DWORD size = sizeof small;
    EXPECT_EQ(0u, RemoteApi().CeReadRecordPropsEx(db, 0, &count, wanted, &buffer, &size, nullptr));
    EXPECT_EQ(DWORD{ERROR_INSUFFICIENT_BUFFER}, RemoteApi().CeGetLastError());
    EXPECT_GT(size, 10 * sizeof(CEPROPVAL));
    EXPECT_EQ(0u, RemoteApi().CeReadRecordPropsEx(db, 0, nullptr, wanted, &buffer, &size, nullptr));
    EXPECT_EQ(DWORD{ERROR_INVALID_PARAMETER}, RemoteApi().CeGetLastError());
    buffer = nullptr, size = 0;
    ASSERT_NE(
        0u, RemoteApi().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, wanted, &buffer, &size, nullptr));
    ASSERT_EQ(10, count);
    const auto* read = reinterpret_cast<const CEPROPVAL*>(buffer);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(wanted[i], read[i].propid);
    EXPECT_EQ(-5, read[0].val.iVal);
    EXPECT_EQ(65000, read[1].val.uiVal);
    EXPECT_EQ(-100000, read[2].val.lVal);
    EXPECT_EQ(4000000000u, read[3].val.ulVal);
    EXPECT_EQ(TRUE, read[4].val.boolVal);
    EXPECT_EQ(-2.75, read[5].val.dblVal);
    EXPECT_EQ(0x89ABCDEFu, read[6].val.filetime.dwLowDateTime);
    EXPECT_EQ(0x01234567u, read[6].val.filetime.dwHighDateTime);
    EXPECT_EQ(text, WideString(read[7].val.lpwstr));
    ASSERT_EQ(3u, read[8].val.blob.dwCount);
    EXPECT_EQ(0, std::memcmp(blob, read[8].val.blob.lpb, 3));
    EXPECT_EQ(WORD{CEDB_PROPNOTFOUND}, read[9].wFlags);
    FreeRemoteBuffer(buffer);
    RemoteApi().CeCloseHandle(db);
}

// The call without a volume finds the mounted one that holds the database.
TEST_F(EmulatorTest, DatabaseInfoSetWithoutItsVolume) {
    Push("Home.rlp", kPoints);
    ASSERT_TRUE(Mount());
    CEOID oid = 0;
    WideString name = W("Home");
    RemoteApi().CeCloseHandle(RemoteApi().CeOpenDatabaseEx(&guid_, &oid, &name[0], 0, 0, nullptr));
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDMODTIME;
    info.ftLastModified = MakeFileTime(kBaseTime + 600);
    EXPECT_FALSE(RemoteApi().CeSetDatabaseInfo(oid + 1, &info));
    EXPECT_EQ(RemoteApi().CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ASSERT_TRUE(RemoteApi().CeSetDatabaseInfo(oid, &info));
    CEOIDINFO got{};
    ASSERT_TRUE(RemoteApi().CeOidGetInfoEx(&guid_, oid, &got));
    EXPECT_EQ(kBaseTime + 600, FileTimeValue(got.infDatabase.ftLastModified));
}

// The handheld says its system's version to a caller that gives the structure's size.
TEST_F(EmulatorTest, SaysItsVersionIntoAStructureOfTheRightSize) {
    ASSERT_TRUE(Mount());
    CEOSVERSIONINFO info{};
    EXPECT_FALSE(RemoteApi().CeGetVersionEx(&info));
    EXPECT_EQ(DWORD{ERROR_INVALID_PARAMETER}, RemoteApi().CeGetLastError());
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(RemoteApi().CeGetVersionEx(&info));
    // Windows CE 3.0 (Pocket PC 2002), build 11171.
    EXPECT_EQ(
        std::make_tuple(DWORD{3}, DWORD{0}, DWORD{11171}, DWORD{3}),
        std::make_tuple(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId));
}

// A folder made twice: the second call fails and says why; one that would
// leave the handheld's own folders is never made.
TEST_F(EmulatorTest, MakesAFolderOnceAndSaysWhyNotTwice) {
    ASSERT_TRUE(Mount(OPEN_ALWAYS));
    const WideString folder = W("\\My Documents\\Maps");
    ASSERT_TRUE(RemoteApi().CeCreateDirectory(folder.c_str(), nullptr));
    EXPECT_FALSE(RemoteApi().CeCreateDirectory(folder.c_str(), nullptr));
    EXPECT_EQ(DWORD{ERROR_ALREADY_EXISTS}, RemoteApi().CeGetLastError());
    EXPECT_TRUE(RemoteApi().CeCreateDirectory(W("m").c_str(), nullptr));  // a name of one letter
    EXPECT_FALSE(RemoteApi().CeCreateDirectory(W("").c_str(), nullptr));
    EXPECT_EQ(DWORD{ERROR_PATH_NOT_FOUND}, RemoteApi().CeGetLastError());
    for (const char* outside : {"..\\up", "\\a\\..", "/b/../../up"}) {
        EXPECT_FALSE(RemoteApi().CeCreateDirectory(W(outside).c_str(), nullptr)) << outside;
        EXPECT_EQ(DWORD{ERROR_INVALID_NAME}, RemoteApi().CeGetLastError()) << outside;
    }
    // A connection started again and refused takes no call.
    EXPECT_EQ(E_FAIL, RemoteApi().CeRapiInitEx(nullptr));
    EXPECT_FALSE(RemoteApi().CeCreateDirectory(W("n").c_str(), nullptr));
    EXPECT_EQ(DWORD{ERROR_NOT_READY}, RemoteApi().CeGetLastError());
}

// A short-transfer fault moves half the bytes asked for, and the call still succeeds.
TEST_F(EmulatorTest, AShortTransferMovesHalfTheBytes) {
    ScopedEnv faults("VEZUVED_DEVICE_FAULTS", "CeWriteFile@1=short,CeReadFile@1=short");
    ASSERT_TRUE(Mount(OPEN_ALWAYS));
    const WideString path = W("\\half.txt");
    const auto open = [&](DWORD access, DWORD disposition) {
        return RemoteApi().CeCreateFile(
            path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
#if defined(__linux__)
    const auto opened = OpenDescriptors();
#endif
    HANDLE file = open(GENERIC_WRITE, CREATE_ALWAYS);
    DWORD done = 0;
    EXPECT_TRUE(RemoteApi().CeWriteFile(file, "abcdefgh", 8, &done, nullptr));
    EXPECT_EQ(4u, done);
    EXPECT_TRUE(RemoteApi().CeCloseHandle(file));
    file = open(GENERIC_READ, OPEN_EXISTING);
    char bytes[4] = {};
    EXPECT_TRUE(RemoteApi().CeReadFile(file, bytes, 4, &done, nullptr));
    EXPECT_EQ("ab", std::string(bytes, done));
    EXPECT_TRUE(RemoteApi().CeCloseHandle(file));
#if defined(__linux__)
    EXPECT_EQ(OpenDescriptors(), opened);  // a closed handle lets the host's file go
#endif
}

// A sort order on a blob, or on a type the handheld does not know, is refused.
TEST_F(EmulatorTest, SortsOnlyByTypesItCanOrder) {
    ASSERT_TRUE(Mount(OPEN_ALWAYS));
    for (const CEPROPID sort : {CEPROPID{0x00010000 | CEVT_BLOB}, CEPROPID{0x00010007}}) {
        CEDBASEINFO info{};
        info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDSORTSPEC;
        WidenText(info.szDbaseName, "sorted", 31);
        info.wNumSortOrder = 1;
        info.rgSortSpecs[0] = {sort, 0};
        EXPECT_EQ(0u, RemoteApi().CeCreateDatabaseEx(&guid_, &info)) << sort;
        EXPECT_EQ(DWORD{ERROR_INVALID_PARAMETER}, RemoteApi().CeGetLastError());
    }
}

// A search lists every file, a one-letter name and names that begin with
// a dot among them, but never a folder's own "." and "..".
TEST_F(EmulatorTest, SearchesListEveryFileButAFoldersDots) {
    ASSERT_TRUE(Mount(OPEN_ALWAYS));
    for (const char* name : {"a", ".b.rli", "..c", ".d"}) WriteFileBytes(DeviceFile(name), "x");
    Strings names;
    CE_FIND_DATA found{};
    const HANDLE search = RemoteApi().CeFindFirstFile(W("\\My Documents\\Roverlog\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do {
        names.push_back(NarrowedText(found.cFileName));
    } while (RemoteApi().CeFindNextFile(search, &found));
    RemoteApi().CeFindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((Strings{"..c", ".b.rli", ".d", "RoverlogDBV.cdb", "a"}), names);
}

// A database is deleted only when it is there and no handle holds it open.
TEST_F(EmulatorTest, DeletesOnlyAClosedDatabaseThatIsThere) {
    Push("Home.rlp", kPoints);
    ASSERT_TRUE(Mount());
    CEOID oid = 0;
    WideString name = W("Home");
    const HANDLE db = RemoteApi().CeOpenDatabaseEx(&guid_, &oid, &name[0], 0, 0, nullptr);
    EXPECT_FALSE(RemoteApi().CeDeleteDatabaseEx(&guid_, oid + 1));
    EXPECT_FALSE(RemoteApi().CeDeleteDatabaseEx(&guid_, oid));
    EXPECT_EQ(DWORD{ERROR_SHARING_VIOLATION}, RemoteApi().CeGetLastError());
    RemoteApi().CeCloseHandle(db);
    ASSERT_TRUE(RemoteApi().CeDeleteDatabaseEx(&guid_, oid));
    CEOIDINFO got{};
    EXPECT_FALSE(RemoteApi().CeOidGetInfoEx(&guid_, oid, &got));
}

// Unmounting one volume leaves another's search where it was.
TEST_F(EmulatorTest, UnmountingAVolumeEndsOnlyItsOwnSearches) {
    Push("Home.rlp", kPoints);
    ASSERT_TRUE(Mount());
    CEGUID other{};
    WideString otherPath = W("\\Other.cdb");
    ASSERT_TRUE(RemoteApi().CeMountDBVol(&other, &otherPath[0], OPEN_ALWAYS));
    const HANDLE search = RemoteApi().CeFindFirstDatabaseEx(&guid_, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    ASSERT_TRUE(RemoteApi().CeUnmountDBVol(&other));
    EXPECT_NE(0u, RemoteApi().CeFindNextDatabaseEx(search, &guid_));
    RemoteApi().CeCloseHandle(search);
    // The last unmount ends the volume: its id is refused from then on.
    EXPECT_FALSE(RemoteApi().CeUnmountDBVol(&other));
    EXPECT_EQ(DWORD{ERROR_INVALID_PARAMETER}, RemoteApi().CeGetLastError());
}

// What a handheld refuses, and the error it then gives: arguments missing or
// out of range, ids of nothing, handles of nothing. 0: the call succeeds.
TEST_F(EmulatorTest, RefusesWhatAHandheldRefusesWithItsReason) {
    Push("Home.rlp", kPoints);
    ASSERT_TRUE(Mount());
    CEGUID other{}, none{};
    WideString otherPath = W("\\Other.cdb"), volume = W(kVolumePath), folder = W("\\My Documents");
    WideString missing = W("\\nowhere\\x.cdb"), home = W("Home"), absent = W("Absent"),
               gone = W("\\Gone.cdb");
    ASSERT_TRUE(RemoteApi().CeMountDBVol(&other, &otherPath[0], OPEN_ALWAYS));
    ASSERT_TRUE(RemoteApi().CeUnmountDBVol(&other));
    CEOID oid = 0, noOid = 0;
    const HANDLE db = RemoteApi().CeOpenDatabaseEx(&guid_, &oid, &home[0], 0, CEDB_AUTOINCREMENT, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, db);
    const CEOID first = RemoteApi().CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr);
    const HANDLE search = RemoteApi().CeFindFirstDatabaseEx(&guid_, 0);
    const auto named = [](const char* name, DWORD flags = CEDB_VALIDNAME) {
        CEDBASEINFO info{};
        info.dwFlags = flags;
        // A name as long as the field fills it, with no terminator.
        const std::string text(name);
        std::copy_n(text.c_str(), std::min(text.size() + 1, size_t{CEDB_MAXDBASENAMELEN}), info.szDbaseName);
        return info;
    };
    CEDBASEINFO tooManySorts = named("sorts", CEDB_VALIDNAME | CEDB_VALIDSORTSPEC);
    tooManySorts.wNumSortOrder = CEDB_MAXSORTORDER + 1;
    CEDBASEINFO info{};
    CEOIDINFO got{};
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    CEPROPVAL noText{};
    noText.propid = 0x0001001F;
    const std::string longName(CEDB_MAXDBASENAMELEN, 'n');
    const struct {
        const char* what;
        std::function<bool()> call;
        DWORD error;
    } cases[] = {
        {"a mount with no id",
         [&] { return RemoteApi().CeMountDBVol(nullptr, &volume[0], OPEN_EXISTING); },
         ERROR_INVALID_PARAMETER},
        {"a folder mounted",
         [&] { return RemoteApi().CeMountDBVol(&other, &folder[0], OPEN_ALWAYS); },
         ERROR_ACCESS_DENIED},
        {"a new volume that is there",
         [&] { return RemoteApi().CeMountDBVol(&other, &otherPath[0], CREATE_NEW); },
         ERROR_FILE_EXISTS},
        {"a volume opened no known way",
         [&] { return RemoteApi().CeMountDBVol(&other, &otherPath[0], 99); },
         ERROR_INVALID_PARAMETER},
        {"a new volume in no folder",
         [&] { return RemoteApi().CeMountDBVol(&other, &missing[0], CREATE_ALWAYS); },
         ERROR_PATH_NOT_FOUND},
        {"a volume that is not there opened",
         [&] { return RemoteApi().CeMountDBVol(&other, &gone[0], OPEN_EXISTING); },
         ERROR_FILE_NOT_FOUND},
        {"a volume in no folder opened",
         [&] { return RemoteApi().CeMountDBVol(&other, &missing[0], OPEN_EXISTING); },
         ERROR_PATH_NOT_FOUND},
        {"a volume mounted twice",
         [&] { return RemoteApi().CeMountDBVol(&other, &volume[0], OPEN_EXISTING); },
         0},
        {"an unmount of one of two mounts", [&] { return RemoteApi().CeUnmountDBVol(&other); }, 0},
        {"a search of no volume",
         [&] { return RemoteApi().CeFindFirstDatabaseEx(&none, 0) != nullptr; },
         ERROR_INVALID_PARAMETER},
        {"a search gone on with another volume's id",
         [&] {
             CEGUID fresh{};
             return RemoteApi().CeMountDBVol(&fresh, &otherPath[0], OPEN_EXISTING) &&
                    RemoteApi().CeFindNextDatabaseEx(search, &fresh) != 0;
         },
         ERROR_INVALID_PARAMETER},
        {"a database made without its facts",
         [&] { return RemoteApi().CeCreateDatabaseEx(&guid_, nullptr) != 0; },
         ERROR_INVALID_PARAMETER},
        {"facts set with sorts past the most, not said to be given",
         [&] {
             CEDBASEINFO unsorted = tooManySorts;
             unsorted.dwFlags = 0;
             return RemoteApi().CeSetDatabaseInfoEx(&guid_, oid, &unsorted) != FALSE;
         },
         0},
        {"a database made on no volume",
         [&] { return RemoteApi().CeCreateDatabaseEx(&none, &(info = named("x"))) != 0; },
         ERROR_INVALID_PARAMETER},
        {"a database made without a name",
         [&] { return RemoteApi().CeCreateDatabaseEx(&guid_, &(info = named("x", CEDB_VALIDTYPE))) != 0; },
         ERROR_INVALID_PARAMETER},
        {"a database made with an empty name",
         [&] { return RemoteApi().CeCreateDatabaseEx(&guid_, &(info = named(""))) != 0; },
         ERROR_INVALID_PARAMETER},
        {"a database made with five sort orders",
         [&] { return RemoteApi().CeCreateDatabaseEx(&guid_, &tooManySorts) != 0; },
         ERROR_INVALID_PARAMETER},
        {"a name taken by another database",
         [&] { return RemoteApi().CeCreateDatabaseEx(&guid_, &(info = named("HOME"))) != 0; },
         ERROR_DUP_NAME},
        {"a new name of the first and last letters",
         [&] { return RemoteApi().CeCreateDatabaseEx(&guid_, &(info = named("az"))) != 0; },
         0},
        {"that name but for its case",
         [&] { return RemoteApi().CeCreateDatabaseEx(&guid_, &(info = named("AZ"))) != 0; },
         ERROR_DUP_NAME},
        {"facts set from nothing",
         [&] { return RemoteApi().CeSetDatabaseInfoEx(&guid_, oid, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"a name set empty",
         [&] { return RemoteApi().CeSetDatabaseInfoEx(&guid_, oid, &(info = named(""))); },
         ERROR_INVALID_PARAMETER},
        {"a database created with a name as long as its field",
         [&] { return RemoteApi().CeCreateDatabaseEx(&guid_, &(info = named(longName.c_str()))) != 0; },
         ERROR_INVALID_PARAMETER},
        {"a name set as long as its field",
         [&] { return RemoteApi().CeSetDatabaseInfoEx(&guid_, oid, &(info = named(longName.c_str()))); },
         ERROR_INVALID_PARAMETER},
        {"five sort orders set",
         [&] { return RemoteApi().CeSetDatabaseInfoEx(&guid_, oid, &tooManySorts); },
         ERROR_INVALID_PARAMETER},
        {"an object's facts into nothing",
         [&] { return RemoteApi().CeOidGetInfoEx(&guid_, oid, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"a record's facts",
         [&] {
             return RemoteApi().CeOidGetInfoEx(&guid_, first, &got) && got.wObjType == OBJTYPE_RECORD &&
                    got.infRecord.oidParent == oid;
         },
         0},
        {"an open with no id",
         [&] {
             return RemoteApi().CeOpenDatabaseEx(&guid_, nullptr, &home[0], 0, 0, nullptr) !=
                    INVALID_HANDLE_VALUE;
         },
         ERROR_INVALID_PARAMETER},
        {"an open with neither id nor name",
         [&] {
             return RemoteApi().CeOpenDatabaseEx(&guid_, &(noOid = 0), nullptr, 0, 0, nullptr) !=
                    INVALID_HANDLE_VALUE;
         },
         ERROR_INVALID_PARAMETER},
        {"an open of a name not there",
         [&] {
             return RemoteApi().CeOpenDatabaseEx(&guid_, &(noOid = 0), &absent[0], 0, 0, nullptr) !=
                    INVALID_HANDLE_VALUE;
         },
         ERROR_FILE_NOT_FOUND},
        {"an open in an order the database has no sort for",
         [&] {
             return RemoteApi().CeOpenDatabaseEx(&guid_, &(noOid = 0), &home[0], 0x00050003, 0, nullptr) !=
                    INVALID_HANDLE_VALUE;
         },
         ERROR_INVALID_PARAMETER},
        {"a seek no known way",
         [&] { return RemoteApi().CeSeekDatabase(db, 99, 0, nullptr) != 0; },
         ERROR_NOT_SUPPORTED},
        {"a seek from the end to the first",
         [&] { return RemoteApi().CeSeekDatabase(db, CEDB_SEEK_END, 1, nullptr) == first; },
         0},
        {"a seek past the end",
         [&] { return RemoteApi().CeSeekDatabase(db, CEDB_SEEK_END, 2, nullptr) != 0; },
         ERROR_NO_MORE_ITEMS},
        {"a seek on no handle",
         [&] { return RemoteApi().CeSeekDatabase(search, CEDB_SEEK_BEGINNING, 0, nullptr) != 0; },
         ERROR_INVALID_HANDLE},
        {"a read with no count",
         [&] {
             return RemoteApi().CeReadRecordProps(db, CEDB_ALLOWREALLOC, nullptr, nullptr, &buffer, &size) !=
                    0;
         },
         ERROR_INVALID_PARAMETER},
        {"a read with no buffer",
         [&] {
             return RemoteApi().CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, nullptr, &size) !=
                    0;
         },
         ERROR_INVALID_PARAMETER},
        {"a read with no size",
         [&] {
             return RemoteApi().CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, nullptr) !=
                    0;
         },
         ERROR_INVALID_PARAMETER},
        {"a read of the first, then of the second, then past the last",
         [&] {
             const auto read = [&] {
                 return RemoteApi().CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size);
             };
             return read() == first && read() != 0 && read() != 0;
         },
         ERROR_NO_MORE_ITEMS},
        {"a write to a record not there",
         [&] { return RemoteApi().CeWriteRecordPropsEx(db, oid, 0, nullptr) != 0; },
         ERROR_INVALID_PARAMETER},
        {"a write of values from nothing",
         [&] { return RemoteApi().CeWriteRecordPropsEx(db, first, 1, nullptr) != 0; },
         ERROR_INVALID_PARAMETER},
        {"a write of a text from nothing",
         [&] { return RemoteApi().CeWriteRecordPropsEx(db, first, 1, &noText) != 0; },
         ERROR_INVALID_PARAMETER},
        {"a close of no handle", [&] { return RemoteApi().CeCloseHandle(nullptr); }, ERROR_INVALID_HANDLE},
        {"a search of files into nothing",
         [&] { return RemoteApi().CeFindFirstFile(W("\\*").c_str(), nullptr) != INVALID_HANDLE_VALUE; },
         ERROR_INVALID_PARAMETER},
        {"a search of files in an empty folder",
         [&] {
             CE_FIND_DATA found{};
             return RemoteApi().CeCreateDirectory(W("\\Empty").c_str(), nullptr) &&
                    RemoteApi().CeFindFirstFile(W("\\Empty\\*").c_str(), &found) != INVALID_HANDLE_VALUE;
         },
         ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.error == 0, c.call());
        if (c.error != 0) {
            EXPECT_EQ(c.error, RemoteApi().CeGetLastError());
        }
    }
    FreeRemoteBuffer(buffer);
    RemoteApi().CeCloseHandle(search);
    RemoteApi().CeCloseHandle(db);
}

// Facts set keep what each flag names; a property written again takes the
// new value, and one written deleted is gone.
TEST_F(EmulatorTest, SetFactsAndRewrittenPropertiesKeepWhatTheyWereGiven) {
    ASSERT_TRUE(Mount(OPEN_ALWAYS));
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME;
    WidenText(info.szDbaseName, "facts", 31);
    CEOID oid = RemoteApi().CeCreateDatabaseEx(&guid_, &info);
    const CEPROPID number = 0x00010003, text = 0x0002001F;
    info.dwFlags = CEDB_VALIDSORTSPEC | CEDB_VALIDDBFLAGS | CEDB_NOCOMPRESS;
    info.wNumSortOrder = 2;
    info.rgSortSpecs[0] = {number, CEDB_SORT_DESCENDING};
    info.rgSortSpecs[1] = {text, 0};
    ASSERT_TRUE(RemoteApi().CeSetDatabaseInfoEx(&guid_, oid, &info));
    CEOIDINFO got{};
    ASSERT_TRUE(RemoteApi().CeOidGetInfoEx(&guid_, oid, &got));
    EXPECT_EQ(DWORD{CEDB_NOCOMPRESS}, got.infDatabase.dwFlags);
    EXPECT_EQ("facts", NarrowedText(got.infDatabase.szDbaseName));
    ASSERT_EQ(2, got.infDatabase.wNumSortOrder);
    EXPECT_EQ(text, got.infDatabase.rgSortSpecs[1].propid);
    EXPECT_EQ(DWORD{CEDB_SORT_DESCENDING}, got.infDatabase.rgSortSpecs[0].dwFlags);

    const HANDLE db = RemoteApi().CeOpenDatabaseEx(&guid_, &oid, nullptr, 0, 0, nullptr);
    WideString word = W("first");
    CEPROPVAL values[2] = {};
    values[0].propid = number, values[0].val.lVal = 1;
    values[1].propid = text, values[1].val.lpwstr = &word[0];
    const CEOID record = RemoteApi().CeWriteRecordProps(db, 0, 2, values);
    ASSERT_NE(0u, record);
    values[0].val.lVal = 2;
    values[1].wFlags = CEDB_PROPDELETE;
    ASSERT_EQ(record, RemoteApi().CeWriteRecordProps(db, record, 2, values));
    RemoteApi().CeSeekDatabase(db, CEDB_SEEK_CEOID, record, nullptr);
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    ASSERT_EQ(
        record,
        RemoteApi().CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr));
    ASSERT_EQ(1, count);
    const auto* read = reinterpret_cast<const CEPROPVAL*>(buffer);
    EXPECT_EQ(std::make_pair(number, LONG{2}), std::make_pair(read[0].propid, read[0].val.lVal));
    FreeRemoteBuffer(buffer);
    RemoteApi().CeCloseHandle(db);
}

}  // namespace
