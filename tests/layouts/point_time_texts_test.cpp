#include <string>

#include "convert/time_text.h"
#include "layouts/column_text.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

class PointTimeTextsTest : public FreshState {};

// A time kept in its stored form must give the same texts as one read into
// its parts and written again.
TEST_F(PointTimeTextsTest, StoredTimesGiveTheTextsOfTheirParts) {
    const char* const times[] = {"143005 24122004",
                                 "000000 00000000",
                                 "999999 99999999",
                                 "143005.5 24122004",
                                 "143005 2412200",
                                 "1430 24122004",
                                 "14:30:05",
                                 "143005 24122004 "};
    for (uint16_t timeStyle : {uint16_t{0}, uint16_t{1}}) {
        for (uint16_t dateStyle : {uint16_t{0}, uint16_t{1}}) {
            LayoutSettings settings;
            settings.timeStyle = timeStyle;
            settings.dateStyle = dateStyle;
            for (const char* time : times) {
                OwnedRecord record;
                CopyField(record->time, time);
                char timeText[kTimeTextCapacity];
                char dateText[kTimeTextCapacity];
                PointTimeTexts(record.record, settings, timeText, dateText);

                TimeParts parts;
                ParseCompactTime(time, parts);
                char expectedTime[kTimeTextCapacity];
                char expectedDate[kTimeTextCapacity];
                if (timeStyle == 1) {
                    FormatClockTime(parts, expectedTime, true);
                } else {
                    FormatCompactTime(parts, expectedTime);
                }
                if (dateStyle == 1) {
                    FormatDate(expectedDate, parts, settings.dateOrder, settings.dateSeparator);
                } else {
                    FormatCompactDate(parts, expectedDate);
                }
                EXPECT_STREQ(timeText, expectedTime) << time;
                EXPECT_STREQ(dateText, expectedDate) << time;
            }
        }
    }
}

}  // namespace
