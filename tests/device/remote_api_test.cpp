#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "device/remote_api.h"
#include "device_test_support.h"

using devtest::ScopedEnv;
using devtest::TempFolder;

namespace {

struct LoadCase {
    const char* what;
    bool device;         // VEZUVED_DEVICE names an existing folder
    const char* state;   // VEZUVED_DEVICE_STATE
    const char* faults;  // VEZUVED_DEVICE_FAULTS
    int library;         // 0 emulator, 1 partial emulator, 2 missing file
    int32_t expected;
};

void ExpectTableClear() {
    const auto* slots = reinterpret_cast<const unsigned char*>(&g_remoteApi);
    for (size_t i = 0; i < sizeof(g_remoteApi); ++i) ASSERT_EQ(0, slots[i]) << "byte " << i;
}

}  // namespace

TEST(LoadRemoteApi, Results) {
    const LoadCase cases[] = {
        {"connected", true, nullptr, nullptr, 0, 0},
        {"no device folder", false, nullptr, nullptr, 0, rapiErrInit},
        {"connection start refused", true, nullptr, "CeRapiInitEx", 0, rapiErrInit},
        {"connection up with a failure", true, "fail", nullptr, 0, -1},
        {"missing library", true, nullptr, nullptr, 2, -static_cast<int32_t>(ERROR_MOD_NOT_FOUND)},
        {"missing entry point", true, nullptr, nullptr, 1, -1},
    };
    TempFolder device;
    for (const LoadCase& c : cases) {
#if defined(_WIN32)
        // Windows loads RAPI.DLL by that one name: no other library can be chosen.
        if (c.library != 0) continue;
#endif
        const std::string library = c.library == 0   ? devtest::EmulatorPath()
                                    : c.library == 1 ? devtest::PartialEmulatorPath()
                                                     : device.Join("no-such-library.so");
        ScopedEnv lib("VEZUVED_RAPI_LIBRARY", library.c_str());
        ScopedEnv dev("VEZUVED_DEVICE", c.device ? device.Path().c_str() : nullptr);
        ScopedEnv state("VEZUVED_DEVICE_STATE", c.state);
        ScopedEnv faults("VEZUVED_DEVICE_FAULTS", c.faults);
        testing::internal::CaptureStdout();
        RAPIINIT init;
        const int32_t result = LoadRemoteApi(&init);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(c.expected, result) << c.what;
        EXPECT_EQ(c.expected == 0, RemoteApiLoaded()) << c.what;
        if (c.library == 1)
            EXPECT_NE(std::string::npos, printed.find("CeCreateDirectory")) << printed;
        else
            EXPECT_EQ("", printed) << c.what;
        if (result == 0) {
            EXPECT_EQ(12u, init.cbSize);
            EXPECT_TRUE(g_remoteApi.CeRapiInitEx != nullptr && g_remoteApi.CeGetLastError != nullptr &&
                        g_remoteApi.CeCreateDirectory != nullptr && g_remoteApi.CeMountDBVol != nullptr);
        }
        UnloadRemoteApi();
        EXPECT_FALSE(RemoteApiLoaded());
        ExpectTableClear();
    }
}

TEST(LoadRemoteApi, TimesOutAfterThreeSeconds) {
    TempFolder device;
    ScopedEnv lib("VEZUVED_RAPI_LIBRARY", devtest::EmulatorPath().c_str());
    ScopedEnv dev("VEZUVED_DEVICE", device.Path().c_str());
    ScopedEnv state("VEZUVED_DEVICE_STATE", "timeout");
    ScopedEnv log("VEZUVED_DEVICE_LOG", device.Join("calls.log").c_str());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(rapiErrTimeout, LoadRemoteApi(nullptr));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(2900));
    EXPECT_FALSE(RemoteApiLoaded());
    // The connection that never came up was still ended.
    const std::string calls = devtest::ReadFile(device.Join("calls.log"));
    EXPECT_NE(std::string::npos, calls.find("CeRapiInitEx("));
    EXPECT_NE(std::string::npos, calls.find("CeRapiUninit() -> 0"));
}

TEST(LoadRemoteApi, SessionEndsTheConnection) {
    TempFolder device;
    ScopedEnv lib("VEZUVED_RAPI_LIBRARY", devtest::EmulatorPath().c_str());
    ScopedEnv dev("VEZUVED_DEVICE", device.Path().c_str());
    ScopedEnv log("VEZUVED_DEVICE_LOG", device.Join("calls.log").c_str());
    {
        RemoteApiSession session;
        ASSERT_EQ(0, LoadRemoteApi(nullptr));
        EXPECT_TRUE(RemoteApiLoaded());
    }
    EXPECT_FALSE(RemoteApiLoaded());
    EXPECT_NE(std::string::npos, devtest::ReadFile(device.Join("calls.log")).find("CeRapiUninit() -> 0"));
}
