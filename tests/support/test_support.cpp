#include "support/test_support.h"

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "vezuved/vezuved.h"

void FreshState::RestoreInitialState() {
    State() = ConversionState{};
    FreeFormatStrings(State());
}

std::string OwnedRecord::desc() const {
    const char* text = DescText(record);
    return text == nullptr ? "<null>" : text;
}

void FillPoint(PointRecord& record,
               const char* latitude,
               const char* longitude,
               const char* elevation,
               const char* time,
               const char* name,
               const char* icon,
               const char* desc) {
    DescFree(record);
    std::memset(&record, 0, sizeof record);
    CopyField(record.latitude, latitude);
    CopyField(record.longitude, longitude);
    CopyField(record.elevation, elevation);
    CopyField(record.time, time);
    CopyField(record.name, name);
    CopyField(record.icon, icon);
    if (desc != nullptr) DescSetCopy(record, desc);
}

TempFolder::TempFolder() {
    static std::mt19937_64 random{std::random_device{}()};
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("vezuved-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate.string();
            break;
        }
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TestData(const std::string& relative) {
    const std::string path = std::string(VEZUVED_TESTS_DIR) + "/" + relative;
    EXPECT_TRUE(FileExists(path)) << "missing test data " << path;
    return ReadFileText(path);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string Hex(const uint8_t* data, size_t size) {
    std::string out;
    char byte[4];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", data[i]);
        out += byte;
    }
    return out;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

#if !defined(_WIN32)
FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    previous_ = limit.rlim_cur;
    previousAction_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = previous_;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousAction_);
}
#endif

std::string TempFolder::put(const std::string& name, const std::string& bytes) const {
    WriteFileBytes(file(name), bytes);
    return file(name);
}

ReadBack::ReadBack(const std::string& path) : count(RLDBReadPDB(path.c_str(), &records, &kind)) {}
ReadBack::~ReadBack() { RLDBRelease(records, count > 0 ? count : 0); }
std::vector<std::string> ReadBack::Names() const {
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i) names.push_back((*this)[i].name);
    return names;
}

// _putenv_s with an empty value removes the variable; the C runtime's
// environment is the one the emulator DLL reads with getenv.
void SetVariable(const char* name, const char* value) {
#if defined(_WIN32)
    _putenv_s(name, value != nullptr ? value : "");
#else
    if (value != nullptr)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}
