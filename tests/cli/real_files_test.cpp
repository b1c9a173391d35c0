// Real files written by other programs, in the folder VEZUVED_REAL_FILES
// names (they are not part of the project): what the tool reads from each, against what gpsbabel and GDAL
// read and what comes back through the tool's own outputs; each difference is listed with its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "filters/geodesy.h"
#include "filters/track_stats.h"
#include "library_names.h"
#include "map_reading.h"
#include "maps/xml_stream.h"
#include "sets/number_text.h"
#include "tool_runner.h"

namespace vezuved_cli {
namespace {

namespace fs = std::filesystem;
using cli_test::Quoted;

Reading ReadWith(const std::string& path) { return ReadMap(path, path, false); }

// What the command wrote to out, read back; a refusal when it failed.
Reading Run(const std::string& command, const std::string& out, const std::string& who) {
    fs::remove(out);
    if (cli_test::RunShell(command + " >/dev/null 2>&1") != 0) return {false, who + " refused it", {}, ""};
    return ReadWith(out);
}

// gpsbabel's reading, through the GPX it writes of it.
Reading ByGpsbabel(const std::string& path, const std::string& folder) {
    const fs::path extension = fs::path(path).extension();
    const std::string format = extension == ".gpx"    ? "gpx"
                               : extension == ".igc"  ? "igc"
                               : extension == ".nmea" ? "nmea"
                               : extension == ".tcx"  ? "gtrnctr"
                               : extension == ".fit"  ? "garmin_fit"
                                                      : "kml";
    return Run("gpsbabel -i " + format + " -f " + Quoted(path) + " -o gpx,gpxver=1.1 -F " +
                   Quoted(folder + "/gpsbabel.gpx"),
               folder + "/gpsbabel.gpx",
               "gpsbabel");
}

// GDAL's reading, every layer as one GeoJSON feature per line (its GPX
// waypoints, routes and tracks; its GPX elevations in the geometry).
Reading ByOgr(const std::string& path, const std::string& folder) {
    const std::string out = folder + "/ogr.geojsons", wrapped = folder + "/ogr.geojson";
    const std::string layers = fs::path(path).extension() == ".gpx" ? " waypoints routes tracks" : "";
    fs::remove(out);
    if (cli_test::RunShell("ogr2ogr --config GPX_ELE_AS_25D YES -f GeoJSONSeq " + Quoted(out) + " " +
                           Quoted(path) + layers + " >/dev/null 2>&1") != 0)
        return {false, "ogr2ogr refused it", {}, ""};
    std::istringstream lines(cli_test::ReadFile(out));
    std::string collection = R"({"type": "FeatureCollection", "features": [)";
    for (std::string line, comma; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '\x1e') line.erase(0, 1);  // the record separator of RFC 8142
        if (!line.empty() && line[0] == '{') collection += comma + line, comma = ",";
    }
    cli_test::WriteFile(wrapped, collection + "]}");
    return ReadWith(wrapped);
}

// What is wrong with a KML we wrote as GDAL and the KML extension see it:
// a gx:coord without three numbers, or what ogrinfo's LIBKML driver says
// on standard error. Empty when nothing.
std::string KmlFaults(const std::string& path, const std::string& folder) {
    const std::string kml = cli_test::ReadFile(path);
    for (size_t at = kml.find("<gx:coord>"); at != std::string::npos; at = kml.find("<gx:coord>", at + 1)) {
        std::istringstream numbers(kml.substr(at + 10, kml.find('<', at + 10) - at - 10));
        std::string number;
        int count = 0;
        while (numbers >> number) ++count;
        if (count != 3) return "a gx:coord of " + std::to_string(count) + " number(s)";
    }
    const std::string said = folder + "/ogrinfo.err";
    cli_test::RunShell("ogrinfo -ro -al -so --config GDAL_SKIP KML " + Quoted(path) + " >/dev/null 2>" +
                       Quoted(said));
    return cli_test::ReadFile(said);
}

// How many of each value the tool keeps beyond its fields a GPX text holds,
// by element: "<hr>" and "<gpxtpx:hr>" alike. Each that two texts hold a
// different number of, as a difference ("extra hr") and both counts.
std::map<std::string, std::string> ExtrasDiffer(const std::string& before, const std::string& after) {
    std::map<std::string, std::string> differ;
    for (const char* name : {"hr",
                             "cad",
                             "atemp",
                             "wtemp",
                             "depth",
                             "hdop",
                             "vdop",
                             "pdop",
                             "sat",
                             "fix",
                             "magvar",
                             "geoidheight",
                             "ageofdgpsdata",
                             "dgpsid",
                             "src",
                             "keywords"}) {
        const std::regex tag("<([A-Za-z0-9_]+:)?" + std::string(name) + ">");
        const auto count = [&](const std::string& text) {
            return std::distance(std::sregex_iterator(text.begin(), text.end(), tag), std::sregex_iterator());
        };
        const auto a = count(before), b = count(after);
        if (a != b)
            differ.emplace(std::string("extra ") + name, std::to_string(a) + " vs " + std::to_string(b));
    }
    return differ;
}

// Through the tool: the file converted to the extension, read back.
Reading ThroughTool(const std::string& path, const std::string& extension, const std::string& folder) {
    const std::string out = folder + "/round" + extension;
    return Run(
        Quoted(cli_test::ToolPath()) + " convert " + Quoted(path) + " " + Quoted(out), out, "the tool");
}

// Through databases: one per set, in the order the tool wrote them, all
// converted back into one GPX document.
Reading ThroughDatabases(const std::string& path, const std::string& folder) {
    const std::string databases = folder + "/pdb";
    fs::remove_all(databases);
    fs::create_directories(databases);
    const cli_test::ToolResult written = cli_test::RunTool({"convert", path, databases + "/round.pdb"});
    if (written.status != 0) return {false, "the tool refused it: " + written.err, {}, ""};
    std::vector<std::string> arguments = {"convert"};
    std::istringstream lines(written.out);
    for (std::string line; std::getline(lines, line);) {
        const size_t end = line.find(".pdb (");
        if (line.rfind("Wrote ", 0) == 0 && end != std::string::npos)
            arguments.push_back(line.substr(6, end - 2));
    }
    const std::string back = folder + "/back.gpx";
    arguments.insert(arguments.end(), {"-o", back});
    const cli_test::ToolResult read = cli_test::RunTool(arguments);
    if (read.status != 0) return {false, "the tool refused its databases: " + read.err, {}, ""};
    return ReadWith(back);
}

// A name made of one of the words and a number: what a reader gives an
// unnamed route or track ("track 2"), or gpsbabel an unnamed point ("WPT001").
bool MadeUp(const std::string& name, std::initializer_list<const char*> words) {
    for (const std::string word : words) {
        if (name.size() > word.size() && name.rfind(word, 0) == 0 &&
            name.find_first_not_of("0123456789", word.size()) == std::string::npos)
            return true;
    }
    return false;
}

// A point as the differences show it: "lat,lon^metres@time 'name'" and "/"
// where a segment begins.
std::string Shown(const Point& point) {
    const auto text = [](const std::optional<double>& value) { return value ? FormatShortest(*value) : "-"; };
    return (point.segmentStart ? "/" : "") + text(point.latitude) + "," + text(point.longitude) + "^" +
           text(point.elevationMetres) + "@" + (point.time ? FormatIsoTime(*point.time) : "-") + " '" +
           point.name + "'";
}

// The differences between two readings, one per kind of difference (with
// its first case): "line time", "waypoint count", ... all: gpsbabel and the
// round trips; not GDAL's GeoJSON, which holds no per-point time, names no
// point of a line and does not say route or track. madeUpNames: gpsbabel
// names unnamed points "WPT001", "RPT001". exact: every position and
// elevation the same double (our own documents); to 1e-7 degree and a
// centimetre otherwise.
std::map<std::string, std::string> Differences(
    const Reading& ours, const Reading& theirs, bool all, bool madeUpNames, bool exact) {
    std::map<std::string, std::string> found;
    if (ours.read != theirs.read)
        found.emplace("refused", ours.read ? "they: " + theirs.failure : "we: " + ours.failure);
    if (!ours.read || !theirs.read) return found;  // both refuse it, or one does
    std::vector<const PointSet*> lines[2];
    std::vector<Point> waypoints[2];
    const Reading* readings[2] = {&ours, &theirs};
    for (int side = 0; side < 2; ++side) {
        for (const PointSet& set : readings[side]->sets) {
            if (set.kind != VEZUVED_KIND_POINT) lines[side].push_back(&set);
            if (set.kind == VEZUVED_KIND_POINT)
                waypoints[side].insert(waypoints[side].end(), set.points.begin(), set.points.end());
        }
        // GPX holds its routes before its tracks: the order within each kind is compared.
        std::stable_sort(lines[side].begin(), lines[side].end(), [](const PointSet* a, const PointSet* b) {
            return a->kind == VEZUVED_KIND_ROUTE && b->kind != VEZUVED_KIND_ROUTE;
        });
    }
    const auto counts = [&](const std::string& kind, size_t a, size_t b, const std::string& place = "") {
        if (a != b) found.emplace(kind, place + std::to_string(a) + " vs " + std::to_string(b));
        return a == b;
    };
    const auto compare =
        [&](const std::string& what, const std::string& place, const Point& a, const Point& b) {
            const auto differ = [&](const char* kind, bool different) {
                if (different) found.emplace(what + " " + kind, place + ": " + Shown(a) + " vs " + Shown(b));
            };
            const double degrees = exact ? 0 : 1e-7, metres = exact ? 0 : 0.01;
            differ("position",
                   std::fabs(*a.latitude - *b.latitude) > degrees ||
                       std::fabs(*a.longitude - *b.longitude) > degrees);
            differ("elevation",
                   a.elevationMetres.has_value() != b.elevationMetres.has_value() ||
                       (a.elevationMetres && std::fabs(*a.elevationMetres - *b.elevationMetres) > metres));
            differ("time", all && a.time != b.time);
            differ(
                "name",
                (all || what == "waypoint") && a.name != b.name &&
                    !(madeUpNames && a.name.empty() && b.name.size() == 6 && MadeUp(b.name, {"WPT", "RPT"})));
            differ("segments", a.segmentStart != b.segmentStart);
        };
    counts("waypoint count", waypoints[0].size(), waypoints[1].size());
    for (size_t i = 0; i < std::min(waypoints[0].size(), waypoints[1].size()); ++i)
        compare("waypoint", "waypoint " + std::to_string(i + 1), waypoints[0][i], waypoints[1][i]);
    counts("line count", lines[0].size(), lines[1].size());
    for (size_t l = 0; l < std::min(lines[0].size(), lines[1].size()); ++l) {
        const PointSet &a = *lines[0][l], &b = *lines[1][l];
        const std::string place = "'" + a.title + "'";
        if (all && a.kind != b.kind) found.emplace("line kind", place);
        if (a.title != b.title &&
            !(MadeUp(a.title, {"route ", "track "}) && MadeUp(b.title, {"route ", "track "})))
            found.emplace("line title", place + " vs '" + b.title + "'");
        if (!counts("line points", a.points.size(), b.points.size(), place + ": ")) continue;
        for (size_t i = 0; i < a.points.size(); ++i)
            compare("line", place + " point " + std::to_string(i + 1), a.points[i], b.points[i]);
    }
    return found;
}

// The differences that are expected, and why (file "*": every file):
// tests/cli/data/real-files-known.tsv, a line per difference, its file,
// source, difference and reason separated by tabs; '#' begins a comment.
struct Known {
    std::string file, source, difference, reason;
    bool seen = false;
};
std::vector<Known> KnownDifferences() {
    std::vector<Known> rows;
    for (const auto& row : cli_test::Rows(TestData("cli/data/real-files-known.tsv"))) {
        EXPECT_TRUE(row.size() == 4 && !row[3].empty()) << row[0];
        rows.push_back({row[0], row.at(1), row.at(2), row.at(3)});
    }
    return rows;
}

TEST(RealFiles, ReadAsOthersReadThemAndKeptThroughEveryOutput) {
    const char* given = std::getenv("VEZUVED_REAL_FILES");
    if (given == nullptr || *given == '\0')
        GTEST_SKIP() << "the real-file comparison was left out: VEZUVED_REAL_FILES names no folder of other "
                        "programs' files";
    const fs::path folder = given;
    ASSERT_TRUE(fs::is_directory(folder)) << "VEZUVED_REAL_FILES is '" << given << "', which is no folder";
    if (!XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    if (!cli_test::HasProgram("gpsbabel") || !cli_test::HasProgram("ogr2ogr"))
        GTEST_SKIP() << "gpsbabel and ogr2ogr (gdal-bin) are needed to compare with";
    const bool tool = !cli_test::ToolPath().empty();
    const std::string work = cli_test::FreshFolder("real_files");
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Known> known = KnownDifferences();
    std::string unexpected;
    size_t compared = 0;
    for (const fs::path& path : files) {
        const std::string extension = path.extension().string(), file = path.filename().string();
#if defined(VEZUVED_HAVE_LIBZIP)
        if (!std::set<std::string>{".gpx", ".kml", ".kmz", ".geojson", ".json"}.count(extension)) continue;
#else
        // This build reads no KMZ.
        if (!std::set<std::string>{".gpx", ".kml", ".geojson", ".json"}.count(extension)) continue;
#endif
        ++compared;
        const Reading ours = ReadWith(path.string());
        std::vector<std::pair<std::string, Reading>> others;
        // gpsbabel reads no KMZ, and its GeoJSON reader keeps no elevation.
        if (extension == ".gpx" || extension == ".kml")
            others.emplace_back("gpsbabel", ByGpsbabel(path.string(), work));
        others.emplace_back("ogr", ByOgr(path.string(), work));
        if (tool && ours.read) {
            for (const char* output : {".gpx", ".kml", ".geojson"})
                others.emplace_back(output + 1, ThroughTool(path.string(), output, work));
            others.emplace_back("pdb", ThroughDatabases(path.string(), work));
            // gpsbabel reads the KML we wrote with every time; GDAL every KML and GeoJSON we write.
            others.emplace_back("gpsbabel of our kml", ByGpsbabel(work + "/round.kml", work));
            others.emplace_back("ogr of our kml", ByOgr(work + "/round.kml", work));
            others.emplace_back("ogr of our geojson", ByOgr(work + "/round.geojson", work));
            if (const std::string faults = KmlFaults(work + "/round.kml", work); !faults.empty())
                unexpected += file + "\tour kml\t" + faults + "\n";
        }
        // Each difference: listed with its reason, or unexpected.
        const auto report = [&](const std::string& source,
                                const std::string& difference,
                                const std::string& detail) {
            const auto listed = std::find_if(known.begin(), known.end(), [&](const Known& k) {
                return (k.file == "*" || k.file == file) && k.source == source && k.difference == difference;
            });
            if (listed == known.end()) {
                unexpected += file + "\t" + source + "\t" + difference + "\t(" + detail + ")\n";
            } else {
                listed->seen = true;
            }
        };
        // A GPX's values beyond the tool's fields, through our GPX and through our KML.
        if (tool && ours.read && extension == ".gpx") {
            const std::string input = cli_test::ReadFile(path.string());
            for (const char* through : {"kml", "geojson"}) {
                fs::create_directories(work + "/" + through);
                ThroughTool(work + "/round." + through, ".gpx", work + "/" + through);
            }
            for (const auto& [through, written] : {std::pair("gpx", work + "/round.gpx"),
                                                   std::pair("kml", work + "/kml/round.gpx"),
                                                   std::pair("geojson", work + "/geojson/round.gpx")}) {
                for (const auto& [difference, detail] : ExtrasDiffer(input, cli_test::ReadFile(written)))
                    report(std::string("extras through our ") + through, difference, detail);
            }
        }
        for (const auto& [source, reading] : others) {
            const bool all = source.rfind("ogr", 0) != 0, gpsbabel = source.rfind("gpsbabel", 0) == 0;
            const bool exact = source == "gpx" || source == "kml" || source == "geojson";
            for (const auto& [difference, detail] : Differences(ours, reading, all, gpsbabel, exact))
                report(source, difference, detail);
        }
    }
    EXPECT_NE(0u, compared) << "no GPX, KML, KMZ or GeoJSON file in " << folder;
    // A listed difference that is gone is taken off the list.
    for (const Known& k : known) {
        EXPECT_TRUE(k.seen || (!tool && k.source != "gpsbabel" && k.source != "ogr"))
            << "listed, but no longer found: " << k.file << " " << k.source << " " << k.difference;
    }
    EXPECT_EQ(unexpected, "") << "differences neither fixed nor listed with their reason";
}

// A point as gpsbabel read it: the same place to 1e-6 degree, the same
// elevation to the millimetre, and its time later by late milliseconds
// (none when the time is not compared).
void ExpectSamePoint(const Point& mine,
                     const Point& theirs,
                     const std::string& where,
                     std::optional<int64_t> late) {
    EXPECT_NEAR(*mine.latitude, *theirs.latitude, 1e-6) << where;
    EXPECT_NEAR(*mine.longitude, *theirs.longitude, 1e-6) << where;
    if (late) {
        ASSERT_TRUE(mine.time && theirs.time) << where;
        EXPECT_EQ(*mine.time + *late, *theirs.time) << where;
    }
    EXPECT_EQ(mine.elevationMetres.has_value(), theirs.elevationMetres.has_value()) << where;
    if (mine.elevationMetres && theirs.elevationMetres) {
        EXPECT_NEAR(*mine.elevationMetres, *theirs.elevationMetres, 1e-3) << where;
    }
}

// The folder VEZUVED_REAL_FILES names, when gpsbabel is here to compare
// with and this build reads the GPX it writes; empty when not.
std::string GpsbabelComparison() {
    const char* given = std::getenv("VEZUVED_REAL_FILES");
    if (given == nullptr || !XmlReadingAvailable() || !cli_test::HasProgram("gpsbabel")) return "";
    return given;
}

// The sets of a reading of the kinds, kind by kind, each in file order;
// a set titled leftOut is not taken.
std::vector<const PointSet*> SetsOf(const Reading& reading,
                                    std::initializer_list<int32_t> kinds,
                                    const std::string& leftOut = "") {
    std::vector<const PointSet*> sets;
    for (const int32_t kind : kinds) {
        for (const PointSet& set : reading.sets) {
            if (set.kind == kind && (leftOut.empty() || set.title != leftOut)) sets.push_back(&set);
        }
    }
    return sets;
}

// Our sets as gpsbabel's, each point as ExpectSamePoint has it, late
// milliseconds (or no time compared) for each of our sets.
void ExpectSameSets(const std::vector<const PointSet*>& mine,
                    const std::vector<const PointSet*>& others,
                    const std::string& file,
                    const std::function<std::optional<int64_t>(const PointSet&)>& late) {
    ASSERT_EQ(mine.size(), others.size()) << file;
    for (size_t s = 0; s < mine.size(); ++s) {
        const std::vector<Point>&a = mine[s]->points, &b = others[s]->points;
        ASSERT_EQ(a.size(), b.size()) << file << " set " << s;
        for (size_t i = 0; i < a.size(); ++i)
            ExpectSamePoint(a[i],
                            b[i],
                            file + " set " + std::to_string(s) + " point " + std::to_string(i),
                            late(*mine[s]));
    }
}

// Each IGC flight as gpsbabel reads it: its track of GNSS altitudes (our
// choice when the recorder gives them) and its declared tasks as routes,
// point for point (a task point's time aside).
TEST(RealFiles, IgcFlightsAsGpsbabelReadsThem) {
    const std::string given = GpsbabelComparison();
    if (given.empty())
        GTEST_SKIP() << "VEZUVED_REAL_FILES, gpsbabel and a build that reads its GPX are needed";
    const std::string work = cli_test::FreshFolder("real_igc");
    size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(given)) {
        if (entry.path().extension() != ".igc") continue;
        const std::string path = entry.path().string(), file = entry.path().filename().string();
        const Reading ours = ReadWith(path);
        const Reading theirs = ByGpsbabel(path, work);
        ASSERT_TRUE(ours.read && theirs.read) << file << ": " << ours.failure << theirs.failure;
        // Tracks, then routes, each in file order; gpsbabel gives the pressure
        // altitudes as a track of their own. It stamps a task's points with a
        // time of the flight's; a declared turnpoint has none, and gets none here.
        ExpectSameSets(SetsOf(ours, {VEZUVED_KIND_TRACK, VEZUVED_KIND_ROUTE}),
                       SetsOf(theirs, {VEZUVED_KIND_TRACK, VEZUVED_KIND_ROUTE}, "PRESALTTRK"),
                       file,
                       [](const PointSet& set) {
                           return set.kind == VEZUVED_KIND_TRACK ? std::optional<int64_t>(0) : std::nullopt;
                       });
        ++checked;
    }
    EXPECT_NE(0u, checked) << "no IGC file in " << given;
}

// Each NMEA log's fixes as gpsbabel reads them, point for point. Two
// differences are ours by choice: a fix before the log's first date is
// dated by it (gpsbabel leaves it out), and a log with no date at all keeps
// its fixes without times (gpsbabel keeps none).
TEST(RealFiles, NmeaFixesAsGpsbabelReadsThem) {
    const std::string given = GpsbabelComparison();
    if (given.empty())
        GTEST_SKIP() << "VEZUVED_REAL_FILES, gpsbabel and a build that reads its GPX are needed";
    const std::string work = cli_test::FreshFolder("real_nmea");
    size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(given)) {
        if (entry.path().extension() != ".nmea") continue;
        const std::string file = entry.path().filename().string();
        const Reading ours = ReadWith(entry.path().string());
        const Reading theirs = ByGpsbabel(entry.path().string(), work);
        ASSERT_TRUE(ours.read) << file << ": " << ours.failure;
        ASSERT_EQ(ours.sets.size(), 1u) << file;
        const std::vector<Point>& a = ours.sets[0].points;
        if (!theirs.read || theirs.sets.empty()) {
            for (const Point& point : a) EXPECT_FALSE(point.time) << file << ": gpsbabel read no dated fix";
            ++checked;
            continue;
        }
        const std::vector<Point>& b = theirs.sets[0].points;
        ASSERT_FALSE(b.empty()) << file;
        // This u-blox log starts a cycle with GGA and ends it with ZDA:
        // gpsbabel stamps each fix with the next cycle's time, a second
        // late, and leaves out the last. Its fixes are ours, shifted.
        const int64_t late = file == "gpsd__ublox-8.nmea" ? 1000 : 0;
        size_t skip = 0;
        while (!late && skip < a.size() && a[skip].time && b[0].time && *a[skip].time < *b[0].time) ++skip;
        EXPECT_LE(skip, 1u) << file;
        ASSERT_EQ(a.size() - skip, b.size() + (late ? 1 : 0)) << file;
        for (size_t i = 0; i < b.size(); ++i)
            ExpectSamePoint(a[i + skip], b[i], file + " point " + std::to_string(i + skip), late);
        ++checked;
    }
    EXPECT_NE(0u, checked) << "no NMEA file in " << given;
}

