// Helpers shared by the device tests: temporary folders, environment
// settings undone at scope end, UTF-16 literals, the emulator's location.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "device/host_files.h"

namespace devtest {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    // With the separator the library joins PC paths with, so expected
    // texts match its output.
#if defined(_WIN32)
    std::string Join(const std::string& name) const { return path_ + "\\" + name; }
#else
    std::string Join(const std::string& name) const { return path_ + "/" + name; }
#endif
    WideString Wide(const std::string& name = std::string()) const {
        return WidenedText((name.empty() ? path_ : Join(name)).c_str());
    }

private:
    std::string path_;
};

// Sets (or, with a null value, removes) an environment variable until the
// object goes, then restores what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// The build folder, where the emulators are put.
std::string BuildFolder();
std::string EmulatorPath();         // librapi-emu.so
std::string PartialEmulatorPath();  // the one lacking CeCreateDirectory

inline WideString W(const char* text) { return WidenedText(text); }

}  // namespace devtest
