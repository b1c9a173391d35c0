// Days and civil dates, both ways, for every day of eight centuries: each
// day is the one after the day before, and leads back to itself.
#include <gtest/gtest.h>

#include <vector>

#include "sets/calendar.h"

namespace vezuved::maps {
namespace {

TEST(Calendar, EveryDayFrom1600To2399FollowsItsEveAndLeadsBack) {
    int year = 1600, month = 1, day = 1;
    int64_t days = DaysFromCivil(year, month, day);
    EXPECT_EQ(days, -135140);  // 1600-01-01 from 1970-01-01
    for (; year < 2400; ++days) {
        int y = 0, m = 0, d = 0;
        CivilFromDays(days, y, m, d);
        ASSERT_EQ(std::vector<int>({y, m, d}), std::vector<int>({year, month, day})) << days;
        ASSERT_EQ(DaysFromCivil(year, month, day), days) << year << "-" << month << "-" << day;
        if (IsCivilDate(year, month, day + 1)) {
            ++day;
        } else if (month < 12) {
            ++month, day = 1;
        } else {
            ++year, month = 1, day = 1;
        }
    }
    EXPECT_EQ(days, DaysFromCivil(2400, 1, 1));
    EXPECT_EQ(days - DaysFromCivil(1600, 1, 1), 2 * 146097);  // two 400-year cycles
}

}  // namespace
}  // namespace vezuved::maps
