#include "core/map_documents.h"

#include <cstdio>

#include "core/core_failure.h"
#include "maps/document_sink.h"
#include "maps/geojson_writer.h"
#include "maps/gpx_writer.h"
#include "maps/kml_writer.h"
#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/xml_stream.h"
#include "platform/replacing_file.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

// A file that cannot be opened is told apart from one that is no map.
void RequireReadable(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        FailCore(VEZUVED_ERROR_OPEN, "cannot read '" + path + "': the file cannot be opened");
    std::fclose(file);
}

}  // namespace

std::vector<maps::PointSet> ReadMapFile(const std::string& path,
                                        int32_t format,
                                        bool strict,
                                        maps::MapWarnings& warnings) {
    RequireReadable(path);
    if ((format == VEZUVED_FORMAT_GPX || format == VEZUVED_FORMAT_KML) && !maps::XmlReadingAvailable()) {
        FailCore(VEZUVED_ERROR_UNSUPPORTED, "cannot read '" + path + "': this build reads no XML");
    }
    try {
        switch (format) {
            case VEZUVED_FORMAT_GPX:
                return maps::ReadGpxSets(path, path, strict, warnings);
            case VEZUVED_FORMAT_KML:
                return maps::ReadKmlSets(path, path, strict, warnings);
            default:
                return maps::ReadGeoJsonSets(path, path, strict, warnings);
        }
    } catch (const maps::MapFailure& failure) {
        FailCore(VEZUVED_ERROR_FORMAT, failure.what());
    }
}

void WriteMapFile(const std::string& path,
                  int32_t format,
                  const std::vector<maps::PointSet>& sets,
                  const std::string& creator) {
    ReplacingFile file;
    if (!OpenReplacingFile(file, path.c_str())) FailCore(VEZUVED_ERROR_WRITE, file.failure);
    maps::DocumentSink sink(file.file);
    switch (format) {
        case VEZUVED_FORMAT_GPX:
            maps::WriteGpx(sink, sets, creator);
            break;
        case VEZUVED_FORMAT_KML:
            maps::WriteKml(sink, sets);
            break;
        default:
            maps::WriteGeoJson(sink, sets, false);
            break;
    }
    if (!sink.Flush()) {
        DiscardReplacingFile(file, sink.error());
        FailCore(VEZUVED_ERROR_WRITE, file.failure);
    }
    if (!CommitReplacingFile(file)) FailCore(VEZUVED_ERROR_WRITE, file.failure);
}

}  // namespace vezuved::core
