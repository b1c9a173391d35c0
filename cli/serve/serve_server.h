// `vezuved serve`: the page and its requests on 127.0.0.1.
#pragma once

#include <cstddef>
#include <string>

#include "files/run_context.h"

namespace vezuved_cli {

struct ServeOptions {
    int port = 0;        // 0: a free one the system chooses
    std::string folder;  // the PC folder the page may save into and sync
    std::string device;  // an emulated handheld's folder; empty: no Sync
    bool withDevice = false;
    size_t maxUpload = 64u << 20;  // bytes of one request
    bool openBrowser = true;       // the page opened in the default browser
};

// Serves until SIGINT or SIGTERM; prints the page's address to run.out first.
void RunServer(const RunContext& run, const ServeOptions& options);

}  // namespace vezuved_cli
