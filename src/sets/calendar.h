// Civil dates of the proleptic Gregorian calendar as days since 1970-01-01
// and back (H. Hinnant's algorithms), exact for every year a record holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vezuved::maps {

// A day that the month of the year has: month 1 to 12, day 1 to its last.
bool IsCivilDate(int year, int month, int day);
int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);

// "DDMMYY", as GPS receivers and flight recorders write a date, as days
// since 1970; a two-digit year is of this century below 80, else the last.
// None when it is not six digits of a date.
std::optional<int64_t> DaysOfShortDate(std::string_view ddmmyy);

}  // namespace vezuved::maps
