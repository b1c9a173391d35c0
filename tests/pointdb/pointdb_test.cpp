#include <tuple>

#include "base/memory.h"
#include "pointdb/point_database_writer.h"
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
    std::string Store(const DatabaseImage& image) { return folder.put("db.pdb", BuildDatabase(image)); }
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
    // The third record's blank elevation grows the read buffer after the
    // second has its description.
    image.records = {TextRecord("1,1,,,first,,"),
                     TextRecord("2,2,,,second,,needs a buffer"),
                     TextRecord("3,3," + std::string(70000, ' ') + ",,third,,")};
    std::string path = Store(image);
    const long live = LiveAllocations();
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
        EXPECT_EQ(LiveAllocations(), live) << n;
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
        {"UsTr", 2, RouteBlock(0), 1, 5},  // the first version of the newer layout
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
        if (count > 0) {
            EXPECT_STREQ(At(0).name, count == 5 ? "p0" : "p1");
        }
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

    // A missing place for the records or for the kind is refused, nothing written through the other.
    const std::string good = Store(DatabaseImage{});
    void* array = &count;
    EXPECT_EQ(RLDBReadPDB(good.c_str(), &array, nullptr), -1);
    EXPECT_EQ(array, nullptr);
    int32_t k0 = 9;
    EXPECT_EQ(RLDBReadPDB(good.c_str(), nullptr, &k0), -1);
    EXPECT_EQ(k0, 9);

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
        ResetConversionState(State());
        DatabaseImage image;
        image.type = c.type, image.version = 2, image.appInfo = RouteBlock(1);
        image.records = {TextRecord("1,2,,,,,"), TextRecord("1,2,,,,,")};
        std::string path = Store(image);
        int32_t outKind = -5, source = -5, version = -5, records = -5;
        EXPECT_EQ(RLGetPDBFileInfo(path.c_str(), &outKind, &source, &version, &records), c.result) << c.type;
        const int32_t read = c.result == 0 ? 2 : -5;  // version and records
        EXPECT_EQ(std::tie(outKind, source, version, records), std::tie(c.kind, c.source, read, read))
            << c.type;
        if (c.result != 0) {
            EXPECT_EQ(State().Layout, 4);
        }
    }
}

class WriteDatabase : public FreshState {
protected:
    TempFolder folder;
    std::vector<uint8_t> Write(const std::string& name, OwnedArray& points, int32_t kind) {
        std::string path = folder.file(name);
        EXPECT_EQ(
            RLDBWritePDB(path.c_str(), points.data(), static_cast<int32_t>(points.records.size()), kind), 0);
        return ReadFileBytes(path);
    }
};

TEST_F(WriteDatabase, PointDatabaseByteForByte) {
    OwnedArray points(2);
    FillPoint(points[0], "45.5000000", "-122.6000000", "100", "143005 24122004", "Camp", "Flag", nullptr);
    FillPoint(points[1], "1.0000000", "2.0000000", "", "", "a,b", "i", "n*o");
    auto bytes = Write("My Points.pdb", points, 0);

    ASSERT_EQ(bytes.size(), 0xaeu + 32 + 22);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 32),
              std::string("My Points") + std::string(23, '\0'));
    EXPECT_EQ(Hex(bytes.data() + 32, 4), "00 08 00 03");  // attributes, version
    EXPECT_NE(U32At(bytes, 36), 0u);                      // created now, and modified
    EXPECT_EQ(U32At(bytes, 36), U32At(bytes, 40));
    // Backup, modification number, no app or sort info; type, creator; seed, next list, 2 records; the
    // entries, the gap.
    EXPECT_EQ(
        Hex(bytes.data() + 44, 52),
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 50 6f 4c 69 5a 69 5a 75 00 00 00 00 00 00 00 00 "
        "00 02 00 00 00 60 00 11 00 00 00 00 00 ae 00 11 00 05 00 00");

    const std::string text = "45.5000000,-122.6000000,100,143005 24122004,Camp,Flag,";
    EXPECT_EQ(std::string(bytes.begin() + 96, bytes.begin() + 96 + 54), text);
    EXPECT_EQ(Hex(bytes.data() + 96 + 54, 24),
              "00 00 00 00 02 b6 46 60 f8 b1 45 c0 00 00 00 64 00 00 00 00 00 00 00 00");

    // Separators blanked in the file and in the host's array; an odd text
    // length needs no pad byte.
    const std::string second = "1.0000000,2.0000000,,,a b,i,n o";
    EXPECT_EQ(std::string(bytes.begin() + 0xae, bytes.begin() + 0xae + 31), second);
    EXPECT_EQ(bytes[0xae + 31], 0);
    EXPECT_STREQ(points[1].name, "a b");
    EXPECT_STREQ(DescText(points[1]), "n o");
}

