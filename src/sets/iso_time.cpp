#include "sets/iso_time.h"

#include <cstdint>

#include "sets/calendar.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

// Reads exactly count digits at text[at]; none when they are not there.
std::optional<int> Digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "HH:MM[:SS[.f...]][zone]" from at to the end.
bool ParseClock(std::string_view text, size_t at, IsoStamp& stamp) {
    const auto hour = Digits(text, at, 2);
    const auto minute = Digits(text, at + 3, 2);
    if (!hour || !minute || text[at + 2] != ':') return false;
    stamp.hour = *hour;
    stamp.minute = *minute;
    size_t i = at + 5;
    if (i < text.size() && text[i] == ':') {
        const auto second = Digits(text, i + 1, 2);
        if (!second) return false;
        stamp.second = *second;
        i += 3;
        if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
            ++i;
            const size_t first = i;
            int scale = 100;
            bool roundUp = false;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                stamp.millis += (text[i] - '0') * scale;
                // Finer than a millisecond: to the nearest one (1000 carries
                // into the second where the stamp becomes a time).
                if (i == first + 3) roundUp = text[i] >= '5';
                scale /= 10;
                ++i;
            }
            if (i == first) return false;
            if (roundUp) ++stamp.millis;
        }
    }
    if (stamp.hour > 23 || stamp.minute > 59 || stamp.second > 60) return false;
    if (stamp.second == 60) stamp.second = 59;  // a leap second is held at the minute's last
    stamp.hasTime = true;
    if (i == text.size()) return true;
    if (text[i] == 'Z' || text[i] == 'z') {
        stamp.hasZone = true;
        return i + 1 == text.size();
    }
    if (text[i] != '+' && text[i] != '-') return false;
    const int sign = text[i] == '-' ? -1 : 1;
    const auto zoneHour = Digits(text, i + 1, 2);
    if (!zoneHour || *zoneHour > 14) return false;
    size_t next = i + 3;
    int zoneMinute = 0;
    if (next < text.size()) {
        if (text[next] == ':') ++next;
        const auto read = Digits(text, next, 2);
        if (!read || *read > 59 || next + 2 != text.size()) return false;
        zoneMinute = *read;
    }
    stamp.hasZone = true;
    stamp.zoneMinutes = sign * (*zoneHour * 60 + zoneMinute);
    return true;
}

}  // namespace

std::optional<IsoStamp> ParseIsoStamp(std::string_view text) {
    // Spaces and line ends around the value, as XML and spreadsheets leave them.
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    IsoStamp stamp;
    if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
        const auto year = Digits(text, 0, 4);
        const auto month = Digits(text, 5, 2);
        const auto day = Digits(text, 8, 2);
        if (!year || !month || !day || *year < 1 || !IsCivilDate(*year, *month, *day)) {
            return std::nullopt;
        }
        stamp.year = *year;
        stamp.month = *month;
        stamp.day = *day;
        stamp.hasDate = true;
        if (text.size() == 10) return stamp;
        if (text[10] != 'T' && text[10] != 't' && text[10] != ' ') return std::nullopt;
        if (!ParseClock(text, 11, stamp)) return std::nullopt;
        return stamp;
    }
    if (text.size() >= 5 && ParseClock(text, 0, stamp)) return stamp;
    return std::nullopt;
}

int64_t StampMillis(const IsoStamp& stamp) {
    const int64_t minutes = DaysFromCivil(stamp.year, stamp.month, stamp.day) * 1440 + stamp.hour * 60 +
                            stamp.minute - stamp.zoneMinutes;
    return (minutes * 60 + stamp.second) * 1000 + stamp.millis;
}

std::optional<int64_t> ParseIsoTime(std::string_view text) {
    const std::optional<IsoStamp> stamp = ParseIsoStamp(text);
    if (!stamp || !stamp->hasDate) return std::nullopt;
    return StampMillis(*stamp);
}

std::optional<IsoStamp> IsoMoment(std::optional<std::string_view> time,
                                  std::optional<std::string_view> date) {
    const std::optional<IsoStamp> timeStamp = time ? ParseIsoStamp(*time) : std::nullopt;
    const std::optional<IsoStamp> dateStamp = date ? ParseIsoStamp(*date) : std::nullopt;
    if (!time) return dateStamp && dateStamp->hasDate ? dateStamp : std::nullopt;
    if (!timeStamp) return std::nullopt;
    if (timeStamp->hasDate) return timeStamp;
    if (dateStamp && dateStamp->hasDate && !dateStamp->hasTime) return JoinStamps(*dateStamp, *timeStamp);
    if (timeStamp->hasZone && !date) return timeStamp;
    return std::nullopt;
}

IsoStamp JoinStamps(const IsoStamp& date, const IsoStamp& time) {
    IsoStamp joined = time;
    joined.hasDate = date.hasDate;
    joined.year = date.year;
    joined.month = date.month;
    joined.day = date.day;
    if (!time.hasZone && date.hasZone) {
        joined.hasZone = true;
        joined.zoneMinutes = date.zoneMinutes;
    }
    return joined;
}

std::string LibraryTimeText(const IsoStamp& stamp) {
    // A stamp without a date keeps the library's 01012000, whatever day
    // its zone or a rounded-up fraction would carry it into.
    const int64_t days =
        stamp.hasDate ? DaysFromCivil(stamp.year, stamp.month, stamp.day) : DaysFromCivil(2000, 1, 1);
    int64_t dayMillis =
        ((stamp.hour * 60 + stamp.minute - stamp.zoneMinutes) * 60 + stamp.second) * int64_t{1000} +
        stamp.millis;
    if (!stamp.hasDate) dayMillis = (dayMillis % 86400000 + 86400000) % 86400000;
    return FormatRecordTime(days * 86400000 + dayMillis);
}

}  // namespace vezuved::maps
