// The routes of the opened files: open, look, change and take.
#include <algorithm>
#include <filesystem>
#include <iostream>

#include <vezuved/vezuved.h>

#include "commands/filter_options.h"
#include "files/failure.h"
#include "files/temporary_folder.h"
#include "files/tool_paths.h"
#include "files/whole_file.h"
#include "filetypes/map_files.h"
#include "filters/track_stats.h"
#include "output/stats_output.h"
#include "serve/serve_routes.h"
#include "serve/serve_security.h"
#include "serve/zip_bundle.h"
#include "values/ascii_text.h"
#include "values/options.h"

namespace vezuved_cli {
namespace {

Json FileJson(const OpenedFile& file) {
    Json sets = Json::array();
    for (size_t i = 0; i < file.sets.size(); ++i) {
        const OpenedSet& set = file.sets[i];
        sets.push_back(
            {{"index", i}, {"title", set.title}, {"kind", KindText(set.kind)}, {"count", set.count}});
    }
    return {{"id", file.id},
            {"name", file.name},
            {"sets", sets},
            {"problems", file.problems},
            {"failure", file.failure}};
}

// A set as the page draws it: each point [latitude, longitude, elevation
// in metres or null, UTC milliseconds or null], a waypoint's name after
// them; the points where a segment starts; the stats' figures.
Json LineJson(const PointSet& set) {
    Json points = Json::array(), starts = Json::array();
    for (size_t i = 0; i < set.points.size(); ++i) {
        const Point& point = set.points[i];
        if (!point.latitude || !point.longitude) continue;
        if (point.segmentStart) starts.push_back(points.size());
        const std::optional<double> elevation = ElevationMetres(point);
        Json row = {*point.latitude,
                    *point.longitude,
                    elevation ? Json(*elevation) : Json(nullptr),
                    point.time ? Json(*point.time) : Json(nullptr)};
        if (!IsLine(set) && !point.name.empty()) row.push_back(point.name);
        points.push_back(std::move(row));
    }
    return {{"title", set.title}, {"kind", KindText(set.kind)}, {"points", points}, {"starts", starts}};
}

std::optional<FileType> TakeType(const std::string& format) {
    if (format == "pdb") return FileType::Database;
    if (format == "text") return FileType::Text;
    return FileTypeForName(format == "geojson" ? "geojson" : format);
}

// A definition the page chose: one opened with the files, or one in the folder.
std::optional<std::string> DefinitionPath(const Server& server, const std::string& name) {
    for (const auto& [opened, path] : server.opened.Definitions()) {
        if (opened == name) return path;
    }
    return PathInside(server.options.folder, name);
}

struct Taken {
    std::vector<BundledFile> files;  // one, or a split's pieces
    CapturedRun run;
};

// The set converted as `vezuved convert` converts it, into a temporary
// folder, and the bytes of what that wrote.
Taken TakeSet(const Chosen& chosen,
              FileType type,
              const std::string& definition,
              const httplib::Request& filters) {
    Taken taken;
    std::string stem = FileSafeName(chosen.set.title);
    if (ReservedOnWindows(stem + SavedExtension(type))) stem = "_" + stem;
    const std::string name = stem + SavedExtension(type);
    taken.run = RunCaptured([&](RunContext& run) {
        const TemporaryFolder folder = TemporaryFolder::Create();
        ConvertRequest request = SetRequest(chosen, folder.File(name));
        request.to = type;
        request.outputDefinition = definition;
        request.filters = RequestFilters(filters);
        RunConvert(run, request);
        for (const std::string& path : WrittenFiles(folder.path(), stem)) {
            taken.files.push_back(BundledFile{TextOf(PathOf(path).filename()),
                                              ReadWholeFileOrFail(path, "the converted file")});
        }
    });
    return taken;
}

// A download: the one file as it is, or a split's pieces in a zip named after the set.
void SendTaken(httplib::Response& response, const Chosen& chosen, Taken& taken) {
    std::string name = taken.files.front().name;
    std::string bytes = std::move(taken.files.front().bytes);
    const char* type = "application/octet-stream";
    if (taken.files.size() > 1) {
        name = FileSafeName(chosen.set.title) + ".zip";
        const CapturedRun run = RunCaptured([&](RunContext&) { bytes = ZipBundle(taken.files); });
        if (!run.ok) return Send(response, 500, run.failure);
        type = "application/zip";
    }
    response.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
    response.set_header("X-Vezuved-Pieces", std::to_string(taken.files.size()));
    response.set_header("X-Vezuved-Problems", std::to_string(taken.run.err.size()));
    response.set_content(bytes, type);
}

// Whether the request's view is still its page's newest; a view the page
// replaced is dropped when it is reached, and again once its file is read.
bool IsCurrent(Server& server, const httplib::Request& request) {
    const std::string seq = request.get_param_value("seq");
    return server.pages.Current(request.get_param_value("page"), std::atoll(seq.c_str()));
}

void SendReplaced(httplib::Response& response) { Send(response, 409, "a newer view replaced this one"); }

}  // namespace

void AddFileRoutes(httplib::Server& http, Server& server) {
    http.Get("/api/files", [&](const httplib::Request&, httplib::Response& response) {
        Json files = Json::array();
        for (const OpenedFile& file : server.opened.All()) files.push_back(FileJson(file));
        Json definitions = Json::array();
        for (const auto& [name, path] : server.opened.Definitions()) definitions.push_back(name);
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(PathOf(server.options.folder), error)) {
            const std::string name = TextOf(entry.path().filename());
            if (name.size() > 4 && LoweredAscii(name.substr(name.size() - 4)) == ".cal")
                definitions.push_back(name);
        }
        SendJson(response,
                 {{"files", files},
                  {"definitions", definitions},
                  {"device", server.options.withDevice},
                  {"filters", true},
                  {"folder", server.options.folder}});
    });
    http.Post("/api/open", [&](const httplib::Request& request, httplib::Response& response) {
        std::vector<Upload> uploads;
        for (const auto& [field, part] : request.files)
            uploads.push_back(Upload{part.filename, part.content});
        if (uploads.empty()) return Send(response, 400, "no file was sent");
        Json files = Json::array();
        for (const OpenedFile& file : server.opened.Add(uploads)) files.push_back(FileJson(file));
        SendJson(response, {{"files", files}});
    });
    http.Post("/api/close", [&](const httplib::Request& request, httplib::Response& response) {
        if (!server.opened.Close(IntParam(request, "file"))) return Send(response, 404, "no such file");
        SendJson(response, {{"closed", IntParam(request, "file")}});
    });
    // Every set of a file as it was read, for the page to draw them all.
    http.Get("/api/lines", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<OpenedFile> file = server.opened.Find(IntParam(request, "file"));
        if (!file) return Send(response, 404, "no such file");
        Json sets = Json::array();
        const CapturedRun run = RunCaptured([&](RunContext& context) {
            for (const LoadedPoints& loaded : ReadOpenedFile(context, *file))
                sets.push_back(LineJson(loaded.set));
        });
        if (!run.ok) return Send(response, 422, run.failure);
        SendJson(response, {{"sets", sets}});
    });
    http.Get("/api/map", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<OpenedFile> file = server.opened.Find(IntParam(request, "file"));
        if (!file) return Send(response, 404, "no such file");
        // Every set, or the one named: a set the file lacks draws no empty map.
        const int only = IntParam(request, "set", -1);
        if (request.has_param("set") && (only < 0 || only >= static_cast<int>(file->sets.size())))
            return Send(response, 404, "no such set");
        if (!IsCurrent(server, request)) return SendReplaced(response);
        std::string svg;
        bool replaced = false;
        const CapturedRun run = RunCaptured([&](RunContext& context) {
            std::vector<LoadedPoints> sets;
            int index = 0;
            for (LoadedPoints& loaded : ReadOpenedFile(context, *file)) {
                if (only < 0 || only == index) sets.push_back(std::move(loaded));
                ++index;
            }
            if ((replaced = !IsCurrent(server, request))) return;
            FilterLoadedSets(context, sets, RequestFilters(request));  // drawn as the page changes it
            svg = RenderDocument(context.err, MapFormat::Svg, sets, MapOptions());
        });
        if (replaced) return SendReplaced(response);
        if (!run.ok) return Send(response, 422, run.failure);
        response.set_content(svg, "image/svg+xml");
    });
    http.Get("/api/take", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<Chosen> chosen = Choose(server, request);
        if (!chosen) return Send(response, 404, "no such file or set");
        const std::optional<FileType> type = TakeType(request.get_param_value("format"));
        if (!type) return Send(response, 400, "say pdb, gpx, kml, geojson or text");
        std::string definition;
        if (*type == FileType::Text) {
            const std::optional<std::string> path =
                DefinitionPath(server, request.get_param_value("definition"));
            if (!path)
                return Send(response, 403, "text is written through a definition opened or in the folder");
            definition = *path;
        }
        Taken taken = TakeSet(*chosen, *type, definition, request);
        if (!taken.run.ok) return Send(response, 422, taken.run.failure + "\n" + taken.run.err);
        SendTaken(response, *chosen, taken);
    });
    // What the filters would leave of a set, and its figures, before anything is written.
    http.Get("/api/change", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<Chosen> chosen = Choose(server, request);
        if (!chosen) return Send(response, 404, "no such file or set");
        if (!IsCurrent(server, request)) return SendReplaced(response);
        Json after = Json::array();
        std::string stats;
        Json figuresJson;
        const bool withPoints = request.get_param_value("points") == "1";
        bool replaced = false;
        const CapturedRun run = RunCaptured([&](RunContext& context) {
            const FilterPlan plan = RequestFilters(request);
            std::vector<LoadedPoints> loaded = ReadOpenedFile(context, chosen->file);
            if ((replaced = !IsCurrent(server, request))) return;
            if (chosen->index >= static_cast<int>(loaded.size()))
                FailConversion("the file changed since it was opened");
            std::vector<PointSet> sets;
            sets.push_back(std::move(loaded[chosen->index].set));
            ApplyFilters(sets, plan, context.err);
            std::vector<TrackStats> figures;
            for (const PointSet& set : sets) {
                Json one = {{"title", set.title}, {"count", set.points.size()}};
                if (withPoints) one["line"] = LineJson(set);
                after.push_back(std::move(one));
                figures.push_back(ComputeStats(set, StatsOptions()));
            }
            stats = StatsText(figures);
            figuresJson = Json::parse(StatsJson(figures));
        });
        if (replaced) return SendReplaced(response);
        if (!run.ok) return Send(response, 400, run.failure);
        SendJson(response,
                 {{"before", chosen->set.count},
                  {"after", after},
                  {"problems", run.err},
                  {"stats", stats},
                  {"figures", figuresJson}});
    });
    // The tracks of the files of the ticked sets merged into one, as
    // `vezuved convert A B -o merged.EXT --what tracks --merge` makes it.
    http.Get("/api/take-merged", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<FileType> type = TakeType(request.get_param_value("format"));
        if (!type || *type == FileType::Text) return Send(response, 400, "say pdb, gpx, kml or geojson");
        const ChosenList sets = ChooseList(server, request.get_param_value("sets"));
        if (sets.missing) return Send(response, 404, "no such file or set: " + *sets.missing);
        // The tracks of each file the sets are in, each file once.
        std::vector<std::string> inputs;
        for (const Chosen& chosen : sets.chosen) {
            if (chosen.file.options.headerRow)
                return Send(response,
                            400,
                            "'" + chosen.file.name + "' is read by its header row: take it on its own");
            if (std::find(inputs.begin(), inputs.end(), chosen.file.path) == inputs.end())
                inputs.push_back(chosen.file.path);
        }
        if (inputs.empty()) return Send(response, 400, "no set was chosen");
        const std::string name = "merged" + SavedExtension(*type);
        std::string bytes;
        const CapturedRun run = RunCaptured([&](RunContext& context) {
            const TemporaryFolder folder = TemporaryFolder::Create();
            ConvertRequest convert;
            convert.inputs = inputs;
            convert.output = folder.File(name);
            convert.to = type;
            convert.what = "tracks";
            convert.filters = RequestFilters(request);
            convert.filters.steps.insert(convert.filters.steps.begin(), ParseFilterStep("merge", ""));
            RunConvert(context, convert);
            bytes = ReadWholeFileOrFail(convert.output, "the merged file");
        });
        if (!run.ok) return Send(response, 422, run.failure + "\n" + run.err);
        response.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
        response.set_content(bytes, "application/octet-stream");
    });
    // Several sets at once: "sets=FILE:SET,FILE:SET", each taken as above, in one zip.
    http.Get("/api/take-zip", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<FileType> type = TakeType(request.get_param_value("format"));
        if (!type || *type == FileType::Text) return Send(response, 400, "say pdb, gpx, kml or geojson");
        const ChosenList sets = ChooseList(server, request.get_param_value("sets"));
        if (sets.missing) return Send(response, 404, "no such file or set: " + *sets.missing);
        std::vector<BundledFile> bundle;
        for (const Chosen& chosen : sets.chosen) {
            Taken taken = TakeSet(chosen, *type, "", request);
            if (!taken.run.ok) return Send(response, 422, taken.run.failure + "\n" + taken.run.err);
            for (BundledFile& file : taken.files) bundle.push_back(std::move(file));
        }
        if (bundle.empty()) return Send(response, 400, "no set was chosen");
        std::string zip;
        const CapturedRun run = RunCaptured([&](RunContext&) { zip = ZipBundle(bundle); });
        if (!run.ok) return Send(response, 500, run.failure);
        response.set_header("Content-Disposition", "attachment; filename=\"sets.zip\"");
        response.set_content(zip, "application/zip");
    });
}

}  // namespace vezuved_cli
