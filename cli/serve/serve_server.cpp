#include "serve/serve_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>
#include <vezuved/vezuved.h>

#include "base/ascii.h"
#include "commands/convert_plan.h"
#include "commands/device_commands.h"
#include "filters/filters.h"
#include "filters/track_stats.h"
#include "output/stats_output.h"
#include "input/read_input.h"
#include "output/map_files.h"
#include "serve/captured_run.h"
#include "serve/device_jobs.h"
#include "serve/device_listing.h"
#include "serve/opened_files.h"
#include "serve/serve_security.h"
#include "serve/web_files.h"
#include "serve/zip_bundle.h"
#include "support/failure.h"
#include "support/file_output.h"
#include "support/options.h"
#include "support/temporary_folder.h"
#include "support/whole_file.h"

namespace vezuved_cli {
namespace {

using Json = nlohmann::json;

volatile std::sig_atomic_t g_stop = 0;
extern "C" void OnStopSignal(int) { g_stop = 1; }

struct Server {
    ServeOptions options;
    std::string token;
    int port = 0;
    OpenedFiles opened;
    DeviceJobs jobs;
};

void Send(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
}

void SendJson(httplib::Response& response, const Json& json) {
    response.set_content(json.dump(), "application/json; charset=utf-8");
}

int IntParam(const httplib::Request& request, const char* name, int fallback = 0) {
    if (!request.has_param(name)) return fallback;
    const std::string value = request.get_param_value(name);
    try {
        return std::stoi(value);
    } catch (const std::exception&) {
        return fallback;
    }
}

const char* ContentType(const std::string& path) {
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".js") == 0) return "text/javascript; charset=utf-8";
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".css") == 0) return "text/css; charset=utf-8";
    return "text/html; charset=utf-8";
}

const WebFile* FindWebFile(const std::string& path) {
    for (size_t i = 0; i < kWebFileCount; ++i) {
        if (path == kWebFiles[i].path) return &kWebFiles[i];
    }
    return nullptr;
}

Json FileJson(const OpenedFile& file) {
    Json sets = Json::array();
    for (size_t i = 0; i < file.sets.size(); ++i) {
        const OpenedSet& set = file.sets[i];
        sets.push_back({{"index", i}, {"title", set.title}, {"kind", KindText(set.kind)}, {"count", set.count}});
    }
    return {{"id", file.id}, {"name", file.name}, {"sets", sets}, {"problems", file.problems}, {"failure", file.failure}};
}

// The file and set a request names; fails with 404 words when none.
struct Chosen {
    OpenedFile file;
    OpenedSet set;
    int index = 0;
};
std::optional<Chosen> Choose(const Server& server, const httplib::Request& request) {
    const std::optional<OpenedFile> file = server.opened.Find(IntParam(request, "file"));
    if (!file) return std::nullopt;
    const int index = IntParam(request, "set", -1);
    if (index < 0 || index >= static_cast<int>(file->sets.size())) return std::nullopt;
    return Chosen{*file, file->sets[index], index};
}

std::optional<FileType> TakeType(const std::string& format) {
    if (format == "pdb") return FileType::Database;
    if (format == "text") return FileType::Text;
    return FileTypeForName(format == "geojson" ? "geojson" : format);
}

// The request `vezuved convert FILE NAME --track N` (or --what waypoints) makes.
ConvertRequest SetRequest(const Chosen& chosen, const std::string& output) {
    ConvertRequest request;
    request.inputs = {chosen.file.readPath};
    request.in = chosen.file.options;
    request.output = output;
    if (chosen.set.kind == VEZUVED_KIND_POINT) request.what = "waypoints";
    else request.track = std::to_string(chosen.set.track);
    return request;
}

// A definition the page chose: one opened with the files, or one in the folder.
std::optional<std::string> DefinitionPath(const Server& server, const std::string& name) {
    for (const auto& [opened, path] : server.opened.Definitions()) {
        if (opened == name) return path;
    }
    return PathInside(server.options.folder, name);
}

// The filters a request gives, in the order they run; a value a filter
// cannot read fails as the command line's usage error does.
FilterPlan RequestFilters(const httplib::Request& request) {
    FilterPlan plan;
    for (const char* option : {"simplify", "fit", "split", "crop"}) {
        const std::string value = request.get_param_value(option);
        if (!value.empty()) plan.steps.push_back(ParseFilterStep(option, value));
    }
    return plan;
}

