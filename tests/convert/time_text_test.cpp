// A point's time text: parsing, writing and the normalised stored form.
#include <gtest/gtest.h>

#include <cstring>

#include "convert/time_text.h"

using namespace vezuved;

namespace {

TEST(NormalizeTimeText, StoredForm) {
    const char* const cases[][2] = {
        {"", ""},
        {"1430", "143000 01012000"},
        {"102030.5 24122004", "102030.05 24122004"},
        {"102030. 5", "102030.05 01012000"},
        {"102030.5", "102030.05 01012000"},
        {"143005,x 24122004", "143005 01012000"},
        {"143005 241204", "143005 24120004"},
        {"7:5:3.25", "070503.25 01012000"},
        {"14-30-05.5 24122004", "143005.05 01012000"},
        // Hundredths at the edges: none is written for .00, every other kept.
        {"102030.00 24122004", "102030 24122004"},
        {"102030.01 24122004", "102030.01 24122004"},
        {"10:20:30.01", "102030.01 01012000"},
        {"102030.99 24122004", "102030.99 24122004"},
        {"14:30.5", "143005 01012000"},
        {"000000 31132004", "000000 31132004"},
        // Texts in stored form stay; others are read as parts and written again.
        {"000000 00000000", "000000 00000000"},
        {"999999 99999999", "999999 99999999"},
        {"1430 24122004", "143002 24122004"},      // the seconds read from " 2"
        {"143005  24122004", "143005 024122004"},  // the date read from " 24122004"
        {"143005 2412200", "143005 24120200"},
        // Five-digit runs wrap in the 16-bit parts and overflow the field.
        {"32768:32768:32768.32767", "-32768-32768-32768.32767 010120"}};
    for (const auto& c : cases) {
        char field[32];
        std::strcpy(field, c[0]);
        NormalizeTimeText(field, sizeof field);
        EXPECT_STREQ(field, c[1]) << c[0];
    }
    char small[8] = "1430";
    NormalizeTimeText(small, sizeof small);
    EXPECT_STREQ(small, "143000 ");
}

TEST(TimeParts, ParseFormatAndElapsed) {
    TimeParts p, later;
    ParseCompactDate("241", p);  // short texts keep the defaults
    EXPECT_EQ(p.day * 10000 + p.month * 100 + p.year, 240100 + 2000);
    ParseCompactTime("143005.5 24122004", p);
    char out[kTimeTextCapacity];
    FormatClockTime(p, out, true);
    EXPECT_STREQ(out, "14:30.05.05");
    EXPECT_STREQ((FormatClockTime(p, out, false), out), "14:30.05");
    p.fraction = 1;
    EXPECT_STREQ((FormatClockTime(p, out, true), out), "14:30.05.01");
    const struct {
        uint32_t order;
        char separator;
        const char* text;
    } dates[] = {{0, '-', "24-12-2004"}, {1, '-', "2004-12-24"}, {2, '/', "12/24/2004"}, {5, '/', ""}};
    for (const auto& d : dates) EXPECT_STREQ((FormatDate(out, p, d.order, d.separator), out), d.text);
    p.year = 4;
    FormatDate(out, p, 0, '.');
    EXPECT_STREQ(out, "24.12.4");
    ParseCompactTime("235959 24122004", p);  // the date is ignored across midnight
    ParseCompactTime("000001 25122004", later);
    double elapsed = 0.0;
    ElapsedSeconds(elapsed, p, later);
    EXPECT_EQ(elapsed, -86398.0);
    ParseCompactTime("000001.500", later);
    EXPECT_EQ(SecondsOfDay(later), 1.5);
    EXPECT_GT(CurrentTime(), int64_t{1700000000});
}

}  // namespace
