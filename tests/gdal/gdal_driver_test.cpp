// The GDAL driver as GIS users reach it: ogrinfo and ogr2ogr from Debian's
// gdal-bin, Python's osgeo.ogr and GeoPandas load the built plugin through
// GDAL_DRIVER_PATH, and what they read and write is held against what the
// tool reads and writes. Skipped where GDAL's programs or the plugin are not.
#include <cstdlib>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace cli_test {
namespace {

// Debian's interpreter, which has python3-gdal and GeoPandas (a python3
// earlier on the PATH may not).
std::string Python() { return HasProgram("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

class GdalDriver : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (IsSkipped()) return;
        const char* build = std::getenv("VEZUVED_BUILD_DIR");
        const std::string plugins = std::string(build != nullptr ? build : ".") + "/gdalplugins";
        if (!FileExists(plugins + "/ogr_VEZUVed.so")) GTEST_SKIP() << "the GDAL driver was not built";
        if (!HasProgram("ogrinfo") || !HasProgram("ogr2ogr")) GTEST_SKIP() << "gdal-bin is not installed";
        SetVariable("GDAL_DRIVER_PATH", plugins.c_str());
    }

    // What a shell command printed on standard output and error, and its status.
    ToolResult Shell(const std::string& command) const {
        ToolResult result;
        result.status = RunShell(command + " > " + Quoted(Out("said.txt")) + " 2>&1");
        result.out = ReadFile(Out("said.txt"));
        return result;
    }
    std::string Said(const std::string& command) const {
        const ToolResult result = Shell(command);
        EXPECT_EQ(result.status, 0) << command << "\n" << result.out;
        return result.out;
    }

    // A database of each kind the tool writes from the examples: four
    // summits, a route of five points and a track of eight, each named
    // after its file.
    struct Kind {
        const char* name;
        const char* data;
        const char* definition;
        const char* layer;  // the layer holding its points
    };
    static const std::vector<Kind>& Kinds() {
        static const std::vector<Kind> kinds = {{"summits", "summits.csv", "name-first.cal", "summits"},
                                                {"lake", "lake-loop-route.csv", "route.cal", "lake_points"},
                                                {"hike", "hike-track.csv", "track.cal", "hike_points"}};
        return kinds;
    }
    std::string Database(const Kind& kind) const {
        const std::string path = Out(std::string(kind.name) + ".pdb");
        if (!FileExists(path)) Ok({"convert", DataFile(kind.data), path, "-d", FormatFile(kind.definition)});
        return path;
    }
};

// The database's bytes with the header's creation, modification and backup
// dates (bytes 36 to 47) set to zero: the only bytes two writes may differ in.
std::string Undated(const std::string& path) {
    std::string bytes = ReadFile(path);
    if (bytes.size() >= 48) bytes.replace(36, 12, 12, '\0');
    return bytes;
}

TEST_F(GdalDriver, OgrinfoDocumentsTheDriverAndItsOptions) {
    const std::string format = Said("ogrinfo --format VEZUVed");
    for (const char* part : {"Long Name: VEZUVed handheld point, route and track databases",
                             "Extension: pdb",
                             "Supports: Create()",
                             "<Option name=\"ENCODING\"",
                             "<Option name=\"KIND\"",
                             "<Value>ROUTE</Value>"})
        EXPECT_NE(format.find(part), std::string::npos) << part << "\n" << format;
}

TEST_F(GdalDriver, OgrinfoListsTheLayersOfEachKindWithTypesCountsAndExtents) {
    const std::vector<std::pair<const char*, std::vector<std::string>>> expected = {
        {"summits",
         {"Layer name: summits\nMetadata:\n  KIND=POINTS\nGeometry: 3D Point\nFeature Count: 4\n"
          "Extent: (-122.195600, 44.674300) - (-121.490900, 46.202400)\n"}},
        {"lake",
         {"Layer name: lake\nMetadata:\n  KIND=ROUTE\nGeometry: Line String\nFeature Count: 1\n"
          "Extent: (-121.755000, 45.331100) - (-121.711300, 45.350500)\n",
          "Layer name: lake_points\nMetadata:\n  KIND=ROUTE\nGeometry: Point\nFeature Count: 5\n"}},
        {"hike",
         {"Layer name: hike\nMetadata:\n  KIND=TRACK\nGeometry: 3D Line String\nFeature Count: 1\n"
          "Extent: (-121.711300, 45.331100) - (-121.691500, 45.360200)\n",
          "Layer name: hike_points\nMetadata:\n  KIND=TRACK\nGeometry: 3D Point\nFeature Count: 8\n"}}};
    for (size_t i = 0; i < Kinds().size(); ++i) {
        const std::string info = Said("ogrinfo -so -al " + Quoted(Database(Kinds()[i])));
        for (const std::string& layer : expected[i].second)
            EXPECT_NE(info.find(layer), std::string::npos) << layer << "\n" << info;
    }
}

// Each point's values as osgeo.ogr reads them, printed as `vezuved show
// --output csv` prints a point: the same values, to the last digit.
TEST_F(GdalDriver, EveryValueIsWhatTheToolShows) {
    WriteFile(Out("list.py"), R"(import sys
from osgeo import ogr
ogr.UseExceptions()
data = ogr.Open(sys.argv[1])
layer = data.GetLayerByName(sys.argv[2])
print("name,latitude,longitude,elevation_ft,time,icon,description", end="\r\n")
for f in layer:
    p = f.GetGeometryRef()
    feet = float(f["elevation_ft"]) if f["elevation_ft"] else None
    assert f["elevation"] is None or abs(f["elevation"] - feet * 0.3048) < 1e-9, f["elevation"]
    feet = "%.7f" % feet if feet is not None else ""
    time = ""
    if f.IsFieldSetAndNotNull("time"):
        y, mo, d, h, mi, s, z = f.GetFieldAsDateTime("time")
        ms = round(s * 1000) % 1000
        time = "%04d-%02d-%02dT%02d:%02d:%02d%sZ" % (y, mo, d, h, mi, int(s), ".%03d" % ms if ms else "")
    print(",".join([f["name"], "%.7f" % p.GetY(), "%.7f" % p.GetX(), feet, time, f["symbol"],
                    f["description"] or ""]), end="\r\n")
)");
    for (const Kind& kind : Kinds()) {
        const std::string database = Database(kind);
        EXPECT_EQ(Said(Python() + " " + Quoted(Out("list.py")) + " " + Quoted(database) + " " + kind.layer),
                  Ok({"show", database, "--output", "csv"}))
            << kind.name;
    }
}

// Debian ships no test_ogrsf: its generic checks of a driver are asked
// here of the attribute and spatial filters, counts and look-ups by id.
TEST_F(GdalDriver, FiltersCountsAndLookUpsGoThroughOgrsGenericPaths) {
    const std::string hike = Quoted(Database(Kinds()[2]));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"-where \"name = 'TP003'\"", "Feature Count: 1\n"},
        {"-where \"elevation > 2000\"", "Feature Count: 5\n"},
        {"-where \"time >= '2021/08/14 09:40:00'\"", "Feature Count: 3\n"},
        {"-spat -121.71 45.33 -121.70 45.345", "Feature Count: 3\n"},
        {"-fid 7", "OGRFeature(hike_points):7\n  name (String) = TP008\n"}};
    for (const auto& [filter, expected] : cases) {
        const std::string info = Said("ogrinfo -al " + filter + " " + hike + " hike_points");
        EXPECT_NE(info.find(expected), std::string::npos) << filter << "\n" << info;
    }
    EXPECT_EQ(Said("ogrinfo -al -q -fid 8 " + hike + " hike_points").find("OGRFeature"), std::string::npos);
}

