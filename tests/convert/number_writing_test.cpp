// Number text writing and the small text helpers. "%.7f" output must equal
// the C library's byte for byte, rounding ties included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "convert/number_text.h"

namespace {

std::string Fixed7(double value, size_t capacity = 400) {
    char out[400];
    const size_t length = FormatFixed7(value, out, capacity);
    EXPECT_EQ(length, std::strlen(out));
    return out;
}

TEST(FormatFixed7, CasesAndCuts) {
    EXPECT_EQ(Fixed7(-0.0), "-0.0000000");
    EXPECT_EQ(Fixed7(-122.4194), "-122.4194000");
    EXPECT_EQ(Fixed7(0.00390625), "0.0039062");  // exact ties round to even
    EXPECT_EQ(Fixed7(0.01171875), "0.0117188");
    EXPECT_EQ(Fixed7(-1e-9), "-0.0000000");
    EXPECT_EQ(Fixed7(HUGE_VAL), "inf");
    EXPECT_EQ(Fixed7(-122.4194, 5), "-122");
    EXPECT_EQ(Fixed7(-122.4194, 13), "-122.4194000");
    EXPECT_EQ(Fixed7(1e300, 13), "100000000000");
}

TEST(FormatFixed7, AgreesWithSnprintf) {
    std::mt19937_64 rng(1234567);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 100000; ++i) {
        double value;
        uint64_t bits = rng();
        switch (i % 4) {
            case 0: value = unit(rng) * std::pow(10.0, static_cast<int>(bits % 33) - 12); break;
            case 1: value = static_cast<double>(bits % 46080000) / 256.0; break;  // ties at the 8th decimal
            case 2: value = std::nextafter(static_cast<double>(bits % 1000000) * 5e-8, i % 8 < 4 ? 1.0 : 0.0); break;
            default: std::memcpy(&value, &bits, sizeof value); if (!std::isfinite(value)) value = 0.5;
        }
        if ((rng() & 1) != 0) value = -value;
        char expected[400];
        std::snprintf(expected, sizeof expected, "%.7f", value);
        ASSERT_EQ(Fixed7(value), expected) << std::hexfloat << value;
    }
}

TEST(PadNumber, Cases) {
    const struct { int32_t value; int width; const char* text; } cases[] = {
        {5, 2, "05"}, {-5, 2, "-05"}, {2004, 2, "2004"}, {0, 4, "0000"}, {-12, 4, "-0012"},
        {INT32_MIN, 2, "-2147483648"}, {7, 0, "7"}, {-7, -3, "-7"}, {42, 12, "000000000042"}};
    for (const auto& c : cases) {
        char out[32];
        EXPECT_EQ(PadNumber(c.value, out, c.width), std::strlen(c.text));
        EXPECT_STREQ(out, c.text);
    }
    char out[24];
    EXPECT_EQ(FormatInteger(INT64_MIN, out, sizeof out), 20u);
    EXPECT_EQ(FormatInteger(12345, out, 4), 3u);
    EXPECT_STREQ(out, "123");
}

TEST(TrimSpaces, OnlySpaces) {
    const char* const cases[][2] = {{"  a b  ", "a b"}, {"\ta ", "\ta"}, {"a\t", "a\t"}, {"    ", ""}, {"", ""}};
    for (const auto& c : cases) {
        char text[16];
        std::strcpy(text, c[0]);
        TrimSpaces(text);
        EXPECT_STREQ(text, c[1]);
    }
    TrimSpaces(nullptr);
}

TEST(FindBeforeComma, StopsAtTheFirstComma) {
    const char* text = "N45 30.5,W122 1";
    EXPECT_EQ(FindBeforeComma(text, ' '), text + 3);
    EXPECT_EQ(FindBeforeComma(text + 4, ' '), nullptr);
    EXPECT_EQ(FindBeforeComma("", ' '), nullptr);
    EXPECT_EQ(FindBeforeComma("a,b", ','), nullptr);
}

}  // namespace
