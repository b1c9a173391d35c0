#include "serve/serve_command.h"

#include <memory>

#include <string>
#include <vector>

#include "files/failure.h"
#include "files/tool_platform.h"
#if defined(VEZUVED_HAVE_HTTPLIB)
#include "serve/serve_server.h"
#endif

namespace vezuved_cli {

namespace {
struct ServeArguments {
    int port = 0;
    std::string folder = ".";
    std::string device;
    size_t maxUploadMegabytes = 64;
    bool noOpen = false;
};
}  // namespace

void AddServeCommand(CLI::App& app, RunContext& run) {
    auto arguments = std::make_shared<ServeArguments>();
    CLI::App* command = app.add_subcommand(
        "serve",
        "A page on this machine to open, look at, change, take and sync files (http://127.0.0.1 only)");
    command->add_option("--port", arguments->port, "Port to listen on (default: a free one)")
        ->check(CLI::Range(0, 65535));
    command->add_option("--folder",
                        arguments->folder,
                        "PC folder the page saves into and syncs (default: the current folder)");
    CLI::Option* device = command->add_option(
        "--device", arguments->device, "Folder of an emulated handheld: the page's Sync uses it");
    command
        ->add_option(
            "--max-upload", arguments->maxUploadMegabytes, "Largest upload, in megabytes (default 64)")
        ->check(CLI::Range(1, 4096));
    command->add_flag("--no-open", arguments->noOpen, "Open no browser: only print the page's address");
    command->footer(
        "Prints the page's address with its token, opens it in the default browser and serves until "
        "Ctrl-C.\n"
        "What is uploaded is kept in a temporary folder and removed when it stops.\n\n"
        "Example:\n  vezuved serve --folder trips --device emulated-handheld");
    command->callback([arguments, device, &run] {
#if defined(VEZUVED_HAVE_HTTPLIB)
        ServeOptions options;
        options.port = arguments->port;
        options.folder = arguments->folder;
        options.device = arguments->device;
        options.withDevice = device->count() > 0;
        options.maxUpload = arguments->maxUploadMegabytes << 20;
        options.openBrowser = !arguments->noOpen;
        RunServer(run, options);
#else
        // The server and what it loads live in vezuved-serve beside the tool,
        // so every other command starts without them.
        std::vector<std::string> words = {"serve",
                                          "--port",
                                          std::to_string(arguments->port),
                                          "--folder",
                                          arguments->folder,
                                          "--max-upload",
                                          std::to_string(arguments->maxUploadMegabytes)};
        if (device->count() > 0) words.insert(words.end(), {"--device", arguments->device});
        if (arguments->noOpen) words.push_back("--no-open");
        const std::string server = ProgramFolder() + "/vezuved-serve";
        std::vector<const char*> given;
        for (const std::string& word : words) given.push_back(word.c_str());
        given.push_back(nullptr);
        std::string cause;
        vezuved_system_run_instead(server.c_str(), given.data(), AppendToString, &cause);
        FailConversion("serve is not in this build (" + server + ": " + cause + ")");
#endif
    });
}

}  // namespace vezuved_cli
