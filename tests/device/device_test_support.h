// Helpers shared by the device tests: a fresh emulated handheld and PC folder per test, the host
// callbacks recorded, the device seen through the remote API.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/device_volume.h"
#include "device/host_files.h"
#include "support/diag_capture.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

namespace devtest {

inline WideString W(const char* text) { return WidenedText(text); }
using Strings = std::vector<std::string>;
using Ints = std::vector<int32_t>;

// A fresh temporary folder; Join uses the library's PC path separator, as its output does.
class TempFolder : public ::TempFolder {
public:
    const std::string& Path() const { return path(); }
#if defined(_WIN32)
    std::string Join(const std::string& name) const { return path() + "\\" + name; }
#else
    std::string Join(const std::string& name) const { return path() + "/" + name; }
#endif
};

// Sets (null: removes) an environment variable until the object goes.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// The build folder, where the emulators are put.
std::string BuildFolder();
std::string EmulatorPath();         // librapi-emu.so
std::string PartialEmulatorPath();  // the one lacking CeCreateDirectory

// An emulated handheld in a fresh folder, with no state, faults or log.
struct EmulatedDevice {
    TempFolder root_;
    ScopedEnv library_{"VEZUVED_RAPI_LIBRARY", EmulatorPath().c_str()};
    ScopedEnv device_{"VEZUVED_DEVICE", root_.Path().c_str()};
    ScopedEnv state_{"VEZUVED_DEVICE_STATE", nullptr};
    ScopedEnv faults_{"VEZUVED_DEVICE_FAULTS", nullptr};
    ScopedEnv log_{"VEZUVED_DEVICE_LOG", nullptr};
};

constexpr uint64_t kBaseTime = 127237479000000000ull;  // 14 Mar 2004 14:25 UTC
extern const char* const kPoints;                      // two point lines, Home and Cabin
extern const char* const kVolumePath;                  // the default device volume
extern const std::string kFlagPath;                    // flag.rli in the device folder

struct ProgressCall {
    int32_t stage, done, total;
    std::string name;
};

struct AskCall {
    std::string name;
    int32_t status;
    std::string sourceDate, destinationDate;
};

// What the callbacks saw, and how they answer.
struct CallbackLog {
    std::vector<ProgressCall> progress;
    std::vector<AskCall> asks;
    int32_t askAnswer = 0;
    int32_t cancelAtStage = -100;   // answer -1 to the first report of this stage
    int32_t cancelAfterCalls = -1;  // answer -1 from this many reports on
};
CallbackLog& Log();
std::vector<int32_t> Stages();  // the stages reported, in order
std::string Progress();         // each report as "stage done/total name;"

struct DeviceRecord {
    std::string text, name;  // name: property 3 of points
    int32_t longitude = 0, legTime = 0, legDistance = 0;
    uint32_t sequence = 0;  // property 2 of routes and tracks
};

struct DeviceDatabaseView {
    std::string name;
    DWORD type = 0;
    uint64_t modified = 0;
    std::vector<DeviceRecord> records;  // in the order the copy back reads them
    std::vector<std::string> Names() const;
};

// What body made the library print; its debugger lines go to causes.
template <typename Body>
std::string Captured(Body body, std::string* causes = nullptr) {
    CapturedDiagnostics said;
    body();
    if (causes != nullptr) *causes = said.TakeCauses();
    return said.TakeOutput();
}

class SyncTest : public testing::Test, protected EmulatedDevice {
protected:
    SyncTest();
    ~SyncTest() override;

    // "My Documents/Roverlog" under the device root (created by the fixture).
    std::string DeviceFile(const std::string& name) const {
        return root_.Join("My Documents/Roverlog/" + name);
    }
    std::string Pc(const std::string& name) const { return pc_.Join(name); }
    const std::string& PcFolder() const { return pc_.Path(); }

    void WritePc(const std::string& name, const std::string& bytes, uint64_t time = kBaseTime);
    void WriteDevice(const std::string& name, const std::string& bytes, uint64_t time = kBaseTime);
    static void SetTime(const std::string& path, uint64_t time);
    static void MakeFolderTwoDaysOld(const std::string& path);
    static uint64_t TimeOf(const std::string& path);

    // The databases of the volume (all types), or none when it cannot be mounted.
    std::vector<DeviceDatabaseView> Databases();
    static const DeviceDatabaseView* Find(const std::vector<DeviceDatabaseView>& all,
                                          const std::string& name);
    // Starts the volume afresh with empty points databases of those names (and time).
    void ResetDevice(const std::vector<std::string>& names = {}, uint64_t time = kBaseTime);
    void CreateDeviceDatabases(const std::vector<std::string>& names, uint64_t time = kBaseTime);
    // Puts a PC file on the device as a database (the PC file goes) and clears the log.
    void Push(const std::string& file, const std::string& bytes, uint64_t time = kBaseTime);

    // The exports (or any call) with their output in out_, their debugger lines in causes_.
    int32_t ToDevice(const std::string& pcPath, uint32_t options = 0, int16_t kind = -1);
    int32_t FromDevice(int16_t kind, const char* filter, uint32_t options = 0);
    int32_t Enum();
    template <typename Call>
    int32_t Run(Call call) {
        int32_t result = 0;
        out_ = Captured([&] { result = call(); }, &causes_);
        return result;
    }

    TempFolder pc_;
    std::string out_;
    std::string causes_;
};

}  // namespace devtest
