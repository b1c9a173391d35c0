// Real files written by other programs (../shared/real-files beside the
// source tree): what the tool reads from each is checked against what
// gpsbabel and GDAL (ogr2ogr) read from the same file, and against what
// comes back through the tool's own GPX, KML, GeoJSON and database outputs.
// Counts, coordinates (1e-7 degree), elevations (0.01 m), times (to the
// millisecond), names and segment breaks are compared; every difference is
// either gone or listed below with its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "input/xml_stream.h"
#include "map_reading.h"
#include "tool_runner.h"
#include "values/values.h"

namespace vezuved_cli {
namespace {

namespace fs = std::filesystem;
using cli_test::Quoted;

Reading ReadWith(const std::string& path) { return ReadMap(path, path, false); }
Reading Refused(const std::string& why) { return {false, why, {}, ""}; }

// gpsbabel's reading, through the GPX it writes of it.
Reading ByGpsbabel(const std::string& path, const std::string& folder) {
    const std::string format = fs::path(path).extension() == ".gpx" ? "gpx" : "kml",
                      out = folder + "/gpsbabel.gpx";
    fs::remove(out);
    if (cli_test::RunShell("gpsbabel -i " + format + " -f " + Quoted(path) + " -o gpx,gpxver=1.1 -F " +
                           Quoted(out) + " >/dev/null 2>&1") != 0) {
        return Refused("gpsbabel refused it");
    }
    return ReadWith(out);
}

// GDAL's reading, every layer as one GeoJSON feature per line (its GPX
// waypoints, routes and tracks; its GPX elevations in the geometry).
Reading ByOgr(const std::string& path, const std::string& folder) {
    const std::string out = folder + "/ogr.geojsons";
    fs::remove(out);
    const bool gpx = fs::path(path).extension() == ".gpx";
    if (cli_test::RunShell("ogr2ogr --config GPX_ELE_AS_25D YES -f GeoJSONSeq " + Quoted(out) + " " +
                           Quoted(path) + (gpx ? " waypoints routes tracks" : "") + " >/dev/null 2>&1") !=
        0) {
        return Refused("ogr2ogr refused it");
    }
    std::istringstream lines(cli_test::ReadFile(out));
    std::string collection = R"({"type": "FeatureCollection", "features": [)";
    for (std::string line, comma; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '\x1e') line.erase(0, 1);  // the record separator of RFC 8142
        if (!line.empty() && line[0] == '{') collection += comma + line, comma = ",";
    }
    const std::string wrapped = folder + "/ogr.geojson";
    cli_test::WriteFile(wrapped, collection + "]}");
    return ReadWith(wrapped);
}

// Through the tool: the file converted to the extension, read back.
Reading ThroughTool(const std::string& path, const std::string& extension, const std::string& folder) {
    const std::string out = folder + "/round" + extension;
    fs::remove(out);
    const cli_test::ToolResult result = cli_test::RunTool({"convert", path, out});
    if (result.status != 0) return Refused("the tool refused it: " + result.err);
    return ReadWith(out);
}

// Through databases: one per set, in the order the tool wrote them, all
// converted back into one GPX document.
Reading ThroughDatabases(const std::string& path, const std::string& folder) {
    const std::string databases = folder + "/pdb";
    fs::remove_all(databases);
    fs::create_directories(databases);
    const cli_test::ToolResult written = cli_test::RunTool({"convert", path, databases + "/round.pdb"});
    if (written.status != 0) return Refused("the tool refused it: " + written.err);
    std::vector<std::string> arguments = {"convert"};
    std::istringstream lines(written.out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t end = line.find(".pdb (");
        if (line.rfind("Wrote ", 0) == 0 && end != std::string::npos)
            arguments.push_back(line.substr(6, end + 4 - 6));
    }
    const std::string back = folder + "/back.gpx";
    arguments.insert(arguments.end(), {"-o", back});
    const cli_test::ToolResult read = cli_test::RunTool(arguments);
    if (read.status != 0) return Refused("the tool refused its databases: " + read.err);
    return ReadWith(back);
}

// What is compared. gpsbabel and the round trips: everything; GDAL's
// GeoJSON holds no per-point time, names no point of a line and does not
// say route or track.
struct Checks {
    bool times = true;
    bool pointNames = true;
    bool kinds = true;
    bool madeUpNames = false;  // gpsbabel names unnamed points "WPT001", "RPT001"
};

// A name made of one of the words and a number: what a reader gives an
// unnamed route or track ("track 2"), or gpsbabel an unnamed point ("WPT001").
bool MadeUp(const std::string& name, std::initializer_list<const char*> words) {
    for (const std::string word : words) {
        if (name.size() > word.size() && name.rfind(word, 0) == 0 &&
            std::all_of(
                name.begin() + word.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return true;
        }
    }
    return false;
}

// The differences between two readings, one per kind of difference (with
// its first case): "line time", "waypoint count", ...
std::map<std::string, std::string> Differences(const Reading& ours,
                                               const Reading& theirs,
                                               const Checks& checks) {
    std::map<std::string, std::string> found;
    const auto note = [&](const std::string& kind, const std::string& detail) {
        found.emplace(kind, detail);
    };
    if (ours.read != theirs.read) {
        note("refused", ours.read ? "they: " + theirs.failure : "we: " + ours.failure);
        return found;
    }
    if (!ours.read) return found;  // both refuse it
    std::vector<const PointSet*> lines[2];
    std::vector<Point> waypoints[2];
    const Reading* readings[2] = {&ours, &theirs};
    for (int side = 0; side < 2; ++side) {
        for (const PointSet& set : readings[side]->sets) {
            if (set.kind == VEZUVED_KIND_POINT) {
                waypoints[side].insert(waypoints[side].end(), set.points.begin(), set.points.end());
            } else {
                lines[side].push_back(&set);
            }
        }
    }
    // GPX holds its routes before its tracks: the order within each kind is compared.
    for (auto& sides : lines) {
        std::stable_sort(sides.begin(), sides.end(), [](const PointSet* a, const PointSet* b) {
            return a->kind == VEZUVED_KIND_ROUTE && b->kind != VEZUVED_KIND_ROUTE;
        });
    }
    const auto comparePoints = [&](const std::string& what,
                                   const std::string& place,
                                   const Point& a,
                                   const Point& b) {
        if (std::fabs(*a.latitude - *b.latitude) > 1e-7 || std::fabs(*a.longitude - *b.longitude) > 1e-7) {
            note(what + " position",
                 place + ": " + FormatShortest(*a.latitude) + "," + FormatShortest(*a.longitude) + " vs " +
                     FormatShortest(*b.latitude) + "," + FormatShortest(*b.longitude));
        }
        if (a.elevationMetres.has_value() != b.elevationMetres.has_value() ||
            (a.elevationMetres && std::fabs(*a.elevationMetres - *b.elevationMetres) > 0.01)) {
            note(what + " elevation",
                 place + ": " + (a.elevationMetres ? FormatShortest(*a.elevationMetres) : "none") + " vs " +
                     (b.elevationMetres ? FormatShortest(*b.elevationMetres) : "none"));
        }
        if (checks.times && a.time != b.time) {
            note(what + " time",
                 place + ": " + (a.time ? FormatIsoTime(*a.time) : "none") + " vs " +
                     (b.time ? FormatIsoTime(*b.time) : "none"));
        }
        if ((checks.pointNames || what == "waypoint") && a.name != b.name &&
            !(checks.madeUpNames && a.name.empty() && b.name.size() == 6 && MadeUp(b.name, {"WPT", "RPT"}))) {
            note(what + " name", place + ": '" + a.name + "' vs '" + b.name + "'");
        }
        if (a.segmentStart != b.segmentStart) note(what + " segments", place + ": a break on one side only");
    };
    if (waypoints[0].size() != waypoints[1].size()) {
        note("waypoint count",
             std::to_string(waypoints[0].size()) + " vs " + std::to_string(waypoints[1].size()));
    }
    for (size_t i = 0; i < std::min(waypoints[0].size(), waypoints[1].size()); ++i) {
        comparePoints("waypoint", "waypoint " + std::to_string(i + 1), waypoints[0][i], waypoints[1][i]);
    }
    if (lines[0].size() != lines[1].size()) {
        note("line count",
             std::to_string(lines[0].size()) + " vs " + std::to_string(lines[1].size()) +
                 " routes and tracks");
    }
    for (size_t l = 0; l < std::min(lines[0].size(), lines[1].size()); ++l) {
        const PointSet& a = *lines[0][l];
        const PointSet& b = *lines[1][l];
        const std::string place = "'" + a.title + "'";
        if (checks.kinds && a.kind != b.kind) note("line kind", place);
        if (a.title != b.title &&
            !(MadeUp(a.title, {"route ", "track "}) && MadeUp(b.title, {"route ", "track "})))
            note("line title", place + " vs '" + b.title + "'");
        if (a.points.size() != b.points.size()) {
            note("line points",
                 place + ": " + std::to_string(a.points.size()) + " vs " + std::to_string(b.points.size()));
            continue;
        }
        for (size_t i = 0; i < a.points.size(); ++i) {
            comparePoints("line", place + " point " + std::to_string(i + 1), a.points[i], b.points[i]);
        }
    }
    return found;
}

// A difference that is expected, and why. file "*": every file.
struct Known {
    std::string file, source, difference, reason;
};

// The list of known differences, tests/cli/data/real-files-known.tsv:
// a line per difference, its fields separated by tabs; '#' begins a comment.
const std::vector<Known>& KnownDifferences() {
    static const std::vector<Known> known = [] {
        std::vector<Known> rows;
        std::istringstream lines(TestData("cli/data/real-files-known.tsv"));
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            Known row;
            std::getline(fields, row.file, '\t');
            std::getline(fields, row.source, '\t');
            std::getline(fields, row.difference, '\t');
            std::getline(fields, row.reason);
            EXPECT_FALSE(row.reason.empty()) << line;
            rows.push_back(row);
        }
        return rows;
    }();
    return known;
}

// Whether the difference is listed; marks the entry as seen.
bool IsKnown(const std::string& file,
             const std::string& source,
             const std::string& difference,
             std::set<const Known*>& seen) {
    for (const Known& known : KnownDifferences()) {
        if ((known.file == "*" || known.file == file) && known.source == source &&
            known.difference == difference) {
            seen.insert(&known);
            return true;
        }
    }
    return false;
}

TEST(RealFiles, ReadAsOthersReadThemAndKeptThroughEveryOutput) {
    if (!XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    const fs::path folder = fs::path(VEZUVED_SOURCE_DIR) / ".." / "shared" / "real-files";
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no real files beside the source tree (" << folder << ")";
    const bool gpsbabel = cli_test::HasProgram("gpsbabel");
    const bool ogr = cli_test::HasProgram("ogr2ogr");
    if (!gpsbabel || !ogr) GTEST_SKIP() << "gpsbabel and ogr2ogr (gdal-bin) are needed to compare with";
    const bool tool = !cli_test::ToolPath().empty();
    const std::string work = cli_test::FreshFolder("real_files");
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string unexpected;
    std::set<const Known*> seen;
    for (const fs::path& path : files) {
        const std::string extension = path.extension().string();
#if defined(VEZUVED_HAVE_LIBZIP)
        const std::set<std::string> maps = {".gpx", ".kml", ".kmz", ".geojson", ".json"};
#else
        const std::set<std::string> maps = {".gpx", ".kml", ".geojson", ".json"};  // this build reads no KMZ
#endif
        if (maps.count(extension) == 0) continue;
        const std::string file = path.filename().string();
        const Reading ours = ReadWith(path.string());
        std::vector<std::pair<std::string, Reading>> others;
        // gpsbabel reads no KMZ, and its GeoJSON reader keeps no elevation.
        if (extension == ".gpx" || extension == ".kml")
            others.emplace_back("gpsbabel", ByGpsbabel(path.string(), work));
        others.emplace_back("ogr", ByOgr(path.string(), work));
        if (tool && ours.read) {
            for (const char* output : {".gpx", ".kml", ".geojson"}) {
                others.emplace_back(output + 1, ThroughTool(path.string(), output, work));
            }
            others.emplace_back("pdb", ThroughDatabases(path.string(), work));
            // gpsbabel reads the KML we wrote with every time.
            others.emplace_back("gpsbabel of our kml", ByGpsbabel(work + "/round.kml", work));
            // GDAL reads every KML and GeoJSON we write.
            others.emplace_back("ogr of our kml", ByOgr(work + "/round.kml", work));
            others.emplace_back("ogr of our geojson", ByOgr(work + "/round.geojson", work));
        }
        for (const auto& [source, reading] : others) {
            Checks checks;
            if (source.rfind("ogr", 0) == 0) checks = {false, false, false, false};
            if (source.rfind("gpsbabel", 0) == 0) checks.madeUpNames = true;
            for (const auto& [difference, detail] : Differences(ours, reading, checks)) {
                if (!IsKnown(file, source, difference, seen)) {
                    unexpected += "    {\"" + file + "\", \"" + source + "\", \"" + difference +
                                  "\", \"\"},  // " + detail + "\n";
                }
            }
        }
    }
    // A listed difference that is gone is taken off the list.
    for (const Known& known : KnownDifferences()) {
        if (seen.count(&known) == 0 && (tool || (known.source == "gpsbabel" || known.source == "ogr"))) {
            ADD_FAILURE() << "listed, but no longer found: " << known.file << " " << known.source << " "
                          << known.difference;
        }
    }
    if (!unexpected.empty())
        ADD_FAILURE() << "differences neither fixed nor listed with their reason:\n" << unexpected;
}

}  // namespace
}  // namespace vezuved_cli