// Tracks get leg times, but a missing time stops them until the next reset;
// routes get leg distances only, points no legs at all.
TEST_F(WriteDatabase, LegsInBigEndianTrailers) {
    OwnedArray points(4);
    FillPoint(points[0], "45.0000000", "0.0000000", "", "120000 01012004", "", "", nullptr);
    FillPoint(points[1], "45.0100000", "0.0000000", "", "120100 01012004", "", "", nullptr);
    FillPoint(points[2], "45.0200000", "0.0000000", "", "", "", "", nullptr);
    FillPoint(points[3], "45.0300000", "0.0000000", "", "120300 01012004", "", "", nullptr);
    for (int32_t kind : {1, 2, 0}) {
        auto bytes = Write("legs.pdb", points, kind);
        const bool legs = kind != 0;
        EXPECT_EQ(U16At(bytes, 34), 3);
        if (kind == 1) {
            EXPECT_EQ(std::string(bytes.begin() + 60, bytes.begin() + 64), "UsTr");
            EXPECT_EQ(U32At(bytes, 52), 80u + 8 * 4);
            EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 112, bytes.begin() + 112 + 478),
                      std::vector<uint8_t>(478, 0));
        }
        std::vector<int32_t> legTimes, legDistances;  // leg time and distance at trailer offsets 14 and 18
        for (int i = 0; i < 4; ++i) {
            uint32_t end = i < 3 ? U32At(bytes, 78 + 8 * (i + 1)) : static_cast<uint32_t>(bytes.size());
            legTimes.push_back(static_cast<int32_t>(U32At(bytes, end - 22 + 14)));
            legDistances.push_back(static_cast<int32_t>(U32At(bytes, end - 22 + 18)));
            EXPECT_EQ(U32At(bytes, 78 + 8 * i + 4) & 0xffffff, 0x110000u + 5 * i);
        }
        EXPECT_EQ(legTimes, (std::vector<int32_t>{0, kind == 1 ? 60 : 0, 0, 0})) << kind;
        EXPECT_EQ(legDistances[0], 0);
        for (int i = 1; i < 4; ++i) EXPECT_NEAR(legDistances[i], legs ? 6000 : 0, 1) << kind << ' ' << i;
    }
}

TEST_F(WriteDatabase, OlderLayoutRouteHasVersionOneAndRouteFlag) {
    OwnedArray points(2);
    FillPoint(points[0], "1", "2", "", "", "first", "", nullptr);
    FillPoint(points[1], "3", "4", "", "", "second", "", nullptr);
    auto bytes = Write("r.pdb", points, 66);
    EXPECT_EQ(U16At(bytes, 34), 1);
    EXPECT_EQ(bytes[96 + 275], 1);
    EXPECT_EQ(State().RecordVersion, 2);

    // Readers skip record 0 of the older layout, so the first point is the placeholder's.
    const ReadBack read(folder.file("r.pdb"));
    EXPECT_EQ(read.kind, 2);
    EXPECT_EQ(read.Names(), std::vector<std::string>{"second"});
}

