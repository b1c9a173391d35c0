#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "convert/coordinates.h"
#include "convert/distance.h"
#include "convert/number_text.h"
#include "convert/text_bounds.h"
#include "convert/time_text.h"

using namespace vezuved;

namespace {

std::string Fixed7(double value, size_t capacity = 400) {
    char out[400];
    const size_t length = FormatFixed7(value, out, capacity);
    EXPECT_EQ(length, std::strlen(out));
    return out;
}

TEST(Coordinates, StoredText) {
    const bool lat = true, lon = false;
    const struct {
        const char* text;
        uint16_t format;
        bool latitude;
        const char* stored;
    } cases[] = {{nullptr, kLocNum, lon, "0.0000000"},
                 {"-45.5", kLocNum, lat, "-45.5000000"},
                 {"45 30.5", kLocNum, lat, "45.0000000"},
                 {"N45 30 7.2", kLocNum, lat, "45.5020000"},
                 {"W122 40.456", kLocNum, lon, "-122.6742667"},
                 {"s45 30.5", kLocDeg, lat, "-45.5083333"},
                 {"X10", kLocNum, lat, "10.0000000"},
                 {"S0 30", kLocNum, lat, "-0.5000000"},
                 {"N 30.5", kLocNum, lat, "0.5083333"},
                 {"N45 30 ", 9, lat, "45.5000000"},
                 // Searches for the separating spaces stop at the next column.
                 {"N45,5 30", kLocNum, lat, "45.0000000"},
                 {"N45 30,5 7", kLocNum, lat, "45.5000000"},
                 // 19 characters of degrees are a degrees token, 20 are not.
                 {"N0000000000000000045 30", kLocNum, lat, "45.5000000"},
                 {"N00000000000000000045 30", kLocNum, lat, "45.0000000"},
                 // "Comp": both axes come out positive; short texts lose their tail.
                 {"4530xx12", kLocComp, lat, "45.5020000"},
                 {"4530xx129", kLocComp, lat, "45.5020000"},  // two digits of hundredths, no more
                 {"12230xx30", kLocComp, lon, "122.5050000"},
                 {"453", kLocComp, lat, "45.0000000"},
                 {"4", kLocComp, lat, "0.0000000"},
                 {"4530xx1", kLocComp, lat, "45.5001667"},
                 // "DegNoSpace".
                 {"N4530.123", kLocDegNoSpace, lat, "45.5020500"},
                 {"W12230.5", kLocDegNoSpace, lon, "-122.5083333"},
                 {"4530.123", kLocDegNoSpace, lat, "4530.1230000"},
                 {"S453", kLocDegNoSpace, lat, "-45.0000000"},
                 {"E0123", kLocDegNoSpace, lon, "12.0000000"},
                 {"N45 30.5", kLocDegNoSpace, lat, "45.5083333"}};
    for (const auto& c : cases) {
        const double value = (c.latitude ? ParseLatitudeText : ParseLongitudeText)(c.text, c.format);
        EXPECT_EQ(Fixed7(value), c.stored) << (c.text ? c.text : "(null)") << " format " << c.format;
    }
}

TEST(Coordinates, BothLetterSetsAgree) {
    EXPECT_STREQ(NegativeHemisphereLetters(), "SWsw");
    double value = 0.0;
    for (int constant : {0, 1}) {
        EXPECT_EQ(ParseCoordinate("s10", value, constant), 0) << constant;
        EXPECT_EQ(value, -10.0) << constant;
    }
}

TEST(DistanceNm, KnownDistancesAndNoNaN) {
    EXPECT_EQ(DistanceNm(45000000, -122000000, 45000000, -122000000), 0.0);
    EXPECT_NEAR(DistanceNm(0, 0, 1000000, 0), 60.0, 1e-9);
    // 180 degrees is a hair over pi radians in single precision: acos comes back short.
    EXPECT_NEAR(DistanceNm(0, 0, 0, 180000000), 10799.9994, 1e-4);
    // Beyond half the globe the longitude difference itself is taken.
    EXPECT_NEAR(DistanceNm(60000000, 179000000, 60000000, -179000000), 21480.0, 1e-6);
    EXPECT_LT(DistanceNm(-88976669, 5000000, -88976669, 5000001), 0.001);  // cosine rounds above 1
    for (int32_t lat = -89000000; lat < 89000000; lat += 97531) {
        ASSERT_TRUE(std::isfinite(DistanceNm(lat, 5000000, lat, 5000001))) << lat;
        ASSERT_TRUE(std::isfinite(DistanceNm(lat, 0, -lat, 180000000))) << lat;
    }
}

// Number reading and writing must equal the C library's strtod and "%.7f"
// byte for byte (rounding ties included); edge cases, then many values of
// the number grammar, signs and ties among them.

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Texts the comparison with strtod below never makes.
TEST(ReadNumbers, EdgeCases) {
    const struct {
        const char* text;
        double value;
        int used;
    } decimals[] = {{"\t\n\v\f\r 3", 3, 7},
                    {"inf", 0, 0},
                    {"-nan", 0, 0},
                    {"0x1A", 0, 1},
                    {"1e400", HUGE_VAL, 5},
                    {"1e+400", HUGE_VAL, 6},
                    {"-0.001e-400", -0.0, 11}};
    const char* end = nullptr;
    for (const auto& c : decimals) {
        const double value = ReadDecimal(c.text, &end);
        EXPECT_PRED2(Same, value, c.value) << c.text;
        EXPECT_EQ(end - c.text, c.used) << c.text;
    }
    EXPECT_EQ(ReadDecimal(nullptr), 0.0);
    // Too large however it is written: every digit before the point counts.
    EXPECT_PRED2(Same, ReadDecimal(("1" + std::string(400, '0') + ".5").c_str()), HUGE_VAL);
    // Too small however it is written: its zeros after the point count, not those before it.
    EXPECT_PRED2(Same, ReadDecimal(("0." + std::string(400, '0') + "1").c_str()), 0.0);
    EXPECT_PRED2(Same, ReadDecimal((std::string(400, '0') + "1e-401").c_str()), 0.0);
    // ... and its exponent's digits, each worth its own value, not lifting it out of range.
    EXPECT_PRED2(Same, ReadDecimal(("0." + std::string(500, '0') + "1e100").c_str()), 0.0);
    EXPECT_EQ(ReadDecimalN("30.123", 4), 30.1);
    const struct {
        const char* text;
        int32_t value;
        int used;
    } integers[] = {{"", 0, 0},
                    {" -12abc", -12, 4},
                    {"-", 0, 0},
                    {"12.9", 12, 2},
                    {"2147483648", INT32_MAX, 10},
                    {"-2147483649", INT32_MIN, 11},
                    {"99999999999999999999999", INT32_MAX, 23}};
    for (const auto& c : integers) {
        EXPECT_EQ(ReadInteger(c.text, &end), c.value) << c.text;
        EXPECT_EQ(end - c.text, c.used) << c.text;
    }
    EXPECT_EQ(ReadIntegerN("24122004", 2), 24);
    EXPECT_EQ(ReadIntegerN("-5", 1), 0);
}

// Texts from the pieces of the number grammar and the characters that end
// numbers in record lines, or full-precision texts of any finite double.
TEST(ReadDecimal, AgreesWithStrtod) {
    std::mt19937_64 rng(20240611);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); };
    auto digits = [&](std::string& s, int most) {
        for (int i = pick(most + 1); i > 0; --i) s += static_cast<char>('0' + pick(10));
    };
    const char* const kLeads[] = {"", "", " ", "\t", "+", "-", " -", "+-", "."};
    const char* const kTails[] = {"", ",", " ", "z", "e", "E+", ".", "5"};
    for (int i = 0; i < 200000; ++i) {
        std::string text = kLeads[pick(9)];
        digits(text, 21);
        if (pick(2) != 0) digits(text += '.', 21);
        if (pick(3) == 0) digits(text += (pick(2) != 0 ? "e-" : "E"), 3);
        text += kTails[pick(8)];
        if (i % 2 != 0) {
            uint64_t bits = rng();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            char full[64];
            std::snprintf(
                full, sizeof full, i % 4 == 1 ? "%.17g" : "%.25e", std::isfinite(value) ? value : 1.0);
            text = full;
        }
        char* cEnd = nullptr;
        double expected = std::strtod(text.c_str(), &cEnd);
        // Without a conversion some C runtimes (Windows') keep the sign of a
        // lone '-' and give -0.0; the library, like glibc, gives 0.0.
        if (cEnd == text.c_str()) expected = 0.0;
        const char* end = nullptr;
        ASSERT_TRUE(Same(ReadDecimal(text.c_str(), &end), expected)) << '"' << text << '"';
        ASSERT_EQ(end, cEnd) << '"' << text << '"';
    }
}

