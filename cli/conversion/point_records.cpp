// Records made for a database or text file: from the tool's points, in the
// text forms the library itself leaves in its records, or copied from the
// library's own; either way with their texts fitted to the record.
#include <cstring>
#include <ostream>

#include "conversion/records.h"
#include "files/failure.h"
#include "values/encoding.h"
#include "values/values.h"

namespace vezuved_cli {
namespace {

// Copies text into a fixed field, cut to leave room for its NUL.
template <size_t N>
void Put(char (&field)[N], const std::string& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

void SetDescription(RLPointRecord& record, const std::string& text, const std::string& target) {
    if (!text.empty() && RLSetPointDesc(&record, text.c_str()) != 0) {
        FailConversion("memory ran out while making the records of '" + target + "'");
    }
}

}  // namespace

OwnedRecords::OwnedRecords(
    std::ostream& err, const PointSet& set, const std::string& target, RecordUse use, bool feetAsRead) {
    records_.resize(set.points.size());
    FittingReport fitting;
    for (size_t i = 0; i < set.points.size(); ++i) {
        const Point& point = set.points[i];
        RLPointRecord& record = records_[i];
        std::memset(&record, 0, sizeof record);
        Put(record.name, FitRecordText(point.name, use, RecordField::Name, kNameRoom, fitting));
        Put(record.icon, FitRecordText(point.icon, use, RecordField::Icon, kNameRoom, fitting));
        if (point.latitude) Put(record.latitude, FormatFixed(*point.latitude, 7));
        if (point.longitude) Put(record.longitude, FormatFixed(*point.longitude, 7));
        // Feet of exactly 0.3048 m, with seven decimals as the library
        // writes a converted elevation: the metres a point was read with
        // come back as they were.
        if (feetAsRead && point.elevationFeet) {
            // The text's feet as it wrote them, as the library's import keeps them.
            const std::string feet = FormatShortest(*point.elevationFeet);
            Put(record.elevation, feet);
        } else if (point.elevationMetres) {
            Put(record.elevation, FormatFixed(*point.elevationMetres / kMetresPerFoot, 7));
        } else if (point.elevationFeet) {
            Put(record.elevation, FormatFixed(*point.elevationFeet, 7));
        }
        if (point.time) Put(record.time, FormatRecordTime(*point.time));
        if (point.description) {
            SetDescription(
                record, FitRecordText(*point.description, use, RecordField::Description, 0, fitting), target);
        }
    }
    err << FittingWarning(target, fitting);
}

}  // namespace vezuved_cli
