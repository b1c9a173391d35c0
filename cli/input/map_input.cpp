#include "input/map_input.h"

#include <ostream>

#include "files/failure.h"
#include "maps/map_failure.h"
#include "maps/map_readers.h"

namespace vezuved_cli {
namespace {

using MapReader = std::vector<PointSet> (*)(const std::string&, const std::string&, bool, MapWarnings&);

// Warnings are said even when the read then fails, before its failure, as
// they were met.
std::vector<PointSet> ReadSaying(
    std::ostream& err, MapReader reader, const std::string& path, const std::string& what, bool strict) {
    MapWarnings warnings;
    const auto say = [&] {
        for (const MapWarning& warning : warnings) err << "vezuved: " << warning.message << "\n";
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

std::vector<PointSet> ReadGpx(std::ostream& err,
                              const std::string& path,
                              const std::string& what,
                              bool strict) {
    return ReadSaying(err, ReadGpxSets, path, what, strict);
}

std::vector<PointSet> ReadKml(std::ostream& err,
                              const std::string& path,
                              const std::string& what,
                              bool strict) {
    return ReadSaying(err, ReadKmlSets, path, what, strict);
}

std::vector<PointSet> ReadGeoJson(std::ostream& err,
                                  const std::string& path,
                                  const std::string& what,
                                  bool strict) {
    return ReadSaying(err, ReadGeoJsonSets, path, what, strict);
}

}  // namespace vezuved_cli
