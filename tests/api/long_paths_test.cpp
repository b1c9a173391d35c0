// Every export that takes a path, with that path 1023 characters long (the longest taken: the call
// works) and 1024 (refused with -1 and its cause before any file is touched), one path at a time.
#include <cstdlib>
#include <filesystem>

#include "support/diag_capture.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"

namespace {

const char kRefusal[] = "path longer than 1023 characters: ";
const char kPoints[] = "45.5,-122.5,100,143005 24122004,Home,House,Gate\r\n1,2,,,Camp,Flag,\r\n";
const char kDefinition[] = "FormatTitle=Long\nFieldCount=7\n";
constexpr int32_t kAny = 0x7FFFFFFF;  // no remote API loads here: a device call's answer is not the point

// The paths a call takes, all short but the one a case makes long.
struct Paths {
    const char *pdb, *csv, *cal;                      // read: a database, a text, a definition
    const char *pdbOut, *csvOut;                      // written
    const char* folder;                               // a PC folder
    const char *device = nullptr, *filter = nullptr;  // on the handheld: none unless long
};

struct LongPathCase {
    const char* name;
    int32_t (*call)(const Paths& paths);
    const char* Paths::*argument;  // the one made long
    // A file read (a copy of the short one) or written, a folder ("/") or a filter.
    const char* ending;
    int32_t fitting;  // the result with a 1023-character path
};

// A path of `length` characters in folder: made folders (names under 255), then `ending` ("/": none).
std::string PathOfLength(const std::string& folder, size_t length, const std::string& ending) {
    const std::string tail = ending == "/" ? "" : "/" + ending;
    std::string path = folder;
    for (size_t left = length - path.size() - tail.size(); left > 0;
         left = length - path.size() - tail.size()) {
        path += "/" + std::string(left > 250 ? 200 : left - 1, 'd');
        std::filesystem::create_directory(path);
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

// The output path as a host passes it: in a buffer the export writes back to.
std::vector<char> Buffer(const char* path) {
    std::vector<char> buffer(VEZUVED_PATH_BUFFER + 8, '\0');
    std::string(path).copy(buffer.data(), buffer.size() - 1);
    return buffer;
}

// The count read, its records released.
int32_t Released(void* records, int32_t count) {
    RLDBRelease(records, count > 0 ? count : 0);
    return count;
}

int32_t WritePdb(const Paths& p) {
    OwnedArray records(2);
    FillPoint(records[0], "45.5", "-122.5", "100", "", "Home", "House", "Gate");
    FillPoint(records[1], "1", "2", "", "", "Camp", "Flag", nullptr);
    return RLDBWritePDB(p.pdbOut, records.data(), 2, 0);
}
template <decltype(&RLDBReadPDB) read>
int32_t ReadPdb(const Paths& p) {
    void* records = nullptr;
    int32_t kind = 0;
    const int32_t count = read(p.pdb, &records, &kind);
    return Released(records, count);
}
int32_t PdbInfo(const Paths& p) {
    int32_t kind = 0, source = 0, version = 0, count = 0;
    const int32_t result = RLGetPDBFileInfo(p.pdb, &kind, &source, &version, &count);
    return result == 0 ? count : result;
}
int32_t Import(const Paths& p) {
    return RLDBImport(p.csv, Buffer(p.pdbOut).data(), p.cal, 0, -1, -1, nullptr);
}
int32_t Export(const Paths& p) {
    return RLDBExport(p.pdb, Buffer(p.csvOut).data(), p.cal, -1, -1, -1, nullptr);
}
int32_t ReadCsv(const Paths& p) {
    void* records = nullptr;
    return Released(records, RLDBReadCSV(p.csv, p.cal, 0, -1, -1, nullptr, &records));
}
int32_t WriteCsv(const Paths& p) {
    OwnedArray records(1);
    FillPoint(records[0], "1", "2", "", "", "Camp", "Flag", nullptr);
    return RLDBWriteCSV(p.csvOut, p.cal, 0, -1, -1, nullptr, records.data(), 1);
}
// The length of the title read ("Long": 4), or the failure, which leaves an empty value.
template <bool byKey>
int32_t CalTitle(const Paths& p) {
    char value[512] = "stale";
    int32_t length = -1;
    const int32_t result = byKey ? RLGetCalFileInfo("FormatTitle", p.cal, value, &length)
                                 : RLGetCalFileTitle(p.cal, value, &length);
    if (result == 0) return length;
    return length == 0 && value[0] == '\0' ? result : -2;
}
int32_t Enum(const Paths& p) { return RLDBCEEnum(p.folder, p.device, 0, 0); }
int32_t ToDevice(const Paths& p) {
    return RLDBCECopyToDevice(p.csv, p.device, 0, p.cal, -1, -1, -1, nullptr);
}
int32_t FromDevice(const Paths& p) {
    return RLDBCECopyFromDevice(p.device, p.filter, p.folder, 0, p.cal, -1, 0, 0, 0, 0);
}

const LongPathCase kCases[] = {
    {"RLDBWritePDB", WritePdb, &Paths::pdbOut, "o.pdb", 0},
    {"RLDBReadPDB", ReadPdb<RLDBReadPDB>, &Paths::pdb, "i.pdb", 2},
    {"DoReadPDB", ReadPdb<DoReadPDB>, &Paths::pdb, "i.pdb", 2},
    {"RLGetPDBFileInfo", PdbInfo, &Paths::pdb, "i.pdb", 2},
    {"RLDBImport source", Import, &Paths::csv, "i.csv", 0},
    {"RLDBImport output", Import, &Paths::pdbOut, "o.pdb", 0},
    {"RLDBImport definition", Import, &Paths::cal, "i.cal", 0},
    {"RLDBExport database", Export, &Paths::pdb, "i.pdb", 0},
    {"RLDBExport output", Export, &Paths::csvOut, "o.csv", 0},
    {"RLDBExport definition", Export, &Paths::cal, "i.cal", 0},
    {"RLDBReadCSV source", ReadCsv, &Paths::csv, "i.csv", 2},
    {"RLDBReadCSV definition", ReadCsv, &Paths::cal, "i.cal", 2},
    {"RLDBWriteCSV output", WriteCsv, &Paths::csvOut, "o.csv", 0},
    {"RLDBWriteCSV definition", WriteCsv, &Paths::cal, "i.cal", 0},
    {"RLGetCalFileInfo", CalTitle<true>, &Paths::cal, "i.cal", 4},
    {"RLGetCalFileTitle", CalTitle<false>, &Paths::cal, "i.cal", 4},
    {"RLDBCEEnum PC folder", Enum, &Paths::folder, "/", kAny},
    {"RLDBCEEnum device folder", Enum, &Paths::device, "/", kAny},
    {"RLDBCECopyToDevice PC path", ToDevice, &Paths::csv, "i.csv", kAny},
    {"RLDBCECopyToDevice device folder", ToDevice, &Paths::device, "/", kAny},
    {"RLDBCECopyToDevice definition", ToDevice, &Paths::cal, "i.cal", kAny},
    {"RLDBCECopyFromDevice device folder", FromDevice, &Paths::device, "/", kAny},
    {"RLDBCECopyFromDevice filter", FromDevice, &Paths::filter, "x", kAny},
    {"RLDBCECopyFromDevice PC folder", FromDevice, &Paths::folder, "/", kAny},
    {"RLDBCECopyFromDevice definition", FromDevice, &Paths::cal, "i.cal", kAny},
};

class LongPaths : public FreshState {};

TEST_F(LongPaths, EveryExportTakes1023CharactersAndRefuses1024BeforeTouchingAFile) {
    const char* previous = std::getenv("VEZUVED_RAPI_LIBRARY");
    const std::string kept = previous != nullptr ? previous : "";
    SetVariable("VEZUVED_RAPI_LIBRARY", "/nonexistent/librapi-emu.so");
#if defined(_WIN32)
    // Windows refuses paths this long without its long-path opt-in: only the refusal is checked.
    const size_t lengths[] = {1024};
#else
    const size_t lengths[] = {1023, 1024};
#endif
    for (const LongPathCase& c : kCases) {
        for (const size_t length : lengths) {
            SCOPED_TRACE(std::string(c.name) + " with " + std::to_string(length) + " characters");
            TempFolder folder;
            const std::string pdb = folder.file("short.pdb"), csv = folder.put("short.csv", kPoints),
                              cal = folder.put("short.cal", kDefinition), pdbOut = folder.file("o.pdb"),
                              csvOut = folder.file("o.csv");
            Paths paths{
                pdb.c_str(), csv.c_str(), cal.c_str(), pdbOut.c_str(), csvOut.c_str(), folder.path().c_str()};
            Paths shortDatabase = paths;
            shortDatabase.pdbOut = pdb.c_str();
            ASSERT_EQ(WritePdb(shortDatabase), 0);
            const std::string path = PathOfLength(folder.path(), length, c.ending);
            ASSERT_EQ(path.size(), length);
            if (c.ending[0] == 'i') WriteFileBytes(path, ReadFileText(paths.*c.argument));
            paths.*c.argument = path.c_str();
            std::vector<std::string> before, after;
            Walk(folder.path(), before);

            CapturedDiagnostics said;
            const int32_t result = c.call(paths);
            const std::string causes = said.TakeCauses();
            Walk(folder.path(), after);
            if (length == 1023) {
                EXPECT_EQ(causes.find(kRefusal), std::string::npos) << causes;
                if (c.fitting != kAny) {
                    EXPECT_EQ(result, c.fitting) << causes;
                }
                if (c.ending[0] == 'o') {
                    EXPECT_TRUE(FileExists(path));
                }
            } else {
                EXPECT_EQ(result, -1);
                EXPECT_NE(causes.find(kRefusal), std::string::npos) << causes;
                EXPECT_EQ(said.TakeOutput(), "");  // refused before any step that prints
                EXPECT_EQ(after, before);
            }
        }
    }
    SetVariable("VEZUVED_RAPI_LIBRARY", previous != nullptr ? kept.c_str() : nullptr);
}

}  // namespace
