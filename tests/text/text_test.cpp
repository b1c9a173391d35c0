#include <vezuved/vezuved.h>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "record/record_bytes.h"
#include "support/database_bytes.h"
#include "support/diag_capture.h"
#include "support/test_support.h"
#include "text/delimited_text.h"
#include "text/import_text.h"

using namespace vezuved;

namespace {

// A folder for the files of a test, and what the library printed.
class TextFiles : public FreshState {
protected:
    TempFolder folder;
    std::string output;
    std::string Put(const std::string& name, const std::string& text) { return folder.put(name, text); }
    // The call's result; what it printed is kept in output.
    template <typename Call, typename... Args>
    int32_t Run(Call call, Args... args) {
        CapturedDiagnostics said;
        const int32_t result = call(args...);
        output = said.TakeOutput();
        return result;
    }
};

using DelimitedText = TextFiles;

TEST_F(DelimitedText, KindIsStoredUnchangedAndRecordLineLayout) {
    void* records = nullptr;
    ASSERT_EQ(RLDBReadCSV(Put("k.txt", "1*2*3*4*A*i*d,e\n").c_str(), nullptr, 65, 0, -1, nullptr, &records),
              1);
    EXPECT_EQ(State().DBKind, 65);
    EXPECT_EQ(State().RecordVersion, 3);
    EXPECT_STREQ(static_cast<PointRecord*>(records)->time,
                 "000000 01012000");  // "4" is too short for an hour
    EXPECT_STREQ(RLGetPointDesc(records), "d");
    RLDBRelease(records, 1);
    // The call's elevation format, feet (0) too, overrides the definition's metres.
    const std::string metres = Put("metres.cal", "EleFormat=m\n");
    ASSERT_EQ(
        RLDBReadCSV(Put("e.txt", "1,2,100,,A,,\n").c_str(), metres.c_str(), -1, -1, 0, nullptr, &records), 1);
    EXPECT_STREQ(static_cast<PointRecord*>(records)->elevation, "100");
    RLDBRelease(records, 1);
}

// Lines end in CR LF, with no header; a Garmin write renames route points in
// the caller's array.
TEST_F(DelimitedText, WriteGivesCrLfLinesWithoutHeader) {
    Put("w.cal", "Header=never written\nDelimited=;\n");
    OwnedArray points(2);
    FillPoint(points[0], "1.0000000", "2.0000000", "", "", "A;B", "", nullptr);
    FillPoint(points[1], "3.0000000", "4.0000000", "5", "143005 24122004", "C", "i", "d");
    std::string path = folder.file("w.txt");
    CapturedDiagnostics said;
    const std::string written =
        "1.0000000;2.0000000;;;A;B;;\r\n3.0000000;4.0000000;5;143005 24122004;C;i;d\r\n";
    ASSERT_EQ(RLDBWriteCSV(path.c_str(), nullptr, -1, -1, -1, nullptr, points.data(), 2), 0);
    EXPECT_EQ(said.TakeOutput(), "");
    EXPECT_EQ(ReadFileText(path), written);
    // An empty definition name names none: the output's own is read again.
    ASSERT_EQ(RLDBWriteCSV(path.c_str(), "", -1, -1, -1, nullptr, points.data(), 2), 0);
    EXPECT_EQ(ReadFileText(path), written);
    path = folder.file("g.txt");
    ASSERT_EQ(RLDBWriteCSV(path.c_str(), nullptr, 2, 3, -1, nullptr, points.data(), 1), 0);
    EXPECT_EQ(ReadFileText(path), "Route Waypoint\tRPT0001\t\t\t\r\n\r\n");
    EXPECT_STREQ(points[0].name, "RPT0001");
    // A waypoint's name and description lose the separators a line cannot hold.
    FillPoint(points[0], "1.0000000", "2.0000000", "", "", "Ca,mp", "", "a*b\tc\nd");
    ASSERT_EQ(RLDBWriteCSV(path.c_str(), nullptr, 0, 3, -1, nullptr, points.data(), 1), 0);
    EXPECT_EQ(ReadFileText(path),
              "Waypoint\tCa mp\ta b c d\tUser Waypoint\t1.0000000 2.0000000\t\t\t\t\t\t\t\t\t\t\t\r\n\r\n");
}

using Export = TextFiles;

DatabaseImage Points() {
    DatabaseImage image;
    image.records = {TextRecord("45.5,-122.5,100,143005 24122004,Home,House,note"),
                     RecordImage{"", true},
                     TextRecord("1,2,,,\"Camp\",Flag,")};
    return image;
}

DatabaseImage Route(uint16_t version) {
    DatabaseImage image;
    image.type = "UsTr", image.version = version, image.appInfo = std::string(478, '\0');
    image.appInfo[275] = 1;
    image.records = {TextRecord("45.5,-122.5,100,143005 24122004,Start,House,a,b"),
                     TextRecord("46,-123,,,End,Flag:red,")};
    return image;
}

// Each case: the database, the definition, the output buffer's folder, the
// file written and its text.
TEST_F(Export, WritesTheTextOfEachKind) {
    std::filesystem::create_directory(folder.file("a.b"));  // only the name's own extension is replaced
    std::filesystem::create_directory(folder.file("out"));
    // A token's name is 29 characters at most: a longer one is plain text.
    const std::string kept = "[" + std::string(30, 'y') + "]";
    Put("fmt.cal",
        "Header = \"Points of [Title]: [numrecords] [Other] [open [" + std::string(29, 'x') + "]" + kept +
            "\"\n");
    Put("ext.cal", "Ext=csv\nFieldCount=2\n");
    Put("tab.cal", "Source=Tab\nFieldCount=3\nname=0\nlatitude=1\nlongitude=2\n");
    Put("feet.cal", "EleFormat=m\nFieldCount=3\n");  // metres, but feet by the call's 0
    DatabaseImage older = Route(1), log;
    older.appInfo[275] = 0;
    log.type = "RlLg";
    log.records = {TextRecord("first, line*"), TextRecord("second")};
    const std::string trip = "Points of trip: 3  [open " + kept +
                             "\r\n45.5000000,-122.5000000,100,143005 24122004,Home,House,note\r\n"
                             "1.0000000,2.0000000,,,Camp,Flag,\r\n";
    const std::string two = "45.5000000,-122.5000000\r\n1.0000000,2.0000000\r\n";
    const auto garmin = [](const char* name) { return TestData("text/data/garmin-" + std::string(name)); };
    const struct {
        const char* db;
        DatabaseImage image;
        const char *format, *out;  // out: the buffer's folder, or ""
        int16_t source, ele;
        const char* written;
        std::string text;
    } cases[] = {
        {"a.b/trip", Points(), "fmt.cal", "", -1, -1, "a.b/trip.rlp", trip},
        {"trip.pdb", Points(), "ext.cal", "out/", -1, -1, "out/trip.csv", two},
        {"route.pdb", Route(3), nullptr, "", 3, 1, "route.rlr", garmin("route.txt")},
        {"track.pdb", older, nullptr, "", 3, -1, "track.rlt", garmin("older-track.txt")},
        {"log.pdb", log, nullptr, "", -1, -1, "log.txt", "first, line*\r\nsecond\r\n"},
        {"feet.pdb",
         Points(),
         "feet.cal",
         "",
         -1,
         0,
         "feet.rlp",
         "45.5000000,-122.5000000,100\r\n1.0000000,2.0000000,\r\n"},
        {"tab.pdb",
         Route(3),
         "tab.cal",
         "",
         -1,
         -1,
         "tab.rlr",
         "Start\t45.5000000\t-122.5000000\r\nEnd\t46.0000000\t-123.0000000\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.db);
        std::string out = c.out[0] != '\0' ? folder.file(c.out) : "";
        out.resize(1100);
        const std::string db = Put(c.db, BuildDatabase(c.image)),
                          format = c.format ? folder.file(c.format) : "";
        ASSERT_EQ(Run(RLDBExport,
                      db.c_str(),
                      out.data(),
                      c.format ? format.c_str() : nullptr,
                      c.source,
                      c.ele,
                      -1,
                      nullptr),
                  0);
        EXPECT_EQ(output, c.format ? "" : "No Cal File\n");
        EXPECT_EQ(std::string(out.c_str()), folder.file(c.out[0] ? c.out : c.written));  // a folder stays
        EXPECT_EQ(ReadFileText(folder.file(c.written)), c.text);
    }
    // The Garmin date style stays for a later comma export.
    char second[1100] = "";
    const int16_t map[7] = {-1, -1, -1, 0, -1, -1, -1};
    ASSERT_EQ(Run(RLDBExport, folder.file("route.pdb").c_str(), second, nullptr, 1, -1, 1, map), 0);
    EXPECT_EQ(ReadFileText(folder.file("route.rlr")), "12/24/2004 14:30.05\r\n\r\n");
}

TEST_F(Export, FailuresCreateNoOutput) {
    DatabaseImage datum;
    datum.type = "NADg";
    Put("datum.pdb", BuildDatabase(datum));
    Put("bad.pdb", std::string(100, 'x'));
    Put("trip.pdb", BuildDatabase(Points()));
    const struct {
        const char *db, *out;
        int32_t result;
        const char *printed, *unwritten;
    } cases[] = {
        {"missing.pdb", "", -1, "", "missing.rlp"},
        {"bad.pdb", "", 1032, "No Cal File\nErr: 0x408", "bad.rlp"},
        {"datum.pdb", "", 65535, "No Cal File\nErr: 0xffff", "datum.txt"},
        {"trip.pdb", "/nonexistent-folder/x.txt", -1, "No Cal File\n", "trip.rlp"},
    };
    for (const auto& c : cases) {
        std::string out = c.out;
        out.resize(1100);
        EXPECT_EQ(Run(RLDBExport, folder.file(c.db).c_str(), out.data(), nullptr, -1, -1, -1, nullptr),
                  c.result)
            << c.db;
        EXPECT_EQ(output, c.printed) << c.db;
        EXPECT_EQ(std::string(out.c_str()), c.out) << c.db;
        EXPECT_FALSE(FileExists(folder.file(c.unwritten))) << c.db;
    }
}

using Import = TextFiles;

// The kind file is the device copy's own: only the driver writes it, from a source and a kind.
int32_t ToKindFile(std::string source, int16_t kind, char* out) {
    TextRequest request;
    request.source = source, request.kind = kind;
    const TextResult done = ImportText(State(), request, true);
    if (done.code == 0) std::strcpy(out, done.written.c_str());
    return done.code;
}

TEST_F(Import, OlderLayoutRouteGetsAPlaceholder) {
    std::string source = Put("r.txt", "1,2,,,A,,\n3,4,,,B,,\n5,6,,,C,,\n");
    char out[1100] = "";
    ASSERT_EQ(Run(RLDBImport, source.c_str(), out, "", 66, -1, -1, nullptr), 0);
    auto bytes = ReadFileBytes(out);
    EXPECT_EQ(U16At(bytes, 76), 4);
    EXPECT_EQ(U16At(bytes, 34), 1);
    EXPECT_EQ(ReadBack(out).Names(), (std::vector<std::string>{"A", "B", "C"}));  // the reader skips record 0
    ASSERT_EQ(Run(RLDBImport, source.c_str(), out, "", 2, -1, -1, nullptr), 0);
    EXPECT_EQ(U16At(ReadFileBytes(out), 76), 3);
}

TEST_F(Import, DatumDatabasesKeepTheirLinesUnparsed) {
    std::string source = Put("d.txt", "WGS 84,0,0\n\nNAD27, -8,160\n");
    char out[1100] = "";
    std::strcpy(out, folder.file("my.points.txt").c_str());  // gives folder and name, and stays as given
    ASSERT_EQ(Run(RLDBImport, source.c_str(), out, nullptr, 6, -1, -1, nullptr), 0);
    EXPECT_EQ(std::string(out), folder.file("my.points.txt"));
    auto bytes = ReadFileBytes(folder.file("my.points.pdb"));
    EXPECT_EQ(std::string(bytes.begin() + 60, bytes.begin() + 64), "NADg");
    EXPECT_EQ(U16At(bytes, 76), 2);
    EXPECT_EQ(std::string(bytes.begin() + 96, bytes.end()), std::string("WGS 84,0,0\0NAD27, -8,160\0", 25));
}

TEST_F(Import, KindFilesHoldOneLinePerRecordWithLfEnds) {
    std::string source = Put("t.txt", "1,2,3,143005 24122004,A,i,d\r\n4,5,,,B,,\r\n");
    char out[1100] = "";
    ASSERT_EQ(Run(ToKindFile, source, 1, out), 0);
    EXPECT_EQ(std::string(out), folder.file("t.rlt"));
    EXPECT_EQ(ReadFileText(out), "1.0000000,2.0000000,3,143005 24122004,A,i,d\n4.0000000,5.0000000,,,B,,\n");
    // A Garmin text kept in its layout: a route's points are numbered in their order.
    source = Put("g.txt",
                 "Waypoint\tA\t\tUser Waypoint\tN45 30.000 W122 30.000\t100\n"
                 "Waypoint\tB\t\tUser Waypoint\tN45 31.000 W122 30.000\t100\n");
    Put("g.cal", "Source=Garmin\n");
    ASSERT_EQ(Run(ToKindFile, source, 2, out), 0);
    EXPECT_EQ(ReadFileText(out), "Route Waypoint\tRPT0001\t\t\t\n\nRoute Waypoint\tRPT0002\t\t\t\n\n");
}

// A point database beside the source, its first point at 45.5,-122.5: line
// ends, header lines and control bytes; a column map argument over the
// definition's; a TAB layout (in a fresh state) makes TAB the delimiter; a
// Garmin text stores only waypoints.
TEST_F(Import, LinesBecomeRecords) {
    const int16_t map[7] = {1, 2, -1, -1, 0, -1, -1};
    const char* garmin =
        "Grid\tLat/Lon\n\nHeader\tName\n\nWaypoint\tHome\tnote\tUser Waypoint\tN45 30.000 W122 "
        "30.000\t100\n\n"
        "Trackpoint\tN45 30 W122 30\n";
    struct {
        const char* text;
        const char* definition;
        int16_t src;
        const int16_t* map;
        const char* names;
    } const rows[] = {
        {"45.5\t-122.5\t\t\tCamp;North\n", nullptr, kLayoutTab, nullptr, "Camp;North"},
        {"\nheader\r45.5,-122.5,,,A\a\r\n3,4,,,B\b\n\r5,6,,,C", "HeaderLines=2\n", -1, nullptr, "A|B|C"},
        {"Camp;45.5;-122.5\n", "Delimited=;\nFieldCount=3\n", -1, map, "Camp"},
        {"45.5,-122.5,,,Home,House,\r\n1,2,,,Camp,Flag,\r\n", "FieldCount=7\r\n", -1, nullptr, "Home|Camp"},
        {garmin, "Source=Garmin\n", -1, nullptr, "Home"},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.names);
        const std::string stem = "l" + std::to_string(++n);
        if (row.definition != nullptr) Put(stem + ".cal", row.definition);
        char out[1100] = "";
        ASSERT_EQ(
            Run(RLDBImport, Put(stem + ".txt", row.text).c_str(), out, nullptr, -1, row.src, -1, row.map), 0);
        EXPECT_EQ(std::string(out), folder.file(stem + ".pdb"));
        EXPECT_EQ(output, row.definition ? "" : "No Cal File\n");
        if (row.src == kLayoutTab) {
            EXPECT_EQ(State().Delimited, '\t');
        }
        const ReadBack read(out);
        std::string names;
        for (const std::string& name : read.Names()) names += (names.empty() ? "" : "|") + name;
        EXPECT_EQ(names, row.names);
        EXPECT_EQ(std::string(read[0].latitude) + "," + read[0].longitude, "45.5000000,-122.5000000");
        EXPECT_EQ(read.kind, 0);
    }
}

TEST_F(Import, FailuresReturnMinusOneAndCreateNothing) {
    std::string many;  // with the placeholder one too many
    for (int i = 0; i < 65535; ++i) many += "1,2\n";
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
        {true, many, 66, false, "No Cal File\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.size());
        const std::string source = c.createSource ? Put("f.txt", c.content) : folder.file("f.txt");
        char out[1100] = "";
        const int32_t result = c.toKindFile
                                   ? Run(ToKindFile, source, c.kind, out)
                                   : Run(RLDBImport, source.c_str(), out, nullptr, c.kind, -1, -1, nullptr);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(output, c.printed);
        EXPECT_STREQ(out, "");
        EXPECT_FALSE(FileExists(folder.file("f.pdb")) || FileExists(folder.file("f.rlp")));
    }
}

// A record as the host sees it: its bytes, the description field's own
// (a handle) left out, then the description or "<null>".
std::string Image(const PointRecord& record) {
    const char* bytes = reinterpret_cast<const char*>(&record);
    const size_t desc = offsetof(PointRecord, desc), after = desc + sizeof record.desc;
    return std::string(bytes, desc) + std::string(bytes + after, sizeof record - after) + "|" +
           (DescText(record) ? DescText(record) : "<null>");
}

using ReadText = TextFiles;

TEST_F(ReadText, HandsOutEachLinesRecordInItsSlot) {
    // names: the array's slots, "name=description" where there is one.
    const struct {
        const char *text, *definition;  // text null: no file
        int16_t source;
        int32_t count;
        const char* names;
    } rows[] = {
        {"header\n1,2,,,A,,\n4,5,,,B,,\n7,8,,,C,,x\n", "HeaderLines=1\n", -1, 3, "A|B|C=x"},
        // A Garmin file counts every line but fills only waypoints, with an empty description.
        {"Header\nWaypoint\tA\t\t\tN1 E3\nTrackpoint\tN1 W2\nWaypoint\tB\t\t\tN1 E3\n",
         nullptr,
         3,
         4,
         "A=|B=||"},
        // An older-layout track leaves slot 0 empty.
        {"1,2,,,A,,\n3,4,,,B,,\n", "DBType=Track2\n", -1, 3, "|A|B"},
        {"1,2,,,A,,first\n3,4,,,B,,\n\n5,6,,,C,,third\r\n7,8,,,D,,", nullptr, -1, 4, "A=first|B|C=third|D"},
        {"\n\n\r\n", nullptr, -1, 0, ""},  // no array
        {"", nullptr, -1, -1, ""},         // an empty file is refused by both
        {nullptr, nullptr, -1, -1, ""},
    };
    const std::string empty = Image(PointRecord{});
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text ? row.text : "no file");
        const std::string stem = "v" + std::to_string(++n);
        if (row.definition != nullptr) folder.put(stem + ".cal", row.definition);
        const std::string source = folder.file(stem + ".txt");
        if (row.text) WriteFileBytes(source, row.text);
        CapturedDiagnostics said;
        void* records = &n;  // untouched on failure
        const int32_t count = RLDBReadCSV(source.c_str(), nullptr, -1, row.source, -1, nullptr, &records);
        EXPECT_EQ(count, row.count);
        std::string names;
        for (int32_t i = 0; i < count; ++i) {
            const PointRecord& slot = static_cast<PointRecord*>(records)[i];
            // A slot no line fills (a Garmin line that is no waypoint, an older
            // track's first record) reaches the host all zero.
            if (slot.name[0] == '\0') {
                EXPECT_EQ(Image(slot), empty) << "slot " << i;
            }
            names += std::string(i == 0 ? "" : "|") + slot.name +
                     (DescText(slot) ? "=" + std::string(DescText(slot)) : "");
        }
        EXPECT_EQ(names, row.names);
        if (row.definition != nullptr) {
            EXPECT_EQ(said.TakeOutput(), "");
        }
        if (count <= 0) {
            EXPECT_EQ(records, count == 0 ? nullptr : &n);
        }
        if (records != &n) RLDBRelease(records, count > 0 ? count : 0);
    }
}

