// Zip archives, read through libzip: a KMZ's KML, and the track files of an
// archive given as input (a Strava export). A build without libzip (the
// Windows one) says so and fails.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "maps/map_source.h"
#include "maps/xml_stream.h"

namespace vezuved::maps {

// Whether the file starts as a zip archive does.
bool IsZipFile(const std::string& path);

class ZipArchive {
public:
    enum class Kind { Kmz, Archive };
    // The archive at path (UTF-8); what names it in messages. Fails when it
    // is no readable zip.
    ZipArchive(const std::string& path, const std::string& what, Kind kind);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    size_t size() const;
    // The entry's name as the archive stores it ("activities/1.fit.gz").
    std::string Name(size_t index) const;
    // The index of the entry named name, any case; size() when none is.
    size_t Find(const std::string& name) const;
    // The entry's bytes, named by entryWhat in what its reader says; a name
    // ending in ".gz" is unpacked too. Fails when it would unpack beyond
    // kLargestUnpacked.
    std::unique_ptr<MapSource> Open(size_t index, const std::string& entryWhat);

private:
    struct Handle;
    std::string what_;
    Kind kind_;
    std::unique_ptr<Handle> handle_;
};

// Streams every KML inside the KMZ at path to handler: its "doc.kml" (or
// else its first ".kml") first, named by what, then the others in the
// archive's order, each named "what:NAME" (those a doc.kml links to among
// them). Returns their names, as the archive gives them. Fails when it is
// no zip or holds no KML.
std::vector<std::string> StreamKmz(const std::string& path, const std::string& what, XmlHandler& handler);

}  // namespace vezuved::maps
