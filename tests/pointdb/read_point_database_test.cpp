#include "base/memory.h"
#include "support/database_bytes.h"
#include "support/diag_capture.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

class ReadDatabase : public FreshState {
protected:
    TempFolder folder;
    void* records = nullptr;
    int32_t kind = -99;
    int32_t count = -99;
    std::string output;

    void TearDown() override {
        RLDBRelease(records, count > 0 ? count : 0);
        FreshState::TearDown();
    }
    std::string Store(const DatabaseImage& image) {
        std::string path = folder.file("db.pdb");
        WriteFileBytes(path, BuildDatabase(image));
        return path;
    }
    void Read(const std::string& path) {
        CapturedDiagnostics said;
        count = RLDBReadPDB(path.c_str(), &records, &kind);
        output = said.TakeOutput();
    }
    PointRecord& At(int i) { return static_cast<PointRecord*>(records)[i]; }
};

std::string RouteBlock(uint8_t flag, size_t size = 478) {
    std::string block(size, '\0');
    if (size > 275) block[275] = static_cast<char>(flag);
    return block;
}

TEST_F(ReadDatabase, PointsAreDecodedAndDeletedRecordsSkipped) {
    DatabaseImage image;
    image.records = {TextRecord("45.5,-122.25,100,143005 24122004,Home,House,\"Gate, back\""),
                     RecordImage{"", true},
                     TextRecord("1*2*3**Camp*Flag*"),
                     RecordImage{"1,2,,,unterminated", false}};
    Read(Store(image));
    ASSERT_EQ(count, 3);
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(output, "");
    EXPECT_STREQ(At(0).latitude, "45.5000000");
    EXPECT_STREQ(RLGetPointDesc(&At(0)), "Gate, back");
    EXPECT_STREQ(At(1).name, "Camp");
    EXPECT_EQ(RLGetPointDesc(&At(1)), nullptr);
    EXPECT_STREQ(At(2).name, "unterminated");  // a record without its NUL reads to its end
    EXPECT_STREQ(At(3).name, "");              // the deleted record's slot stays zero
    for (unsigned char b : At(0).reserved1) EXPECT_EQ(b, 0);
    for (unsigned char b : At(0).reserved2) EXPECT_EQ(b, 0);
}

TEST_F(ReadDatabase, RunningOutOfMemoryAnywhereFailsCleanlyOrReusesTheSlot) {
    DatabaseImage image;
    image.records = {
        TextRecord("1,1,,,first,,"), TextRecord("2,2,,,second,,needs a buffer"), TextRecord("3,3,,,third,,")};
    std::string path = Store(image);
    bool sawRefusedRecord = false;
    for (long n = 1;; ++n) {
        FailAllocationAfter(n);
        Read(path);
        FailAllocationAfter(0);
        if (count == 3) break;  // no allocation failed any more
        if (count == 2) {
            // Only the description failed: the refused record's slot went
            // to the next record.
            sawRefusedRecord = true;
            EXPECT_STREQ(At(0).name, "first");
            EXPECT_STREQ(At(1).name, "third");
            EXPECT_STREQ(At(2).name, "");
        } else {
            EXPECT_EQ(count, -1) << n;
        }
        RLDBRelease(records, count > 0 ? count : 0);
        records = nullptr;
        ASSERT_LT(n, 100);
    }
    EXPECT_TRUE(sawRefusedRecord);
}

