// The one rule by which a text's time and date columns make an ISO 8601
// moment, for reading a text and for making a definition alike.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "sets/iso_time.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

TEST(IsoMoment, TimeAndDateColumnsMakeOneMomentOrNone) {
    const std::optional<std::string_view> none;
    const struct {
        std::optional<std::string_view> time, date;
        const char* moment;  // ISO 8601 UTC, or "" for none
    } cases[] = {
        {"2021-08-14T10:15:00+02:00", none, "2021-08-14T08:15:00Z"},     // a time with its date
        {"2021-08-14T10:15:00Z", "1999-01-01", "2021-08-14T10:15:00Z"},  // its own date wins
        {"10:15:00Z", "2021-08-14", "2021-08-14T10:15:00Z"},             // joined to the date
        {"10:15:00", "2021-08-14", "2021-08-14T10:15:00Z"},              // no zone: UTC
        {"10:15:00+02:00", none, "2000-01-01T08:15:00Z"},                // a zone, no date column
        {"10:15:00+02:00", "n/a", ""},                                   // a date column that is none
        {"10:15:00", none, ""},                                          // no date, no zone
        {"10:15:00Z", "2021-08-14T09:00:00Z", ""},                       // the date column holds a time
        {none, "2021-08-14", "2021-08-14T00:00:00Z"},                    // the date column alone
        {none, "10:15:00Z", ""},
        {"noon", "2021-08-14", ""},
        {none, none, ""},
    };
    for (const auto& c : cases) {
        const std::optional<IsoStamp> stamp = IsoMoment(c.time, c.date);
        EXPECT_EQ(stamp ? FormatIsoTime(StampMillis(*stamp)) : "", c.moment)
            << c.time.value_or("-") << " / " << c.date.value_or("-");
    }
}

}  // namespace
}  // namespace vezuved::maps
