#include "point_fields.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

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
    // Read as the core reads any ISO 8601 time; no zone, or local, is UTC.
    const int offset = zone > 1 ? (zone - 100) * 15 : 0;
    const std::string text = CPLSPrintf("%04d-%02d-%02dT%02d:%02d:%06.3f%c%02d:%02d",
                                        year,
                                        month,
                                        day,
                                        hour,
                                        minute,
                                        second,
                                        offset < 0 ? '-' : '+',
                                        std::abs(offset) / 60,
                                        std::abs(offset) % 60);
    vezuved_iso_time moment{};
    if (vezuved_read_iso_time(text.c_str(), &moment) != VEZUVED_OK) return std::nullopt;
    return moment.time;
}

}  // namespace

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
    char iso[VEZUVED_ISO_TIME_SIZE];
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0;
    // The core's own text of the time, "2021-08-14T08:15:00.250Z", in its parts.
    if (point.has_time != 0 && vezuved_write_iso_time(point.time, iso, sizeof iso) > 0 &&
        std::sscanf(iso, "%d-%d-%dT%d:%d:%lf", &year, &month, &day, &hour, &minute, &second) == 6)
        feature.SetField(kTime, year, month, day, hour, minute, static_cast<float>(second), 100);
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
    if (text(kElevationFeet, feet)) {
        const double metres = CPLAtof(feet.c_str()) * 0.3048;
        if (made.point.has_elevation == 0 || std::fabs(metres - made.point.elevation) < 1e-9) {
            made.feet = feet;
            made.point.has_elevation = 1;
            made.point.elevation = metres;
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
