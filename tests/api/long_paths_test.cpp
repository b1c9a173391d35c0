// Every export that takes a path, with that path 1023 characters long (the
// longest the exports take: the call works) and 1024 (refused with -1 and
// its cause before any file is touched), one path argument at a time.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/diag_capture.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"

namespace {

const char kRefusal[] = "path longer than 1023 characters: ";
const char kPoints[] = "45.5,-122.5,100,143005 24122004,Home,House,Gate\r\n1,2,,,Camp,Flag,\r\n";
const char kDefinition[] = "FormatTitle=Long\nFieldCount=7\n";
constexpr int32_t kAnyResult = 0x7FFFFFFF;  // the call is made; what it answers is not the point

// The short files the other arguments name.
struct Files {
    std::string database, text, definition, folder;
};

struct LongPathCase {
    const char* name;
    const char* ending;    // the long path's last characters: its file name, or "/" for a folder
    std::string contents;  // written at the long path before a call that reads it
    std::function<int32_t(const std::string& longPath, const Files& files)> call;
    int32_t fitting;       // the result with a 1023-character path
};

// A path of exactly `length` characters in folder: its folders (made, none
// longer than 200 characters) and then `ending` as the file name, or, for
// an ending "/", the last folder itself.
std::string PathOfLength(const std::string& folder, size_t length, const std::string& ending) {
    const std::string tail = ending == "/" ? "" : "/" + ending;
    std::string path = folder;
    size_t remaining = length - folder.size() - tail.size();
    while (remaining >= 2) {
        // Each folder takes its '/' too; never leave a single character over.
        size_t part = remaining - 1 > 200 ? 200 : remaining - 1;
        if (remaining - (part + 1) == 1) part -= 1;
        path += "/" + std::string(part, 'd');
        std::filesystem::create_directory(path);
        remaining -= part + 1;
    }
    return path + tail;
}

// Every name under folder, folders walked: what a refused call must leave.
void Walk(const std::string& folder, std::vector<std::string>& names) {
    for (const std::string& name : FolderNames(folder)) {
        names.push_back(folder + "/" + name);
        if (std::filesystem::is_directory(folder + "/" + name)) Walk(folder + "/" + name, names);
    }
}


int32_t Import(const char* source, const std::string& output, const char* definition) {
    std::vector<char> buffer(VEZUVED_PATH_BUFFER + 8, '\0');
    output.copy(buffer.data(), buffer.size() - 1);
    return RLDBImport(source, buffer.data(), definition, 0, -1, -1, nullptr);
}

int32_t Export(const char* database, const std::string& output, const char* definition) {
    std::vector<char> buffer(VEZUVED_PATH_BUFFER + 8, '\0');
    output.copy(buffer.data(), buffer.size() - 1);
    return RLDBExport(database, buffer.data(), definition, -1, -1, -1, nullptr);
}

int32_t WriteTwoPoints(const std::string& path) {
    OwnedArray records(2);
    FillPoint(records[0], "45.5", "-122.5", "100", "", "Home", "House", "Gate");
    FillPoint(records[1], "1", "2", "", "", "Camp", "Flag", nullptr);
    return RLDBWritePDB(path.c_str(), records.data(), 2, 0);
}

int32_t ReadCount(const std::string& path) {
    void* records = nullptr;
    int32_t kind = 0;
    const int32_t count = RLDBReadPDB(path.c_str(), &records, &kind);
    RLDBRelease(records, count > 0 ? count : 0);
    return count;
}

int32_t ReadCsvCount(const char* source, const char* definition) {
    void* records = nullptr;
    const int32_t count = RLDBReadCSV(source, definition, 0, -1, -1, nullptr, &records);
    RLDBRelease(records, count > 0 ? count : 0);
    return count;
}

std::string DatabaseBytes() {
    TempFolder scratch;
    const std::string path = scratch.file("db.pdb");
    EXPECT_EQ(WriteTwoPoints(path), 0);
    return ReadFileText(path);
}

std::vector<LongPathCase> Cases() {
    const std::string database = DatabaseBytes();
    const char* none = nullptr;
    return {
        {"RLDBWritePDB", "o.pdb", "", [](const std::string& p, const Files&) { return WriteTwoPoints(p); }, 0},
        {"RLDBReadPDB", "i.pdb", database, [](const std::string& p, const Files&) { return ReadCount(p); }, 2},
        {"DoReadPDB", "i.pdb", database,
         [](const std::string& p, const Files&) {
             void* records = nullptr;
             int32_t kind = 0;
             const int32_t count = DoReadPDB(p.c_str(), &records, &kind);
             RLDBRelease(records, count > 0 ? count : 0);
             return count;
         }, 2},
        {"RLGetPDBFileInfo", "i.pdb", database,
         [](const std::string& p, const Files&) {
             int32_t kind = 0, source = 0, version = 0, count = 0;
             const int32_t result = RLGetPDBFileInfo(p.c_str(), &kind, &source, &version, &count);
             return result == 0 ? count : result;
         }, 2},
        {"RLDBImport source", "i.csv", kPoints,
         [](const std::string& p, const Files& f) { return Import(p.c_str(), f.folder + "/o.pdb", f.definition.c_str()); }, 0},
        {"RLDBImport output", "o.pdb", "",
         [](const std::string& p, const Files& f) { return Import(f.text.c_str(), p, f.definition.c_str()); }, 0},
        {"RLDBImport definition", "i.cal", kDefinition,
         [](const std::string& p, const Files& f) { return Import(f.text.c_str(), f.folder + "/o.pdb", p.c_str()); }, 0},
        {"RLDBExport database", "i.pdb", database,
         [](const std::string& p, const Files& f) { return Export(p.c_str(), f.folder + "/o.csv", f.definition.c_str()); }, 0},
        {"RLDBExport output", "o.csv", "",
         [](const std::string& p, const Files& f) { return Export(f.database.c_str(), p, f.definition.c_str()); }, 0},
        {"RLDBExport definition", "i.cal", kDefinition,
         [](const std::string& p, const Files& f) { return Export(f.database.c_str(), f.folder + "/o.csv", p.c_str()); }, 0},
        {"RLDBReadCSV source", "i.csv", kPoints,
         [](const std::string& p, const Files& f) { return ReadCsvCount(p.c_str(), f.definition.c_str()); }, 2},
        {"RLDBReadCSV definition", "i.cal", kDefinition,
         [](const std::string& p, const Files& f) { return ReadCsvCount(f.text.c_str(), p.c_str()); }, 2},
        {"RLDBWriteCSV output", "o.csv", "",
         [](const std::string& p, const Files& f) {
             OwnedArray records(1);
             FillPoint(records[0], "1", "2", "", "", "Camp", "Flag", nullptr);
             return RLDBWriteCSV(p.c_str(), f.definition.c_str(), 0, -1, -1, nullptr, records.data(), 1);
         }, 0},
        {"RLDBWriteCSV definition", "i.cal", kDefinition,
         [](const std::string& p, const Files& f) {
             OwnedArray records(1);
             FillPoint(records[0], "1", "2", "", "", "Camp", "Flag", nullptr);
             return RLDBWriteCSV((f.folder + "/o.csv").c_str(), p.c_str(), 0, -1, -1, nullptr, records.data(), 1);
         }, 0},
        {"RLGetCalFileInfo", "i.cal", kDefinition,
         [](const std::string& p, const Files&) {
             char value[512] = "stale";
             int32_t length = -1;
             const int32_t result = RLGetCalFileInfo("FormatTitle", p.c_str(), value, &length);
             return result != 0 ? result : length;  // "Long"
         }, 4},
        {"RLGetCalFileTitle", "i.cal", kDefinition,
         [](const std::string& p, const Files&) {
             char value[512] = "stale";
             int32_t length = -1;
             const int32_t result = RLGetCalFileTitle(p.c_str(), value, &length);
             return result != 0 ? result : length;
         }, 4},
        // No remote API can be loaded here: a path that fits reaches the loader.
        {"RLDBCEEnum PC folder", "/", "",
         [none](const std::string& p, const Files&) { return RLDBCEEnum(p.c_str(), none, 0, 0); }, kAnyResult},
        {"RLDBCEEnum device folder", "/", "",
         [none](const std::string& p, const Files& f) { return RLDBCEEnum(f.folder.c_str(), p.c_str(), 0, 0); }, kAnyResult},
        {"RLDBCECopyToDevice PC path", "i.csv", kPoints,
         [none](const std::string& p, const Files&) {
             return RLDBCECopyToDevice(p.c_str(), none, 0, none, -1, -1, -1, nullptr);
         }, kAnyResult},
        {"RLDBCECopyToDevice device folder", "/", "",
         [none](const std::string& p, const Files& f) {
             return RLDBCECopyToDevice(f.text.c_str(), p.c_str(), 0, none, -1, -1, -1, nullptr);
         }, kAnyResult},
        {"RLDBCECopyToDevice definition", "i.cal", kDefinition,
         [](const std::string& p, const Files& f) {
             return RLDBCECopyToDevice(f.text.c_str(), nullptr, 0, p.c_str(), -1, -1, -1, nullptr);
         }, kAnyResult},
        {"RLDBCECopyFromDevice device folder", "/", "",
         [none](const std::string& p, const Files& f) {
             return RLDBCECopyFromDevice(p.c_str(), none, f.folder.c_str(), 0, none, -1, 0, 0, 0, 0);
         }, kAnyResult},
        {"RLDBCECopyFromDevice filter", "x", "",
         [none](const std::string& p, const Files& f) {
             return RLDBCECopyFromDevice(none, p.c_str(), f.folder.c_str(), 0, none, -1, 0, 0, 0, 0);
         }, kAnyResult},
        {"RLDBCECopyFromDevice PC folder", "/", "",
         [none](const std::string& p, const Files&) {
             return RLDBCECopyFromDevice(none, none, p.c_str(), 0, none, -1, 0, 0, 0, 0);
         }, kAnyResult},
        {"RLDBCECopyFromDevice definition", "i.cal", kDefinition,
         [none](const std::string& p, const Files& f) {
             return RLDBCECopyFromDevice(none, none, f.folder.c_str(), 0, p.c_str(), -1, 0, 0, 0, 0);
         }, kAnyResult},
    };
}

class LongPaths : public FreshState {};

TEST_F(LongPaths, EveryExportTakes1023CharactersAndRefuses1024BeforeTouchingAFile) {
    const char* previous = std::getenv("VEZUVED_RAPI_LIBRARY");
    const std::string kept = previous != nullptr ? previous : "";
    SetVariable("VEZUVED_RAPI_LIBRARY", "/nonexistent/librapi-emu.so");
#if defined(_WIN32)
    // Windows itself refuses paths this long without its long-path opt-in:
    // only the library's own refusal is checked there.
    const size_t lengths[] = {1024};
#else
    const size_t lengths[] = {1023, 1024};
#endif
    for (const LongPathCase& c : Cases()) {
        for (const size_t length : lengths) {
            SCOPED_TRACE(std::string(c.name) + " with " + std::to_string(length) + " characters");
            TempFolder folder;
            Files files{folder.file("short.pdb"), folder.put("short.csv", kPoints),
                        folder.put("short.cal", kDefinition), folder.path()};
            ASSERT_EQ(WriteTwoPoints(files.database), 0);
            const std::string path = PathOfLength(folder.path(), length, c.ending);
            ASSERT_EQ(path.size(), length);
            if (!c.contents.empty()) WriteFileBytes(path, c.contents);
            std::vector<std::string> before;
            Walk(folder.path(), before);

            CapturedDiagnostics said;
            const int32_t result = c.call(path, files);
            const std::string causes = said.TakeCauses();
            if (length == 1023) {
                EXPECT_EQ(causes.find(kRefusal), std::string::npos) << causes;
                if (c.fitting != kAnyResult) {
                    EXPECT_EQ(result, c.fitting) << causes;
                }
                if (c.ending[0] == 'o') {
                    EXPECT_TRUE(FileExists(path));
                }
            } else {
                EXPECT_EQ(result, -1);
                EXPECT_NE(causes.find(kRefusal), std::string::npos) << causes;
                EXPECT_EQ(said.TakeOutput(), "");  // refused before any step that prints
                std::vector<std::string> after;
                Walk(folder.path(), after);
                EXPECT_EQ(after, before);
            }
        }
    }
    SetVariable("VEZUVED_RAPI_LIBRARY", previous != nullptr ? kept.c_str() : nullptr);
}

}  // namespace
