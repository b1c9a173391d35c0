#include "core/archive_sets.h"

#include <map>

#include "base/ascii.h"
#include "core/file_formats.h"
#include "core/map_documents.h"
#include "maps/activity_names.h"
#include "maps/map_failure.h"
#include "maps/read_caps.h"
#include "maps/zip_archive.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

// The archive's activities.csv, at its top or one folder down, as Strava
// puts it; the archive's size when it has none.
size_t FindActivityList(const maps::ZipArchive& archive) {
    for (size_t i = 0; i < archive.size(); ++i) {
        const std::string name = AsciiLowered(archive.Name(i));
        const size_t slash = name.find('/');
        if ((slash == std::string::npos ? name : name.substr(slash + 1)) == "activities.csv") return i;
    }
    return archive.size();
}

// The file an activities.csv names, as the archive names it: the CSV's
// names are relative to the folder the CSV is in.
std::string InFolderOf(const std::string& list, const std::string& file) {
    const size_t slash = list.rfind('/');
    return slash == std::string::npos ? file : list.substr(0, slash + 1) + file;
}

void Name(std::vector<maps::PointSet>& sets, const std::string& name) {
    size_t lines = 0;
    for (maps::PointSet& set : sets) {
        if (set.kind == VEZUVED_KIND_POINT) continue;
        set.title = ++lines == 1 ? name : name + " " + std::to_string(lines);
    }
}

}  // namespace

std::vector<maps::PointSet> ReadArchiveSets(const std::string& path,
                                            bool strict,
                                            maps::MapWarnings& warnings) {
    maps::ZipArchive archive(path, path, maps::ZipArchive::Kind::Archive);
    std::map<std::string, std::string> names;
    const size_t list = FindActivityList(archive);
    if (list < archive.size()) {
        const std::string listName = archive.Name(list);
        for (const auto& [file, name] :
             maps::ActivityNames(archive.Open(list, path + ":" + listName)->ReadAll(), path + ":" + listName))
            names.emplace(InFolderOf(listName, file), name);
    }
    std::vector<maps::PointSet> all;
    size_t passed = 0;
    size_t points = 0;  // of all the files read, held to what one read may hold
    for (size_t i = 0; i < archive.size(); ++i) {
        const std::string name = archive.Name(i);
        const int32_t format = MapFormatOfName(name);
        if (format == VEZUVED_FORMAT_BY_EXTENSION) {
            // Folders and the list itself are no files passed over.
            if (i != list && !name.empty() && name.back() != '/') ++passed;
            continue;
        }
        try {
            std::unique_ptr<maps::MapSource> source = archive.Open(i, path + ":" + name);
            std::vector<maps::PointSet> sets = ReadMapSource(*source, format, strict, warnings);
            const auto named = names.find(name);
            if (named != names.end()) Name(sets, named->second);
            for (maps::PointSet& set : sets) {
                points += set.points.size();
                all.push_back(std::move(set));
            }
        } catch (const maps::MapFailure& failure) {
            if (strict) throw;
            warnings.push_back(
                {path, 0, failure.what(), failure.what() + std::string("; its points are left out")});
        }
        if (points > maps::MostPointsRead())
            maps::FailMap("cannot read '" + path + "': " + maps::TooManyPoints());
    }
    if (passed > 0) {
        const std::string cause =
            std::to_string(passed) + " file(s) of the archive hold no track and are passed over";
        warnings.push_back({path, 0, cause, path + ": " + cause});
    }
    if (all.empty()) maps::FailMap("cannot read '" + path + "': no file in the archive holds a point");
    return all;
}

}  // namespace vezuved::core