TEST_F(GdalDriver, ACopyThroughGeoPackageGivesBackEveryRecordByte) {
    for (const Kind& kind : Kinds()) {
        const std::string database = Database(kind), copy = Out(std::string(kind.name) + ".gpkg");
        const std::string back =
            FreshFolder(Out(std::string("back-") + kind.name)) + "/" + kind.name + ".pdb";
        Said("ogr2ogr -f GPKG " + Quoted(copy) + " " + Quoted(database));
        Said("ogr2ogr -f VEZUVed " + Quoted(back) + " " + Quoted(copy));
        EXPECT_EQ(Undated(back), Undated(database)) << kind.name;
    }
}

// GIS files written by ogr2ogr -f VEZUVed and by `vezuved convert` from the
// same input: the same database, byte for byte but its dates.
TEST_F(GdalDriver, WritesWhatTheToolWritesFromTheSameFile) {
    WriteFile(Out("camp.geojson"),
              R"({"type":"FeatureCollection","features":[
{"type":"Feature","geometry":{"type":"Point","coordinates":[13.5123,46.3781,1205.5]},
 "properties":{"name":"Camp Vogel","desc":"by the lake","sym":"Campground","time":"2024-07-01T18:30:00.250Z"}},
{"type":"Feature","geometry":{"type":"Point","coordinates":[13.837,46.3783]},"properties":{"name":"Triglav hut","sym":"Lodge"}}]})");
    WriteFile(Out("walk.geojson"),
              R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"walk"},
