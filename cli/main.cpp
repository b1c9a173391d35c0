// vezuved: GPS points, routes and tracks between Palm databases, text
// formats, GPX, GeoJSON and KML, and draws them as pictures, from the shell.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <locale>

#include "base/diag.h"
#include "commands/commands.h"
#include "commands/device_commands.h"
#include "support/failure.h"
#include "support/tool_platform.h"

namespace vezuved_cli {

const char* ToolName() { return "vezuved " VEZUVED_TOOL_VERSION; }

namespace {

bool IsCommand(CLI::App& app, const std::string& name) {
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->check_name(name)) return true;
    }
    return false;
}

// Standard output carries the document a command makes (GPX, a table), so
// what the library says goes to standard error; only the device commands'
// report (the listing, "Copying to Device: x") is their document and stays
// on standard output. The context is that standard output, or none.
bool g_errorLineOpen = false;  // a library line on standard error still wants its end

void ToStandardError(void* document, DiagKind kind, const char* bytes, size_t length) {
    std::FILE* to = kind == DiagKind::Output && document != nullptr ? static_cast<std::FILE*>(document) : stderr;
    std::fwrite(bytes, 1, length, to);
    if (kind == DiagKind::Cause) NoteLibraryCause(bytes, length);
    if (to == stderr) g_errorLineOpen = bytes[length - 1] != '\n';
}

// Some library lines ("Err: 0x408") have no end of their own; the tool's
// message starts on a line of its own.
void EndLibraryLine() {
    std::cout.flush();
    if (g_errorLineOpen) std::cerr << "\n";
    g_errorLineOpen = false;
}

}  // namespace
}  // namespace vezuved_cli

int main(int argc, char** argv) {
    using namespace vezuved_cli;
    // Numbers are written with '.' whatever the user's locale says, by the
    // library's printf as much as by the tool.
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
    const bool deviceReport = argc > 1 && std::strcmp(argv[1], "device") == 0;
    SetDiagSink(DiagSink{ToStandardError, deviceReport ? stdout : nullptr});
    RemoveTemporariesOnInterrupt();

    CLI::App app("Converts GPS points, routes and tracks between handheld Palm databases (.pdb), "
                 "text formats described by .cal definitions, GPX, GeoJSON and KML, and draws them as SVG.",
                 "vezuved");
    app.set_version_flag("--version", ToolName());
    app.require_subcommand(1);
    app.footer("Example:\n  vezuved convert examples/data/hike-track.csv hike.gpx -d examples/formats/track.cal\n\n"
               "A text file is read through a format definition: -d FILE.cal, else the .cal of the same\n"
               "name beside it; .rlp, .rlt and .rlr files (points, track, route) need none. Text is\n"
               "UTF-8 when its bytes are valid UTF-8, otherwise Windows-1252 (--encoding chooses);\n"
               "a line whose position, elevation or time cannot be read is reported and skipped\n"
               "(--strict: the command fails).\n\n"
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
        EndLibraryLine();
        std::cerr << "vezuved: " << failure.what() << "\n";
        return failure.status();
    } catch (const std::exception& error) {
        EndLibraryLine();
        std::cerr << "vezuved: " << error.what() << "\n";
        return kExitFailure;
    }
    EndLibraryLine();
    return kExitSuccess;
}
