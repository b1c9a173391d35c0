#include <cstring>

#include "text/record_bytes.h"
#include "support/test_support.h"

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

TEST_F(RecordBytesTest, TextNulPadAndTrailerLayout) {
    struct Case {
        const char* latitude;  // with the other fields empty the text is latitude + ",,,,,,"
        size_t trailer;
        size_t length;
    };
    for (const Case& c : {Case{"123", 10, 32}, Case{"1234", 12, 34}}) {
        OwnedRecord r;
        FillPoint(r.record, c.latitude, "", "", "", "", "", nullptr);
        ASSERT_EQ(BuildRecordBytes(r.record, 0, bytes), 0);
        EXPECT_EQ(bytes.trailerOffset, c.trailer) << c.latitude;
        EXPECT_EQ(bytes.length, c.length) << c.latitude;
        EXPECT_EQ(bytes.bytes[std::strlen(c.latitude) + 6], 0);
        EXPECT_EQ(bytes.bytes[c.trailer - 1], 0);
    }
}

TEST_F(RecordBytesTest, TextJoinsFieldsAndBlanksSeparatorsInPlace) {
    OwnedRecord r;
    FillPoint(r.record, "45.5000000", "-122.6000000", "100", "143005 24122004", "Camp, North",
              "Fl,ag", "tab\there, comma");
    ASSERT_EQ(BuildRecordBytes(r.record, 0, bytes), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.bytes.data()),
                 "45.5000000,-122.6000000,100,143005 24122004,Camp  North,Fl,ag,tab here  comma");
    EXPECT_STREQ(r->name, "Camp  North");
    EXPECT_EQ(r.desc(), "tab here  comma");
}

TEST_F(RecordBytesTest, TrailerValuesTruncateTowardZero) {
    struct Case {
        const char* latitude;
        const char* elevation;
        int32_t expectedLatitude;
        int32_t expectedElevation;
    };
    for (const Case& c : {Case{"-33.5000000", "1234.9", -33500000, 1234},
                          Case{"0.0000009", "-5.5", 0, -5}, Case{"1e300", "", INT32_MAX, 0}}) {
        OwnedRecord r;
        FillPoint(r.record, c.latitude, "0", c.elevation, "", "", "", nullptr);
        ASSERT_EQ(BuildRecordBytes(r.record, 0, bytes), 0);
        EXPECT_EQ(LittleEndianAt(bytes, 2), c.expectedLatitude) << c.latitude;
        EXPECT_EQ(LittleEndianAt(bytes, 10), c.expectedElevation) << c.elevation;
    }
}

TEST_F(RecordBytesTest, BigEndianTrailerBytes) {
    RecordTrailer t;
    t.latitude = -33500000;
    uint8_t out[kTrailerSize];
    StoreTrailer(t, out, true);
    EXPECT_EQ(Hex(out + 2, 4), "fe 00 d4 a0");
    EXPECT_EQ(out[0] | out[1], 0);
}

TEST_F(RecordBytesTest, TrackLegsAcrossRecords) {
    State().DBKind = kKindTrack;
    const char* times[] = {"120000 01012004", "120100 01012004", "120200 01012004"};
    const char* latitudes[] = {"45.0000000", "45.0100000", "45.0200000"};
    for (int i = 0; i < 3; ++i) {
        OwnedRecord r;
        FillPoint(r.record, latitudes[i], "-122.0000000", "", times[i], "", "", nullptr);
        ASSERT_EQ(BuildRecordBytes(r.record, i, bytes), 0);
        if (i == 0) {
            EXPECT_EQ(LittleEndianAt(bytes, 14), 0);
            EXPECT_EQ(LittleEndianAt(bytes, 18), 0);
        } else {
            EXPECT_EQ(LittleEndianAt(bytes, 14), 60);
            EXPECT_NEAR(LittleEndianAt(bytes, 18), 6000, 1);
        }
    }
}

TEST_F(RecordBytesTest, AMissingTimeStopsLegTimesUntilTheNextReset) {
    State().DBKind = kKindRoute;
    const char* times[] = {"120000 01012004", "", "120200 01012004", "120300 01012004"};
    for (int i = 0; i < 4; ++i) {
        OwnedRecord r;
        FillPoint(r.record, i % 2 ? "1.0000000" : "2.0000000", "0", "", times[i], "", "", nullptr);
        ASSERT_EQ(BuildRecordBytes(r.record, i, bytes), 0);
        EXPECT_EQ(LittleEndianAt(bytes, 14), 0) << i;
        if (i > 0) {
            EXPECT_GT(LittleEndianAt(bytes, 18), 0) << i;
        }
    }
    EXPECT_EQ(State().FirstPoint, 0u);
}

TEST_F(RecordBytesTest, PointDatabasesGetNoLegs) {
    State().DBKind = kKindPoint;
    for (int i = 0; i < 2; ++i) {
        OwnedRecord r;
        FillPoint(r.record, i ? "1" : "2", "0", "", "120000 01012004", "", "", nullptr);
        ASSERT_EQ(BuildRecordBytes(r.record, i, bytes), 0);
        EXPECT_EQ(LittleEndianAt(bytes, 18), 0);
    }
}

TEST_F(RecordBytesTest, OverlongTextIsRefused) {
    OwnedRecord r;
    FillPoint(r.record, "1", "2", "", "", "", "", std::string(70000, 'd').c_str());
    EXPECT_EQ(BuildRecordBytes(r.record, 0, bytes), -1);
}

}  // namespace
