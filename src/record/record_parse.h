// One line of text in any of the library's layouts turned into a point
// record with its texts in canonical form.
#pragma once

#include <cstdint>

#include "record/point_record.h"

// Parse modes: the values of the active layout, plus 0 for the line of a
// point database record.
enum ParseMode : int {
    kModeRecordLine = 0,
    kModeComma = 1,
    kModeTab = 2,
    kModeGarmin = 3,
    kModePlain = 4,
    kModeFixed = 5,
    kModePcx5 = 6,
    kModeSurvey = 7,
};

// Size of the fresh description buffer a Garmin waypoint line gets.
constexpr size_t kGarminDescSize = 4002;

// 0 when the record was filled (or, with a null record, when the line would
// be accepted); -1 for a line that is no Garmin waypoint line in mode 3, or
// when a description buffer cannot be allocated.
int ParsePointLine(const char* line, PointRecord* record, int mode);

void NormalizePoint(PointRecord& record, uint16_t locFormat, uint16_t eleFormat);

int ParseWaypointLine(const char* line, PointRecord* record);
int ParseFixedLine(const char* line, PointRecord& record);