struct Taken {
    std::string name;
    std::string bytes;
    CapturedRun run;
};

Taken TakeSet(const Server& server, const Chosen& chosen, FileType type, const std::string& definition,
              const httplib::Request& filters) {
    Taken taken;
    taken.name = FileSafeName(chosen.set.title) + OutputExtension(type);
    if (ReservedOnWindows(taken.name)) taken.name = "_" + taken.name;
    taken.run = RunCaptured([&] {
        const TemporaryFolder folder = TemporaryFolder::Create();
        ConvertRequest request = SetRequest(chosen, folder.File(taken.name));
        request.to = type;
        request.outputDefinition = definition;
        request.filters = RequestFilters(filters);
        RunConvert(request);
        taken.bytes = ReadWholeFileOrFail(request.output, "the converted file");
    });
    (void)server;
    return taken;
}

uint32_t OptionsWord(const httplib::Request& request) {
    struct Flag { const char* name; uint32_t bit; };
    static const Flag kFlags[] = {{"always", VEZUVED_OPT_ALWAYS},       {"update", VEZUVED_OPT_UPDATE},
                                  {"noReplace", VEZUVED_OPT_NO_REPLACE}, {"ask", VEZUVED_OPT_ASK},
                                  {"keepBoth", VEZUVED_OPT_KEEP_BOTH},   {"create", VEZUVED_OPT_CREATE_VOLUME},
                                  {"move", VEZUVED_OPT_MOVE}};
    uint32_t word = 0;
    for (const Flag& flag : kFlags) {
        if (request.get_param_value(flag.name) == "1") word |= flag.bit;
    }
    return word;
}

Json FolderJson(const std::string& folder) {
    Json files = Json::array();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        files.push_back({{"name", entry.path().filename().string()}, {"size", entry.file_size(error)}});
    }
    return files;
}

Json JobJson(const JobState& state) {
    Json items = Json::array();
    for (const CopyProgress& item : state.items) {
        items.push_back({{"item", item.item}, {"stage", item.stage}, {"done", item.done}, {"total", item.total},
                         {"failure", item.failure}});
    }
    return {{"id", state.id}, {"what", state.what}, {"finished", state.finished}, {"failed", state.failed},
            {"result", state.result}, {"messages", state.messages}, {"items", items}, {"question", state.question},
            {"sourceDate", state.sourceDate}, {"destinationDate", state.destinationDate}};
}