TEST_F(WriteDatabase, EmptyTrackIsHeaderAndBlockOnly) {
    OwnedArray none(0);
    std::string path = folder.file("empty.pdb");
    ASSERT_EQ(RLDBWritePDB(path.c_str(), none.data() ? none.data() : &none, 0, 1), 0);
    EXPECT_EQ(ReadFileBytes(path).size(), 80u + 478);
    const ReadBack read(path);
    EXPECT_EQ(std::make_pair(read.count, read.kind), std::make_pair(0, 1));
}

TEST(DatabaseName, DerivedFromThePath) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\data\\My Points.pdb", "My Points"},
        {"a:b", "b"},
        {"x/y\\z.q.pdb", "z.q"},
        {"d/1234567890123456789012345678901234567890.pdb", "1234567890123456789012345678901"},
        {"d/123456789012345678901234567890.x.pdb", "123456789012345678901234567890"},
    };
    for (const auto& [path, expected] : cases) {
        char name[kMaxDatabaseName + 1];
        DatabaseNameFromPath(path, name);
        EXPECT_STREQ(name, expected) << path;
    }
    // UTF-8 is cut at 31 bytes on a character's edge: a letter that ends
    // there stays, one the cut falls inside goes whole.
    const std::string a29(29, 'a');
    const std::pair<std::string, std::string> utf8[] = {
        {a29 + "\xC3\xA9z.pdb", a29 + "\xC3\xA9"},
        {"a" + a29 + "\xC3\xA9.pdb", "a" + a29},
        {a29 + "\xE2\x82\xAC.pdb", a29},
        {a29.substr(1) + "\xF0\x9F\x98\x80.pdb", a29.substr(1)},
        {"a" + a29 + "\xC0\x80.pdb", "a" + a29},  // a lead byte no writer uses is still a lead
    };
    for (const auto& [path, expected] : utf8) {
        char name[kMaxDatabaseName + 1];
        DatabaseNameFromPath(path.c_str(), name, PathEncoding::Utf8);
        EXPECT_EQ(name, expected) << path;
    }
}

// The header counts records in 16 bits: 65,535 are written (one more is
// refused before anything is made: FailedWrite).
TEST_F(WriteDatabase, RecordLimit) {
    OwnedArray points(65535);
    std::string path = folder.file("many.pdb");
    ASSERT_EQ(RLDBWritePDB(path.c_str(), points.data(), 65535, 0), 0);
    EXPECT_EQ(U16At(ReadFileBytes(path), 76), 65535);
}

// Other kinds take their types and no app info; refused kinds and paths give -1.
TEST_F(WriteDatabase, OtherKindsTakeTheirTypes) {
    OwnedArray points(1);
    FillPoint(points[0], "1", "2", "", "", "n", "", nullptr);
    for (const auto& [kind, type] : {std::pair{4, "RlVM"}, std::pair{5, "RlVD"}, std::pair{6, "NADg"}}) {
        auto bytes = Write("k.pdb", points, kind);
        EXPECT_EQ(std::string(bytes.begin() + 60, bytes.begin() + 64), type);
        EXPECT_EQ(U16At(bytes, 34), 0);
        EXPECT_EQ(U32At(bytes, 52), 0u);  // no app info block: that is a track's or route's
    }
    std::string path = folder.file("log.pdb");
    CapturedDiagnostics said;
    EXPECT_EQ(RLDBWritePDB(path.c_str(), points.data(), 1, 9), -1);  // kind 3 with its cause: FailedWrite
    EXPECT_EQ(RLDBWritePDB(path.c_str(), nullptr, 1, 0), -1);
    EXPECT_EQ(RLDBWritePDB(folder.file("no/such/folder.pdb").c_str(), points.data(), 1, 0), -1);
    EXPECT_EQ(said.TakeOutput(), "");
}

}  // namespace
