#include <algorithm>
#include <filesystem>
#include <memory>

#include <vezuved/vezuved.h>
#include <vezuved/vezuved_core.h>

#include "commands/commands.h"
#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"
#include "output/table_output.h"
#include "values/ascii_text.h"
#include "values/options.h"

namespace vezuved_cli {
namespace {

// The ".cal" text the core makes for the text file at dataPath; its
// warnings go to err. Fails when the file cannot be read or its header row
// places no latitude or longitude.
std::string MakeDefinitionText(std::ostream& err, const std::string& dataPath) {
    RequireInputFile(dataPath, "text file");
    CoreCollection collection;
    std::string text;
    const int32_t made =
        vezuved_make_definition(collection.get(), dataPath.c_str(), 0, AppendToString, &text);
    SayWarnings(err, collection, "vezuved: ");
    if (made != VEZUVED_OK) FailConversion(vezuved_error_message(collection.get()));
    return text;
}

// The layout a definition selects, as --layout names it.
std::string LayoutName(const DefinitionSummary& summary) {
    switch (summary.layout) {
        case VEZUVED_LAYOUT_PCX5:
            return "pcx5";
        case VEZUVED_LAYOUT_GARMIN:
            return "garmin";
        case VEZUVED_LAYOUT_TAB:
            return "tab";
        case VEZUVED_LAYOUT_FIXED:
            return "fixed";
        default:
            break;
    }
    const std::string& delimiter = summary.delimiter;
    if (delimiter == "\t") return "tab";
    if (delimiter.empty() || delimiter[0] == ',') return "comma";
    return "delimited '" + delimiter + "'";
}

std::vector<std::string> DefinitionsIn(const std::string& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(PathOf(folder), error)) {
        FailConversion("cannot list the format definitions in '" + folder + "': no such folder");
    }
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder), error)) {
        const std::string extension = LoweredAscii(TextOf(entry.path().extension()));
        if (entry.is_regular_file() && extension == ".cal") paths.push_back(TextOf(entry.path()));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void AddExplainCommand(CLI::App& formats, const RunContext& run) {
    auto path = std::make_shared<std::string>();
    CLI::App* command = formats.add_subcommand(
        "explain",
        "Show what a format definition (.cal) says: its columns, layout and kind, with a warning "
        "for each line or setting the library ignores or that clashes");
    command->add_option("definition", *path, "The format definition")->required();
    command->footer("Example:\n  vezuved formats explain examples/formats/track.cal");
    command->callback([path, &run] {
        RequireInputFile(*path, "format definition");
        const DefinitionHandle definition(vezuved_definition_new(), &vezuved_definition_free);
        vezuved_definition_explanation explained{};
        if (!definition) FailConversion("memory ran out");
        if (vezuved_definition_read(definition.get(), path->c_str()) != VEZUVED_OK ||
            vezuved_definition_explain(definition.get(), &explained) != VEZUVED_OK) {
            FailConversion(vezuved_definition_error_message(definition.get()));
        }
        std::vector<std::vector<std::string>> table(static_cast<size_t>(explained.rows));
        for (size_t row = 0; row < table.size(); ++row) {
            const char* const* cells = explained.cells + row * static_cast<size_t>(explained.columns);
            table[row].assign(cells, cells + explained.columns);
        }
        run.out << explained.summary << "\n" << AlignColumns(table);
        if (*explained.warnings != '\0') run.out << "\n" << explained.warnings;
        run.out << std::flush;
    });
}

void AddMakeCommand(CLI::App& formats, const RunContext& run) {
    struct MakeOptions {
        std::string data;
        std::string output = "-";
    };
    auto options = std::make_shared<MakeOptions>();
    CLI::App* command = formats.add_subcommand(
        "make", "Write a format definition (.cal) for a text file from the column names of its header row");
    command->add_option("data", options->data, "The text file; its first line names the columns")->required();
    command->add_option("-o,--output", options->output, "The definition to write; default: standard output");
    command->footer("Example:\n  vezuved formats make examples/data/hike-track.csv -o hike-track.cal");
    command->callback([options, &run] {
        RequireDistinctOutput(options->data, options->output);
        WriteFileOrFail(options->output, MakeDefinitionText(run.err, options->data));
    });
}

}  // namespace

