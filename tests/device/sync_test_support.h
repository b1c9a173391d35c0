// A fixture for the copy, listing and round-trip tests: a fresh emulated
// handheld and a fresh PC folder per test, the host callbacks recorded, and
// helpers that look at the device through the remote API.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_database.h"
#include "device/host_files.h"
#include "device_test_support.h"
#include "vezuved/vezuved.h"

namespace synctest {

constexpr uint64_t kBaseTime = 127237479000000000ull;  // 14 Mar 2004 around 09:05 UTC

struct ProgressCall {
    int32_t stage;
    int32_t done;
    int32_t total;
    std::string name;
};

struct AskCall {
    std::string name;
    int32_t status;
    std::string sourceDate;
    std::string destinationDate;
};

// What the callbacks saw, and how they answer.
struct CallbackLog {
    std::vector<ProgressCall> progress;
    std::vector<AskCall> asks;
    int32_t askAnswer = 0;
    int32_t cancelAtStage = -100;  // answer -1 to the first report of this stage
    int32_t cancelAfterCalls = -1;  // answer -1 from this many reports on
};
CallbackLog& Log();

// The stages reported, in order.
std::vector<int32_t> Stages();

struct DeviceRecord {
    std::string text;
    int32_t longitude = 0;
    std::string name;     // property 3 of points
    uint32_t key = 0;     // property 2 of tracks and routes
    int32_t legDistance = 0;
    int32_t legTime = 0;
};

struct DeviceDatabaseView {
    std::string name;
    DWORD type = 0;
    uint32_t recordCount = 0;
    uint64_t modified = 0;
    std::vector<DeviceRecord> records;  // in the order the copy back reads them
};

// A connection with the volume mounted, for calling the copy steps directly.
class DeviceSession {
public:
    DeviceSession();
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;
    bool Ok() const { return target.volume != nullptr; }
    DeviceTarget target;

private:
    MountedVolume volume_;
};

// Runs body with stdout captured; returns what it printed.
template <typename Body>
std::string Captured(Body body) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

class SyncTest : public testing::Test {
protected:
    SyncTest();
    ~SyncTest() override;

    // "My Documents/Roverlog" under the device root (created by the fixture).
    std::string DeviceFile(const std::string& name) const;
    std::string Pc(const std::string& name) const { return pc_.Join(name); }
    const std::string& PcFolder() const { return pc_.Path(); }

    void WritePc(const std::string& name, const std::string& bytes, uint64_t time = kBaseTime);
    void WriteDevice(const std::string& name, const std::string& bytes, uint64_t time = kBaseTime);
    static void SetTime(const std::string& path, uint64_t time);
    static uint64_t TimeOf(const std::string& path);

    // The databases of the volume (all types), or none when it cannot be mounted.
    std::vector<DeviceDatabaseView> Databases();
    const DeviceDatabaseView* FindDatabase(const std::vector<DeviceDatabaseView>& all, const std::string& name);
    // Creates empty points databases with those names (and time) on the device.
    void CreateDeviceDatabases(const std::vector<std::string>& names, DWORD type, uint64_t time = kBaseTime);
    void SetDeviceDatabaseTime(const std::string& name, uint64_t time);

    // The exports with stdout captured into out.
    int32_t ToDevice(const std::string& pcPath, uint32_t options, std::string& out, int16_t kind = -1);
    int32_t FromDevice(int16_t kind, const char* filter, uint32_t options, std::string& out);
    int32_t Enum(uint32_t options, std::string& out);

    devtest::TempFolder root_;
    devtest::TempFolder pc_;
    devtest::ScopedEnv library_;
    devtest::ScopedEnv device_;
    devtest::ScopedEnv state_;
    devtest::ScopedEnv faults_;
    devtest::ScopedEnv log_;
};

}  // namespace synctest
