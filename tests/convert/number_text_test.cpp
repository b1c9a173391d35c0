// Number reading and writing must equal the C library's strtod and "%.7f"
// byte for byte (rounding ties included); edge cases, then many values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "convert/number_text.h"

using namespace vezuved;

namespace {

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(ReadNumbers, EdgeCases) {
    const struct {
        const char* text;
        double value;
        int used;
    } decimals[] = {{"", 0, 0},
                    {"+-5", 0, 0},
                    {".", 0, 0},
                    {"1e+", 1, 1},
                    {"45,5 30", 45, 2},
                    {"\t\n\v\f\r 3", 3, 7},
                    {"inf", 0, 0},
                    {"-nan", 0, 0},
                    {"0x1A", 0, 1},
                    {"1e400", HUGE_VAL, 5},
                    {"-0.001e-400", -0.0, 11}};
    const char* end = nullptr;
    for (const auto& c : decimals) {
        const double value = ReadDecimal(c.text, &end);
        EXPECT_PRED2(Same, value, c.value) << c.text;
        EXPECT_EQ(end - c.text, c.used) << c.text;
    }
    EXPECT_EQ(ReadDecimal(nullptr), 0.0);
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

std::string Fixed7(double value, size_t capacity = 400) {
    char out[400];
    const size_t length = FormatFixed7(value, out, capacity);
    EXPECT_EQ(length, std::strlen(out));
    return out;
}

TEST(FormatFixed7, CutsAndAgreementWithSnprintf) {
    EXPECT_EQ(Fixed7(-1e-9), "-0.0000000");
    EXPECT_EQ(Fixed7(0.00390625), "0.0039062");  // exact ties round to even
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
}

}  // namespace
