// Every writer, made to fail (a full disk, its own input as output, a record
// or an argument it must refuse): the previous file stays byte for byte, no
// temporary file remains, the result is the failure value and the cause is
// named.
#include <algorithm>
#include <filesystem>
#include <memory>

#include <vezuved/vezuved.h>

#include "support/diag_capture.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

constexpr int kPoints = 300;  // far more bytes than the size limit allows

struct Files {
    TempFolder folder;
    std::string csv = folder.file("in.csv"), pdb = folder.file("in.pdb");
    OwnedArray records{kPoints};
    Files() {
        for (auto& record : records.records) FillPoint(record, "1", "2", "", "", "P", "", nullptr);
        EXPECT_EQ(RLDBWritePDB(pdb.c_str(), records.data(), kPoints, 0), 0);
        WriteFileBytes(csv, "");
    }
};

class FailedWrite : public FreshState {};

TEST_F(FailedWrite, KeepsThePreviousFileLeavesNoTemporaryAndNamesTheCause) {
    const struct {
        const char* target;  // in the folder; "in.pdb" is the database read
        bool diskFull;
        int32_t (*write)(Files&, char*);  // the buffer holds the target path
        const char *printed, *cause;      // in the cause "%t" stands for the target, "%i" for in.pdb
    } cases[] = {
        {"keep.pdb",
         true,
         [](Files& f, char* out) { return RLDBWritePDB(out, f.records.data(), kPoints, 0); },
         "Err: 0x40b",
         "cannot write '%t': File too large"},
        {"in.pdb",
         false,
         [](Files& f, char* out) { return RLDBExport(f.pdb.c_str(), out, nullptr, 1, -1, -1, nullptr); },
         "No Cal File\n",
         "the output '%t' is the input '%i' itself; nothing was written"},
        {"keep.pdb",
         false,
         [](Files& f, char* out) {
             WriteFileBytes(f.csv, "1,2,,,A,,\n1,2,,,B,," + std::string(70000, 'd') + "\n1,2,,,C,,\n");
             return RLDBImport(f.csv.c_str(), out, nullptr, 0, 1, -1, nullptr);
         },
         "No Cal File\nErr: 0x405",
         "record 2: description longer than 65508 characters"},
        {"new.pdb",
         false,
         [](Files& f, char* out) { return RLDBWritePDB(out, f.records.data(), 1, 3); },
         "",
         "no database can be written for the kind 3"},
        // Refused before the array is read: 300 elements stand for 65,536.
        {"keep.pdb",
         false,
         [](Files& f, char* out) { return RLDBWritePDB(out, f.records.data(), 65536, 0); },
         "",
         "a database holds at most 65,535 records (65536 given)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
#if defined(_WIN32)
        if (c.diskFull) continue;  // the size limit is a POSIX facility
#endif
        Files files;
        const std::string target = files.folder.file(c.target);
        const bool previous = target != files.folder.file("new.pdb");
        if (previous && target != files.pdb) WriteFileBytes(target, "the previous version\r\n");
        const std::vector<uint8_t> before = ReadFileBytes(target);
        const std::vector<std::string> names = FolderNames(files.folder.path());
        std::vector<char> out(target.begin(), target.end());
        out.resize(VEZUVED_PATH_BUFFER, '\0');
        CapturedDiagnostics said;
        int32_t result;
        {
#if !defined(_WIN32)
            std::unique_ptr<FileSizeLimit> limit(c.diskFull ? new FileSizeLimit(2048) : nullptr);
#endif
            result = c.write(files, out.data());
        }
        EXPECT_EQ(said.TakeOutput(), c.printed);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(FolderNames(files.folder.path()), names);
        EXPECT_EQ(ReadFileBytes(target), before);
        std::string cause = c.cause;
        for (const auto& [mark, text] :
             {std::pair{"%t", std::string(out.data())}, std::pair{"%i", files.pdb}})
            if (cause.find(mark) != std::string::npos) cause.replace(cause.find(mark), 2, text);
        EXPECT_EQ(said.TakeCauses(), "VEZUVed: " + cause + "\n");
    }
}

#if !defined(_WIN32)  // Windows paths stop at 260 characters without the long-path prefix
// The derived path goes into the caller's buffer of VEZUVED_PATH_BUFFER
// bytes: 1023 characters fit, 1024 are refused with nothing written back.
// The buffer is allocated to the byte, so AddressSanitizer sees any write
// past it.
TEST_F(FailedWrite, DerivedPathsStayWithinTheCallersBuffer) {
    TempFolder root;
    std::string folder = root.path();
    while (folder.size() + 1 < 1000)
        folder += "/" + std::string(std::min<size_t>(200, 1000 - folder.size() - 1), 'f');
    std::filesystem::create_directories(folder);
    std::string database;  // the bytes of the 1023-character case, for the longer one
    for (size_t length : {1023, 1024}) {
        SCOPED_TRACE(length);
        const std::string base = folder + "/" + std::string(length - folder.size() - 5, 'n');
        WriteFileBytes(base + ".csv", "1,2,,,A,,\n");
        OwnedArray point(1);
        FillPoint(point[0], "1", "2", "", "", "A", "", nullptr);
        // A path over 1023 characters is refused by every export.
        ASSERT_EQ(RLDBWritePDB((base + ".pdb").c_str(), point.data(), 1, 0), length == 1023 ? 0 : -1);
        if (length == 1023) database = ReadFileText(base + ".pdb");
        WriteFileBytes(base + ".pdb", database);
        std::unique_ptr<char[]> buffer(new char[VEZUVED_PATH_BUFFER]());
        CapturedDiagnostics said;
        const int32_t imported =
            RLDBImport((base + ".csv").c_str(), buffer.get(), nullptr, 0, 1, -1, nullptr);
        EXPECT_EQ(std::string(buffer.get()), length == 1023 ? base + ".pdb" : "");
        buffer[0] = '\0';
        const int32_t exported =
            RLDBExport((base + ".pdb").c_str(), buffer.get(), nullptr, 1, -1, -1, nullptr);
        said.TakeOutput();
        EXPECT_EQ(imported, length == 1023 ? 0 : -1);
        EXPECT_EQ(exported, length == 1023 ? 0 : -1);
        EXPECT_EQ(std::string(buffer.get()), length == 1023 ? base + ".rlp" : "");
    }
}
#endif

}  // namespace
