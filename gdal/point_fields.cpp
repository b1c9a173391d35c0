#include "point_fields.h"

#include <cmath>

#include <ogr_spatialref.h>

namespace vezuved_gdal {
namespace {

struct FieldNames {
    const char* field;
    OGRFieldType type;
    std::vector<const char*> others;  // what other sources call it
};

const FieldNames kFields[kPointFieldCount] = {
    {"name", OFTString, {}},
    {"description", OFTString, {"desc"}},
    {"elevation", OFTReal, {"ele"}},
    {"time", OFTDateTime, {"timestamp"}},
    {"symbol", OFTString, {"sym", "icon"}},
    {"elevation_ft", OFTString, {}},
};

// The fields GDAL's GPX driver orders a route's or track's points by: no
// values of a point, so nothing left out (a new segment is counted apart).
bool IsOrderField(const char* name) {
    for (const char* order :
         {"track_fid", "track_seg_id", "track_seg_point_id", "route_fid", "route_point_id"})
        if (EQUAL(name, order)) return true;
    return false;
}

// The index of the field that means field in definition, or -1.
int FieldMeaning(const OGRFeatureDefn& definition, PointField field) {
    int index = definition.GetFieldIndex(kFields[field].field);
    for (size_t i = 0; index < 0 && i < kFields[field].others.size(); ++i)
        index = definition.GetFieldIndex(kFields[field].others[i]);
    return index;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysOf(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
}

void DateOf(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

// A feature's time: a date and time field in its zone (none or local taken
// as UTC), or an ISO 8601 text.
std::optional<int64_t> TimeOf(const OGRFeature& feature, int index) {
    if (index < 0 || !feature.IsFieldSetAndNotNull(index)) return std::nullopt;
    const OGRFieldType type = feature.GetFieldDefnRef(index)->GetType();
    if (type == OFTString) {
        vezuved_iso_time moment{};
        if (vezuved_read_iso_time(feature.GetFieldAsString(index), &moment) != VEZUVED_OK)
            return std::nullopt;
        return moment.time;
    }
    if (type != OFTDateTime && type != OFTDate) return std::nullopt;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, zone = 0;
    float second = 0;
    if (!const_cast<OGRFeature&>(feature).GetFieldAsDateTime(
            index, &year, &month, &day, &hour, &minute, &second, &zone))
        return std::nullopt;
    const int64_t local = MillisecondsOf(year, month, day, hour, minute, second);
    return zone > 1 ? local - int64_t{zone - 100} * 15 * 60000 : local;
}

}  // namespace

int64_t MillisecondsOf(int year, int month, int day, int hour, int minute, double second) {
    return (DaysOf(year, month, day) * 86400 + hour * 3600 + minute * 60) * 1000 +
           static_cast<int64_t>(std::llround(second * 1000));
}

void CalendarOf(
    int64_t milliseconds, int& year, int& month, int& day, int& hour, int& minute, double& second) {
    int64_t days = milliseconds / 86400000, rest = milliseconds % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    DateOf(days, year, month, day);
    hour = static_cast<int>(rest / 3600000);
    minute = static_cast<int>(rest / 60000 % 60);
    second = static_cast<double>(rest % 60000) / 1000.0;
}

OGRFeatureDefn* NewPointDefinition(const char* name, OGRwkbGeometryType geometry, bool withFields) {
    OGRFeatureDefn* definition = new OGRFeatureDefn(name);
    definition->Reference();
    definition->SetGeomType(geometry);
    OGRSpatialReference* wgs84 = new OGRSpatialReference();
    wgs84->SetWellKnownGeogCS("WGS84");
    wgs84->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (geometry != wkbNone) definition->GetGeomFieldDefn(0)->SetSpatialRef(wgs84);
    wgs84->Release();
    for (const FieldNames& field : kFields) {
        if (!withFields) break;
        OGRFieldDefn made(field.field, field.type);
        definition->AddFieldDefn(&made);
    }
    return definition;
}

void SetPointFields(OGRFeature& feature, const vezuved_point& point, const char* feet) {
    feature.SetField(kName, point.name);
    if (point.description != nullptr) feature.SetField(kDescription, point.description);
    if (point.has_elevation != 0) feature.SetField(kElevation, point.elevation);
    if (point.has_time != 0) {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0;
        double second = 0;
        CalendarOf(point.time, year, month, day, hour, minute, second);
        feature.SetField(kTime, year, month, day, hour, minute, static_cast<float>(second), 100);
    }
    feature.SetField(kSymbol, point.symbol);
    if (feet != nullptr) feature.SetField(kElevationFeet, feet);
}

const vezuved_point& MadePoint::Finished() {
    point.name = name.c_str();
    point.symbol = symbol.c_str();
    point.description = hasDescription ? description.c_str() : nullptr;
    return point;
}

MadePoint PointOfFeature(const OGRFeature& feature, const OGRPoint* position) {
    const OGRFeatureDefn& definition = *feature.GetDefnRef();
    MadePoint made;
    if (position != nullptr) {
        made.point.latitude = position->getY();
        made.point.longitude = position->getX();
        if (position->Is3D()) {
            made.point.has_elevation = 1;
            made.point.elevation = position->getZ();
        }
    }
    const auto text = [&](PointField field, std::string& into) {
        const int index = FieldMeaning(definition, field);
        if (index < 0 || !feature.IsFieldSetAndNotNull(index)) return false;
        into = feature.GetFieldAsString(index);
        return true;
    };
    text(kName, made.name);
    made.hasDescription = text(kDescription, made.description);
    text(kSymbol, made.symbol);
    const int elevation = FieldMeaning(definition, kElevation);
    if (elevation >= 0 && feature.IsFieldSetAndNotNull(elevation)) {
        made.point.has_elevation = 1;
        made.point.elevation = feature.GetFieldAsDouble(elevation);
    }
    // Feet that no longer give the elevation (edited since) are not the record's.
    std::string feet;
    if (text(kElevationFeet, feet) &&
        (made.point.has_elevation == 0 ||
         std::fabs(CPLAtof(feet.c_str()) * 0.3048 - made.point.elevation) < 1e-9)) {
        made.feet = feet;
        if (made.point.has_elevation == 0) {
            made.point.has_elevation = 1;
            made.point.elevation = CPLAtof(feet.c_str()) * 0.3048;
        }
    }
    if (const std::optional<int64_t> time = TimeOf(feature, FieldMeaning(definition, kTime))) {
        made.point.has_time = 1;
        made.point.time = *time;
    }
    return made;
}

std::string FieldsLeftOut(const OGRFeatureDefn& definition,
                          const std::vector<std::unique_ptr<OGRFeature>>& features) {
    std::string left;
    for (int i = 0; i < definition.GetFieldCount(); ++i) {
        bool given = false;
        for (const auto& feature : features) given = given || (feature && feature->IsFieldSetAndNotNull(i));
        // A field without a value loses nothing.
        bool held = !given || IsOrderField(definition.GetFieldDefn(i)->GetNameRef());
        for (int field = 0; field < kPointFieldCount && !held; ++field)
            held = FieldMeaning(definition, static_cast<PointField>(field)) == i;
        if (!held) left += (left.empty() ? "" : ", ") + std::string(definition.GetFieldDefn(i)->GetNameRef());
    }
    return left;
}

bool BeginsSegment(const OGRFeature& feature, const OGRFeature* previous) {
    if (previous == nullptr) return false;
    for (const char* part : {"track_fid", "track_seg_id", "route_fid"}) {
        const int index = feature.GetDefnRef()->GetFieldIndex(part);
        if (index >= 0 && feature.GetFieldAsInteger64(index) != previous->GetFieldAsInteger64(index))
            return true;
    }
    return false;
}

}  // namespace vezuved_gdal
