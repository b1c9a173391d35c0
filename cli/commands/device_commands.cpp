#include "commands/device_commands.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <vezuved/vezuved.h>
#include <vezuved/vezuved_core.h>

#include "files/failure.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"

namespace vezuved_cli {

namespace {

// Set by the signal handler, which can reach nothing else.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

// Ctrl-C asks the running copy to stop through its next callback; a second
// Ctrl-C ends the tool at once.
class InterruptScope {
public:
    InterruptScope() {
        g_interrupted = 0;
        previous_ = std::signal(SIGINT, OnInterrupt);
    }
    ~InterruptScope() { std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_); }

private:
    void (*previous_)(int) = SIG_DFL;
};

struct DeviceOptions {
    std::string root;          // --device: the emulated device's folder
    std::string deviceFolder;  // --device-folder
    bool always = false, update = false, noReplace = false, ask = false, keepBoth = false, create = false,
         move = false;

    uint32_t Word() const {
        return (always ? VEZUVED_OPT_ALWAYS : 0u) | (update ? VEZUVED_OPT_UPDATE : 0u) |
               (noReplace ? VEZUVED_OPT_NO_REPLACE : 0u) | (ask ? VEZUVED_OPT_ASK : 0u) |
               (keepBoth ? VEZUVED_OPT_KEEP_BOTH : 0u) | (create ? VEZUVED_OPT_CREATE_VOLUME : 0u) |
               (move ? VEZUVED_OPT_MOVE : 0u);
    }
    const char* Folder() const { return deviceFolder.empty() ? nullptr : deviceFolder.c_str(); }
    vezuved_device_options Core(int32_t kind = VEZUVED_DEVICE_KIND_ALL,
                                const std::string& filter = "") const {
        return {Folder(), filter.empty() ? nullptr : filter.c_str(), Word(), kind};
    }
};

void AddConnectionOptions(CLI::App& command, DeviceOptions& options) {
    command.add_option("--device",
                       options.root,
                       "Folder of an emulated handheld (sets VEZUVED_DEVICE for the device emulator)");
    command.add_option(
        "--device-folder", options.deviceFolder, "Folder on the handheld (default \\My Documents\\Roverlog)");
    command.add_flag("--create", options.create, "Create the device folder and database volume when missing");
}

void AddCopyFlags(CLI::App& command, DeviceOptions& options) {
    command.add_flag(
        "--always", options.always, "Replace older copies of plain files; copy every database back");
    command.add_flag("--update", options.update, "Leave destinations that are as new or newer alone");
    command.add_flag("--no-replace", options.noReplace, "Never replace an existing destination");
    command.add_flag("--ask", options.ask, "Ask before replacing an existing destination");
    command.add_flag(
        "--keep-both", options.keepBoth, "Write under a free numbered name instead of replacing");
    command.add_flag("--move", options.move, "Delete the PC file after a successful copy to the device");
}

// The device emulator: the one VEZUVED_RAPI_LIBRARY names, else the first
// that loads of librapi-emu.so beside the tool, beside the library (an
// installed tool's library folder) and in the build folder, where a plain
// build puts it. Found before the library is called, so a failure names
// every path tried with the system's cause.
void FindEmulator() {
    const std::string file = vezuved_system_emulator_name();
    if (file.empty()) return;
    std::vector<std::string> paths;
    const char* chosen = std::getenv("VEZUVED_RAPI_LIBRARY");
    if (chosen != nullptr && chosen[0] != 0) {
        paths.push_back(chosen);
    } else {
        const std::filesystem::path tool = ProgramFolder();
        for (const std::filesystem::path& folder :
             {tool, tool / ".." / VEZUVED_LIBRARY_FOLDER, std::filesystem::path(VEZUVED_BUILD_FOLDER)}) {
            if (folder.empty()) continue;
            const std::string path = (folder / file).lexically_normal().string();
            if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
        }
    }
    std::string tried;
    for (const std::string& path : paths) {
        std::string cause;
        if (vezuved_system_library_loads(path.c_str(), AppendToString, &cause) == 1) {
            vezuved_system_set_variable("VEZUVED_RAPI_LIBRARY", path.c_str());
            return;
        }
        tried += "\n  " + path + ": " + cause;
    }
    FailConversion("the device emulator " + file + " cannot be loaded" +
                   (chosen != nullptr && chosen[0] != 0 ? " (named by VEZUVED_RAPI_LIBRARY)" : "") +
                   "; tried:" + tried +
                   (chosen != nullptr && chosen[0] != 0 ? "" : "\nset VEZUVED_RAPI_LIBRARY to its path"));
}

// What the events of one call report to: the run, and whether to ask
// before replacing.
struct CopySession {
    const RunContext& run;
    bool ask = false;
};

// A bar of the item's progress, redrawn in place on a terminal.
std::string ProgressBar(int32_t stage, int32_t done, int32_t total, const std::string& item) {
    constexpr int kWidth = 30;
    const int filled =
        stage == 2 ? kWidth : (total > 0 ? static_cast<int>(int64_t{done} * kWidth / total) : 0);
    char line[48];
    std::snprintf(line, sizeof line, "\r%-40.40s [", item.c_str());
    return line + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] " +
           (stage == 2 ? "done\n"
                       : (stage == VEZUVED_DEV_CANCELLED ? "stopped\n" : (stage < 0 ? "failed\n" : "")));
}

