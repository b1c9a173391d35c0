// Decimal and integer reading: fixed cases, then agreement with the C
// library's strtod on many generated texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "convert/number_text.h"

namespace {

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(ReadDecimal, Cases) {
    const struct { const char* text; double value; int used; } cases[] = {
        {"", 0, 0}, {"  -45.5", -45.5, 7}, {"+7", 7, 2}, {"+-5", 0, 0}, {".5", .5, 2}, {"5.", 5, 2},
        {".", 0, 0}, {"-.5e1", -5, 5}, {"1e+", 1, 1}, {"1E+2x", 100, 4}, {"45,5 30", 45, 2},
        {"\t\n\v\f\r 3", 3, 7}, {"inf", 0, 0}, {"-nan", 0, 0}, {"0x1A", 0, 1},
        {"1e400", HUGE_VAL, 5}, {"-0.001e-400", -0.0, 11}};
    for (const auto& c : cases) {
        const char* end = nullptr;
        EXPECT_TRUE(Same(ReadDecimal(c.text, &end), c.value)) << c.text;
        EXPECT_EQ(end - c.text, c.used) << c.text;
    }
    EXPECT_EQ(ReadDecimal(nullptr), 0.0);
    EXPECT_EQ(ReadDecimalN("30.123", 4), 30.1);
    EXPECT_EQ(ReadDecimalN("1e5", 2), 1.0);
}

TEST(ReadInteger, CasesSaturate) {
    const struct { const char* text; int32_t value; int used; } cases[] = {
        {"", 0, 0}, {" -12abc", -12, 4}, {"+7", 7, 2}, {"-", 0, 0}, {"12.9", 12, 2},
        {"2147483648", INT32_MAX, 10}, {"-2147483649", INT32_MIN, 11},
        {"99999999999999999999999", INT32_MAX, 23}};
    for (const auto& c : cases) {
        const char* end = nullptr;
        EXPECT_EQ(ReadInteger(c.text, &end), c.value) << c.text;
        EXPECT_EQ(end - c.text, c.used) << c.text;
    }
    EXPECT_EQ(ReadIntegerN("24122004", 2), 24);
    EXPECT_EQ(ReadIntegerN("4", 2), 4);
    EXPECT_EQ(ReadIntegerN("-5", 1), 0);
}

// Texts built from the pieces of the number grammar and the characters that
// end numbers in record lines.
std::string RandomNumberText(std::mt19937_64& rng) {
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); };
    auto digits = [&](std::string& s, int most) {
        for (int i = pick(most + 1); i > 0; --i) s += static_cast<char>('0' + pick(10));
    };
    static const char* const kLeads[] = {"", "", " ", "\t", "+", "-", " -", "+-", "."};
    static const char* const kTails[] = {"", ",", " ", "z", "e", "E+", ".", "5"};
    std::string text = kLeads[pick(9)];
    digits(text, 21);
    if (pick(2) != 0) digits(text += '.', 21);
    if (pick(3) == 0) digits(text += (pick(2) != 0 ? "e-" : "E"), 3);
    return text + kTails[pick(8)];
}

TEST(ReadDecimal, AgreesWithStrtod) {
    std::mt19937_64 rng(20240611);
    for (int i = 0; i < 200000; ++i) {
        std::string text = RandomNumberText(rng);
        if (i % 2 != 0) {  // full-precision text of any finite double
            uint64_t bits = rng();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            char full[64];
            std::snprintf(full, sizeof full, i % 4 == 1 ? "%.17g" : "%.25e", std::isfinite(value) ? value : 1.0);
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

}  // namespace
