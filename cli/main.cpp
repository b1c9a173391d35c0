// vezuved: GPS points, routes and tracks between Palm databases, text
// formats, GPX and GeoJSON, from the shell.
#include <clocale>
#include <iostream>
#include <locale>

#include "commands/commands.h"
#include "commands/device_commands.h"
#include "support/failure.h"

namespace vezuved_cli {

const char* ToolName() { return "vezuved " VEZUVED_TOOL_VERSION; }

namespace {

bool IsCommand(CLI::App& app, const std::string& name) {
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->check_name(name)) return true;
    }
    return false;
}

}  // namespace
}  // namespace vezuved_cli

int main(int argc, char** argv) {
    using namespace vezuved_cli;
    // Numbers are written with '.' whatever the user's locale says, by the
    // library's printf as much as by the tool.
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());

    CLI::App app("Converts GPS points, routes and tracks between handheld Palm databases (.pdb), "
                 "text formats described by .cal definitions, GPX and GeoJSON.",
                 "vezuved");
    app.set_version_flag("--version", ToolName());
    app.require_subcommand(1);
    app.footer("Example:\n  vezuved convert examples/data/hike-track.csv hike.gpx\n\n"
               "Run 'vezuved COMMAND --help' for the options of a command.");
    AddInfoCommand(app);
    AddShowCommand(app);
    AddImportCommand(app);
    AddExportCommand(app);
    AddConvertCommand(app);
    AddFormatsCommand(app);
    AddDeviceCommand(app);

    // CLI11 would only say that a command is missing; name the unknown one.
    if (argc > 1 && argv[1][0] != '-' && !IsCommand(app, argv[1])) {
        std::cerr << "vezuved: '" << argv[1] << "' is no command; the commands are info, show, import, "
                  << "export, convert, formats and device (see vezuved --help)\n";
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExitSuccess : kExitUsage;
    } catch (const Failure& failure) {
        std::cout.flush();
        std::cerr << "vezuved: " << failure.what() << "\n";
        return failure.status();
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "vezuved: " << error.what() << "\n";
        return kExitFailure;
    }
    return kExitSuccess;
}
