// vezuved: GPS points, routes and tracks between Palm databases, text
// formats, GPX, GeoJSON and KML, and draws them as pictures, from the shell.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/device_commands.h"
#include "files/failure.h"
#include "files/run_context.h"
#include "files/tool_platform.h"
#include "filetypes/map_files.h"
#include "serve/serve_command.h"

namespace vezuved_cli {
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
    // Every path and text of the command line is UTF-8, on Windows too.
    const std::vector<std::string> arguments = ArgumentsInUtf8(argc, argv);
    std::vector<char*> words;
    for (const std::string& argument : arguments) words.push_back(const_cast<char*>(argument.c_str()));
    words.push_back(nullptr);
    argc = static_cast<int>(arguments.size());
    argv = words.data();
    RunContext run{
        std::cout, std::cerr, ConversionRules(), vezuved_system_error_is_terminal() == 1, TemporaryFolder()};
    vezuved_system_clean_up_on_signals();

    CLI::App app(
        "Converts GPS points, routes and tracks between handheld Palm databases (.pdb), "
        "text formats described by .cal definitions, GPX, KML and GeoJSON; reads IGC, NMEA, TCX, FIT "
        "and zipped exports; draws them as SVG and HTML.",
        "vezuved");
    app.set_version_flag("--version", ToolName());
    app.require_subcommand(1);
    app.footer(
        "Example:\n  vezuved convert examples/data/hike-track.csv hike.gpx -d examples/formats/track.cal\n\n"
        "A text file is read through a format definition: -d FILE.cal, else the .cal of the same\n"
        "name beside it; .rlp, .rlt and .rlr files (points, track, route) need none. Text is\n"
        "UTF-8 when its bytes are valid UTF-8, otherwise Windows-1252 (--encoding chooses);\n"
        "a line whose position, elevation or time cannot be read is reported and skipped\n"
        "(--strict: the command fails). So is a GPX, KML or GeoJSON point: a latitude beyond\n"
        "-90..90, a longitude beyond -180..180, an elevation beyond 1,000 km, NaN, infinity,\n"
        "a missing or unreadable number or time.\n\n"
        "The formats (r: read, w: written) and what each keeps:\n" +
        FileFormatsTable() + "\nRun 'vezuved COMMAND --help' for the options of a command.");
    AddInfoCommand(app, run);
    AddShowCommand(app, run);
    AddImportCommand(app, run);
    AddExportCommand(app, run);
    AddConvertCommand(app, run);
    AddStatsCommand(app, run);
    AddFormatsCommand(app, run);
    AddDeviceCommand(app, run);
    AddServeCommand(app, run);

    // CLI11 would only say that a command is missing; name the unknown one.
    if (argc > 1 && argv[1][0] != '-' && !IsCommand(app, argv[1])) {
        std::cerr << "vezuved: '" << argv[1] << "' is no command; the commands are info, show, import, "
                  << "export, convert, stats, formats, device and serve (see vezuved --help)\n";
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExitSuccess : kExitUsage;
    } catch (const Failure& failure) {
        std::cerr << "vezuved: " << failure.what() << "\n";
        return failure.status();
    } catch (const std::exception& error) {
        std::cerr << "vezuved: " << error.what() << "\n";
        return kExitFailure;
    }
    return kExitSuccess;
}
