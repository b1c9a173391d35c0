#include "record/record_bytes.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

int32_t LittleEndianAt(const RecordBytes& b, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | b.bytes[b.trailerOffset + offset + i];
    return static_cast<int32_t>(v);
}

class RecordBytesTest : public FreshState {
protected:
    RecordBytes bytes;
};

TEST_F(RecordBytesTest, TrailerValuesTruncateTowardZero) {
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

// Routes get legs, but a missing time stops leg times until the next reset;
// points get no legs at all.
TEST_F(RecordBytesTest, LegsOfRoutesButNotOfPoints) {
    const char* times[] = {"120000 01012004", "", "120200 01012004", "120300 01012004"};
    for (int32_t kind : {kKindRoute, kKindPoint}) {
        RestoreInitialState();
        State().DBKind = kind;
        for (int i = 0; i < 4; ++i) {
            OwnedRecord r;
            FillPoint(r.record, i % 2 ? "1.0000000" : "2.0000000", "0", "", times[i], "", "", nullptr);
            ASSERT_EQ(BuildRecordBytes(r.record, i, State().DBKind, State().Previous, bytes), 0);
            EXPECT_EQ(LittleEndianAt(bytes, 14), 0) << i;
            EXPECT_EQ(LittleEndianAt(bytes, 18) > 0, i > 0 && kind == kKindRoute) << i;
        }
        EXPECT_EQ(State().Previous.FirstPoint, 0u);
    }
}

}  // namespace
