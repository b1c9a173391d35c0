// The device emulator the other device tests run against: volumes that last
// across connections, damaged volumes refused and left alone. (Its injected
// faults are proved by the copy tests' failure tables, which expect them.)
#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <vector>

#include "device/remote_api.h"
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
    // Database names are found and taken whatever their case, as on the handheld.
    CEOID byName = 0;
    WideString upper = W("HOME");
    const HANDLE db = RemoteApi().CeOpenDatabaseEx(&guid_, &byName, &upper[0], kPropLongitude, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, db);
    RemoteApi().CeCloseHandle(db);
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE;
    WidenText(info.szDbaseName, "HOME", 31);
    info.dwDbaseType = kTypePoints;
    EXPECT_EQ(0u, RemoteApi().CeCreateDatabaseEx(&guid_, &info));
    EXPECT_FALSE(RemoteApi().CeDeleteFile(W(kVolumePath).c_str()));  // a mounted volume file is in use
    EXPECT_EQ(DWORD{ERROR_SHARING_VIOLATION}, RemoteApi().CeGetLastError());
}

}  // namespace
