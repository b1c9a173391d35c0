// The routes of the handheld: its listing beside the PC folder, and push
// and pull as copies the page follows.
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <vezuved/vezuved.h>
#include <vezuved/vezuved_core.h>

#include "commands/device_commands.h"
#include "files/tool_paths.h"
#include "serve/serve_routes.h"
#include "serve/serve_security.h"
#include "values/ascii_text.h"

namespace vezuved_cli {

namespace {

uint32_t OptionsWord(const httplib::Request& request) {
    struct Flag {
        const char* name;
        uint32_t bit;
    };
    static const Flag kFlags[] = {{"always", VEZUVED_OPT_ALWAYS},
                                  {"update", VEZUVED_OPT_UPDATE},
                                  {"noReplace", VEZUVED_OPT_NO_REPLACE},
                                  {"ask", VEZUVED_OPT_ASK},
                                  {"keepBoth", VEZUVED_OPT_KEEP_BOTH},
                                  {"create", VEZUVED_OPT_CREATE_VOLUME},
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
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder), error)) {
        // The listing's own sync file is no file to push.
        if (!entry.is_regular_file(error) ||
            SameIgnoringCase(TextOf(entry.path().filename()), "RLDBSync.inf"))
            continue;
        files.push_back({{"name", TextOf(entry.path().filename())}, {"size", entry.file_size(error)}});
    }
    return files;
}

// The job a path names; 0, which no job has, for a number too large.
int JobNumber(const httplib::Request& request) { return WholeNumber(request.matches[1], 0); }

// The listing's problems, one line each.
int32_t VEZUVED_CORE_CALL KeepProblem(const vezuved_device_event* event, void* context) {
    if (event->type == VEZUVED_DEVICE_EVENT_MESSAGE)
        *static_cast<std::string*>(context) += event->message + std::string("\n");
    return 0;
}

Json JobJson(const JobState& state) {
    Json items = Json::array();
    for (const CopyProgress& item : state.items) {
        items.push_back({{"item", item.item},
                         {"stage", item.stage},
                         {"done", item.done},
                         {"total", item.total},
                         {"failure", InPageWords(item.failure)}});
    }
    return {{"id", state.id},
            {"what", state.what},
            {"finished", state.finished},
            {"failed", state.failed},
            {"result", InPageWords(state.result)},
            {"messages", InPageWords(state.messages)},
            {"items", items},
            {"question", state.question},
            {"sourceDate", state.sourceDate},
            {"destinationDate", state.destinationDate}};
}

}  // namespace

