// Loading the remote API: the result of every way it can go, the timeout,
// and the session that ends the connection.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "device/remote_api.h"
#include "device_test_support.h"

using namespace vezuved;

using devtest::ScopedEnv;

namespace {

struct RemoteApiLoad : testing::Test, devtest::EmulatedDevice {
    std::string Calls() { return devtest::ReadFile(root_.Join("calls.log")); }
};

TEST_F(RemoteApiLoad, Results) {
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
        if (c.library == 1)
            EXPECT_NE(std::string::npos, printed.find("CeCreateDirectory")) << printed;
        else
            EXPECT_EQ("", printed);
        if (result == 0) {
            EXPECT_EQ(12u, init.cbSize);
        }  // the entries loaded serve every copy
        UnloadRemoteApi();
        EXPECT_FALSE(RemoteApiLoaded());
        const auto* slots = reinterpret_cast<const unsigned char*>(&RemoteApi());
        for (size_t i = 0; i < sizeof(RemoteApiTable); ++i) ASSERT_EQ(0, slots[i]) << "byte " << i;
    }
}

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

}  // namespace
