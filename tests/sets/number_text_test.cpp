// Numbers, coordinates and times as the points' texts hold them, read and
// written independently of the host's locale.
#include <gtest/gtest.h>

#include <charconv>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "sets/iso_time.h"
#include "sets/number_text.h"
#include "support/test_support.h"

namespace vezuved::maps {
namespace {

// The times of tests/sets/data/times.tsv: ISO 8601 texts read as UTC
// milliseconds, record times as ISO 8601 text ("-": not a time), UTC
// milliseconds written as ISO 8601 text.
TEST(NumberText, TimesReadAsListed) {
    const auto rows = Rows(TestData("sets/data/times.tsv"));
    EXPECT_EQ(rows.size(), 28u);
    for (const auto& row : rows) {
        const std::string& read = row.at(2);
        if (row[0] == "write") {
            EXPECT_EQ(FormatIsoTime(std::stoll(row[1])), read);
        } else if (row[0] == "iso") {
            EXPECT_EQ(ParseIsoTime(row[1]),
                      read == "-" ? std::nullopt : std::optional<int64_t>(std::stoll(read)))
                << row[1];
        } else {
            EXPECT_EQ(IsoTimeFromRecord(row[1]), read == "-" ? "" : read) << row[1];
        }
    }
    // A time read from a piece of a longer text ends where the piece ends.
    const std::string_view line = "2021-08-14T10:15:00.129,";
    EXPECT_EQ(ParseIsoTime(line.substr(0, 22)), ParseIsoTime("2021-08-14T10:15:00.12"));
}

TEST(NumberText, ParseCoordinateAndNumbers) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"+7.25", 7.25},
        {"W122 40.456", -(122 + 40.456 / 60)},
        {"s10 30 36", -(10 + 30 / 60.0 + 36 / 3600.0)},
        {"E8", 8.0},
        {"z45 30", 45.5},  // any letter leads, the alphabet's ends too; only S and W turn it
        {"A1", 1.0},
        {"", std::nullopt},
        {"12x", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const auto value = ParseCoordinate(text);
        ASSERT_EQ(value.has_value(), expected.has_value()) << text;
        if (value) {
            EXPECT_NEAR(*value, *expected, 1e-9) << text;
        }
    }
    EXPECT_EQ(FormatShortest(0.1), "0.1");
    EXPECT_EQ(ParseNumber(" 100 "), 100.0);
    EXPECT_FALSE(ParseNumber("10 ft"));
}

// The map documents' numbers: degrees in the shortest digits that read
// back as the same double, never with an exponent; metres of feet read as
// text in the fewest decimals that give those feet back at a record's
// seven decimals (or the text's more), so a record's elevation survives a
// trip through GPX.
TEST(NumberText, DocumentNumbersAreShortAndExact) {
    const std::pair<double, const char*> shortest[] = {
        {45.3311, "45.3311"},
        {-121.7113, "-121.7113"},
        {0.00001, "0.00001"},
        {-0.0, "0"},
        {48.701544636, "48.701544636"},
        {45.402633333333334, "45.402633333333334"},
        {1e-7, "0.0000001"},
    };
    for (const auto& [value, text] : shortest) {
        char out[kFixedTextSize];
        EXPECT_EQ(std::string(out, WriteShortestFixed(value, out)), text) << value;
    }
    // feet as read, their decimals, the metres written
    const std::tuple<const char*, int, const char*> feet[] = {
        {"1829", 0, "557.4792"},        // exactly
        {"6000.6561680", 7, "1829"},    // 1829 m gone to a record
        {"6000.6561680", -1, "1829"},   // decimals not kept: seven
        {"328.084", 3, "100.0000032"},  // exactly, not 100
        {"-10.5", 1, "-3.2004"},
        {"0.0000001", 7, "0.00000003"},
        {"0", 0, "0"},
        {"11332.020997375328", 12, "3454"},
    };
    for (const auto& [text, decimals, metres] : feet) {
        const double value = std::stod(text);
        char out[kFixedTextSize];
        EXPECT_EQ(std::string(out, WriteMetresOfFeet(value * kMetresPerFoot, value, decimals, out)), metres)
            << text;
    }
}

// Fixed-point text is the exact value rounded half to even, as to_chars
// gives it: ties, values that only look like ties, signs and sizes.
TEST(NumberText, FormatFixedRoundsTheExactValue) {
    const auto rows = Rows(TestData("sets/data/fixed.tsv"));
    EXPECT_EQ(rows.size(), 17u);
    for (const auto& row : rows)
        EXPECT_EQ(FormatFixed(std::stod(row[0]), std::stoi(row[1])), row.at(2)) << row[0];
    uint64_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const double value = (static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5) * 800;
        for (const int decimals : {0, 2, 7}) {
            char text[400];
            const auto end =
                std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
            std::string expected(text, end);
            if (expected.find_first_not_of("-0.") == std::string::npos && expected[0] == '-')
                expected.erase(0, 1);
            ASSERT_EQ(FormatFixed(value, decimals), expected) << value;
        }
    }
}

}  // namespace
}  // namespace vezuved::maps
