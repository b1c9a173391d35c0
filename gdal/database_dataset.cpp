#include "database_dataset.h"

#include <cstring>
#include <utility>

#include <vezuved/vezuved_core.h>

#include "point_fields.h"

namespace vezuved_gdal {
namespace {

// A Palm database header: its type and creator codes stand at 60 and 64.
constexpr int kHeaderSize = 78;
constexpr int kTypeAt = 60, kCreatorAt = 64;

// A collection, freed with its owner.
struct Collection {
    vezuved_collection* handle = vezuved_collection_new();
    ~Collection() { vezuved_collection_free(handle); }
    Collection() = default;
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;
};

// Each warning of the core's last call, as GDAL's warnings.
void SayWarnings(const Collection& collection) {
    for (int32_t i = 0; i < vezuved_warning_count(collection.handle); ++i) {
        vezuved_warning warning{};
        if (vezuved_get_warning(collection.handle, i, &warning) == VEZUVED_OK)
            CPLError(CE_Warning, CPLE_AppDefined, "%s", warning.message);
    }
}

bool IsLine(OGRwkbGeometryType geometry) {
    const OGRwkbGeometryType flat = wkbFlatten(geometry);
    return flat == wkbLineString || flat == wkbMultiLineString;
}

// The set kind a layer creation option names; -1 for none, -2 for a wrong one.
int32_t KindOption(char** options) {
    const char* kind = CSLFetchNameValue(options, "KIND");
    if (kind == nullptr) return -1;
    if (EQUAL(kind, "POINTS")) return VEZUVED_SET_WAYPOINTS;
    if (EQUAL(kind, "ROUTE")) return VEZUVED_SET_ROUTE;
    if (EQUAL(kind, "TRACK")) return VEZUVED_SET_TRACK;
    CPLError(CE_Failure, CPLE_IllegalArg, "KIND=%s: a database holds POINTS, a ROUTE or a TRACK", kind);
    return -2;
}

// What a database of the layer's points cannot hold, said once for it.
struct LeftOut {
    size_t joined = 0;    // segment breaks (parts after a first) joined
    size_t unplaced = 0;  // features without a point or line
    std::string fields;   // fields of no meaning to a database
    void Say(const std::string& layer) const {
        if (joined > 0)
            CPLError(CE_Warning,
                     CPLE_AppDefined,
                     "%zu segment break(s) of '%s' are joined: a database holds one unbroken route or track",
                     joined,
                     layer.c_str());
        if (unplaced > 0)
            CPLError(CE_Warning,
                     CPLE_AppDefined,
                     "%zu feature(s) of '%s' have no point or line and are left out",
                     unplaced,
                     layer.c_str());
        if (!fields.empty())
            CPLError(CE_Warning,
                     CPLE_AppDefined,
                     "the field(s) %s of '%s' have no place in a database and are left out",
                     fields.c_str(),
                     layer.c_str());
    }
};

}  // namespace

int DatabaseDataset::Identify(GDALOpenInfo* info) {
    if (info->nHeaderBytes < kHeaderSize) return FALSE;
    const char* header = reinterpret_cast<const char*>(info->pabyHeader);
    const bool points = std::memcmp(header + kTypeAt, "PoLi", 4) == 0;
    const bool lines = std::memcmp(header + kTypeAt, "UsTr", 4) == 0;
    return (points || lines) && std::memcmp(header + kCreatorAt, "ZiZu", 4) == 0;
}

DatabaseDataset::DatabaseDataset(const std::string& path, bool writable) : path_(path), writable_(writable) {
    SetDescription(path.c_str());
}

DatabaseDataset::~DatabaseDataset() { DatabaseDataset::FlushCache(true); }

GDALDataset* DatabaseDataset::Open(GDALOpenInfo* info) {
    if (!Identify(info) || (info->nOpenFlags & GDAL_OF_VECTOR) == 0) return nullptr;
    if (STARTS_WITH(info->pszFilename, "/vsi")) {
        CPLError(CE_Failure,
                 CPLE_OpenFailed,
                 "'%s': the VEZUVed driver reads files on disk only",
                 info->pszFilename);
        return nullptr;
    }
    std::unique_ptr<DatabaseDataset> dataset(
        new DatabaseDataset(info->pszFilename, info->eAccess == GA_Update));
    Collection collection;
    vezuved_read_options read{};
    read.format = VEZUVED_FORMAT_PDB;
    if (collection.handle == nullptr ||
        vezuved_read(collection.handle, info->pszFilename, &read) != VEZUVED_OK) {
        CPLError(CE_Failure,
                 CPLE_OpenFailed,
                 "%s",
                 collection.handle != nullptr ? vezuved_error_message(collection.handle) : "memory ran out");
        return nullptr;
    }
    SayWarnings(collection);
    if (!dataset->ReadSet(collection.handle)) return nullptr;
    dataset->changed_ = false;
    return dataset.release();
}

PointLayer* DatabaseDataset::AddLayer(const std::string& name, OGRwkbGeometryType geometry, bool read) {
    layers_.push_back(std::make_unique<PointLayer>(
        NewPointDefinition(name.c_str(), geometry, read),
        writable_,
        [this] { changed_ = true; },
        [this] { return Save(); }));
    toWgs84_.emplace_back();
    return layers_.back().get();
}

bool DatabaseDataset::ReadSet(vezuved_collection* collection) {
    kind_ = vezuved_set_kind(collection, 0);
    const std::string name = vezuved_set_name(collection, 0);
    const int64_t count = vezuved_set_point_count(collection, 0);
    std::vector<vezuved_point> points(static_cast<size_t>(count > 0 ? count : 0));
    bool everyElevation = count > 0;
    for (int64_t i = 0; i < count; ++i) {
        if (vezuved_get_point(collection, 0, i, &points[static_cast<size_t>(i)]) != VEZUVED_OK) {
            CPLError(CE_Failure, CPLE_AppDefined, "%s", vezuved_error_message(collection));
            return false;
        }
        everyElevation = everyElevation && points[static_cast<size_t>(i)].has_elevation != 0;
    }
    // A position is 3D only when every point has an elevation: none is made up.
    const auto position = [everyElevation](const vezuved_point& point) {
        return everyElevation ? new OGRPoint(point.longitude, point.latitude, point.elevation)
                              : new OGRPoint(point.longitude, point.latitude);
    };
    const bool line = kind_ != VEZUVED_SET_WAYPOINTS;
    const char* kind = kind_ == VEZUVED_SET_ROUTE ? "ROUTE" : kind_ == VEZUVED_SET_TRACK ? "TRACK" : "POINTS";
    PointLayer* pointLayer = nullptr;
    if (line) {
        PointLayer* lineLayer = AddLayer(name, everyElevation ? wkbLineString25D : wkbLineString, true);
        lineLayer->RefuseChanges("the " + std::string(kind_ == VEZUVED_SET_ROUTE ? "route" : "track") + " '" +
                                 name + "' is drawn through its points: edit them in '" + name + "_points'");
        auto feature = std::make_unique<OGRFeature>(lineLayer->GetLayerDefn());
        auto drawn = std::make_unique<OGRLineString>();
        for (const vezuved_point& point : points) {
            std::unique_ptr<OGRPoint> at(position(point));
            drawn->addPoint(at.get());
        }
        drawn->assignSpatialReference(lineLayer->GetLayerDefn()->GetGeomFieldDefn(0)->GetSpatialRef());
        feature->SetGeometryDirectly(drawn.release());
        feature->SetField(kName, name.c_str());
        lineLayer->Add(std::move(feature));
        lineLayer->SetMetadataItem("KIND", kind);
        pointLayer = AddLayer(name + "_points", everyElevation ? wkbPoint25D : wkbPoint, true);
    } else {
        pointLayer = AddLayer(name, everyElevation ? wkbPoint25D : wkbPoint, true);
    }
    // A copy (ogr2ogr keeps a layer's metadata) says what it was written from.
    pointLayer->SetMetadataItem("KIND", kind);
    for (const vezuved_point& point : points) {
        auto feature = std::make_unique<OGRFeature>(pointLayer->GetLayerDefn());
        OGRPoint* at = position(point);
        at->assignSpatialReference(pointLayer->GetLayerDefn()->GetGeomFieldDefn(0)->GetSpatialRef());
        feature->SetGeometryDirectly(at);
        char feet[64];
        const int64_t index = static_cast<int64_t>(pointLayer->Features().size());
        const bool recorded = vezuved_get_elevation_feet_text(collection, 0, index, feet, sizeof feet) >= 0;
        SetPointFields(*feature, point, recorded ? feet : nullptr);
        pointLayer->Add(std::move(feature));
    }
    return true;
}

GDALDataset* DatabaseDataset::Create(const char* path, int, int, int bands, GDALDataType, char** options) {
    if (bands != 0) {
        CPLError(CE_Failure, CPLE_NotSupported, "a database holds points, not a raster");
        return nullptr;
    }
    std::unique_ptr<DatabaseDataset> dataset(new DatabaseDataset(path, true));
    const char* encoding = CSLFetchNameValueDef(options, "ENCODING", "WINDOWS-1252");
    if (EQUAL(encoding, "UTF-8")) {
        dataset->encoding_ = VEZUVED_ENCODING_UTF8;
    } else if (!EQUAL(encoding, "WINDOWS-1252")) {
        CPLError(CE_Failure, CPLE_IllegalArg, "ENCODING=%s: say WINDOWS-1252 or UTF-8", encoding);
        return nullptr;
    }
    // Written when it closes; a file that cannot be written then keeps what was there.
    dataset->changed_ = true;
    return dataset.release();
}

CPLErr DatabaseDataset::Delete(const char* path) {
    // Said only to GDAL's debug log: GDAL asks this before every overwrite.
    CPLDebug(
        "VEZUVed", "'%s' is replaced whole when a new database is written; it is not deleted before", path);
    return CE_Failure;
}

OGRLayer* DatabaseDataset::GetLayer(int index) {
    return index >= 0 && index < GetLayerCount() ? layers_[static_cast<size_t>(index)].get() : nullptr;
}

int DatabaseDataset::TestCapability(const char* capability) {
    return EQUAL(capability, ODsCCreateLayer) && writable_ && layers_.size() < 2;
}

OGRLayer* DatabaseDataset::ICreateLayer(const char* name,
                                        OGRSpatialReference* reference,
                                        OGRwkbGeometryType geometry,
                                        char** options) {
    const bool companion = layers_.size() == 1 && kind_ != VEZUVED_SET_WAYPOINTS &&
                           wkbFlatten(geometry) == wkbPoint &&
                           std::string(name) == std::string(layers_.front()->GetName()) + "_points";
    if (!writable_ || (!layers_.empty() && !companion)) {
        CPLError(CE_Failure,
                 CPLE_NotSupported,
                 "a database file holds one set of points, one route or one track: '%s' is written to '%s'; "
                 "write '%s' to a file of its own",
                 layers_.empty() ? name : layers_.front()->GetName(),
                 path_.c_str(),
                 name);
        return nullptr;
    }
    if (layers_.empty()) {
        kindOption_ = KindOption(options);
        if (kindOption_ == -2) return nullptr;
        kind_ = kindOption_;
        if (kind_ == -1 && wkbFlatten(geometry) != wkbUnknown)
            kind_ = IsLine(geometry) ? VEZUVED_SET_TRACK : VEZUVED_SET_WAYPOINTS;
    }
    PointLayer* layer = AddLayer(name, geometry, false);
    if (reference != nullptr) {
        OGRSpatialReference wgs84;
        wgs84.SetWellKnownGeogCS("WGS84");
        wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        if (!reference->IsSame(&wgs84)) {
            toWgs84_.back().reset(OGRCreateCoordinateTransformation(reference, &wgs84));
            if (!toWgs84_.back()) return nullptr;  // GDAL has said why
        }
    }
    changed_ = true;
    return layer;
}

void DatabaseDataset::FlushCache(bool atClosing) {
    GDALDataset::FlushCache(atClosing);
    Save();
}

bool DatabaseDataset::Save() {
    if (!changed_) return true;
    changed_ = false;
    return Write();
}

bool DatabaseDataset::Write() {
    if (layers_.empty()) return true;
    PointLayer& main = *layers_.front();
    PointLayer* companion = layers_.size() > 1 ? layers_[1].get() : nullptr;
    // A route's or track's points with their fields, when they were given;
    // else the line's vertices.
    const bool fromCompanion = companion != nullptr && companion->GetFeatureCount(TRUE) > 0;
    PointLayer& source = fromCompanion ? *companion : main;
    // Without KIND, the kind a copy of one of our databases carries in its metadata.
    if (kindOption_ == -1) {
        const char* carried = main.GetMetadataItem("KIND");
        const int32_t said = carried == nullptr         ? -1
                             : EQUAL(carried, "POINTS") ? VEZUVED_SET_WAYPOINTS
                             : EQUAL(carried, "ROUTE")  ? VEZUVED_SET_ROUTE
                             : EQUAL(carried, "TRACK")  ? VEZUVED_SET_TRACK
                                                        : -1;
        if (said != -1) kind_ = said;
    }
    const OGRCoordinateTransformation* transform = toWgs84_[fromCompanion ? 1 : 0].get();
    std::vector<MadePoint> points;
    LeftOut left;
    left.fields = FieldsLeftOut(*source.GetLayerDefn(), source.Features());
    const OGRFeature* previous = nullptr;
    for (const auto& feature : source.Features()) {
        if (!feature) continue;
        left.joined += BeginsSegment(*feature, previous) ? 1 : 0;
        previous = feature.get();
        std::unique_ptr<OGRGeometry> geometry(feature->GetGeometryRef() ? feature->GetGeometryRef()->clone()
                                                                        : nullptr);
        if (geometry && transform != nullptr &&
            geometry->transform(const_cast<OGRCoordinateTransformation*>(transform)) != OGRERR_NONE) {
            CPLError(
                CE_Failure, CPLE_AppDefined, "a position of '%s' has no place in WGS 84", source.GetName());
            return false;
        }
        const OGRwkbGeometryType type = geometry ? wkbFlatten(geometry->getGeometryType()) : wkbNone;
        if (kind_ == -1 && type != wkbNone) kind_ = IsLine(type) ? VEZUVED_SET_TRACK : VEZUVED_SET_WAYPOINTS;
        if (type == wkbPoint) {
            points.push_back(PointOfFeature(*feature, geometry->toPoint()));
            continue;
        }
        std::vector<const OGRLineString*> parts;
        if (type == wkbLineString) parts.push_back(geometry->toLineString());
        if (type == wkbMultiLineString)
            for (const OGRLineString* part : geometry->toMultiLineString()) parts.push_back(part);
        if (parts.empty()) ++left.unplaced;
        for (const OGRLineString* part : parts) {
            left.joined += points.empty() ? 0 : 1;
            for (int i = 0; i < part->getNumPoints(); ++i) {
                OGRPoint vertex;
                part->getPoint(i, &vertex);
                points.push_back(MadePoint());
                points.back().point.latitude = vertex.getY();
                points.back().point.longitude = vertex.getX();
                points.back().point.has_elevation = vertex.Is3D() ? 1 : 0;
                points.back().point.elevation = vertex.Is3D() ? vertex.getZ() : 0;
            }
        }
    }
    left.Say(source.GetName());
    Collection collection;
    if (collection.handle == nullptr) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "cannot write '%s': memory ran out", path_.c_str());
        return false;
    }
    const int32_t set =
        vezuved_add_set(collection.handle, kind_ < 0 ? VEZUVED_SET_WAYPOINTS : kind_, main.GetName());
    bool made = set >= 0;
    for (size_t i = 0; made && i < points.size(); ++i) {
        made = vezuved_add_point(collection.handle, set, &points[i].Finished()) == VEZUVED_OK &&
               (points[i].feet.empty() ||
                vezuved_set_elevation_feet_text(
                    collection.handle, set, static_cast<int64_t>(i), points[i].feet.c_str()) == VEZUVED_OK);
    }
    vezuved_write_options write{};
    write.format = VEZUVED_FORMAT_PDB;
    write.encoding = encoding_;
    const bool written = made && vezuved_write(collection.handle, path_.c_str(), &write) == VEZUVED_OK;
    SayWarnings(collection);
    if (!written) CPLError(CE_Failure, CPLE_FileIO, "%s", vezuved_error_message(collection.handle));
    return written;
}

}  // namespace vezuved_gdal