void AddFileRoutes(httplib::Server& http, Server& server) {
    http.Get("/api/files", [&](const httplib::Request&, httplib::Response& response) {
        Json files = Json::array();
        for (const OpenedFile& file : server.opened.All()) files.push_back(FileJson(file));
        Json definitions = Json::array();
        for (const auto& [name, path] : server.opened.Definitions()) definitions.push_back(name);
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(server.options.folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.size() > 4 && AsciiLowered(name.substr(name.size() - 4)) == ".cal") definitions.push_back(name);
        }
        SendJson(response, {{"files", files}, {"definitions", definitions}, {"device", server.options.withDevice},
                            {"filters", true},
                            {"folder", server.options.folder}});
    });
    http.Post("/api/open", [&](const httplib::Request& request, httplib::Response& response) {
        std::vector<Upload> uploads;
        for (const auto& [field, part] : request.files) uploads.push_back(Upload{part.filename, part.content});
        if (uploads.empty()) return Send(response, 400, "no file was sent");
        Json files = Json::array();
        for (const OpenedFile& file : server.opened.Add(uploads)) files.push_back(FileJson(file));
        SendJson(response, {{"files", files}});
    });
    http.Get("/api/map", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<OpenedFile> file = server.opened.Find(IntParam(request, "file"));
        if (!file) return Send(response, 404, "no such file");
        const int only = IntParam(request, "set", -1);
        std::string svg;
        const CapturedRun run = RunCaptured([&] {
            std::vector<PointSet> sets;
            int index = 0;
            for (LoadedPoints& loaded : ReadOpenedFile(*file)) {
                if (only < 0 || only == index) sets.push_back(std::move(loaded.set));
                ++index;
            }
            ApplyFilters(sets, RequestFilters(request), std::cerr);  // drawn as the page changes it
            svg = RenderMap(MapFormat::Svg, sets, MapOptions());
        });
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
            const std::optional<std::string> path = DefinitionPath(server, request.get_param_value("definition"));
            if (!path) return Send(response, 403, "text is written through a definition opened or in the folder");
            definition = *path;
        }
        const Taken taken = TakeSet(server, *chosen, *type, definition, request);
        if (!taken.run.ok) return Send(response, 422, taken.run.failure + "\n" + taken.run.err);
        response.set_header("Content-Disposition", "attachment; filename=\"" + taken.name + "\"");
        response.set_header("X-Vezuved-Problems", std::to_string(taken.run.err.size()));
        response.set_content(taken.bytes, "application/octet-stream");
    });
    // What the filters would leave of a set, and its figures, before anything is written.
    http.Get("/api/change", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<Chosen> chosen = Choose(server, request);
        if (!chosen) return Send(response, 404, "no such file or set");
        Json after = Json::array();
        std::string stats;
        const CapturedRun run = RunCaptured([&] {
            const FilterPlan plan = RequestFilters(request);
            std::vector<LoadedPoints> loaded = ReadOpenedFile(chosen->file);
            if (chosen->index >= static_cast<int>(loaded.size())) FailConversion("the file changed since it was opened");
            std::vector<PointSet> sets;
            sets.push_back(std::move(loaded[chosen->index].set));
            ApplyFilters(sets, plan, std::cerr);
            std::vector<TrackStats> figures;
            for (const PointSet& set : sets) {
                after.push_back({{"title", set.title}, {"count", set.points.size()}});
                figures.push_back(ComputeStats(set, StatsOptions()));
            }
            stats = StatsText(figures);
        });
        if (!run.ok) return Send(response, 400, run.failure);
        SendJson(response, {{"before", chosen->set.count}, {"after", after}, {"problems", run.err}, {"stats", stats}});
    });
    // The tracks of the files of the ticked sets merged into one, as
    // `vezuved convert A B -o merged.EXT --what tracks --merge` makes it.
    http.Get("/api/take-merged", [&](const httplib::Request& request, httplib::Response& response) {
        const std::optional<FileType> type = TakeType(request.get_param_value("format"));
        if (!type || *type == FileType::Text) return Send(response, 400, "say pdb, gpx, kml or geojson");
        std::vector<std::string> inputs;
        const std::string list = request.get_param_value("sets");
        for (size_t at = 0; at < list.size();) {
            const size_t end = std::min(list.find(',', at), list.size());
            const std::optional<OpenedFile> file = server.opened.Find(std::atoi(list.substr(at, end - at).c_str()));
            at = end + 1;
            if (!file) return Send(response, 404, "no such file");
            if (file->madeFromHeader) return Send(response, 400, "'" + file->name + "' is read by its header row: take it on its own");
            if (std::find(inputs.begin(), inputs.end(), file->path) == inputs.end()) inputs.push_back(file->path);
        }
        if (inputs.empty()) return Send(response, 400, "no set was chosen");
        const std::string name = "merged" + OutputExtension(*type);
        std::string bytes;
        const CapturedRun run = RunCaptured([&] {
            const TemporaryFolder folder = TemporaryFolder::Create();
            ConvertRequest convert;
            convert.inputs = inputs;
            convert.output = folder.File(name);
            convert.to = type;
            convert.what = "tracks";
            convert.filters = RequestFilters(request);
            convert.filters.steps.insert(convert.filters.steps.begin(), ParseFilterStep("merge", ""));
            RunConvert(convert);
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
        std::vector<BundledFile> bundle;
        std::string problems;
        const std::string list = request.get_param_value("sets");
        for (size_t at = 0; at < list.size();) {
            const size_t end = std::min(list.find(',', at), list.size());
            const std::string pair = list.substr(at, end - at);
            at = end + 1;
            const size_t colon = pair.find(':');
            httplib::Request one;
            one.params.emplace("file", pair.substr(0, colon));
            one.params.emplace("set", colon == std::string::npos ? "" : pair.substr(colon + 1));
            const std::optional<Chosen> chosen = Choose(server, one);
            if (!chosen) return Send(response, 404, "no such file or set: " + pair);
            Taken taken = TakeSet(server, *chosen, *type, "", request);
            if (!taken.run.ok) return Send(response, 422, taken.run.failure + "\n" + taken.run.err);
            bundle.push_back(BundledFile{taken.name, std::move(taken.bytes)});
        }
        if (bundle.empty()) return Send(response, 400, "no set was chosen");
        std::string zip;
        const CapturedRun run = RunCaptured([&] { zip = ZipBundle(bundle); });
        if (!run.ok) return Send(response, 500, run.failure);
        response.set_header("Content-Disposition", "attachment; filename=\"sets.zip\"");
        response.set_content(zip, "application/zip");
    });
}

void AddDeviceRoutes(httplib::Server& http, Server& server) {
    http.Get("/api/device", [&](const httplib::Request&, httplib::Response& response) {
        if (!server.options.withDevice) return Send(response, 404, "the server was started without --device");
        int32_t result = 0;
        const CapturedRun run = RunCaptured(
            [&] { result = RLDBCEEnum(server.options.folder.c_str(), nullptr, 0, 0); }, true);
        const Listing listing = ParseListing(run.out);
        Json rows = Json::array();
        for (const ListingRow& row : listing.rows) {
            rows.push_back({{"kind", row.kind}, {"name", row.name}, {"records", row.records},
                            {"deviceModified", row.deviceModified}, {"pcModified", row.pcModified},
                            {"state", row.state}});
        }
        SendJson(response, {{"rows", rows}, {"pcOnly", listing.pcOnly}, {"report", run.out},
                            {"problems", run.err}, {"failure", result == 0 ? "" : DeviceResultText(result)},
                            {"folder", FolderJson(server.options.folder)}});
    });
    http.Post("/api/device/push", [&](const httplib::Request& request, httplib::Response& response) {
        if (!server.options.withDevice) return Send(response, 404, "the server was started without --device");
        std::string source;
        if (request.has_param("name")) {
            const std::optional<std::string> path = PathInside(server.options.folder, request.get_param_value("name"));
            if (!path) return Send(response, 403, "only files of the folder are pushed");
            source = *path;
        } else {
            // A set of an opened file goes, changed as the page shows it, as a
            // database saved in the folder first.
            const std::optional<Chosen> chosen = Choose(server, request);
            if (!chosen) return Send(response, 404, "no such file or set");
            const std::optional<std::string> path =
                PathInside(server.options.folder, FileSafeName(chosen->set.title) + ".pdb");
            if (!path) return Send(response, 403, "the set's name makes no file of the folder");
            const CapturedRun run = RunCaptured([&] {
                ConvertRequest convert = SetRequest(*chosen, *path);
                convert.filters = RequestFilters(request);
                RunConvert(convert);
            });
            if (!run.ok) return Send(response, 422, run.failure);
            source = *path;
        }
        const uint32_t word = OptionsWord(request);
        const std::string name = std::filesystem::path(source).filename().string();
        const int id = server.jobs.Start("push " + name, (word & VEZUVED_OPT_ASK) != 0, [source, word] {
            return RLDBCECopyToDevice(source.c_str(), nullptr, word, nullptr, -1, -1, -1, nullptr);
        });
        SendJson(response, {{"job", id}});
    });
    http.Post("/api/device/pull", [&](const httplib::Request& request, httplib::Response& response) {
        if (!server.options.withDevice) return Send(response, 404, "the server was started without --device");
        const std::string name = request.get_param_value("name");
        // A database name, never a path or a pattern of the handheld's files.
        if (name.find_first_of("/\\*?:") != std::string::npos || name.find("..") != std::string::npos)
            return Send(response, 403, "only a database the listing shows is pulled");
        const std::string kind = request.get_param_value("kind");
        const int16_t code = kind == "Points" ? 0 : kind == "Tracks" ? 1 : kind == "Routes" ? 2 : -1;
        const uint32_t word = OptionsWord(request);
        const std::string folder = server.options.folder;
        const int id = server.jobs.Start("pull " + (name.empty() ? std::string("all") : name),
                                         (word & VEZUVED_OPT_ASK) != 0, [name, code, word, folder] {
                                             return RLDBCECopyFromDevice(nullptr, name.empty() ? nullptr : name.c_str(),
                                                                         folder.c_str(), word, nullptr, code, 0, 0, 0, 0);
                                         });
        SendJson(response, {{"job", id}});
    });
    http.Get(R"(/api/jobs/(\d+))", [&](const httplib::Request& request, httplib::Response& response) {
        JobState state;
        if (!server.jobs.Get(std::stoi(request.matches[1]), state)) return Send(response, 404, "no such copy");
        SendJson(response, JobJson(state));
    });
    http.Post(R"(/api/jobs/(\d+)/answer)", [&](const httplib::Request& request, httplib::Response& response) {
        if (!server.jobs.Answer(std::stoi(request.matches[1]), IntParam(request, "answer", -1)))
            return Send(response, 409, "no question is waiting");
        SendJson(response, {{"ok", true}});
    });
}

// Every request: the machine's own address at this port, and the token.
httplib::Server::HandlerResponse Admit(const Server& server, const httplib::Request& request,
                                       httplib::Response& response) {
    if (!HostAllowed(request.get_header_value("Host"), server.port) ||
        !OriginAllowed(request.get_header_value("Origin"), server.port)) {
        Send(response, 403, "refused: only pages of http://127.0.0.1:" + std::to_string(server.port) + " may ask");
        return httplib::Server::HandlerResponse::Handled;
    }
    const std::string given = request.has_param("token") ? request.get_param_value("token")
                                                         : TokenInCookie(request.get_header_value("Cookie"));
    if (!TokenMatches(server.token, given)) {
        Send(response, 403, "refused: open the address vezuved serve printed, with its token");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

}  // namespace

void RunServer(const ServeOptions& options) {
    Server server;
    server.options = options;
    server.token = NewToken();
    if (options.withDevice) UseEmulatedDevice(options.device);
    httplib::Server http;
    http.set_payload_max_length(options.maxUpload);
    http.set_pre_routing_handler(
        [&](const httplib::Request& request, httplib::Response& response) { return Admit(server, request, response); });
    http.Get("/", [&](const httplib::Request&, httplib::Response& response) {
        // The token becomes a cookie, so the page's own requests carry it.
        response.set_header("Set-Cookie",
                            std::string(TokenCookieName()) + "=" + server.token + "; Path=/; HttpOnly; SameSite=Strict");
        const WebFile* page = FindWebFile("/index.html");
        response.set_content(reinterpret_cast<const char*>(page->bytes), page->size, "text/html; charset=utf-8");
    });
    http.Get(R"(/([a-z]+\.(?:js|css|html)))", [&](const httplib::Request& request, httplib::Response& response) {
        const WebFile* file = FindWebFile(request.path);
        if (file == nullptr) return Send(response, 404, "no such page file");
        response.set_content(reinterpret_cast<const char*>(file->bytes), file->size, ContentType(request.path));
    });
    AddFileRoutes(http, server);
    AddDeviceRoutes(http, server);
    http.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
        std::string words = "failed";
        try {
            if (error) std::rethrow_exception(error);
        } catch (const std::exception& caught) {
            words = caught.what();
        } catch (...) {
        }
        Send(response, 500, words);
    });

    if (options.port == 0) {
        server.port = http.bind_to_any_port("127.0.0.1");
        if (server.port < 0) FailConversion("serve: cannot listen on 127.0.0.1");
    } else {
        if (!http.bind_to_port("127.0.0.1", options.port))
            FailConversion("serve: cannot listen on 127.0.0.1:" + std::to_string(options.port) + " (is it in use?)");
        server.port = options.port;
    }
    std::cout << "http://127.0.0.1:" << server.port << "/?token=" << server.token << std::endl;

    // Ctrl-C and SIGTERM end the serving; what was uploaded goes with it.
    g_stop = 0;
    auto previousInt = std::signal(SIGINT, OnStopSignal);
    auto previousTerm = std::signal(SIGTERM, OnStopSignal);
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        while (!done && !g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        http.stop();
    });
    http.listen_after_bind();
    done = true;
    watcher.join();
    server.jobs.StopAll();
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    std::cerr << "vezuved: serve stopped\n";
}

}  // namespace vezuved_cli
