#include "device/file_dates.h"

#include <cstdio>
#include <cstring>

#include "device/host_files.h"

namespace vezuved {

namespace {

const char* MonthAbbreviation(int month) {
    static const char* const kMonths[13] = {
        "???", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return (month >= 1 && month <= 12) ? kMonths[month] : kMonths[0];
}

// The date and time fields as FileTimeToDosDateTime packs them.
std::string DosDateText(WORD date, WORD clock) {
    char text[64];
    std::snprintf(text,
                  sizeof text,
                  "%s/%02ld/%04ld %02ld:%02ld",
                  MonthAbbreviation((date >> 5) & 0x0F),
                  static_cast<long>(date & 0x1F),
                  static_cast<long>(((date >> 9) & 0x7F) + 1980),
                  static_cast<long>((clock >> 11) & 0x1F),
                  static_cast<long>((clock >> 5) & 0x3F));
    return text;
}

}  // namespace

std::string ListingDate(const FILETIME& time) {
    WORD date = 0;
    WORD clock = 0;
    PlatformFileTimeToDosDateTime(&time, &date, &clock);
    return DosDateText(date, clock);
}

int32_t FileDateText(const FILETIME* time, WCHAR* dst) {
    FILETIME local = {0, 0};
    WORD date = 0;
    WORD clock = 0;
    if (time != nullptr && PlatformFileTimeToLocalFileTime(time, &local))
        PlatformFileTimeToDosDateTime(&local, &date, &clock);
    const std::string text = "   " + DosDateText(date, clock);
    WidenText(dst, text.c_str(), static_cast<int32_t>(text.size()));
    return 0;
}

}  // namespace vezuved
