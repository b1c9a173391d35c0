#include "sync_test_support.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "device/device_text.h"
#include "device/remote_api.h"

namespace synctest {

namespace {

int32_t VEZUVED_CALL RecordProgress(int32_t stage, int32_t done, int32_t total, const char* name, void*) {
    CallbackLog& log = Log();
    log.progress.push_back({stage, done, total, name != nullptr ? name : ""});
    if (stage == log.cancelAtStage) {
        log.cancelAtStage = -100;
        return -1;
    }
    if (log.cancelAfterCalls >= 0 && static_cast<int32_t>(log.progress.size()) > log.cancelAfterCalls) return -1;
    return 0;
}

int32_t VEZUVED_CALL RecordAsk(const char* name, int32_t status, const char* sourceDate, const char* destinationDate,
                               uint32_t*, void*) {
    Log().asks.push_back({name, status, sourceDate, destinationDate});
    return Log().askAnswer;
}

const char* const kVolumePath = "\\My Documents\\Roverlog\\RoverlogDBV.cdb";

// A connection of the test's own, to look at or prepare the device.
class Connection {
public:
    Connection() { ok_ = LoadRemoteApi(nullptr) == 0; }
    ~Connection() {
        if (mounted_) g_remoteApi.CeUnmountDBVol(&guid_);
        UnloadRemoteApi();
    }
    bool Mount(DWORD flags) {
        if (!ok_) return false;
        WideString path = devtest::W(kVolumePath);
        mounted_ = g_remoteApi.CeMountDBVol(&guid_, &path[0], flags) != FALSE;
        return mounted_;
    }
    CEGUID* Guid() { return &guid_; }

private:
    bool ok_ = false;
    bool mounted_ = false;
    CEGUID guid_{};
};

}  // namespace

DeviceSession::DeviceSession() {
    if (LoadRemoteApi(nullptr) != 0) return;
    volume_ = MountDeviceVolume(kDefaultDeviceFolder, false, 0);
    target.volume = volume_.Get();
    target.folder = kDefaultDeviceFolder;
}

DeviceSession::~DeviceSession() {
    volume_.Unmount();
    UnloadRemoteApi();
}

CallbackLog& Log() {
    static CallbackLog log;
    return log;
}

std::vector<int32_t> Stages() {
    std::vector<int32_t> stages;
    for (const ProgressCall& call : Log().progress) stages.push_back(call.stage);
    return stages;
}

SyncTest::SyncTest()
    : library_("VEZUVED_RAPI_LIBRARY", devtest::EmulatorPath().c_str()),
      device_("VEZUVED_DEVICE", root_.Path().c_str()),
      state_("VEZUVED_DEVICE_STATE", nullptr),
      faults_("VEZUVED_DEVICE_FAULTS", nullptr),
      log_("VEZUVED_DEVICE_LOG", nullptr) {
    std::filesystem::create_directories(root_.Join("My Documents/Roverlog"));
    {
        Connection connection;  // an empty volume, as on a handheld in use
        EXPECT_TRUE(connection.Mount(OPEN_ALWAYS));
    }
    Log() = CallbackLog();
    RLSetProgressCallback(RecordProgress);
    RLSetAskReplaceCallback(RecordAsk);
    g_forcedKind = -1;
}

SyncTest::~SyncTest() {
    RLSetProgressCallback(nullptr);
    RLSetAskReplaceCallback(nullptr);
    g_forcedKind = -1;
}

std::string SyncTest::DeviceFile(const std::string& name) const {
    return root_.Join("My Documents/Roverlog/" + name);
}

void SyncTest::SetTime(const std::string& path, uint64_t time) {
    const WideString wide = devtest::W(path.c_str());
    HostFile file(HostCreateFile(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.IsValid()) << path;
    const FILETIME when = MakeFileTime(time);
    ASSERT_TRUE(HostSetFileTime(file.Get(), &when, &when, &when));
}

uint64_t SyncTest::TimeOf(const std::string& path) {
    const WideString wide = devtest::W(path.c_str());
    HostFile file(HostCreateFile(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME written{};
    if (file.IsValid()) HostGetFileTime(file.Get(), nullptr, nullptr, &written);
    return FileTimeValue(written);
}

void SyncTest::WritePc(const std::string& name, const std::string& bytes, uint64_t time) {
    devtest::WriteFile(Pc(name), bytes);
    SetTime(Pc(name), time);
}

void SyncTest::WriteDevice(const std::string& name, const std::string& bytes, uint64_t time) {
    devtest::WriteFile(DeviceFile(name), bytes);
    SetTime(DeviceFile(name), time);
}

std::vector<DeviceDatabaseView> SyncTest::Databases() {
    std::vector<DeviceDatabaseView> all;
    Connection connection;
    if (!connection.Mount(OPEN_EXISTING)) return all;
    CEGUID* guid = connection.Guid();
    for (DWORD type : {kTypePoints, kTypeTrack | 1u, kTypeTrack}) {
        HANDLE search = g_remoteApi.CeFindFirstDatabaseEx(guid, type);
        if (search == nullptr || search == INVALID_HANDLE_VALUE) continue;
        for (CEOID oid = g_remoteApi.CeFindNextDatabaseEx(search, guid); oid != 0;
             oid = g_remoteApi.CeFindNextDatabaseEx(search, guid)) {
            CEOIDINFO info;
            std::memset(&info, 0, sizeof info);
            info.wObjType = OBJTYPE_DATABASE;
            if (!g_remoteApi.CeOidGetInfoEx(guid, oid, &info)) continue;
            DeviceDatabaseView view;
            view.name = NarrowedText(info.infDatabase.szDbaseName);
            view.type = info.infDatabase.dwDbaseType;
            view.recordCount = info.infDatabase.wNumRecords;
            view.modified = FileTimeValue(info.infDatabase.ftLastModified);
            CEOID open = oid;
            HANDLE db = g_remoteApi.CeOpenDatabaseEx(guid, &open, nullptr,
                                                     type == kTypePoints ? kPropLongitude : kPropSequence,
                                                     CEDB_AUTOINCREMENT, nullptr);
            LPBYTE buffer = nullptr;
            DWORD size = 0;
            for (CEOID record = g_remoteApi.CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr); record != 0;
                 record = g_remoteApi.CeSeekDatabase(db, CEDB_SEEK_CURRENT, 0, nullptr)) {
                WORD count = 0;
                if (g_remoteApi.CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr) == 0)
                    break;
                const CEPROPVAL* props = reinterpret_cast<const CEPROPVAL*>(buffer);
                DeviceRecord r;
                for (WORD i = 0; i < count; ++i) {
                    switch (props[i].propid) {
                        case kPropText: r.text = NarrowedText(props[i].val.lpwstr); break;
                        case kPropLongitude: r.longitude = props[i].val.lVal; break;
                        case kPropName: r.name = NarrowedText(props[i].val.lpwstr); break;
                        case kPropSequence: r.key = props[i].val.ulVal; break;
                        case kPropLegDistance: r.legDistance = props[i].val.lVal; break;
                        case kPropLegTime: r.legTime = props[i].val.lVal; break;
                        default: break;
                    }
                }
                view.records.push_back(r);
            }
            FreeRemoteBuffer(buffer);
            g_remoteApi.CeCloseHandle(db);
            all.push_back(view);
        }
        g_remoteApi.CeCloseHandle(search);
    }
    return all;
}

const DeviceDatabaseView* SyncTest::FindDatabase(const std::vector<DeviceDatabaseView>& all, const std::string& name) {
    for (const DeviceDatabaseView& view : all)
        if (view.name == name) return &view;
    return nullptr;
}

void SyncTest::CreateDeviceDatabases(const std::vector<std::string>& names, DWORD type, uint64_t time) {
    Connection connection;
    ASSERT_TRUE(connection.Mount(OPEN_ALWAYS));
    for (const std::string& name : names) {
        CEDBASEINFO info;
        std::memset(&info, 0, sizeof info);
        info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC;
        WidenText(info.szDbaseName, name.c_str(), 31);
        info.dwDbaseType = type;
        info.wNumSortOrder = 2;
        info.rgSortSpecs[0].propid = kPropLongitude;
        info.rgSortSpecs[1].propid = type == kTypePoints ? kPropName : kPropSequence;
        const CEOID oid = g_remoteApi.CeCreateDatabaseEx(connection.Guid(), &info);
        ASSERT_NE(0u, oid) << name;
        std::memset(&info, 0, sizeof info);
        info.dwFlags = CEDB_VALIDMODTIME;
        info.ftLastModified = MakeFileTime(time);
        ASSERT_TRUE(g_remoteApi.CeSetDatabaseInfoEx(connection.Guid(), oid, &info));
    }
}

void SyncTest::SetDeviceDatabaseTime(const std::string& name, uint64_t time) {
    Connection connection;
    ASSERT_TRUE(connection.Mount(OPEN_EXISTING));
    for (DWORD type : {kTypePoints, kTypeTrack | 1u, kTypeTrack}) {
        CEOID oid = 0;
        const WideString wide = devtest::W(name.c_str());
        if (FindDeviceDatabase(connection.Guid(), type, 0, wide.c_str(), &oid, nullptr) != 0) continue;
        CEDBASEINFO info;
        std::memset(&info, 0, sizeof info);
        info.dwFlags = CEDB_VALIDMODTIME;
        info.ftLastModified = MakeFileTime(time);
        ASSERT_TRUE(g_remoteApi.CeSetDatabaseInfoEx(connection.Guid(), oid, &info));
        return;
    }
    FAIL() << "no database " << name;
}

int32_t SyncTest::ToDevice(const std::string& pcPath, uint32_t options, std::string& out, int16_t kind) {
    testing::internal::CaptureStdout();
    const int32_t result = RLDBCECopyToDevice(pcPath.c_str(), nullptr, options, nullptr, kind, -1, -1, nullptr);
    out = testing::internal::GetCapturedStdout();
    return result;
}

int32_t SyncTest::FromDevice(int16_t kind, const char* filter, uint32_t options, std::string& out) {
    testing::internal::CaptureStdout();
    const int32_t result = RLDBCECopyFromDevice(nullptr, filter, PcFolder().c_str(), options, nullptr, kind, 0, 0, 0, 0);
    out = testing::internal::GetCapturedStdout();
    return result;
}

int32_t SyncTest::Enum(uint32_t options, std::string& out) {
    testing::internal::CaptureStdout();
    const int32_t result = RLDBCEEnum(PcFolder().c_str(), nullptr, options, 0);
    out = testing::internal::GetCapturedStdout();
    return result;
}

}  // namespace synctest
