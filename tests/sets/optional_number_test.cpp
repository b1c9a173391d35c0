// The optional number a point holds: absent unless given, every double a
// value (a quiet NaN, infinities, zeros of either sign, the smallest
// denormal), and equal and converted as std::optional<double> is.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <optional>

#include "sets/optional_number.h"

namespace {

using vezuved::maps::OptionalDouble;

uint64_t Bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(OptionalNumber, EveryDoubleIsAValueAndAbsentIsNone) {
    EXPECT_FALSE(OptionalDouble().has_value());
    EXPECT_FALSE(OptionalDouble(std::nullopt).has_value());
    EXPECT_FALSE(OptionalDouble(std::optional<double>()).has_value());
    EXPECT_EQ(OptionalDouble().value_or(7.5), 7.5);
    const double values[] = {0.0,
                             -0.0,
                             45.3311,
                             -122.4194,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max()};
    for (const double value : values) {
        const OptionalDouble held = value;
        ASSERT_TRUE(held.has_value()) << value;
        EXPECT_EQ(Bits(*held), Bits(value)) << value;  // the very bits, a sign of zero included
        const std::optional<double> as = held;
        ASSERT_TRUE(as.has_value());
        EXPECT_EQ(Bits(*as), Bits(value));
    }
    OptionalDouble changed = 1.5;
    changed = std::nullopt;
    EXPECT_FALSE(changed);
    changed = std::optional<double>(2.5);
    EXPECT_EQ(*changed, 2.5);
    changed.reset();
    EXPECT_FALSE(changed.has_value());
}

TEST(OptionalNumber, ComparesAsStdOptional) {
    EXPECT_EQ(OptionalDouble(), OptionalDouble());
    EXPECT_EQ(OptionalDouble(1.0), OptionalDouble(1.0));
    EXPECT_NE(OptionalDouble(1.0), OptionalDouble());
    EXPECT_NE(OptionalDouble(1.0), OptionalDouble(2.0));
    EXPECT_EQ(OptionalDouble(0.0), OptionalDouble(-0.0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(OptionalDouble(nan), OptionalDouble(nan));  // as NaN == NaN is false
}

}  // namespace