// Progress on the run's error stream: a bar per item on a terminal, plain lines otherwise.
int32_t ShowProgress(CopySession& copy, int32_t stage, int32_t done, int32_t total, const std::string& item) {
    std::ostream& err = copy.run.err;
    if (copy.run.errIsTerminal) {
        err << ProgressBar(stage, done, total, item);
    } else if (stage == 0) {
        err << item << ": started\n";
    } else if (stage == 2) {
        err << item << ": done\n";
    } else if (stage == VEZUVED_DEV_CANCELLED) {
        err << item << ": stopped (" << stage << ")\n";
    } else if (stage < 0) {
        err << item << ": failed (" << stage << ")\n";
    }
    err.flush();
    return g_interrupted ? -1 : 0;
}

// replace / skip / cancel, answered on standard input.
int32_t AskBeforeReplacing(CopySession& copy, const vezuved_device_event& event) {
    if (g_interrupted) return -1;
    std::ostream& err = copy.run.err;
    for (;;) {
        err << event.item << " exists.\n  copying:  " << event.source_date
            << "\n  existing: " << event.destination_date
            << "\nReplace it? [r]eplace, [s]kip, [c]ancel: " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || g_interrupted) return -1;
        if (answer == "r" || answer == "replace") return 0;
        if (answer == "s" || answer == "skip") return 1;
        if (answer == "c" || answer == "cancel") return -1;
    }
}

int32_t VEZUVED_CORE_CALL OnDeviceEvent(const vezuved_device_event* event, void* context) {
    CopySession& copy = *static_cast<CopySession*>(context);
    switch (event->type) {
        case VEZUVED_DEVICE_EVENT_PROGRESS:
            return ShowProgress(copy, event->stage, event->done, event->total, event->item);
        case VEZUVED_DEVICE_EVENT_QUESTION:
            return copy.ask ? AskBeforeReplacing(copy, *event) : 0;
        case VEZUVED_DEVICE_EVENT_FAILED:
            return 0;  // the call's sentence names every item that failed
        default:
            // What the copy says goes to the problems, whole lines (a copy prints nothing else).
            copy.run.err << event->message << "\n" << std::flush;
            return 0;
    }
}

// A device handle for one command.
struct Device {
    Device() : handle(vezuved_device_new()) {
        if (handle == nullptr) FailConversion("memory ran out");
    }
    ~Device() { vezuved_device_free(handle); }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    vezuved_device* handle;
};

// A session that may ask: standard input must be there to answer.
CopySession Session(const RunContext& run, bool ask) {
    if (ask && vezuved_system_input_is_open() != 1)
        FailConversion("--ask needs a standard input to read the answers from, and it is closed");
    return CopySession{run, ask};
}

// Skips are no failure: the copy did what the options asked. A failed call
// ends the command with the library's sentence, which names every item
// that failed, and a word on the tool's option that helps.
void Finish(const RunContext& run, const Device& device, int32_t result, const std::string& what) {
    const int32_t code = vezuved_device_code(device.handle);
    if (result != VEZUVED_OK)
        FailConversion(vezuved_device_error_message(device.handle) +
                       std::string(code == VEZUVED_DEV_ERR_NO_VOLUME ? " (use --create)"
                                   : code == VEZUVED_DEV_ERR_INIT ? " (with --device: does the folder exist?)"
                                                                  : ""));
    const int32_t outcome = vezuved_device_outcome(device.handle);
    if (outcome >= VEZUVED_DEVICE_UP_TO_DATE)
        run.err << "vezuved: " << what << ": " << DeviceOutcomeWords(outcome) << "\n";
}

int32_t KindCode(const std::string& kind) {
    if (kind == "points") return VEZUVED_DEVICE_KIND_POINTS;
    if (kind == "tracks") return VEZUVED_DEVICE_KIND_TRACKS;
    if (kind == "routes") return VEZUVED_DEVICE_KIND_ROUTES;
    if (kind == "maps") return VEZUVED_DEVICE_KIND_MAPS;
    if (kind == "icons") return VEZUVED_DEVICE_KIND_ICONS;
    if (kind == "resources") return VEZUVED_DEVICE_KIND_RESOURCES;
    return VEZUVED_DEVICE_KIND_ALL;
}

