#include "serve/serve_routes.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include <vezuved/vezuved.h>

#include "files/tool_paths.h"

namespace vezuved_cli {

void Send(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
}

void SendJson(httplib::Response& response, const Json& json) {
    response.set_content(json.dump(), "application/json; charset=utf-8");
}

int WholeNumber(const std::string& text, int fallback) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() ? number : fallback;
}

int IntParam(const httplib::Request& request, const char* name, int fallback) {
    return request.has_param(name) ? WholeNumber(request.get_param_value(name), fallback) : fallback;
}

namespace {

std::optional<Chosen> ChooseNumbers(const Server& server, int fileNumber, int index) {
    const std::optional<OpenedFile> file = server.opened.Find(fileNumber);
    if (!file || index < 0 || index >= static_cast<int>(file->sets.size())) return std::nullopt;
    return Chosen{*file, file->sets[index], index};
}

}  // namespace

std::optional<Chosen> Choose(const Server& server, const httplib::Request& request) {
    return ChooseNumbers(server, IntParam(request, "file"), IntParam(request, "set", -1));
}

ChosenList ChooseList(const Server& server, const std::string& list) {
    ChosenList result;
    for (size_t at = 0; at < list.size();) {
        const size_t end = std::min(list.find(',', at), list.size());
        const std::string pair = list.substr(at, end - at);
        at = end + 1;
        const size_t colon = pair.find(':');
        const std::optional<Chosen> chosen =
            colon == std::string::npos
                ? std::nullopt
                : ChooseNumbers(
                      server, WholeNumber(pair.substr(0, colon), 0), WholeNumber(pair.substr(colon + 1), -1));
        if (!chosen) return ChosenList{{}, pair};
        result.chosen.push_back(*chosen);
    }
    return result;
}

ConvertRequest SetRequest(const Chosen& chosen, const std::string& output) {
    ConvertRequest request;
    request.inputs = {chosen.file.path};
    request.in = chosen.file.options;
    request.output = output;
    if (chosen.set.kind == VEZUVED_KIND_POINT)
        request.what = "waypoints";
    else
        request.track = std::to_string(chosen.set.track);
    return request;
}

std::vector<std::string> WrittenFiles(const std::string& folder, const std::string& stem) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder))) {
        if (entry.is_regular_file()) files.push_back(TextOf(entry.path()));
    }
    const std::string prefix = stem + "-";
    for (std::string& file : files) {
        const std::string name = TextOf(PathOf(file).filename());
        if (name.compare(0, prefix.size(), prefix) != 0) continue;  // the one file of a set not split
        const std::string piece = TextOf(PathOf(folder) / PathOf(name.substr(prefix.size())));
        std::filesystem::rename(PathOf(file), PathOf(piece));
        file = piece;
    }
    // "NAME-2" before "NAME-10": the pieces share their stem.
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return files;
}

FilterPlan RequestFilters(const httplib::Request& request) {
    FilterPlan plan;
    for (const char* option : {"simplify", "fit", "split", "crop"}) {
        const std::string value = request.get_param_value(option);
        if (!value.empty()) plan.steps.push_back(ParseFilterStep(option, value));
    }
    return plan;
}

}  // namespace vezuved_cli