"geometry":{"type":"LineString","coordinates":[[13.5,46.3,900],[13.51,46.31,950.25],[13.52,46.305,1001]]}}]})");
    WriteFile(Out("huts.geojson"),
              R"({"type":"FeatureCollection","features":[
{"type":"Feature","geometry":{"type":"Point","coordinates":[13.837,46.3783]},"properties":{"name":"Triglav hut","desc":"open in summer","sym":"Lodge"}},
{"type":"Feature","geometry":{"type":"Point","coordinates":[13.7,46.4]},"properties":{"name":"Vodnik hut","sym":"Lodge"}}]})");
    Said("ogr2ogr -f GPKG " + Quoted(Out("camp.gpkg")) + " " + Quoted(Out("camp.geojson")));
    Said("ogr2ogr -f 'ESRI Shapefile' " + Quoted(Out("huts.shp")) + " " + Quoted(Out("huts.geojson")));
    for (const std::string input : {"camp.geojson", "camp.gpkg", "walk.geojson", "huts.shp"}) {
        const std::string stem = input.substr(0, input.find('.')), same = stem + ".geojson";
        const std::string ours = FreshFolder(Out("tool-" + input)) + "/" + stem + ".pdb";
        const std::string theirs = FreshFolder(Out("gdal-" + input)) + "/" + stem + ".pdb";
        Ok({"convert", Out(same), ours});
        Said("ogr2ogr -f VEZUVed " + Quoted(theirs) + " " + Quoted(Out(input)));
        EXPECT_EQ(Undated(theirs), Undated(ours)) << input;
    }
    // A GPX track as GDAL's GPX driver gives it: its points, with their
    // elevations and times, are the layer track_points.
    const std::string gpx = Out("hike.gpx");
    Ok({"convert", Database(Kinds()[2]), gpx});
    const std::string ours = FreshFolder(Out("tool-gpx")) + "/hike.pdb";
    const std::string theirs = FreshFolder(Out("gdal-gpx")) + "/hike.pdb";
    Ok({"convert", gpx, ours});
    EXPECT_EQ(
        Said("ogr2ogr -f VEZUVed -lco KIND=TRACK " + Quoted(theirs) + " " + Quoted(gpx) + " track_points"),
        "");
    EXPECT_EQ(Undated(theirs), Undated(ours));
}

TEST_F(GdalDriver, SaysOncePerLayerWhatADatabaseCannotHold) {
    WriteFile(
        Out("parts.geojson"),
        R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"x","heart":"90"},
"geometry":{"type":"MultiLineString","coordinates":[[[13.5,46.3],[13.51,46.31]],[[13.6,46.3],[13.61,46.31]],[[13.7,46.3],[13.71,46.31]]]}}]})");
    WriteFile(Out("names.geojson"),
              R"({"type":"FeatureCollection","features":[
{"type":"Feature","geometry":{"type":"Point","coordinates":[37.6,55.7]},"properties":{"name":"Москва"}},
{"type":"Feature","geometry":{"type":"Point","coordinates":[30.3,59.9]},"properties":{"name":"Питер"}}]})");
    const std::string route = Out("a database name of more than thirty-one bytes.pdb");
    const ToolResult parts =
        Shell("ogr2ogr -f VEZUVed -lco KIND=ROUTE " + Quoted(route) + " " + Quoted(Out("parts.geojson")));
    EXPECT_EQ(parts.status, 0) << parts.out;
    for (const std::string& warning : std::vector<std::string>{
             "2 segment break(s) of 'parts' are joined: a database holds one unbroken route or track",
             "the field(s) heart of 'parts' have no place in a database and are left out",
             "the database in '" + route +
                 "' is named 'a database name of more than th': a database name holds at most 31 characters"})
        EXPECT_EQ(Count(parts.out, "Warning 1: " + warning + "\n"), 1u) << warning << parts.out;
    EXPECT_NE(Ok({"show", route}).find("6 point(s), route"), std::string::npos);

    WriteFile(
        Out("segments.gpx"),
        R"(<?xml version="1.0"?><gpx version="1.1" creator="t" xmlns="http://www.topografix.com/GPX/1/1">)"
        R"(<trk><trkseg><trkpt lat="46" lon="13"><ele>5</ele></trkpt><trkpt lat="46.1" lon="13"/></trkseg>)"
        R"(<trkseg><trkpt lat="46.2" lon="13"/></trkseg></trk></gpx>)");
    EXPECT_EQ(
        Said("ogr2ogr -f VEZUVed -lco KIND=TRACK " + Quoted(Out("segments.pdb")) + " " +
             Quoted(Out("segments.gpx")) + " track_points"),
        "Warning 1: 1 segment break(s) of 'track_points' are joined: a database holds one unbroken route or "
        "track\n");

    const ToolResult names =
        Shell("ogr2ogr -f VEZUVed " + Quoted(Out("names.pdb")) + " " + Quoted(Out("names.geojson")));
    EXPECT_EQ(names.status, 0) << names.out;
    EXPECT_EQ(Count(names.out, "text fitted to the record: 2 field(s) had characters replaced"), 1u)
        << names.out;
    EXPECT_NE(Ok({"show", Out("names.pdb")}).find("??????"), std::string::npos);
    Said("ogr2ogr -f VEZUVed -dsco ENCODING=UTF-8 " + Quoted(Out("names8.pdb")) + " " +
         Quoted(Out("names.geojson")));
    EXPECT_NE(ReadFile(Out("names8.pdb")).find("Москва"), std::string::npos);
}

