#include <cstring>

#include "support/database_bytes.h"
#include "support/diag_capture.h"
#include "support/test_support.h"
#include "text/import_text.h"

using namespace vezuved;

namespace {

std::string Repeated(const std::string& line, size_t times) {
    std::string text;
    for (size_t i = 0; i < times; ++i) text += line;
    return text;
}

class Import : public FreshState {
protected:
    TempFolder folder;
    std::string output;  // what the library printed

    std::string Put(const std::string& name, const std::string& text) { return folder.put(name, text); }
    int32_t Run(const std::string& source,
                char* outputPath,
                const char* format,
                int16_t kind,
                int16_t src = -1,
                int16_t ele = -1,
                const int16_t* map = nullptr,
                bool toKindFile = false) {
        CapturedDiagnostics said;
        // The kind file is the device copy's own: only the driver writes it, from a source and a kind.
        int32_t result =
            toKindFile ? -1 : RLDBImport(source.c_str(), outputPath, format, kind, src, ele, map);
        if (toKindFile) {
            TextRequest request;
            request.source = source, request.kind = kind;
            const TextResult done = ImportText(request, true);
            if (done.code == 0) std::strcpy(outputPath, done.written.c_str());
            result = done.code;
        }
        output = said.TakeOutput();
        return result;
    }
    // The points a database holds, read back through the library.
    std::vector<std::string> Names(const std::string& path) { return ReadBack(path).Names(); }
};

TEST_F(Import, CommaTextBecomesAPointDatabaseBesideTheSource) {
    std::string source = Put("trip.csv", "45.5,-122.5,100,,Home,House,note\r\n1,2,,,Camp,Flag,\r\n");
    Put("trip.cal", "FieldCount=7\n");
    char out[1100] = "";
    ASSERT_EQ(Run(source, out, nullptr, -1), 0);
    EXPECT_EQ(std::string(out), folder.file("trip.pdb"));
    EXPECT_EQ(output, "");
    const ReadBack read(out);
    EXPECT_EQ(read.Names(), (std::vector<std::string>{"Home", "Camp"}));
    EXPECT_EQ(read.kind, 0);
}

TEST_F(Import, OutputPathGivesFolderAndName) {
    std::string source = Put("in.txt", "1,2,,,A,,\n");
    std::string requested = folder.path() + "/my.points.txt";
    std::vector<char> out(requested.begin(), requested.end());
    out.push_back('\0');
    ASSERT_EQ(Run(source, out.data(), nullptr, -1), 0);
    EXPECT_EQ(output, "No Cal File\n");
    EXPECT_TRUE(FileExists(folder.file("my.points.pdb")));
    EXPECT_EQ(std::string(out.data()), requested);  // a given path is not written back
}

TEST_F(Import, OlderLayoutRouteGetsAPlaceholder) {
    std::string source = Put("r.txt", "1,2,,,A,,\n3,4,,,B,,\n5,6,,,C,,\n");
    char out[1100] = "";
    ASSERT_EQ(Run(source, out, "", 66), 0);
    auto bytes = ReadFileBytes(out);
    EXPECT_EQ(U16At(bytes, 76), 4);
    EXPECT_EQ(U16At(bytes, 34), 1);
    EXPECT_EQ(Names(out), (std::vector<std::string>{"A", "B", "C"}));  // the reader skips record 0
    ASSERT_EQ(Run(source, out, "", 2), 0);
    EXPECT_EQ(U16At(ReadFileBytes(out), 76), 3);
}

// Only waypoint lines are stored, and counted: the count pass parses as the
// store pass does, so a rejected line never leaves a record short.
// The header counts records in 16 bits: 65,535 is the most a database
// holds (the refusals one past it are among the failures below).
TEST_F(Import, RecordLimitIsAccepted) {
    std::string source = Put("many.txt", Repeated("1,2,,,A,,\n", 65535));
    char out[1100] = "";
    ASSERT_EQ(Run(source, out, nullptr, -1), 0);
    EXPECT_EQ(U16At(ReadFileBytes(out), 76), 65535);
}

TEST_F(Import, GarminTextStoresOnlyWaypoints) {
    std::string source = Put("g.txt",
                             "Grid\tLat/Lon\n\nHeader\tName\n\nWaypoint\tHome\tnote\tUser Waypoint\t"
                             "N45 30.000 W122 30.000\t100\n\nTrackpoint\tN45 30 W122 30\n");
    Put("g.cal", "Source=Garmin\n");
    char out[1100] = "";
    ASSERT_EQ(Run(source, out, nullptr, -1), 0);
    const ReadBack read(out);
    ASSERT_EQ(read.count, 1);
    EXPECT_STREQ(read[0].name, "Home");
    EXPECT_STREQ(read[0].latitude, "45.5000000");
    EXPECT_STREQ(read[0].longitude, "-122.5000000");
}

TEST_F(Import, DatumDatabasesKeepTheirLinesUnparsed) {
    std::string source = Put("d.txt", "WGS 84,0,0\n\nNAD27, -8,160\n");
    char out[1100] = "";
    ASSERT_EQ(Run(source, out, nullptr, 6), 0);
    auto bytes = ReadFileBytes(out);
    EXPECT_EQ(std::string(bytes.begin() + 60, bytes.begin() + 64), "NADg");
    EXPECT_EQ(U16At(bytes, 76), 2);
    EXPECT_EQ(std::string(bytes.begin() + 96, bytes.end()), std::string("WGS 84,0,0\0NAD27, -8,160\0", 25));
}

TEST_F(Import, KindFilesHoldOneLinePerRecordWithLfEnds) {
    std::string source = Put("t.txt", "1,2,3,143005 24122004,A,i,d\r\n4,5,,,B,,\r\n");
    char out[1100] = "";
    ASSERT_EQ(Run(source, out, nullptr, 1, -1, -1, nullptr, true), 0);
    EXPECT_EQ(std::string(out), folder.file("t.rlt"));
    EXPECT_EQ(ReadFileText(out), "1.0000000,2.0000000,3,143005 24122004,A,i,d\n4.0000000,5.0000000,,,B,,\n");
}

// Line ends, header lines and control bytes; a column map argument over the
// definition's; a TAB layout (in a fresh state) makes TAB the delimiter.
TEST_F(Import, LinesBecomeRecords) {
    const int16_t map[7] = {1, 2, -1, -1, 0, -1, -1};
    struct {
        const char* text;
        const char* definition;
        int16_t src;
        const int16_t* map;
        const char* names;
    } const rows[] = {
        {"45.5\t-122.5\t\t\tCamp;North\n", nullptr, kLayoutTab, nullptr, "Camp;North"},
        {"\nheader\r1,2,,,A\a,,\r\n3,4,,,B\b,,\n\r5,6,,,C,,", "HeaderLines=2\n", -1, nullptr, "A|B|C"},
        {"lat,lon\r\nunits\r\n1,2,,,A,,\r\n3,4,,,B,,\r\n", "HeaderLines = 2\r\n", -1, nullptr, "A|B"},
        {"Camp;45.5;-122.5\n", "Delimited=;\nFieldCount=3\n", -1, map, "Camp"},
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::string stem = "l" + std::to_string(++n);
        if (row.definition != nullptr) Put(stem + ".cal", row.definition);
        char out[1100] = "";
        ASSERT_EQ(Run(Put(stem + ".txt", row.text), out, nullptr, -1, row.src, -1, row.map), 0) << row.names;
        if (row.src == kLayoutTab) EXPECT_EQ(State().Delimited, '\t');
        std::string names;
        for (const std::string& name : Names(out)) names += (names.empty() ? "" : "|") + name;
        EXPECT_EQ(names, row.names);
    }
}

TEST_F(Import, FailuresReturnMinusOneAndCreateNothing) {
    const struct {
        bool createSource;
        std::string content;
        int16_t kind;
        bool toKindFile;
        const char* printed;
    } cases[] = {
        {false, "", -1, false, "error opening\n"},
        {true, "", -1, false, "No Cal File\n"},
        {true, "1,2\n", 3, false, "No Cal File\n"},  // a log cannot be written
        {true, "1,2\n", 4, true, "No Cal File\n"},   // a kind file of another kind
        {true, Repeated("1,2\n", 65536), -1, false, "No Cal File\n"},
        {true, Repeated("1,2\n", 65535), 66, false, "No Cal File\n"},  // the placeholder is one too many
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.size());
        const std::string source = c.createSource ? Put("f.txt", c.content) : folder.file("f.txt");
        char out[1100] = "";
        EXPECT_EQ(Run(source, out, nullptr, c.kind, -1, -1, nullptr, c.toKindFile), -1);
        EXPECT_EQ(output, c.printed);
        EXPECT_STREQ(out, "");
        EXPECT_FALSE(FileExists(folder.file("f.pdb")) || FileExists(folder.file("f.rlp")));
    }
}

}  // namespace