void AddDeviceRoutes(httplib::Server& http, Server& server) {
    // A POST: the listing writes the folder's sync file and heals the handheld.
    http.Post("/api/device", [&](const httplib::Request&, httplib::Response& response) {
        if (!server.options.withDevice) return Send(response, 404, "the server was started without --device");
        std::unique_lock<std::timed_mutex> handheld(server.jobs.Handheld(), std::defer_lock);
        if (!handheld.try_lock_for(std::chrono::seconds(2)))
            return Send(
                response, 409, "the handheld is busy with a copy; its listing follows when the copy ends");
        std::unique_ptr<vezuved_device, void (*)(vezuved_device*)> device(vezuved_device_new(),
                                                                          vezuved_device_free);
        if (!device) return Send(response, 500, "memory ran out");
        std::string problems;
        const int32_t result =
            vezuved_device_list(device.get(), server.options.folder.c_str(), nullptr, KeepProblem, &problems);
        const int32_t code = vezuved_device_code(device.get());
        Json rows = Json::array();
        vezuved_device_row row{};
        for (int32_t i = 0; vezuved_device_get_row(device.get(), i, &row) == VEZUVED_OK; ++i) {
            rows.push_back({{"kind", row.heading},
                            {"name", row.name},
                            {"records", row.records},
                            {"deviceModified", row.device_modified},
                            {"pcModified", row.pc_modified},
                            {"state", row.state}});
        }
        std::vector<std::string> pcOnly;
        for (int32_t i = 0; i < vezuved_device_pc_only_count(device.get()); ++i)
            pcOnly.push_back(vezuved_device_pc_only(device.get(), i));
        // A sync file not written is a problem of the listing, which stands.
        if (result != VEZUVED_OK && code == 0)
            problems += std::string(vezuved_device_error_message(device.get())) + "\n";
        // A handheld without its database volume is a fresh one, not a fault.
        const bool fresh = code == 0 && vezuved_device_has_volume(device.get()) == 0;
        if (fresh) {
            const std::string mount = "Can't mount Database Volume: ";
            for (size_t at = problems.find(mount); at != std::string::npos; at = problems.find(mount, at))
                problems.erase(at, problems.find('\n', at) - at + 1);
        }
        SendJson(response,
                 {{"rows", rows},
                  {"pcOnly", pcOnly},
                  {"report", vezuved_device_report(device.get())},
                  {"problems", problems},
                  {"failure", code == 0 ? "" : vezuved_device_error_message(device.get())},
                  {"fresh", fresh},
                  {"folder", FolderJson(server.options.folder)}});
    });
    http.Post("/api/device/push", [&](const httplib::Request& request, httplib::Response& response) {
        if (!server.options.withDevice) return Send(response, 404, "the server was started without --device");
        std::vector<std::string> sources;
        if (request.has_param("name")) {
            const std::optional<std::string> path =
                PathInside(server.options.folder, request.get_param_value("name"));
            if (!path) return Send(response, 403, "only files of the folder are pushed");
            sources.push_back(*path);
        } else {
            // A set of an opened file goes, changed as the page shows it, as
            // databases of the server's own (a split's pieces each its own):
            // the folder's files are the user's, never written over.
            const std::optional<Chosen> chosen = Choose(server, request);
            if (!chosen) return Send(response, 404, "no such file or set");
            std::string folder;
            const CapturedRun run = RunCaptured([&](RunContext& context) {
                folder = server.opened.NewFolder("push");
                const std::string name = UploadedFileName(FileSafeName(chosen->set.title) + ".pdb");
                ConvertRequest convert = SetRequest(*chosen, TextOf(PathOf(folder) / PathOf(name)));
                convert.filters = RequestFilters(request);
                RunConvert(context, convert);
                sources = WrittenFiles(folder, TextOf(PathOf(name).stem()));
            });
            if (!run.ok) return Send(response, 422, run.failure);
        }
        const uint32_t word = OptionsWord(request);
        std::string what = "push " + TextOf(PathOf(sources.front()).filename());
        if (sources.size() > 1) what += " and " + std::to_string(sources.size() - 1) + " more";
        const int id = server.jobs.Start(
            what,
            (word & VEZUVED_OPT_ASK) != 0,
            [sources, word](vezuved_device* device, vezuved_device_callback callback, void* context) {
                const vezuved_device_options options{nullptr, nullptr, word, VEZUVED_DEVICE_KIND_ALL};
                int32_t result = VEZUVED_OK;
                // One after another; the first that fails ends the job with its cause.
                for (size_t i = 0; i < sources.size() && result == VEZUVED_OK; ++i)
                    result = vezuved_device_push(device, sources[i].c_str(), &options, callback, context);
                return result;
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
        const int32_t code = kind == "Points"   ? VEZUVED_DEVICE_KIND_POINTS
                             : kind == "Tracks" ? VEZUVED_DEVICE_KIND_TRACKS
                             : kind == "Routes" ? VEZUVED_DEVICE_KIND_ROUTES
                                                : VEZUVED_DEVICE_KIND_ALL;
        const uint32_t word = OptionsWord(request);
        const std::string folder = server.options.folder;
        const int id = server.jobs.Start(
            "pull " + (name.empty() ? std::string("all") : name),
            (word & VEZUVED_OPT_ASK) != 0,
            [name, code, word, folder](
                vezuved_device* device, vezuved_device_callback callback, void* context) {
                const vezuved_device_options options{
                    nullptr, name.empty() ? nullptr : name.c_str(), word, code};
                return vezuved_device_pull(device, folder.c_str(), &options, callback, context);
            });
        SendJson(response, {{"job", id}});
    });
    http.Get(R"(/api/jobs/(\d+))", [&](const httplib::Request& request, httplib::Response& response) {
        JobState state;
        if (!server.jobs.Get(JobNumber(request), state)) return Send(response, 404, "no such copy");
        SendJson(response, JobJson(state));
    });
    http.Post(R"(/api/jobs/(\d+)/answer)", [&](const httplib::Request& request, httplib::Response& response) {
        if (!server.jobs.Answer(JobNumber(request), IntParam(request, "answer", -1)))
            return Send(response, 409, "no question is waiting");
        SendJson(response, {{"ok", true}});
    });
}

}  // namespace vezuved_cli
