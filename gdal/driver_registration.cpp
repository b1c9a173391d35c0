// The VEZUVed driver's registration, the one name the plugin exports:
// GDAL loads ogr_VEZUVed from its plugin folder (or GDAL_DRIVER_PATH) and
// calls RegisterOGRVEZUVed.
#include <gdal_priv.h>

#include "database_dataset.h"

extern "C" __attribute__((visibility("default"))) void RegisterOGRVEZUVed() {
    if (!GDAL_CHECK_VERSION("VEZUVed") || GDALGetDriverByName("VEZUVed") != nullptr) return;
    GDALDriver* driver = new GDALDriver();
    driver->SetDescription("VEZUVed");
    driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
    driver->SetMetadataItem(GDAL_DCAP_CREATE, "YES");
    driver->SetMetadataItem(GDAL_DCAP_Z_GEOMETRIES, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, "VEZUVed handheld point, route and track databases");
    driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "pdb");
    driver->SetMetadataItem(GDAL_DMD_HELPTOPIC, "docs/gdal.md");
    driver->SetMetadataItem(GDAL_DMD_CREATIONFIELDDATATYPES, "Integer Integer64 Real String Date DateTime");
    driver->SetMetadataItem(
        GDAL_DMD_CREATIONOPTIONLIST,
        "<CreationOptionList>"
        "<Option name='ENCODING' type='string-select' default='WINDOWS-1252' "
        "description='How the texts are kept: the handheld&apos;s Windows-1252 (a character "
        "it lacks becomes ?, said once), or UTF-8 bytes'>"
        "<Value>WINDOWS-1252</Value><Value>UTF-8</Value></Option>"
        "</CreationOptionList>");
    driver->SetMetadataItem(GDAL_DS_LAYER_CREATIONOPTIONLIST,
                            "<LayerCreationOptionList>"
                            "<Option name='KIND' type='string-select' description='What the database holds; "
                            "by default a Point layer gives POINTS and a line layer a TRACK'>"
                            "<Value>POINTS</Value><Value>ROUTE</Value><Value>TRACK</Value></Option>"
                            "</LayerCreationOptionList>");
    driver->pfnIdentify = vezuved_gdal::DatabaseDataset::Identify;
    driver->pfnOpen = vezuved_gdal::DatabaseDataset::Open;
    driver->pfnCreate = vezuved_gdal::DatabaseDataset::Create;
    driver->pfnDelete = vezuved_gdal::DatabaseDataset::Delete;
    GetGDALDriverManager()->RegisterDriver(driver);
}
