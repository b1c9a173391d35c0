#include "device_test_support.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "device/file_dates.h"
#include "device/remote_api.h"
#include "device/transfer_rules.h"
#include "state/device_state.h"

namespace devtest {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    SetVariable(name, value);
}

ScopedEnv::~ScopedEnv() { SetVariable(name_.c_str(), old_ ? old_->c_str() : nullptr); }

std::string BuildFolder() {
    if (const char* dir = std::getenv("VEZUVED_BUILD_DIR")) return dir;
        // The test program lives in <build>/tests.
#if defined(_WIN32)
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return ".";
    const std::filesystem::path self(std::string(path, length));
#else
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return ".";
#endif
    return self.parent_path().parent_path().string();
}

std::string EmulatorPath() { return BuildFolder() + "/librapi-emu.so"; }
std::string PartialEmulatorPath() { return BuildFolder() + "/librapi-emu-partial.so"; }

const char* const kPoints =
    "45.5000000,-122.6000000,100,,Home,Flag,First point\r\n"
    "45.6000000,-122.7000000,200,,Cabin,Flag,Second\r\n";
const char* const kVolumePath = "\\My Documents\\Roverlog\\RoverlogDBV.cdb";
const std::string kFlagPath = "\\My Documents\\Roverlog\\flag.rli";

namespace {

int32_t VEZUVED_CALL RecordProgress(int32_t stage, int32_t done, int32_t total, const char* name, void*) {
    CallbackLog& log = Log();
    log.progress.push_back({stage, done, total, name != nullptr ? name : ""});
    if (stage == log.cancelAtStage) {
        log.cancelAtStage = -100;
        return -1;
    }
    if (log.cancelAfterCalls >= 0 && static_cast<int32_t>(log.progress.size()) > log.cancelAfterCalls)
        return -1;
    return 0;
}

int32_t VEZUVED_CALL RecordAsk(
    const char* name, int32_t status, const char* sourceDate, const char* destinationDate, uint32_t*, void*) {
    Log().asks.push_back({name, status, sourceDate, destinationDate});
    return Log().askAnswer;
}

// A connection of the test's own, to look at or prepare the device.
struct Connection {
    ~Connection() {
        if (mounted) RemoteApi().CeUnmountDBVol(&guid);
        UnloadRemoteApi();
    }
    bool Mount(DWORD flags) {
        WideString path = W(kVolumePath);
        mounted = ok && RemoteApi().CeMountDBVol(&guid, &path[0], flags) != FALSE;
        return mounted;
    }
    bool ok = LoadRemoteApi(nullptr) == 0, mounted = false;
    CEGUID guid{};
};

const DWORD kAllTypes[] = {kTypePoints, kTypeTrack | 1u, kTypeTrack};

}  // namespace

CallbackLog& Log() {
    static CallbackLog log;
    return log;
}

std::vector<int32_t> Stages() {
    std::vector<int32_t> stages;
    for (const ProgressCall& call : Log().progress) stages.push_back(call.stage);
    return stages;
}

std::string Progress() {
    std::string text;
    for (const ProgressCall& c : Log().progress)
        text += std::to_string(c.stage) + " " + std::to_string(c.done) + "/" + std::to_string(c.total) + " " +
                c.name + ";";
    return text;
}

std::vector<std::string> DeviceDatabaseView::Names() const {
    std::vector<std::string> names;
    for (const DeviceRecord& r : records) names.push_back(r.name);
    return names;
}

SyncTest::SyncTest() {
    std::filesystem::create_directories(root_.Join("My Documents/Roverlog"));
    EXPECT_TRUE(Connection().Mount(OPEN_ALWAYS));  // an empty volume, as on a handheld in use
    Log() = CallbackLog();
    RLSetProgressCallback(RecordProgress);
    RLSetAskReplaceCallback(RecordAsk);
    DeviceSettings().forcedKind = -1;
}

SyncTest::~SyncTest() {
    RLSetProgressCallback(nullptr);
    RLSetAskReplaceCallback(nullptr);
    DeviceSettings().forcedKind = -1;
}