// Every writer, made to fail (a full disk, its own input as output, a record
// or an argument it must refuse): the previous file stays byte for byte, no
// temporary file remains, the result is the failure value and the cause is
// named.

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
        struct {
            const char* target;  // in the folder; "in.pdb" is the database read
            bool diskFull;
            const char *printed, *cause;  // in the cause "%t" stands for the target, "%i" for in.pdb
        } c;
        int32_t (*write)(Files&, char*);  // the buffer holds the target path
    } cases[] = {
        {{"keep.pdb", true, "Err: 0x40b", "cannot write '%t': File too large"},
         [](Files& f, char* out) { return RLDBWritePDB(out, f.records.data(), kPoints, 0); }},
        {{"in.pdb", false, "No Cal File\n", "the output '%t' is the input '%i' itself; nothing was written"},
         [](Files& f, char* out) { return RLDBExport(f.pdb.c_str(), out, nullptr, 1, -1, -1, nullptr); }},
        {{"keep.pdb", false, "No Cal File\nErr: 0x405", "record 2: description longer than 65508 characters"},
         [](Files& f, char* out) {
             // One byte beyond the largest record text.
             WriteFileBytes(f.csv, "1,2,,,A,,\n1,2,,,B,," + std::string(65509, 'd') + "\n1,2,,,C,,\n");
             return RLDBImport(f.csv.c_str(), out, nullptr, 0, 1, -1, nullptr);
         }},
        {{"new.pdb", false, "", "no database can be written for the kind 3"},
         [](Files& f, char* out) { return RLDBWritePDB(out, f.records.data(), 1, 3); }},
        // Refused before the array is read: 300 elements stand for 65,536.
        {{"keep.pdb", false, "", "a database holds at most 65,535 records (65536 given)"},
         [](Files& f, char* out) { return RLDBWritePDB(out, f.records.data(), 65536, 0); }},
    };
    for (const auto& [c, write] : cases) {
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
            result = write(files, out.data());
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
    // A record text of the largest length is written.
    Files files;
    WriteFileBytes(files.csv, "1,2,,,A,,\n1,2,,,B,," + std::string(65508, 'd') + "\n");
    std::vector<char> out(VEZUVED_PATH_BUFFER, '\0');
    files.folder.file("whole.pdb").copy(out.data(), VEZUVED_PATH_BUFFER - 1);
    CapturedDiagnostics said;
    EXPECT_EQ(RLDBImport(files.csv.c_str(), out.data(), nullptr, 0, 1, -1, nullptr), 0);
    EXPECT_EQ(said.TakeCauses(), "");
    // A failure leaves a blank buffer as it was given.
    std::vector<char> blank(VEZUVED_PATH_BUFFER, '\0');
    blank[0] = ' ';
    EXPECT_EQ(RLDBImport(files.folder.file("none.csv").c_str(), blank.data(), nullptr, 0, 1, -1, nullptr),
              -1);
    EXPECT_STREQ(blank.data(), " ");
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
    for (size_t length : {1023, 1024}) {
        SCOPED_TRACE(length);
        const std::string base = folder + "/" + std::string(length - folder.size() - 5, 'n');
        WriteFileBytes(base + ".csv", "1,2,,,A,,\n");
        WriteFileBytes(base + ".pdb", BuildDatabase(DatabaseImage{}));
        std::unique_ptr<char[]> buffer(new char[VEZUVED_PATH_BUFFER]());
        CapturedDiagnostics said;
        const int32_t imported =
            RLDBImport((base + ".csv").c_str(), buffer.get(), nullptr, 0, 1, -1, nullptr);
        EXPECT_EQ(std::string(buffer.get()), length == 1023 ? base + ".pdb" : "");
        buffer[0] = '\0';
        const int32_t exported =
            RLDBExport((base + ".pdb").c_str(), buffer.get(), nullptr, 1, -1, -1, nullptr);
        EXPECT_EQ(imported, length == 1023 ? 0 : -1);
        EXPECT_EQ(exported, length == 1023 ? 0 : -1);
        EXPECT_EQ(std::string(buffer.get()), length == 1023 ? base + ".rlp" : "");
    }
}
#endif

int32_t LittleEndianAt(const RecordBytes& b, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | b.bytes[b.trailerOffset + offset + i];
    return static_cast<int32_t>(v);
}

TEST_F(FreshState, TrailerValuesTruncateTowardZero) {
    RecordBytes bytes;
    struct Case {
        const char *latitude, *elevation;
        int32_t expectedLatitude, expectedElevation;
    };
    for (const Case& c : {Case{"-33.5000000", "1234.9", -33500000, 1234},
                          Case{"0.0000009", "-5.5", 0, -5},
                          Case{"1e300", "", INT32_MAX, 0}}) {
        OwnedRecord r;
        FillPoint(r.record, c.latitude, "0", c.elevation, "", "", "", nullptr);
        ASSERT_EQ(BuildRecordBytes(r.record, 0, State().DBKind, State().Previous, bytes), 0);
        EXPECT_EQ(LittleEndianAt(bytes, 2), c.expectedLatitude) << c.latitude;
        EXPECT_EQ(LittleEndianAt(bytes, 10), c.expectedElevation) << c.elevation;
    }
}

}  // namespace