// The type, version and route flag decide the kind; an older layout's
// record 0 is its placeholder, skipped.
TEST_F(ReadDatabase, HeaderDecidesKindAndPlaceholder) {
    const struct {
        std::string type;
        uint16_t version;
        std::string appInfo;
        int32_t kind, count;
    } cases[] = {
        {"UsTr", 3, RouteBlock(1), 2, 5},
        {"UsTr", 3, RouteBlock(0), 1, 5},
        {"UsTr", 3, RouteBlock(1, 100), 1, 5},  // a short block is a track's
        {"UsTr", 1, RouteBlock(1), 2, 4},
        {"UsTr", 0, "", 1, 4},
        {"NADg", 0, "", 1, 4},  // other types read as tracks
        {"PoLi", 9, "", 0, 5},  // points ignore the version
    };
    for (const auto& c : cases) {
        DatabaseImage image;
        image.type = c.type, image.version = c.version, image.appInfo = c.appInfo;
        for (int i = 0; i < 5; ++i) image.records.push_back(TextRecord("1,2,,,p" + std::to_string(i) + ",,"));
        Read(Store(image));
        EXPECT_EQ(count, c.count) << c.type << c.version;
        EXPECT_EQ(kind, c.kind) << c.type << c.version;
        if (count > 0) EXPECT_STREQ(At(0).name, count == 5 ? "p0" : "p1");
        RLDBRelease(records, count > 0 ? count : 0);
        records = nullptr;
    }
}

// An empty database gives an empty array; a version above 3 is refused,
// its array handed out all the same for release with count 0.
TEST_F(ReadDatabase, EmptyDatabaseAndVersionAboveThree) {
    Read(Store(DatabaseImage{}));
    EXPECT_EQ(count, 0);
    EXPECT_NE(records, nullptr);
    RLDBRelease(records, 0);
    records = nullptr;
    DatabaseImage image;
    image.type = "UsTr", image.version = 4, image.records = {TextRecord("1,2,,,,,")};
    Read(Store(image));
    EXPECT_EQ(count, -1);
    EXPECT_EQ(output, "Invalid version #: 4");
    EXPECT_EQ(kind, 1);
    EXPECT_NE(records, nullptr);
}

TEST_F(ReadDatabase, DamagedAndMissingFiles) {
    std::string path = folder.file("bad.pdb");
    WriteFileBytes(path, std::string(79, 'x'));
    Read(path);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(output, "Err: 0x408");
    EXPECT_EQ(records, nullptr);

    Read(folder.file("missing.pdb"));
    EXPECT_EQ(count, -1);
    EXPECT_EQ(output, "");

    int32_t k = 0, s = 0, v = 0, n = 0;
    CapturedDiagnostics said;
    EXPECT_EQ(RLGetPDBFileInfo(path.c_str(), &k, &s, &v, &n), 1032);
    EXPECT_EQ(RLGetPDBFileInfo(folder.file("none").c_str(), &k, &s, &v, &n), -1);
    EXPECT_EQ(said.TakeOutput(), "Err: 0x408");
}

struct InfoCase {
    std::string type;
    int32_t result, kind, source;
};

TEST_F(ReadDatabase, FileInfoClassifiesByType) {
    for (const InfoCase& c : {InfoCase{"PoLi", 0, 0, 1},
                              InfoCase{"UsTr", 0, 2, 1},
                              InfoCase{"Srvy", 0, 7, 7},
                              InfoCase{"RlLg", 0, 3, 4},
                              InfoCase{"NADg", 65535, -5, -5}}) {
        ResetConversionState();
        DatabaseImage image;
        image.type = c.type;
        image.version = 2;
        image.appInfo = RouteBlock(1);
        image.records = {TextRecord("1,2,,,,,"), TextRecord("1,2,,,,,")};
        std::string path = Store(image);
        int32_t outKind = -5, source = -5, version = -5, records = -5;
        EXPECT_EQ(RLGetPDBFileInfo(path.c_str(), &outKind, &source, &version, &records), c.result) << c.type;
        EXPECT_EQ(outKind, c.kind) << c.type;
        EXPECT_EQ(source, c.source) << c.type;
        EXPECT_EQ(version, c.result == 0 ? 2 : -5) << c.type;
        EXPECT_EQ(records, c.result == 0 ? 2 : -5) << c.type;
        if (c.result != 0) {
            EXPECT_EQ(State().Layout, 4);
        }
    }
}

}  // namespace