void AddList(CLI::App& device, const RunContext& run) {
    auto options = std::make_shared<DeviceOptions>();
    auto folder = std::make_shared<std::string>();
    CLI::App* command = device.add_subcommand(
        "list", "Compare the handheld's databases with a PC folder and write its RLDBSync.inf");
    command->add_option("pcfolder", *folder, "PC folder (default: the current folder)");
    AddConnectionOptions(*command, *options);
    command->footer("Example:\n  vezuved device list --device emulated-handheld .");
    command->callback([options, folder, &run] {
        UseEmulatedDevice(options->root);
        Device device;
        CopySession session{run, false};
        const vezuved_device_options core = options->Core();
        const int32_t result = vezuved_device_list(
            device.handle, folder->empty() ? nullptr : folder->c_str(), &core, OnDeviceEvent, &session);
        // Shown even when the sync file a host reads back could not be written.
        run.out << vezuved_device_report(device.handle) << std::flush;
        Finish(run, device, result, "device list");
    });
}

void AddPush(CLI::App& device, const RunContext& run) {
    auto options = std::make_shared<DeviceOptions>();
    auto path = std::make_shared<std::string>();
    CLI::App* command = device.add_subcommand(
        "push", "Copy a file, a folder or a pattern to the handheld, converting databases and text formats");
    command->add_option("path", *path, "PC file, folder or pattern such as 'trips/*.pdb'")->required();
    AddConnectionOptions(*command, *options);
    AddCopyFlags(*command, *options);
    command->footer("Example:\n  vezuved device push --update hike.pdb");
    command->callback([options, path, &run] {
        UseEmulatedDevice(options->root);
        InterruptScope interrupt;
        CopySession session = Session(run, options->ask);
        Device device;
        const vezuved_device_options core = options->Core();
        Finish(run,
               device,
               vezuved_device_push(device.handle, path->c_str(), &core, OnDeviceEvent, &session),
               "device push " + *path);
    });
}

// The pull makes its folder when missing, one level deep: a path under a
// missing folder or under a file is refused before anything is copied.
void RequireWritableFolderPlace(const std::string& folder) {
    if (folder.empty()) return;
    std::error_code error;
    const std::filesystem::path path = PathOf(folder);
    if (std::filesystem::exists(path, error)) {
        if (!std::filesystem::is_directory(path, error))
            FailConversion("device pull: cannot copy into '" + folder + "': it is a file, not a folder");
        return;
    }
    const std::filesystem::path parent =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    if (!std::filesystem::is_directory(parent, error))
        FailConversion("device pull: cannot copy into '" + folder + "': no such folder");
}

void AddPull(CLI::App& device, const RunContext& run) {
    auto options = std::make_shared<DeviceOptions>();
    auto folder = std::make_shared<std::string>();
    auto kind = std::make_shared<std::string>("all");
    auto filter = std::make_shared<std::string>();
    CLI::App* command = device.add_subcommand(
        "pull", "Copy databases back as record-line text files, or maps, icons and resources as they are");
    command->add_option("pcfolder", *folder, "PC folder (default: the current folder)");
    command->add_option("--kind", *kind, "What to copy (default all: points, routes and tracks)")
        ->check(CLI::IsMember({"points", "tracks", "routes", "maps", "icons", "resources", "all"}));
    command->add_option("--filter", *filter, "One database name, or a device pattern for plain files");
    AddConnectionOptions(*command, *options);
    AddCopyFlags(*command, *options);
    command->footer("Example:\n  vezuved device pull --kind tracks backup");
    command->callback([options, folder, kind, filter, &run] {
        UseEmulatedDevice(options->root);
        RequireWritableFolderPlace(*folder);
        InterruptScope interrupt;
        CopySession session = Session(run, options->ask);
        Device device;
        const vezuved_device_options core = options->Core(KindCode(*kind), *filter);
        Finish(
            run,
            device,
            vezuved_device_pull(
                device.handle, folder->empty() ? nullptr : folder->c_str(), &core, OnDeviceEvent, &session),
            "device pull");
    });
}

}  // namespace

std::string DeviceOutcomeWords(int32_t outcome) {
    switch (outcome) {
        case VEZUVED_DEVICE_REPLACED:
            return "copied over the older copy";
        case VEZUVED_DEVICE_UP_TO_DATE:
            return "left alone, up to date";
        case VEZUVED_DEVICE_DEST_NEWER:
            return "left alone, the destination is newer";
        case VEZUVED_DEVICE_DEST_OLDER:
            return "left alone, the destination is older";
        default:
            return "copied";
    }
}

void UseEmulatedDevice(const std::string& root) {
    FindEmulator();
    if (!root.empty()) vezuved_system_set_variable("VEZUVED_DEVICE", root.c_str());
}

void AddDeviceCommand(CLI::App& app, RunContext& run) {
    CLI::App* device = app.add_subcommand("device", "List, push to and pull from a Windows CE handheld");
    device->require_subcommand(1);
    device->footer(
        "Example:\n  vezuved device push --device emulated-handheld --create hike.pdb\n"
        "An emulated handheld's files, databases and records are listed by the separate\n"
        "vezuved-device-inspect program: vezuved-device-inspect emulated-handheld");
    AddList(*device, run);
    AddPush(*device, run);
    AddPull(*device, run);
}

}  // namespace vezuved_cli
