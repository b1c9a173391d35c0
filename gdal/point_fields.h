// A database's points as OGR features and back: the fields every layer of
// the driver has, and what a feature of any other source gives a point.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <ogrsf_frmts.h>

#include <vezuved/vezuved_core.h>

namespace vezuved_gdal {

// The fields of a point, in this order, in every layer the driver opens.
// elevation_ft is the record's own: its feet as the database wrote them,
// so a copy writes "11249" again rather than "11249.0000000".
enum PointField { kName, kDescription, kElevation, kTime, kSymbol, kElevationFeet, kPointFieldCount };

// A new layer definition in WGS 84 holding geometry, with the point fields
// (a layer read) or none yet (a layer being written, whose source names them).
OGRFeatureDefn* NewPointDefinition(const char* name, OGRwkbGeometryType geometry, bool withFields);

// The point's fields set on feature (a field the point lacks stays null);
// feet: its elevation as the record wrote it, or null.
void SetPointFields(OGRFeature& feature, const vezuved_point& point, const char* feet);

// A point made from a feature of any layer: its position and elevation from
// position (a Point), the rest from the fields whose names mean them (name;
// description or desc; elevation or ele; time or timestamp; symbol, sym or
// icon). The texts live in the point until it is dropped.
struct MadePoint {
    vezuved_point point{};
    std::string name, description, symbol;
    bool hasDescription = false;
    // The record's feet, while they still give the point's elevation.
    std::string feet;
    const vezuved_point& Finished();
};
MadePoint PointOfFeature(const OGRFeature& feature, const OGRPoint* position);

// The fields of a layer that no database holds (neither a point field nor
// one of their other names) and a feature gives a value, as "a, b".
std::string FieldsLeftOut(const OGRFeatureDefn& definition,
                          const std::vector<std::unique_ptr<OGRFeature>>& features);

// Whether a point of GDAL's GPX driver begins another segment, track or
// route than the previous one's (its order fields say so).
bool BeginsSegment(const OGRFeature& feature, const OGRFeature* previous);

}  // namespace vezuved_gdal
