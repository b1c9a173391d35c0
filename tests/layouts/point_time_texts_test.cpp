#include <string>

#include "convert/time_text.h"
#include "layouts/column_text.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

// A time kept in its stored form must give the same texts as one read into
// its parts and written again, in every style.
TEST_F(FreshState, StoredTimesGiveTheTextsOfTheirParts) {
    const char* const times[] = {
        "143005 24122004", "000000 00000000", "999999 99999999", "143005.5 24122004"};
    const char* const odd[] = {"143005 2412200", "1430 24122004", "14:30:05", "143005 24122004 "};
    for (const auto* list : {times, odd}) {
        for (int i = 0; i < 16; ++i) {
            const char* time = list[i / 4];
            LayoutSettings settings;
            settings.timeStyle = i & 1, settings.dateStyle = (i >> 1) & 1;
            OwnedRecord record;
            CopyField(record->time, time);
            char timeText[kTimeTextCapacity], dateText[kTimeTextCapacity];
            char wantTime[kTimeTextCapacity], wantDate[kTimeTextCapacity];
            PointTimeTexts(record.record, settings, timeText, dateText);
            TimeParts parts;
            ParseCompactTime(time, parts);
            (settings.timeStyle == 1 ? FormatClockTime(parts, wantTime, true)
                                     : FormatCompactTime(parts, wantTime));
            (settings.dateStyle == 1 ? FormatDate(wantDate, parts, settings.dateOrder, settings.dateSeparator)
                                     : FormatCompactDate(parts, wantDate));
            EXPECT_STREQ(timeText, wantTime) << time << " style " << i % 4;
            EXPECT_STREQ(dateText, wantDate) << time << " style " << i % 4;
        }
    }
}

}  // namespace
