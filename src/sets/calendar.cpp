#include "sets/calendar.h"

namespace vezuved::maps {

static bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsCivilDate(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1) return false;
    // 31 days in odd months up to July and in even ones from August on.
    const int last = month == 2 ? (IsLeapYear(year) ? 29 : 28) : 30 + (month + month / 8) % 2;
    return day <= last;
}

int64_t DaysFromCivil(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<int64_t>(era) * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::optional<int64_t> DaysOfShortDate(std::string_view ddmmyy) {
    if (ddmmyy.size() != 6) return std::nullopt;
    int parts[3] = {0, 0, 0};
    for (size_t i = 0; i < 6; ++i) {
        if (ddmmyy[i] < '0' || ddmmyy[i] > '9') return std::nullopt;
        parts[i / 2] = parts[i / 2] * 10 + (ddmmyy[i] - '0');
    }
    const int year = parts[2] < 80 ? 2000 + parts[2] : 1900 + parts[2];
    if (!IsCivilDate(year, parts[1], parts[0])) return std::nullopt;
    return DaysFromCivil(year, parts[1], parts[0]);
}

}  // namespace vezuved::maps