// Each TCX file's tracks as gpsbabel reads them, point for point. gpsbabel
// makes each lap a waypoint ("LAP001") and the activity one segment; here
// a lap begins a segment, which the points do not show.
TEST(RealFiles, TcxActivitiesAsGpsbabelReadsThem) {
    const std::string given = GpsbabelComparison();
    if (given.empty())
        GTEST_SKIP() << "VEZUVED_REAL_FILES, gpsbabel and a build that reads its GPX are needed";
    const std::string work = cli_test::FreshFolder("real_tcx");
    size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(given)) {
        if (entry.path().extension() != ".tcx") continue;
        const std::string path = entry.path().string(), file = entry.path().filename().string();
        const Reading ours = ReadWith(path);
        const Reading theirs = ByGpsbabel(path, work);
        ASSERT_TRUE(ours.read && theirs.read) << file << ": " << ours.failure << theirs.failure;
        const std::vector<const PointSet*> mine = SetsOf(ours, {VEZUVED_KIND_TRACK}),
                                           others = SetsOf(theirs, {VEZUVED_KIND_TRACK});
        for (size_t s = 0; s < std::min(mine.size(), others.size()); ++s)
            EXPECT_EQ(mine[s]->title, others[s]->title) << file;
        ExpectSameSets(mine, others, file, [](const PointSet&) { return std::optional<int64_t>(0); });
        ++checked;
    }
    EXPECT_NE(0u, checked) << "no TCX file in " << given;
}

