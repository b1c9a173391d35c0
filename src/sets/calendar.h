// Civil dates of the proleptic Gregorian calendar as days since 1970-01-01
// and back (H. Hinnant's algorithms), exact for every year a record holds.
#pragma once

#include <cstdint>

namespace vezuved::maps {

bool IsLeapYear(int year);
int DaysInMonth(int month, int year);
int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);

}  // namespace vezuved::maps
