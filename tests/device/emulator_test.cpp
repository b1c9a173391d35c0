// The device emulator the other device tests run against: volumes that last
// across connections, damaged volumes refused and left alone, and injected
// faults. (The copy tests' failure tables inject faults through the copies.)
#include <gtest/gtest.h>

#include <filesystem>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "device/remote_api.h"
#include "device/transfer_rules.h"
#include "device_test_support.h"

using namespace vezuved;

using namespace devtest;

namespace {

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
    const std::string good = ReadFile(file);
    ASSERT_GT(good.size(), 20u);
    std::string flipped = good, badVersion = good;
    flipped[flipped.size() - 3] ^= 0x40;
    badVersion[8] = 9;
    for (const std::string& bytes : {flipped,
                                     good.substr(0, good.size() - 1),
                                     good + "x",
                                     badVersion,
                                     std::string("not a volume at all")}) {
        WriteFile(file, bytes);
        for (DWORD flags : {OPEN_EXISTING, OPEN_ALWAYS}) {
            EXPECT_FALSE(Mount(flags));
            EXPECT_EQ(DWORD{ERROR_FILE_CORRUPT}, RemoteApi().CeGetLastError());
        }
        EXPECT_EQ(bytes, ReadFile(file));  // left as it was
    }
    WriteFile(file, good);
    ASSERT_TRUE(Mount());
    EXPECT_FALSE(RemoteApi().CeDeleteFile(W(kVolumePath).c_str()));  // a mounted volume file is in use
    EXPECT_EQ(DWORD{ERROR_SHARING_VIOLATION}, RemoteApi().CeGetLastError());
}

TEST_F(EmulatorTest, AnEmptyRootIsAFactoryFreshHandheld) {
    for (const auto& entry : std::filesystem::directory_iterator(root_.Path()))
        std::filesystem::remove_all(entry);
    WritePc("Home.rlp", kPoints);
    EXPECT_EQ(0, ToDevice(Pc("Home.rlp"), optCreateVolume)) << out_;
    EXPECT_TRUE(FileExists(DeviceFile("RoverlogDBV.cdb")));
    // A root holding anything is left as it is.
    std::filesystem::remove_all(root_.Join("My Documents"));
    WriteFile(root_.Join("other"), "x");
    EXPECT_EQ(devErrNoVolume, ToDevice(Pc("Home.rlp"), optCreateVolume));
    EXPECT_FALSE(std::filesystem::exists(root_.Join("My Documents")));
}

TEST_F(EmulatorTest, FaultsMakeCallsFail) {
    Push("Home.rlp", kPoints);
    WriteDevice("a.rli", "aaaa");
    auto openFlag = [] {
        return RemoteApi().CeCreateFile(W("\\My Documents\\Roverlog\\a.rli").c_str(),
                                        GENERIC_READ,
                                        0,
                                        nullptr,
                                        OPEN_EXISTING,
                                        0,
                                        nullptr);
    };
    auto firstDatabase = [this] {
        HANDLE search = RemoteApi().CeFindFirstDatabaseEx(&guid_, kTypePoints);
        const CEOID oid = search != nullptr ? RemoteApi().CeFindNextDatabaseEx(search, &guid_) : 0;
        if (search != nullptr) RemoteApi().CeCloseHandle(search);
        return oid;
    };
    // A representative call of each kind; true when it returned its failure value.
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"CeRapiUninit", [] { return RemoteApi().CeRapiUninit() != 0; }},
        {"CeCreateFile", [&] { return openFlag() == INVALID_HANDLE_VALUE; }},
        {"CeReadFile",
         [&] {
             char data[4];
             DWORD done = 0;
             return !RemoteApi().CeReadFile(openFlag(), data, 4, &done, nullptr);
         }},
        {"CeCreateDirectory", [] { return !RemoteApi().CeCreateDirectory(W("\\Fresh").c_str(), nullptr); }},
        {"CeFindNextDatabaseEx", [&] { return firstDatabase() == 0; }},
        {"CeOpenDatabaseEx",
         [&] {
             CEOID oid = firstDatabase();
             return RemoteApi().CeOpenDatabaseEx(&guid_, &oid, nullptr, kPropLongitude, 0, nullptr) ==
                    INVALID_HANDLE_VALUE;
         }},
    };
    for (const auto& [entry, fails] : cases) {
        {
            ASSERT_TRUE(Mount());
            EXPECT_FALSE(fails()) << entry << " fails without a fault";
        }
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", (std::string(entry) + "=4321").c_str());
        ASSERT_TRUE(Mount());
        EXPECT_TRUE(fails()) << entry;
        EXPECT_EQ(4321u, RemoteApi().CeGetLastError()) << entry;
    }
    for (const auto& [faults, mounts, error] :
         {std::tuple{"CeMountDBVol=4321", false, 4321u}, {"CeGetLastError=77", true, 77u}}) {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", faults);
        EXPECT_EQ(mounts, Mount()) << faults;
        EXPECT_EQ(error, RemoteApi().CeGetLastError()) << faults;
    }
    // @N: only the Nth call fails; the default error is 31.
    ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeCreateFile@1=5, CeWriteRecordProps@2");
    ASSERT_TRUE(Mount());
    EXPECT_EQ(INVALID_HANDLE_VALUE, openFlag());
    EXPECT_EQ(5u, RemoteApi().CeGetLastError());
    EXPECT_NE(INVALID_HANDLE_VALUE, openFlag());
    UnloadRemoteApi();
    WritePc("Lake.rlp", "1,1,,,One,,\r\n1,2,,,Two,,\r\n1,3,,,Three,,\r\n");
    EXPECT_EQ(31, ToDevice(Pc("Lake.rlp")));  // its line about the failed write stays in causes_
    EXPECT_EQ(Databases().size(), 1u);        // the failed copy left nothing
    EXPECT_EQ(Find(Databases(), "Lake"), nullptr);
}

}  // namespace
