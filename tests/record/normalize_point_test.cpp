#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "record/record_parse.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

class NormalizePointTest : public FreshState {};

// Texts already in canonical form are kept as they are; every text must come
// out as writing the value it reads as gives.
TEST_F(NormalizePointTest, CoordinatesComeOutAsTheirValuesWrittenBack) {
    // The texts, '|' between them.
    std::istringstream list(
        "12.3456789|-12.3456789|0.0000000|-0.0000000|00.1234567|012.3456789|+1.0000000|1.00000000|1.000000|"
        "99999999.9999999|123456789.1234567|-89.9999999|179.9999999|1e1| 1.0000000|1.2345678x||N45 30.5|"
        "S45 30 30|0.5|-.5000000|5.");
    std::vector<std::string> texts;
    for (std::string text; std::getline(list, text, '|');) texts.push_back(text);
    for (uint16_t locFormat :
         {uint16_t{kLocNum}, uint16_t{kLocDeg}, uint16_t{kLocComp}, uint16_t{kLocDegNoSpace}}) {
        for (const std::string& text : texts) {
            OwnedRecord record;
            CopyField(record->latitude, text.c_str());
            CopyField(record->longitude, text.c_str());
            std::string trimmed = text;
            TrimSpaces(trimmed.data());
            trimmed.resize(std::strlen(trimmed.c_str()));
            char latitude[32];
            char longitude[32];
            FormatFixed7(ParseLatitudeText(trimmed.c_str(), locFormat), latitude, sizeof latitude);
            FormatFixed7(ParseLongitudeText(trimmed.c_str(), locFormat), longitude, sizeof longitude);
            NormalizePoint(record.record, locFormat, 0);
            EXPECT_STREQ(record->latitude, latitude) << "'" << text << "' format " << locFormat;
            EXPECT_STREQ(record->longitude, longitude) << "'" << text << "' format " << locFormat;
        }
    }
}

// The time's stored form itself: NormalizeTimeText.StoredForm.
TEST_F(NormalizePointTest, TimeIsPutInStoredForm) {
    OwnedRecord record;
    CopyField(record->time, "14:30:05");
    NormalizePoint(record.record, kLocNum, 0);
    EXPECT_STREQ(record->time, "143005 01012000");
}

}  // namespace
