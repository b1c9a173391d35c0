// Records made from the tool's points, in the text forms the library itself
// leaves in its records.
#include <cstring>
#include <iostream>

#include "support/encoding.h"
#include "support/failure.h"
#include "support/records.h"
#include "support/values.h"

namespace vezuved_cli {
namespace {

// Copies text into a fixed field, cut to leave room for its NUL.
template <size_t N>
void Put(char (&field)[N], const std::string& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

}  // namespace

OwnedRecords::OwnedRecords(const PointSet& set, const std::string& target) {
    records_.resize(set.points.size());
    bool lossy = false;
    for (size_t i = 0; i < set.points.size(); ++i) {
        const Point& point = set.points[i];
        RLPointRecord& record = records_[i];
        std::memset(&record, 0, sizeof record);
        Put(record.name, Utf8ToCp1252(point.name, &lossy));
        Put(record.icon, Utf8ToCp1252(point.icon, &lossy));
        if (point.latitude) Put(record.latitude, FormatFixed(*point.latitude, 7));
        if (point.longitude) Put(record.longitude, FormatFixed(*point.longitude, 7));
        // Feet of exactly 0.3048 m, with seven decimals as the library
        // writes a converted elevation: the metres a point was read with
        // come back as they were.
        if (point.elevationMetres) {
            Put(record.elevation, FormatFixed(*point.elevationMetres / kMetresPerFoot, 7));
        } else if (point.elevationFeet) {
            Put(record.elevation, FormatFixed(*point.elevationFeet, 7));
        }
        if (point.time) Put(record.time, FormatRecordTime(*point.time));
        if (point.description && !point.description->empty() &&
            RLSetPointDesc(&record, Utf8ToCp1252(*point.description, &lossy).c_str()) != 0) {
            FailConversion("memory ran out while making the records of '" + target + "'");
        }
    }
    if (lossy) {
        std::cerr << "vezuved: '" << target << "': some characters have no Windows-1252 form and are written as '?'\n";
    }
}

}  // namespace vezuved_cli