// The speeds `stats` gives of every timed route and track of the folder:
// the average at most the maximum, and a maximum no GPS jump makes, under
// 1.5 times the 99th percentile of the track's moving steps.
TEST(RealFiles, StatsSpeedsAreHeldNotJumped) {
    const char* given = std::getenv("VEZUVED_REAL_FILES");
    if (given == nullptr || *given == '\0') GTEST_SKIP() << "VEZUVED_REAL_FILES names no folder";
    if (!XmlReadingAvailable() || !HaveEllipsoidDistances())
        GTEST_SKIP() << "this build reads no XML or measures nothing";
    size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(given)) {
        const std::string extension = entry.path().extension().string();
        if (!std::set<std::string>{".gpx", ".kml", ".geojson", ".json"}.count(extension)) continue;
        const Reading reading = ReadWith(entry.path().string());
        for (const PointSet& set : reading.sets) {
            if (!IsLine(set)) continue;
            std::vector<double> speeds;
            for (size_t i = 1; i < set.points.size(); ++i) {
                const Point &a = set.points[i - 1], &b = set.points[i];
                if (b.segmentStart || !a.time || !b.time || *b.time <= *a.time) continue;
                const double kmPerHour =
                    EllipsoidDistance(*a.latitude, *a.longitude, *b.latitude, *b.longitude) /
                    static_cast<double>(*b.time - *a.time) * 3600.0;
                if (kmPerHour > StatsOptions().movingKmPerHour) speeds.push_back(kmPerHour);
            }
            if (speeds.size() < 20) continue;
            std::sort(speeds.begin(), speeds.end());
            const double percentile = speeds[(speeds.size() - 1) * 99 / 100];
            const TrackStats stats = ComputeStats(set, StatsOptions());
            const std::string what = entry.path().filename().string() + " '" + set.title + "'";
            EXPECT_LE(stats.averageKmPerHour, stats.maximumKmPerHour) << what;
            EXPECT_LT(stats.maximumKmPerHour, 1.5 * percentile) << what;
            ++checked;
        }
    }
    EXPECT_NE(0u, checked) << "no timed route or track in " << given;
}

