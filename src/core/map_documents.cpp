#include "core/map_documents.h"

#include <cstdio>

#include "core/archive_sets.h"
#include "core/core_failure.h"
#include "core/file_formats.h"
#include "core/set_records.h"
#include "maps/document_sink.h"
#include "maps/geojson_writer.h"
#include "maps/gpx_writer.h"
#include "maps/html_writer.h"
#include "maps/kml_writer.h"
#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/svg_writer.h"
#include "maps/xml_fragment.h"
#include "maps/xml_stream.h"
#include "platform/replacing_file.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

// A picture places at least one point; naming the sets says which had none.
void RequireDrawable(const std::string& name, const std::vector<maps::PointSet>& sets) {
    if (maps::DrawablePointCount(sets) > 0) return;
    std::string names;
    for (const maps::PointSet& set : sets) names += (names.empty() ? "'" : ", '") + set.title + "'";
    FailCore(VEZUVED_ERROR_FORMAT,
             "cannot write '" + name + "': nothing to draw: no point of " +
                 (names.empty() ? std::string("the collection") : names) + " has a valid position");
}

}  // namespace

std::vector<maps::PointSet> ReadMapFile(const std::string& path,
                                        int32_t format,
                                        bool strict,
                                        maps::MapWarnings& warnings) {
    if (format == VEZUVED_FORMAT_SVG || format == VEZUVED_FORMAT_HTML) {
        FailCore(VEZUVED_ERROR_UNSUPPORTED,
                 "cannot read '" + path + "': " + (format == VEZUVED_FORMAT_SVG ? "an SVG" : "an HTML") +
                     " picture is written only");
    }
    RequireReadable(path);
    if ((format == VEZUVED_FORMAT_GPX || format == VEZUVED_FORMAT_KML || format == VEZUVED_FORMAT_TCX) &&
        !maps::XmlReadingAvailable()) {
        FailCore(VEZUVED_ERROR_UNSUPPORTED, "cannot read '" + path + "': this build reads no XML");
    }
    try {
        if (format == VEZUVED_FORMAT_ARCHIVE) return ReadArchiveSets(path, strict, warnings);
        maps::MapSource source(path, path);
        return ReadMapSource(source, format, strict, warnings);
    } catch (const maps::MapFailure& failure) {
        FailCore(VEZUVED_ERROR_FORMAT, failure.what());
    }
}

std::vector<maps::PointSet> ReadMapSource(maps::MapSource& source,
                                          int32_t format,
                                          bool strict,
                                          maps::MapWarnings& warnings) {
    switch (format) {
        case VEZUVED_FORMAT_GPX:
            return maps::ReadGpxSets(source, strict, warnings);
        case VEZUVED_FORMAT_KML: {
            std::vector<maps::PointSet> sets = maps::ReadKmlSets(source, strict, warnings);
            maps::DropBrokenExtensions(sets, source.what(), warnings);
            return sets;
        }
        case VEZUVED_FORMAT_IGC:
            return maps::ReadIgcSets(source, strict, warnings);
        case VEZUVED_FORMAT_NMEA:
            return maps::ReadNmeaSets(source, strict, warnings);
        case VEZUVED_FORMAT_TCX:
            return maps::ReadTcxSets(source, strict, warnings);
        case VEZUVED_FORMAT_FIT:
            return maps::ReadFitSets(source, strict, warnings);
        default: {
            std::vector<maps::PointSet> sets = maps::ReadGeoJsonSets(source, strict, warnings);
            maps::DropBrokenExtensions(sets, source.what(), warnings);
            return sets;
        }
    }
}

void WriteMapDocument(maps::DocumentSink& sink,
                      const std::string& name,
                      const std::vector<maps::PointSet>& sets,
                      const MapWriteRequest& request,
                      maps::MapWarnings& warnings) {
    switch (request.format) {
        case VEZUVED_FORMAT_GPX: {
            const std::string joined = maps::JoinedRouteSegments(sets, maps::ScanLines(sets));
            if (!joined.empty()) warnings.push_back({name, 0, joined, joined});
            AddExtrasWarning(name, sets.data(), sets.size(), "GPX", warnings, ExtrasHolder::Gpx);
            maps::WriteGpx(sink, sets, request.creator);
            break;
        }
        case VEZUVED_FORMAT_KML:
            maps::WriteKml(sink, sets);
            break;
        case VEZUVED_FORMAT_SVG:
            RequireDrawable(name, sets);
            maps::WriteSvg(sink, sets);
            break;
        case VEZUVED_FORMAT_HTML:
            RequireDrawable(name, sets);
            maps::WriteHtml(sink, sets, request.figures);
            break;
        default:
            maps::WriteGeoJson(sink, sets, request.compact);
            break;
    }
}

void WriteMapFile(const std::string& path,
                  const std::vector<maps::PointSet>& sets,
                  const MapWriteRequest& request,
                  maps::MapWarnings& warnings) {
    // Refused before the file beside path is made.
    if (request.format == VEZUVED_FORMAT_SVG || request.format == VEZUVED_FORMAT_HTML)
        RequireDrawable(path, sets);
    ReplacingFile file;
    if (!OpenReplacingFile(file, path.c_str(), PathEncoding::Utf8))
        FailCore(VEZUVED_ERROR_WRITE, file.failure);
    maps::DocumentSink sink(file.file);
    WriteMapDocument(sink, path, sets, request, warnings);
    // A file discarded for a failed write fails its commit with that cause.
    if (!sink.Flush()) DiscardReplacingFile(file, sink.error());
    if (!CommitReplacingFile(file)) FailCore(VEZUVED_ERROR_WRITE, file.failure);
}

}  // namespace vezuved::core