std::string FileFormatsTable() {
    struct Column {
        const char* heading;
        uint32_t keeps;
    };
    static const Column kColumns[] = {
        {"wpt", VEZUVED_KEEPS_WAYPOINTS},
        {"rte", VEZUVED_KEEPS_ROUTES},
        {"trk", VEZUVED_KEEPS_TRACKS},
        {"sets", VEZUVED_KEEPS_SETS},
        {"seg", VEZUVED_KEEPS_SEGMENTS},
        {"time", VEZUVED_KEEPS_TIMES},
        {"ele", VEZUVED_KEEPS_ELEVATIONS},
        {"name", VEZUVED_KEEPS_NAMES},
        {"desc", VEZUVED_KEEPS_DESCRIPTIONS},
        {"sym", VEZUVED_KEEPS_SYMBOLS},
    };
    std::vector<std::vector<std::string>> rows = {{"format", "r w", "extensions"}};
    for (const Column& column : kColumns) rows[0].push_back(column.heading);
    std::string holds;
    vezuved_format_info info{};
    for (int32_t index = 0; vezuved_get_format(index, &info) == VEZUVED_OK; ++index) {
        std::string extensions = info.extensions;
        if (*info.read_extensions != '\0') extensions += std::string(" ") + info.read_extensions + " (in)";
        std::vector<std::string> row = {info.name,
                                        std::string(info.flags & VEZUVED_FORMAT_READS ? "r" : "-") +
                                            (info.flags & VEZUVED_FORMAT_WRITES ? " w" : " -"),
                                        extensions.empty() ? "by -d FILE.cal" : extensions};
        for (const Column& column : kColumns) row.push_back(info.keeps & column.keeps ? "x" : "-");
        rows.push_back(std::move(row));
        holds += std::string("  ") + info.name + ": " + info.holds + "\n";
    }
    return AlignColumns(rows) + "\nA file of each holds:\n" + holds +
           "Any of them gzipped (ride.gpx.gz) is read as itself. What an output cannot keep is said on\n"
           "standard error, with its count.\n";
}

void AddFormatsCommand(CLI::App& app, RunContext& run) {
    auto folder = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "formats",
        "List the file formats read and written, with what each keeps; or the format definitions (.cal) of a "
        "folder");
    command->add_option("folder", *folder, "The folder of format definitions");
    command->footer(
        "Examples:\n  vezuved formats\n  vezuved formats examples/formats\n  vezuved formats explain "
        "examples/formats/track.cal\n"
        "  vezuved formats make examples/data/hike-track.csv -o hike-track.cal");
    AddExplainCommand(*command, run);
    AddMakeCommand(*command, run);
    command->callback([folder, command, &run] {
        if (!command->get_subcommands().empty()) return;
        if (folder->empty()) {
            run.out << FileFormatsTable() << std::flush;
            return;
        }
        const std::vector<std::string> paths = DefinitionsIn(*folder);
        if (paths.empty()) {
            run.out << "No format definitions (.cal) in " << *folder << "\n";
            return;
        }
        std::vector<std::vector<std::string>> rows = {{"file", "title", "kind", "layout", "ext"}};
        for (const std::string& path : paths) {
            const std::string file = TextOf(PathOf(path).filename());
            const std::optional<DefinitionSummary> summary = SummarizeDefinition(path);
            if (!summary) {
                rows.push_back({file, "(cannot be read)", "-", "-", "-"});
                continue;
            }
            rows.push_back({file,
                            summary->title,
                            KindText(summary->kind),
                            LayoutName(*summary),
                            summary->extension.empty() ? "-" : summary->extension.substr(1)});
        }
        run.out << AlignColumns(rows);
    });
}

}  // namespace vezuved_cli
