// One line of text in any of the library's layouts turned into a point
// record with its texts in canonical form.
#pragma once

#include <cstdint>

#include "record/point_record.h"
#include "state/conversion_state.h"

// Size of the fresh description buffer a Garmin waypoint line gets.
constexpr size_t kGarminDescSize = 4002;

// 0 when the record was filled (or, with a null record, when the line would
// be accepted); -1 for a line that is no Garmin waypoint line in mode 3, or
// when a description buffer cannot be allocated.
int ParsePointLine(const char* line, PointRecord* record, int mode);

void NormalizePoint(PointRecord& record, uint16_t locFormat, uint16_t eleFormat);

int ParseWaypointLine(const char* line, PointRecord* record);
int ParseFixedLine(const char* line, PointRecord& record);
