// Helpers shared by the test programs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "record/point_record.h"
#include "state/conversion_state.h"

using namespace vezuved;

// Every test starts from the conversion state the library has at load.
class FreshState : public ::testing::Test {
protected:
    void SetUp() override { RestoreInitialState(); }
    void TearDown() override { RestoreInitialState(); }

public:
    static void RestoreInitialState();
};

// A record owned by the test; its description is freed with it.
struct OwnedRecord {
    PointRecord record{};
    OwnedRecord() = default;
    OwnedRecord(const OwnedRecord&) = delete;
    OwnedRecord& operator=(const OwnedRecord&) = delete;
    ~OwnedRecord() { DescFree(record); }
    PointRecord* operator->() { return &record; }
    std::string desc() const;  // "<null>" when there is none
};

// Fills a record's texts as a host would.
void FillPoint(PointRecord& record,
               const char* latitude,
               const char* longitude,
               const char* elevation,
               const char* time,
               const char* name,
               const char* icon,
               const char* desc);

// An array of records owned by the test (freed with its descriptions).
struct OwnedArray {
    std::vector<PointRecord> records;
    explicit OwnedArray(size_t count) : records(count) {}
    ~OwnedArray() {
        for (PointRecord& r : records) DescFree(r);
    }
    PointRecord& operator[](size_t i) { return records[i]; }
    void* data() { return records.data(); }
};

// A database read through the library, released with the object.
struct ReadBack {
    void* records = nullptr;
    int32_t kind = -1, count;
    explicit ReadBack(const std::string& path);
    ~ReadBack();
    ReadBack(const ReadBack&) = delete;
    ReadBack& operator=(const ReadBack&) = delete;
    PointRecord& operator[](int32_t i) const { return static_cast<PointRecord*>(records)[i]; }
    std::vector<std::string> Names() const;
};

// A temporary folder removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string put(const std::string& name,
                    const std::string& bytes) const;  // writes the file, gives its path

private:
    std::string path_;
};

// Sets an environment variable of this process, or removes it (null value).
void SetVariable(const char* name, const char* value);

// A file kept beside the tests, tests/RELATIVE, read whole (a missing one
// fails the test: an empty text could pass for it).
std::string TestData(const std::string& relative);

// The rows of a tab-separated data file, split at its tabs; empty lines and
// lines beginning with '#' are left out.
inline std::vector<std::vector<std::string>> Rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        rows.emplace_back();
        for (size_t at = 0, tab = 0; tab != std::string::npos; at = tab + 1) {
            tab = line.find('\t', at);
            rows.back().push_back(line.substr(at, tab - at));
        }
    }
    return rows;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
size_t Count(const std::string& text, const std::string& part);  // its occurrences

// Hex dump helper for readable byte comparisons: "fe 00 d4 a0".
std::string Hex(const uint8_t* data, size_t size);

// The names in a folder, sorted: a writer that failed must leave it as it
// was, with no temporary file behind.
std::vector<std::string> FolderNames(const std::string& folder);

#if !defined(_WIN32)
// While it lives, a write that would make any file larger than `bytes`
// fails with EFBIG (the signal the kernel would send is ignored), as on a
// full disk; the previous limit and signal action come back afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t previous_;
    void (*previousAction_)(int);
};
#endif