TEST(FormatFixed7, CutsAndAgreementWithSnprintf) {
    EXPECT_EQ(Fixed7(HUGE_VAL), "inf");
    EXPECT_EQ(Fixed7(-122.4194, 5), "-122");
    EXPECT_EQ(Fixed7(-122.4194, 13), "-122.4194000");
    EXPECT_EQ(Fixed7(1e300, 13), "100000000000");
    std::mt19937_64 rng(1234567);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 100000; ++i) {
        double value;
        uint64_t bits = rng();
        switch (i % 4) {
            case 0:
                value = unit(rng) * std::pow(10.0, static_cast<int>(bits % 33) - 12);
                break;
            case 1:
                value = static_cast<double>(bits % 46080000) / 256.0;
                break;  // ties at the 8th decimal
            case 2:
                value = std::nextafter(static_cast<double>(bits % 1000000) * 5e-8, i % 8 < 4 ? 1.0 : 0.0);
                break;
            default:
                std::memcpy(&value, &bits, sizeof value);
                if (!std::isfinite(value)) value = 0.5;
        }
        if ((rng() & 1) != 0) value = -value;
        char expected[400];
        std::snprintf(expected, sizeof expected, "%.7f", value);
        ASSERT_EQ(Fixed7(value), expected) << std::hexfloat << value;
    }
}