void SyncTest::SetTime(const std::string& path, uint64_t time) {
    HostFile file(HostCreateFile(
        W(path.c_str()).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.IsValid()) << path;
    const FILETIME when = MakeFileTime(time);
    ASSERT_TRUE(PlatformSetFileTime(file.Get(), &when, &when, &when));
}

void SyncTest::MakeFolderTwoDaysOld(const std::string& path) {
#if defined(_WIN32)
    // A folder's times are set through a handle of the folder itself.
    const HANDLE folder = CreateFileW(W(path.c_str()).c_str(),
                                      FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr,
                                      OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, folder) << path;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const FILETIME old = MakeFileTime(FileTimeValue(now) - 2 * 864000000000ull);
    EXPECT_TRUE(SetFileTime(folder, nullptr, nullptr, &old));
    CloseHandle(folder);
#else
    std::filesystem::last_write_time(path,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
#endif
}

uint64_t SyncTest::TimeOf(const std::string& path) {
    HostFile file(HostCreateFile(
        W(path.c_str()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME written{};
    if (file.IsValid()) PlatformGetFileTime(file.Get(), nullptr, nullptr, &written);
    return FileTimeValue(written);
}

void SyncTest::WritePc(const std::string& name, const std::string& bytes, uint64_t time) {
    WriteFileBytes(Pc(name), bytes);
    SetTime(Pc(name), time);
}

void SyncTest::WriteDevice(const std::string& name, const std::string& bytes, uint64_t time) {
    WriteFileBytes(DeviceFile(name), bytes);
    SetTime(DeviceFile(name), time);
}

std::vector<DeviceDatabaseView> SyncTest::Databases() {
    std::vector<DeviceDatabaseView> all;
    Connection connection;
    if (!connection.Mount(OPEN_EXISTING)) return all;
    CEGUID* guid = &connection.guid;
    for (DWORD type : kAllTypes) {
        HANDLE search = RemoteApi().CeFindFirstDatabaseEx(guid, type);
        if (search == nullptr || search == INVALID_HANDLE_VALUE) continue;
        for (CEOID oid = RemoteApi().CeFindNextDatabaseEx(search, guid); oid != 0;
             oid = RemoteApi().CeFindNextDatabaseEx(search, guid)) {
            CEOIDINFO info{};
            info.wObjType = OBJTYPE_DATABASE;
            if (!RemoteApi().CeOidGetInfoEx(guid, oid, &info)) continue;
            DeviceDatabaseView view;
            view.name = NarrowedText(info.infDatabase.szDbaseName);
            view.type = info.infDatabase.dwDbaseType;
            view.modified = FileTimeValue(info.infDatabase.ftLastModified);
            CEOID open = oid;
            HANDLE db = RemoteApi().CeOpenDatabaseEx(guid,
                                                     &open,
                                                     nullptr,
                                                     type == kTypePoints ? kPropLongitude : kPropSequence,
                                                     CEDB_AUTOINCREMENT,
                                                     nullptr);
            LPBYTE buffer = nullptr;
            DWORD size = 0;
            for (CEOID record = RemoteApi().CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr); record != 0;
                 record = RemoteApi().CeSeekDatabase(db, CEDB_SEEK_CURRENT, 0, nullptr)) {
                WORD count = 0;
                if (RemoteApi().CeReadRecordPropsEx(
                        db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr) == 0)
                    break;
                const CEPROPVAL* props = reinterpret_cast<const CEPROPVAL*>(buffer);
                DeviceRecord r;
                for (WORD i = 0; i < count; ++i) {
                    const CEPROPVAL& p = props[i];
                    if (p.propid == kPropText) r.text = NarrowedText(p.val.lpwstr);
                    if (p.propid == kPropLongitude) r.longitude = p.val.lVal;
                    if (p.propid == kPropName) r.name = NarrowedText(p.val.lpwstr);
                    if (p.propid == kPropLegTime) r.legTime = p.val.lVal;
                    if (p.propid == kPropLegDistance) r.legDistance = p.val.lVal;
                    if (p.propid == kPropSequence) r.sequence = p.val.ulVal;
                }
                view.records.push_back(r);
            }
            FreeRemoteBuffer(buffer);
            RemoteApi().CeCloseHandle(db);
            all.push_back(view);
        }
        RemoteApi().CeCloseHandle(search);
    }
    return all;
}

const DeviceDatabaseView* SyncTest::Find(const std::vector<DeviceDatabaseView>& all,
                                         const std::string& name) {
    for (const DeviceDatabaseView& view : all)
        if (view.name == name) return &view;
    return nullptr;
}

void SyncTest::ResetDevice(const std::vector<std::string>& names, uint64_t time) {
    std::filesystem::remove(DeviceFile("RoverlogDBV.cdb"));
    CreateDeviceDatabases(names, time);
}

void SyncTest::CreateDeviceDatabases(const std::vector<std::string>& names, uint64_t time) {
    Connection connection;
    ASSERT_TRUE(connection.Mount(OPEN_ALWAYS));
    for (const std::string& name : names) {
        CEDBASEINFO info{};
        info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC;
        WidenText(info.szDbaseName, name.c_str(), 31);
        info.dwDbaseType = kTypePoints;
        info.wNumSortOrder = 2;
        info.rgSortSpecs[0].propid = kPropLongitude;
        info.rgSortSpecs[1].propid = kPropName;
        const CEOID oid = RemoteApi().CeCreateDatabaseEx(&connection.guid, &info);
        ASSERT_NE(0u, oid) << name;
        info.dwFlags = CEDB_VALIDMODTIME;
        info.ftLastModified = MakeFileTime(time);
        ASSERT_TRUE(RemoteApi().CeSetDatabaseInfoEx(&connection.guid, oid, &info));
    }
}

void SyncTest::Push(const std::string& file, const std::string& bytes, uint64_t time) {
    WritePc(file, bytes, time);
    ASSERT_EQ(0, ToDevice(Pc(file), optMove | optCreateVolume)) << out_;
    ASSERT_FALSE(FileExists(Pc(file)));
    Log() = CallbackLog();
}

int32_t SyncTest::ToDevice(const std::string& pcPath, uint32_t options, int16_t kind) {
    return Run(
        [&] { return RLDBCECopyToDevice(pcPath.c_str(), nullptr, options, nullptr, kind, -1, -1, nullptr); });
}

int32_t SyncTest::FromDevice(int16_t kind, const char* filter, uint32_t options) {
    return Run([&] {
        return RLDBCECopyFromDevice(nullptr, filter, PcFolder().c_str(), options, nullptr, kind, 0, 0, 0, 0);
    });
}

int32_t SyncTest::Enum() {
    return Run([&] { return RLDBCEEnum(PcFolder().c_str(), nullptr, 0, 0); });
}

}  // namespace devtest
