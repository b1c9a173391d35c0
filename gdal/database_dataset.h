// A handheld database as a GDAL dataset. Opened, its one set is a layer
// named after the database: waypoints a Point layer; a route or track a
// LineString layer and a "<name>_points" layer of its points with their
// fields. Created (ogr2ogr -f VEZUVed) or opened for update, it is written
// whole through the library's core when it closes, so the previous file
// stays until the new one is complete.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <vezuved/vezuved_core.h>

#include "point_layer.h"

namespace vezuved_gdal {

class DatabaseDataset final : public GDALDataset {
public:
    static int Identify(GDALOpenInfo* info);
    static GDALDataset* Open(GDALOpenInfo* info);
    static GDALDataset* Create(const char* path, int, int, int bands, GDALDataType, char** options);
    // GDAL deletes a file before it creates one in its place: a database is
    // only ever replaced whole, so it refuses, and the old file stays until
    // the new one is complete.
    static CPLErr Delete(const char* path);
    ~DatabaseDataset() override;

    int GetLayerCount() override { return static_cast<int>(layers_.size()); }
    OGRLayer* GetLayer(int index) override;
    int TestCapability(const char* capability) override;
    void FlushCache(bool atClosing) override;

protected:
    OGRLayer* ICreateLayer(const char* name,
                           OGRSpatialReference* reference,
                           OGRwkbGeometryType geometry,
                           char** options) override;

private:
    DatabaseDataset(const std::string& path, bool writable);
    bool ReadSet(vezuved_collection* collection);
    PointLayer* AddLayer(const std::string& name, OGRwkbGeometryType geometry, bool read);
    bool Write();
    // Writes the database when something changed since it was last written.
    bool Save();

    std::string path_;
    bool writable_;
    bool changed_ = false;
    int32_t kind_ = -1;        // VEZUVED_SET_*; -1 until a layer or its first feature says
    int32_t kindOption_ = -1;  // the KIND a created layer was given, -1 for none
    int32_t encoding_ = VEZUVED_ENCODING_WINDOWS_1252;
    std::vector<std::unique_ptr<PointLayer>> layers_;
    // Each created layer's positions to WGS 84, when they are in another system.
    std::vector<std::unique_ptr<OGRCoordinateTransformation>> toWgs84_;
};

}  // namespace vezuved_gdal