TEST_F(GdalDriver, MoreRecordsThanADatabaseHoldsFailAndWriteNothing) {
    std::string csv = "x,y\n";
    for (int i = 0; i < 65536; ++i) csv += "13." + std::to_string(i) + ",46.5\n";
    WriteFile(Out("many.csv"), csv);
    const ToolResult many = Shell("ogr2ogr -f VEZUVed -oo X_POSSIBLE_NAMES=x -oo Y_POSSIBLE_NAMES=y " +
                                  Quoted(Out("many.pdb")) + " " + Quoted(Out("many.csv")));
    EXPECT_NE(many.status, 0);
    EXPECT_NE(many.out.find("ERROR 3: cannot write '" + Out("many.pdb") +
                            "': its set holds 65536 points and a database at most 65535"),
              std::string::npos)
        << many.out;
    EXPECT_FALSE(FileExists(Out("many.pdb")));
}

TEST_F(GdalDriver, ADamagedDatabaseIsAClearErrorNotACrash) {
    std::string bytes = ReadFile(Database(Kinds()[0]));
    bytes[77] = '\x40';  // a record count past the file's end
    WriteFile(Out("damaged.pdb"), bytes);
    const ToolResult damaged = Shell("ogrinfo -so " + Quoted(Out("damaged.pdb")));
    EXPECT_EQ(damaged.status, 1) << damaged.out;
    EXPECT_NE(damaged.out.find("ERROR 4: cannot read '" + Out("damaged.pdb") + "'"), std::string::npos)
        << damaged.out;
}

TEST_F(GdalDriver, AnEditSavedInPlaceIsWrittenWholeOrNotAtAll) {
    WriteFile(Out("edit.py"), R"(import sys
from osgeo import gdal
gdal.UseExceptions()
data = gdal.OpenEx(sys.argv[1], gdal.OF_VECTOR | gdal.OF_UPDATE)
layer = data.GetLayerByName(sys.argv[2])
feature = layer.GetFeature(0)
feature.SetField("name", "Wy'east")
layer.SetFeature(feature)
# An editor's save: the layer written to disk while the file stays open.
try:
    if layer.SyncToDisk() != 0:
        print(gdal.GetLastErrorMsg())
except RuntimeError as error:
    print(error)
)");
    for (const Kind& kind : Kinds()) {
        const std::string database = Database(kind);
        const std::string before = ReadFile(database);
        // The file system refuses the new copy's first write: the old one stays.
        const ToolResult refused = Shell("VEZUVED_FAIL_IO=write:1 " + Python() + " " +
                                         Quoted(Out("edit.py")) + " " + Quoted(database) + " " + kind.layer);
        EXPECT_NE(refused.out.find("cannot write '" + database + "': No space left on device"),
                  std::string::npos)
            << refused.out;
        EXPECT_EQ(ReadFile(database), before) << kind.name;
        Said(Python() + " " + Quoted(Out("edit.py")) + " " + Quoted(database) + " " + kind.layer);
        const std::string shown = Ok({"show", database, "--output", "csv"});
        EXPECT_EQ(shown.find("\r\nWy'east,"), shown.find("\r\n")) << shown;
    }
}

TEST_F(GdalDriver, GeoPandasReadsNamesElevationsAndTimes) {
    if (RunShell(Python() + " -c 'import geopandas' 2>/dev/null") != 0) GTEST_SKIP() << "no GeoPandas";
    // Fiona, GeoPandas' reader on Debian 12, opens only the drivers it lists
    // unless told otherwise.
    const std::string table = Said(Python() +
                                   " -c \"import geopandas, pandas; pandas.set_option('display.width', 200); "
                                   "print(geopandas.read_file('" +
                                   Database(Kinds()[2]) +
                                   "', layer='hike_points', allow_unsupported_drivers=True)"
                                   "[['name', 'elevation', 'time']])\"");
    EXPECT_NE(table.find("0  TP001     1829.0 2021-08-14 08:15:00+00:00\n"), std::string::npos) << table;
    EXPECT_NE(table.find("7  TP008     2412.0 2021-08-14 10:15:00+00:00\n"), std::string::npos) << table;
}

}  // namespace
}  // namespace cli_test
