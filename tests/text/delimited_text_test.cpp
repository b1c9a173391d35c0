
#include "support/diag_capture.h"
#include "support/test_support.h"

namespace {

class DelimitedText : public FreshState {
protected:
    TempFolder folder;
    void* records = nullptr;
    int32_t count = 0;
    std::string output;

    void TearDown() override {
        RLDBRelease(records, count > 0 ? count : 0);
        FreshState::TearDown();
    }
    std::string Put(const std::string& name, const std::string& text) { return folder.put(name, text); }
    void Read(const std::string& path, int16_t kind = -1, int16_t source = -1, const char* format = nullptr) {
        CapturedDiagnostics said;
        count = RLDBReadCSV(path.c_str(), format, kind, source, -1, nullptr, &records);
        output = said.TakeOutput();
    }
    PointRecord& At(int i) { return static_cast<PointRecord*>(records)[i]; }
};

TEST_F(DelimitedText, KindIsStoredUnchangedAndRecordLineLayout) {
    std::string path = Put("k.txt", "1*2*3*4*A*i*d,e\n");
    Read(path, 65, 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(State().DBKind, 65);
    EXPECT_EQ(State().RecordVersion, 3);
    EXPECT_STREQ(At(0).time, "000000 01012000");  // "4" is too short to hold an hour
    EXPECT_STREQ(RLGetPointDesc(&At(0)), "d");
}

TEST_F(DelimitedText, EmptyAndMissingFiles) {
    records = reinterpret_cast<void*>(1);  // untouched on failure
    count = RLDBReadCSV(folder.file("none.txt").c_str(), nullptr, -1, -1, -1, nullptr, &records);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(records, reinterpret_cast<void*>(1));
    std::string empty = Put("e.txt", "");
    count = RLDBReadCSV(empty.c_str(), nullptr, -1, -1, -1, nullptr, &records);
    EXPECT_EQ(count, -1);
    records = nullptr;
    Read(Put("blank.txt", "\n\n\r\n"));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(records, nullptr);
}

TEST_F(DelimitedText, WriteGivesCrLfLinesWithoutHeader) {
    Put("w.cal", "Header=never written\nDelimited=;\n");
    OwnedArray points(2);
    FillPoint(points[0], "1.0000000", "2.0000000", "", "", "A;B", "", nullptr);
    FillPoint(points[1], "3.0000000", "4.0000000", "5", "143005 24122004", "C", "i", "d");
    std::string path = folder.file("w.txt");
    CapturedDiagnostics said;
    ASSERT_EQ(RLDBWriteCSV(path.c_str(), nullptr, -1, -1, -1, nullptr, points.data(), 2), 0);
    EXPECT_EQ(said.TakeOutput(), "");
    EXPECT_EQ(ReadFileText(path),
              "1.0000000;2.0000000;;;A;B;;\r\n3.0000000;4.0000000;5;143005 24122004;C;i;d\r\n");
}

TEST_F(DelimitedText, WriteWithoutDefinitionOrRecords) {
    std::string path = folder.file("none.txt");
    CapturedDiagnostics said;
    ASSERT_EQ(RLDBWriteCSV(path.c_str(), nullptr, -1, -1, -1, nullptr, nullptr, 0), 0);
    EXPECT_EQ(said.TakeOutput(), "No Cal File\n");
    EXPECT_EQ(ReadFileText(path), "");
    EXPECT_EQ(RLDBWriteCSV(folder.file("no/such/x.txt").c_str(), nullptr, -1, -1, -1, nullptr, nullptr, 0),
              -1);
}

TEST_F(DelimitedText, GarminWriteRenamesRoutePointsInTheCallersArray) {
    OwnedArray points(1);
    FillPoint(points[0], "1.0000000", "2.0000000", "", "", "Start", "", nullptr);
    std::string path = folder.file("g.txt");
    CapturedDiagnostics said;
    ASSERT_EQ(RLDBWriteCSV(path.c_str(), nullptr, 2, 3, -1, nullptr, points.data(), 1), 0);
    said.TakeOutput();
    EXPECT_EQ(ReadFileText(path), "Route Waypoint\tRPT0001\t\t\t\r\n\r\n");
    EXPECT_STREQ(points[0].name, "RPT0001");
}

}  // namespace