TEST(TextHelpers, PadTrimAndFind) {
    const struct {
        int32_t value;
        int width;
        const char* text;
    } pads[] = {{-1, 2, "-01"},
                {2004, 2, "2004"},
                {INT32_MIN, 2, "-2147483648"},
                {-7, -3, "-7"},
                {42, 12, "000000000042"}};
    char out[32];
    for (const auto& c : pads) {
        EXPECT_EQ(PadNumber(c.value, out, c.width), std::strlen(c.text)) << c.text;
        EXPECT_STREQ(out, c.text);
    }
    EXPECT_EQ(FormatInteger(INT64_MIN, out, 24), 20u);
    EXPECT_EQ(FormatInteger(12345, out, 4), 3u);
    EXPECT_STREQ(out, "123");
    std::strcpy(out, " \ta b\t  ");  // only spaces are trimmed
    TrimSpaces(out);
    EXPECT_STREQ(out, "\ta b\t");
    TrimSpaces(nullptr);
    const char* text = "N45 30.5,W122 1";
    EXPECT_EQ(FindBeforeComma(text, ' '), text + 3);
    EXPECT_EQ(FindBeforeComma(text + 4, ' '), nullptr);  // stops at the first comma
    // No text is an empty one: it holds no characters, and no character is read.
    EXPECT_EQ(std::vector<bool>(
                  {HasAtLeast(nullptr, 0), HasAtLeast(nullptr, 1), HasAtLeast("ab", 2), HasAtLeast("ab", 3)}),
              std::vector<bool>({true, false, true, false}));
}

TEST(NormalizeTimeText, StoredForm) {
    const char* const cases[][2] = {
        {"", ""},
        {"1430", "143000 01012000"},
        {"102030.5 24122004", "102030.05 24122004"},
        {"102030. 5", "102030.05 01012000"},
        {"102030. 5 24122004", "102030.05 24122004"},  // a space after the point, then the date
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
