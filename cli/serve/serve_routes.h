// What the server's routes share: the session a server holds, the
// answers they send, and the set a request names with the conversion that
// takes it as `vezuved convert` would.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "commands/convert_plan.h"
#include "filters/filters.h"
#include "serve/captured_run.h"
#include "serve/device_jobs.h"
#include "serve/open_pages.h"
#include "serve/opened_files.h"
#include "serve/serve_server.h"

namespace vezuved_cli {

using Json = nlohmann::json;

struct Server {
    ServeOptions options;
    std::string token;
    int port = 0;
    OpenedFiles opened;
    DeviceJobs jobs;
    std::atomic<bool> quit{false};  // the page asked the server to end
    OpenPages pages;
};

void Send(httplib::Response& response, int status, const std::string& text);
void SendJson(httplib::Response& response, const Json& json);
// The number text spells, or fallback when it holds anything but the digits
// (and sign) of an int: "2x" is not 2.
int WholeNumber(const std::string& text, int fallback);
// A whole-number parameter; fallback when missing or no number.
int IntParam(const httplib::Request& request, const char* name, int fallback = 0);

// The file and set a request names ("file", "set"); none when either is unknown.
struct Chosen {
    OpenedFile file;
    OpenedSet set;
    int index = 0;
};
std::optional<Chosen> Choose(const Server& server, const httplib::Request& request);
// Each pair of a list "FILE:SET,FILE:SET" as chosen; `missing` is the first
// pair whose file or set is unknown, and then nothing is chosen.
struct ChosenList {
    std::vector<Chosen> chosen;
    std::optional<std::string> missing;
};
ChosenList ChooseList(const Server& server, const std::string& list);

// The request `vezuved convert FILE OUTPUT --track N` (or --what waypoints) makes.
ConvertRequest SetRequest(const Chosen& chosen, const std::string& output);

// The files a conversion to STEM.EXT wrote into a folder of its own, as
// full paths: that one, or a split's pieces in their order, renamed from
// STEM-PIECE.EXT to PIECE.EXT (the piece's title names it already).
std::vector<std::string> WrittenFiles(const std::string& folder, const std::string& stem);

// The filters a request gives, in the order they run; a value a filter
// cannot read fails as the command line's usage error does.
FilterPlan RequestFilters(const httplib::Request& request);

// The routes of the opened files (open, look, change, take) and of the handheld.
void AddFileRoutes(httplib::Server& http, Server& server);
void AddDeviceRoutes(httplib::Server& http, Server& server);

}  // namespace vezuved_cli
