#include "input/map_input.h"

#include <iostream>

#include "files/failure.h"
#include "maps/map_failure.h"
#include "maps/map_readers.h"

namespace vezuved_cli {
namespace {

using MapReader = std::vector<PointSet> (*)(const std::string&, const std::string&, bool, MapWarnings&);

// Warnings are said even when the read then fails, before its failure, as
// they were met.
std::vector<PointSet> ReadSaying(MapReader reader,
                                 const std::string& path,
                                 const std::string& what,
                                 bool strict) {
    MapWarnings warnings;
    const auto say = [&] {
        for (const MapWarning& warning : warnings) std::cerr << "vezuved: " << warning.message << "\n";
    };
    try {
        std::vector<PointSet> sets = reader(path, what, strict, warnings);
        say();
        return sets;
    } catch (const MapFailure& failure) {
        say();
        FailConversion(failure.what());
    } catch (...) {
        say();
        throw;
    }
}

}  // namespace

std::vector<PointSet> ReadGpx(const std::string& path, const std::string& what, bool strict) {
    return ReadSaying(ReadGpxSets, path, what, strict);
}

std::vector<PointSet> ReadKml(const std::string& path, const std::string& what, bool strict) {
    return ReadSaying(ReadKmlSets, path, what, strict);
}

std::vector<PointSet> ReadGeoJson(const std::string& path, const std::string& what, bool strict) {
    return ReadSaying(ReadGeoJsonSets, path, what, strict);
}

}  // namespace vezuved_cli
