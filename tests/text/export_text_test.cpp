#include <filesystem>

#include "support/database_bytes.h"
#include "support/diag_capture.h"
#include "support/test_support.h"

namespace {

class Export : public FreshState {
protected:
    TempFolder folder;
    std::string output;

    std::string Put(const std::string& name, const std::string& text) { return folder.put(name, text); }
    std::string Database(const std::string& name, const DatabaseImage& image) {
        return Put(name, BuildDatabase(image));
    }
    int32_t Run(const std::string& db,
                char* out,
                const char* format,
                int16_t source = -1,
                int16_t ele = -1,
                int16_t fieldCount = -1,
                const int16_t* map = nullptr) {
        CapturedDiagnostics said;
        const int32_t result = RLDBExport(db.c_str(), out, format, source, ele, fieldCount, map);
        output = said.TakeOutput();
        return result;
    }
};

DatabaseImage Points() {
    DatabaseImage image;
    image.records = {TextRecord("45.5,-122.5,100,143005 24122004,Home,House,note"),
                     RecordImage{"", true},
                     TextRecord("1,2,,,\"Camp\",Flag,")};
    return image;
}

DatabaseImage Route(uint16_t version) {
    DatabaseImage image;
    image.type = "UsTr";
    image.version = version;
    image.appInfo = std::string(478, '\0');
    image.appInfo[275] = 1;
    image.records = {TextRecord("45.5,-122.5,100,143005 24122004,Start,House,a,b"),
                     TextRecord("46,-123,,,End,Flag:red,")};
    return image;
}

TEST_F(Export, CommaTextBesideTheDatabaseWithHeaderTemplate) {
    std::string db = Database("trip.pdb", Points());
    std::string cal = Put("fmt.cal", "Header = \"Points of [Title]: [numrecords] [Other] [open\"\n");
    char out[1100] = "";
    ASSERT_EQ(Run(db, out, cal.c_str()), 0);
    EXPECT_EQ(std::string(out), folder.file("trip.rlp"));
    EXPECT_EQ(ReadFileText(out),
              "Points of trip: 3  [open\r\n"
              "45.5000000,-122.5000000,100,143005 24122004,Home,House,note\r\n"
              "1.0000000,2.0000000,,,Camp,Flag,\r\n");
}

TEST_F(Export, OutputFolderAndExactPath) {
    std::string db = Database("trip.pdb", Points());
    Put("ext.cal", "Ext=csv\nFieldCount=2\n");
    std::string folderPath = folder.path() + "/out/";
    std::filesystem::create_directory(folderPath);
    std::string out = folderPath;
    out.resize(1100);
    ASSERT_EQ(Run(db, out.data(), folder.file("ext.cal").c_str()), 0);
    EXPECT_EQ(ReadFileText(folderPath + "trip.csv"), "45.5000000,-122.5000000\r\n1.0000000,2.0000000\r\n");

    out = folder.file("exact.name");
    out.resize(1100);
    ASSERT_EQ(Run(db, out.data(), folder.file("ext.cal").c_str()), 0);
    EXPECT_TRUE(FileExists(folder.file("exact.name")));
}

TEST_F(Export, GarminTextOfARoute) {
    std::string db = Database("route.pdb", Route(3));
    char out[1100] = "";
    ASSERT_EQ(Run(db, out, nullptr, 3, 1), 0);
    EXPECT_EQ(output, "No Cal File\n");
    EXPECT_EQ(std::string(out), folder.file("route.rlr"));
    EXPECT_EQ(ReadFileText(out), TestData("text/data/garmin-route.txt"));
    // The Garmin date style stays for a later comma export.
    char second[1100] = "";
    const int16_t map[7] = {-1, -1, -1, 0, -1, -1, -1};
    ASSERT_EQ(Run(db, second, nullptr, 1, -1, 1, map), 0);
    EXPECT_EQ(ReadFileText(folder.file("route.rlr")), "12/24/2004 14:30.05\r\n\r\n");
}

TEST_F(Export, GarminTextOfAnOlderLayoutTrackSkipsThePlaceholder) {
    DatabaseImage image = Route(1);
    image.appInfo[275] = 0;
    std::string db = Database("track.pdb", image);
    char out[1100] = "";
    ASSERT_EQ(Run(db, out, nullptr, 3), 0);
    EXPECT_EQ(ReadFileText(out), TestData("text/data/garmin-older-track.txt"));
}

TEST_F(Export, LogAndUnknownDatabases) {
    DatabaseImage log;
    log.type = "RlLg";
    log.records = {TextRecord("first, line*"), TextRecord("second")};
    std::string db = Database("log.pdb", log);
    char out[1100] = "";
    ASSERT_EQ(Run(db, out, nullptr), 0);
    EXPECT_EQ(std::string(out), folder.file("log.txt"));
    EXPECT_EQ(ReadFileText(out), "first, line*\r\nsecond\r\n");

    DatabaseImage other;
    other.type = "NADg";
    db = Database("datum.pdb", other);
    char none[1100] = "";
    EXPECT_EQ(Run(db, none, nullptr), 65535);
    EXPECT_EQ(output, "No Cal File\nErr: 0xffff");
    EXPECT_STREQ(none, "");
    EXPECT_FALSE(FileExists(folder.file("datum.txt")));
}

TEST_F(Export, FailuresCreateNoOutput) {
    char out[1100] = "";
    EXPECT_EQ(Run(folder.file("missing.pdb"), out, nullptr), -1);
    EXPECT_EQ(output, "");
    std::string bad = Put("bad.pdb", std::string(100, 'x'));
    EXPECT_EQ(Run(bad, out, nullptr), 1032);
    EXPECT_EQ(output, "No Cal File\nErr: 0x408");
    EXPECT_FALSE(FileExists(folder.file("bad.rlp")));
    std::string db = Database("trip.pdb", Points());
    char unwritable[] = "/nonexistent-folder/x.txt";
    EXPECT_EQ(Run(db, unwritable, nullptr), -1);
}

TEST_F(Export, ExtensionIsChosenOnTheLastComponentOnly) {
    std::string dotted = folder.path() + "/a.b";
    std::filesystem::create_directory(dotted);
    std::string db = dotted + "/trip";
    WriteFileBytes(db, BuildDatabase(Points()));
    char out[1100] = "";
    ASSERT_EQ(Run(db, out, nullptr), 0);
    EXPECT_EQ(std::string(out), dotted + "/trip.rlp");
}

}  // namespace