// Each FIT activity as gpsbabel reads it, point for point: position,
// elevation and time. gpsbabel makes each lap a waypoint ("LAP001") and
// begins a segment where the timer stopped; here both a lap and a pause
// begin a segment, so each of its segments begins one of ours. The files
// it refuses or reads nothing of are listed with why.
TEST(RealFiles, FitActivitiesAsGpsbabelReadsThem) {
    const std::string given = GpsbabelComparison();
    if (given.empty())
        GTEST_SKIP() << "VEZUVED_REAL_FILES, gpsbabel and a build that reads its GPX are needed";
    // Files gpsbabel refuses for a wrong file CRC, and reads in its recovery mode.
    std::map<std::string, const char*> recovered = {
        {"fitparse__activity-unexpected-eof.fit", "cut short: its CRC and last message are missing"},
        {"fitparse__activity-settings-corruptheader.fit",
         "a second header that is no FIT (\".GIT\") follows the first file; gpsbabel takes the "
         "last two bytes for its CRC"},
        {"fitparse__strava-android-app-201.10-b1218918.fit",
         "its header gives 19 bytes more than it holds, and a message of an undefined type ends its "
         "data"},
    };
    // Files whose records hold no position: we fail, gpsbabel writes an empty file.
    std::map<std::string, const char*> empty = {
        {"fitparse__20170518-191602-1740899583.fit", "an indoor ride: speed, power and heart rate"},
        {"fitparse__compressed-speed-distance.fit", "speed and distance alone"},
    };
    const std::string work = cli_test::FreshFolder("real_fit");
    size_t checked = 0;
    std::set<std::string> met;
    for (const auto& entry : fs::directory_iterator(given)) {
        if (entry.path().extension() != ".fit") continue;
        const std::string path = entry.path().string(), file = entry.path().filename().string();
        const Reading ours = ReadWith(path);
        Reading theirs = ByGpsbabel(path, work);
        if (recovered.count(file) != 0) {
            EXPECT_FALSE(theirs.read) << file << ": gpsbabel now reads it without its recovery mode";
            theirs = vezuved_cli::Run("gpsbabel -i garmin_fit,recoverymode -f " + Quoted(path) +
                                          " -o gpx,gpxver=1.1 -F " + Quoted(work + "/gpsbabel.gpx"),
                                      work + "/gpsbabel.gpx",
                                      "gpsbabel");
            met.insert(file);
        }
        if (empty.count(file) != 0) {
            EXPECT_FALSE(ours.read || theirs.read) << file << ": " << empty[file];
            EXPECT_NE(ours.failure.find("holds no points"), std::string::npos)
                << file << ": " << ours.failure;
            met.insert(file);
            continue;
        }
        ASSERT_TRUE(ours.read && theirs.read) << file << ": " << ours.failure << theirs.failure;
        const std::vector<const PointSet*> mine = SetsOf(ours, {VEZUVED_KIND_TRACK}),
                                           others = SetsOf(theirs, {VEZUVED_KIND_TRACK});
        std::vector<Point> ourWaypoints, theirWaypoints;
        size_t laps = 0;
        for (const PointSet* set : SetsOf(ours, {VEZUVED_KIND_POINT}))
            ourWaypoints.insert(ourWaypoints.end(), set->points.begin(), set->points.end());
        for (const PointSet* set : SetsOf(theirs, {VEZUVED_KIND_POINT})) {
            for (const Point& point : set->points) {
                if (MadeUp(point.name, {"LAP"}))
                    ++laps;
                else
                    theirWaypoints.push_back(point);
            }
        }
        ASSERT_EQ(ourWaypoints.size(), theirWaypoints.size()) << file;
        for (size_t i = 0; i < ourWaypoints.size(); ++i) {
            EXPECT_EQ(ourWaypoints[i].name, theirWaypoints[i].name) << file << " waypoint " << i;
            ExpectSamePoint(ourWaypoints[i], theirWaypoints[i], file + " waypoint " + std::to_string(i), 0);
        }
        ASSERT_EQ(mine.size(), others.size()) << file;
        for (size_t s = 0; s < mine.size(); ++s) {
            const std::vector<Point>&a = mine[s]->points, &b = others[s]->points;
            ASSERT_EQ(a.size(), b.size()) << file << " track " << s;
            size_t extra = 0;
            for (size_t i = 0; i < a.size(); ++i) {
                const std::string where =
                    file + " track " + std::to_string(s) + " point " + std::to_string(i);
                ExpectSamePoint(a[i], b[i], where, 0);
                EXPECT_TRUE(a[i].segmentStart || !b[i].segmentStart)
                    << where << ": gpsbabel begins a segment";
                if (a[i].segmentStart && !b[i].segmentStart) ++extra;
            }
            // Our other segments begin at laps, one after each lap but the last.
            EXPECT_LT(extra, std::max<size_t>(laps, 1)) << file << " track " << s;
        }
        ++checked;
    }
    EXPECT_NE(0u, checked) << "no FIT file in " << given;
    for (const auto* listed : {&recovered, &empty}) {
        for (const auto& [file, reason] : *listed)
            EXPECT_TRUE(met.count(file) != 0 || !fs::exists(fs::path(given) / file))
                << file << " is listed (" << reason << ") but was not met";
    }
}

}  // namespace
}  // namespace vezuved_cli
