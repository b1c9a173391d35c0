#include "core/set_records.h"

#include <algorithm>
#include <cstring>

#include "core/core_failure.h"
#include "sets/number_text.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {

WrittenRecords::WrittenRecords(size_t count) : records(count) {
    for (PointRecord& record : records) std::memset(&record, 0, sizeof record);
}

WrittenRecords::~WrittenRecords() {
    for (PointRecord& record : records) DescFree(record);
}

void FillRecords(const maps::PointSet& set,
                 maps::RecordUse use,
                 maps::RecordEncoding encoding,
                 const std::string& path,
                 WrittenRecords& written,
                 maps::FittingReport& fitting) {
    const auto fit = [&](const std::string& text, maps::RecordField field, size_t room) {
        return maps::FitRecordText(text, use, field, room, fitting, encoding);
    };
    for (size_t i = 0; i < set.points.size(); ++i) {
        const maps::Point& point = set.points[i];
        PointRecord& record = written.records[i];
        CopyField(record.name, fit(point.name, maps::RecordField::Name, maps::kNameRoom));
        CopyField(record.icon, fit(point.icon, maps::RecordField::Icon, maps::kNameRoom));
        if (point.latitude) CopyField(record.latitude, maps::FormatFixed(*point.latitude, 7));
        if (point.longitude) CopyField(record.longitude, maps::FormatFixed(*point.longitude, 7));
        // Feet read as text are written as they were read; other feet are
        // of exactly 0.3048 m, with seven decimals as the library writes a
        // converted elevation: metres come back as they went out.
        if (point.elevationFeet && point.feetDecimals >= 0) {
            CopyField(record.elevation, maps::FormatFixed(*point.elevationFeet, point.feetDecimals));
        } else if (point.elevationMetres) {
            CopyField(record.elevation, maps::FormatFixed(*point.elevationMetres / maps::kMetresPerFoot, 7));
        } else if (point.elevationFeet) {
            CopyField(record.elevation, maps::FormatFixed(*point.elevationFeet, 7));
        }
        if (point.time) CopyField(record.time, maps::FormatRecordTime(*point.time));
        if (point.description) {
            const std::string text = fit(*point.description, maps::RecordField::Description, 0);
            if (!text.empty() && !DescSetCopy(record, text.c_str())) {
                FailCore(VEZUVED_ERROR_MEMORY, "cannot write '" + path + "': memory ran out");
            }
        }
    }
}

void AddExtrasWarning(const std::string& path,
                      const maps::PointSet* sets,
                      size_t count,
                      const std::string& what,
                      maps::MapWarnings& warnings,
                      ExtrasHolder holder) {
    const auto held = [holder](maps::PointExtra extra) {
        return holder == ExtrasHolder::Gpx && maps::NamesOf(extra).place != maps::GpxPlace::None;
    };
    size_t points = 0;
    bool seen[maps::kPointExtraCount] = {};
    std::string values, texts;
    for (const maps::PointSet* set = sets; set != sets + count; ++set) {
        for (const maps::Point& point : set->points) {
            if (!point.extras) continue;
            bool some = false;
            for (const auto& [extra, text] : point.extras->values) {
                if (held(extra)) continue;
                some = seen[static_cast<size_t>(extra)] = true;
            }
            points += some ? 1 : 0;
        }
        if (holder == ExtrasHolder::Gpx) continue;
        for (const auto& [name, text] : set->extras) texts += (texts.empty() ? "" : ", ") + name;
    }
    for (size_t i = 0; i < maps::kPointExtraCount; ++i) {
        if (seen[i])
            values += (values.empty() ? "" : ", ") + std::string(maps::NamesOf(maps::PointExtra(i)).gpx);
    }
    if (points == 0 && texts.empty()) return;
    std::string cause;
    if (points > 0) {
        cause = std::to_string(points) + " point(s) hold values " + what + " cannot hold (" + values + ")";
    }
    if (!texts.empty()) {
        cause += (cause.empty() ? "" : "; ") + std::string("the set holds texts ") + what + " cannot hold (" +
                 texts + ")";
    }
    cause += "; they are left out";
    warnings.push_back({path, 0, cause, "'" + path + "': " + cause});
}

void AddFittingWarning(const std::string& path,
                       const maps::FittingReport& fitting,
                       maps::MapWarnings& warnings) {
    std::string fitted = maps::FittingWarning(path, fitting);
    if (fitted.empty()) return;
    // The sentence without the tool's "vezuved: warning: " and its line end.
    const std::string prefix = "vezuved: warning: ";
    if (fitted.compare(0, prefix.size(), prefix) == 0) fitted.erase(0, prefix.size());
    if (!fitted.empty() && fitted.back() == '\n') fitted.pop_back();
    const std::string quoted = "'" + path + "': ";
    const std::string cause =
        fitted.compare(0, quoted.size(), quoted) == 0 ? fitted.substr(quoted.size()) : fitted;
    warnings.push_back({path, 0, cause, fitted});
}

}  // namespace vezuved::core
