#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "convert/number_text.h"
#include "layouts/column_text.h"
#include "layouts/layout_settings.h"
#include "record/columns.h"
#include "record/record_parse.h"
#include "support/test_support.h"

namespace {

// The fields as copied whole and then trimmed by NormalizePoint: what the
// delimited reader, which trims each field as it copies it, must give.
void ReadThenTrim(const char* line, PointRecord& record, const LayoutSettings& settings) {
    auto copy = [&](int slot, char* field, size_t maxChars) {
        const int c = settings.fieldMap[slot];
        if (c < 0) return;
        std::vector<char> text(maxChars + 1);
        GetColumn(line, text.data(), c, maxChars, settings.delimiter);
        std::memcpy(field, text.data(), std::strlen(text.data()) + 1);
    };
    copy(kSlotLatitude, record.latitude, 31);
    copy(kSlotLongitude, record.longitude, 31);
    copy(kSlotElevation, record.elevation, 31);
    copy(kSlotTime, record.time, 31);
    if (settings.fieldMap[kSlotDate] >= 0) {
        char date[16];
        GetColumn(line, date, settings.fieldMap[kSlotDate], 15, settings.delimiter);
        TrimSpaces(date);
        CopyField(record.time, std::string(record.time) + " " + date);
    }
    copy(kSlotName, record.name, 255);
    if (settings.fieldMap[kSlotIcon] < 0) {
        CopyField(record.icon, settings.defaultIcon);
    } else {
        copy(kSlotIcon, record.icon, 255);
    }
    NormalizePoint(record, settings.locFormat, settings.eleFormat);
}

TEST_F(FreshState, FieldsTrimmedAsCopiedAreThoseTrimmedAfter) {
    const std::string longName = "  " + std::string(300, 'n') + "  ";
    const std::string spacedTime = "   " + std::string(29, '1') + "   ";
    const std::vector<std::string> lines = {
        "  45.5 , -122.25 ,  100 , 120000  ,  Camp North  ,  Flag  , a note ",
        "45.5000000,-122.2500000,,143005 24122004,Home,House,",
        "   ,   ,   ,   ,   ,   ,   ",
        "\" 45.5 \",\" -1 \",\"  7\",\" 12:00:00 \",\" a, b \",\" c \"",
        "1,2,3," + spacedTime + "," + longName + ",Dot",
        "1,2,3,       12:00:00 ,n,i,d, 24.12.2004 ",
        "1,2",
        "",
    };
    using FieldMap = std::array<int16_t, kFieldMapSize>;
    const FieldMap plain = kDefaultFieldMap;
    FieldMap dated = kDefaultFieldMap;
    dated[kSlotDate] = 7;
    FieldMap noIcon = kDefaultFieldMap;
    noIcon[kSlotIcon] = -1;
    for (const FieldMap* map : std::vector<const FieldMap*>{&plain, &dated, &noIcon}) {
        for (const std::string& line : lines) {
            LayoutSettings settings;
            settings.fieldMap = map->data();
            settings.defaultIcon = "  Default  ";
            OwnedRecord read;
            OwnedRecord expected;
            ASSERT_EQ(ReadDelimitedColumns(line.c_str(), read.record, ',', settings), 0);
            ReadThenTrim(line.c_str(), expected.record, settings);
            SCOPED_TRACE(line);
            EXPECT_STREQ(read->latitude, expected->latitude);
            EXPECT_STREQ(read->longitude, expected->longitude);
            EXPECT_STREQ(read->elevation, expected->elevation);
            EXPECT_STREQ(read->time, expected->time);
            EXPECT_STREQ(read->name, expected->name);
            EXPECT_STREQ(read->icon, expected->icon);
        }
    }
}

}  // namespace
