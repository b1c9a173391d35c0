#include "commands/convert_plan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "commands/filter_options.h"
#include "conversion/core_text.h"
#include "conversion/transfers.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "files/output_plan.h"
#include "files/temporary_folder.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"
#include "files/whole_file.h"
#include "filetypes/map_files.h"
#include "input/input_paths.h"
#include "output/table_output.h"

namespace vezuved_cli {
namespace {

// Where the reports go: the error stream when the output stream carries a document.
std::ostream& ReportStream(const RunContext& run, const std::string& output) {
    return output == "-" ? run.err : run.out;
}

void Report(const RunContext& run,
            const std::string& output,
            const std::string& path,
            const PointSet& set,
            size_t count) {
    ReportStream(run, output) << "Wrote " << path << " (" << KindText(set.kind) << ", " << count
                              << " point(s))\n";
}

// One document, one line: each set it holds, in order.
void ReportDocument(const RunContext& run,
                    const std::string& output,
                    const std::vector<LoadedPoints>& documents,
                    const std::vector<size_t>& counts) {
    if (documents.size() == 1) {
        Report(run, output, output, documents.front().set, counts.front());
        return;
    }
    std::string line;
    for (size_t i = 0; i < documents.size(); ++i) {
        const PointSet& set = documents[i].set;
        line += (i ? "; " : "") + KindText(set.kind) + " '" + set.title + "', " + std::to_string(counts[i]) +
                " point(s)";
    }
    ReportStream(run, output) << "Wrote " << output << " (" << line << ")\n";
}

// One set into a database or text file; "-" goes through a temporary file.
void WriteSet(const RunContext& run,
              const ConvertRequest& request,
              const std::string& path,
              FileType type,
              LoadedPoints& points) {
    if (path == "-") {
        const TemporaryFolder folder = TemporaryFolder::Create();
        const std::string temporary = folder.File("output" + SavedExtension(type));
        WriteSet(run, request, temporary, type, points);
        vezuved_system_binary_streams();
        WriteFileOrFail("-", ReadWholeFileOrFail(temporary, "temporary file"));
        return;
    }
    TextOptions text;
    text.definition = request.outputDefinition;
    if (type == FileType::Database) {
        WriteDatabase(run, path, points, request.in.kind.value_or(static_cast<int16_t>(points.set.kind)));
    } else {
        WriteText(run, path, points, text);
    }
}

// Several sets of one kind as one.
LoadedPoints Merge(std::vector<LoadedPoints> sets, const std::string& title) {
    for (const LoadedPoints& set : sets) {
        if (set.set.kind != sets.front().set.kind) {
            std::string names;
            for (const LoadedPoints& each : sets) {
                names += (names.empty() ? "" : ", ") + KindText(each.set.kind) + " '" + each.set.title + "'";
            }
            FailConversion("cannot put " + names +
                           " into one file: they are of different kinds; choose one "
                           "kind with --what waypoints, tracks or routes");
        }
    }
    if (sets.size() == 1) return std::move(sets.front());
    // Each set's points after the last one's, as the core read them or as
    // the tool changed them; a set's first point begins no segment.
    LoadedPoints merged;
    merged.set.kind = sets.front().set.kind;
    merged.set.title = title;
    merged.held = false;
    merged.source = std::make_shared<CoreCollection>();
    if (vezuved_add_set(merged.source->get(), SetKindFor(merged.set.kind), title.c_str()) != 0)
        FailConversion(vezuved_error_message(merged.source->get()));
    CopySetExtras(*merged.source, 0, sets.front());
    for (LoadedPoints& set : sets) {
        AppendLoadedPoints(*merged.source, 0, set);
        set = LoadedPoints();  // its memory goes back before the next is copied
    }
    return merged;
}

std::string Stem(const std::string& path) { return TextOf(PathOf(path).stem()); }

// "<output stem>-<set name><extension>" beside the output; a '_' after a
// name Windows keeps for a device.
std::string SetOutputPath(const std::string& output, const std::string& title) {
    const std::filesystem::path base = PathOf(output);
    std::string stem = Stem(output) + (Stem(output).empty() ? "" : "-") + FileSafeName(title);
    if (ReservedOnWindows(stem)) stem += '_';
    return TextOf(base.parent_path() / PathOf(stem + TextOf(base.extension())));
}

// A text file is one set, written to a GPX,
// GeoJSON or KML document in order: its points are read again for each
// walk instead of being held, so a large file needs little memory.
// Pictures fit the whole set first and keep to the held points.
bool StreamsToMap(const ConvertRequest& request, const InputFile& input, MapFormat map) {
    // Standard input's copy is held: its set is named as people gave it.
    if (input.type != FileType::Text || input.what != input.path || !request.filters.empty()) return false;
    if (!request.what.empty() || !request.track.empty()) return false;
    return map == MapFormat::Gpx || map == MapFormat::GeoJson || map == MapFormat::Kml;
}

// The inputs into one output: a map document takes every set; a database or
// text file takes one set, or the sets of several inputs merged, or, when
// one input holds several sets, one file per set.
struct OutputJob {
    std::vector<InputFile> inputs;
    std::string output;  // as the user gave it, or as the tool named it
    bool named = false;  // by the user: kept as it is
    std::optional<MapFormat> map;
    bool json = false;  // the tool's JSON listing (a ".json" output)
    FileType to = FileType::Text;
    bool perSet = false;              // one file per set of the one input
    std::vector<std::string> titles;  // of those sets, in order
    std::vector<LoadedPoints> sets;   // held when read for the plan
    std::vector<std::string> paths;   // the planned files: the output, then the points file or one per set
    size_t written = 0;               // how many of them are written, in order
};

std::vector<LoadedPoints> ReadSets(const RunContext& run,
                                   const ConvertRequest& request,
                                   const OutputJob& job) {
    const std::string source = job.inputs.size() == 1 ? job.inputs.front().what : "the inputs";
    std::vector<LoadedPoints> sets;
    for (const InputFile& input : job.inputs) {
        // Held only where a step lists or changes them: a set written as it
        // was read goes from the core's collection to the output.
        for (LoadedPoints& set : ReadInput(run, input, request.in, false)) sets.push_back(std::move(set));
    }
    sets = SelectSets(run, std::move(sets), request.what, request.track, source);
    if (request.filters.empty()) return sets;
    FilterLoadedSets(run, sets, request.filters);
    if (sets.empty()) FailConversion("nothing of " + source + " is left after the filters");
    // Split points become sets of their own where the output holds no segments.
    if (!job.map && !job.json && request.filters.Splits()) sets = SplitSegments(std::move(sets));
    return sets;
}

// What a job writes, asked of its options alone.
void DecideOutput(const ConvertRequest& request, OutputJob& job) {
    const std::string& output = job.output;
    const OutputFormat format = OutputFormatFor(request.to, output, request.outputDefinition);
    job.map = format.map;
    job.json = format.json;
    job.to = format.type;
    if (request.pointsFile && (job.map != MapFormat::GeoJson || output == "-")) {
        FailUsage("--points writes a second GeoJSON file beside a .geojson output, not '" + output + "'");
    }
}

// Whether a database or text output takes the sets of a map file, or of a
// split, each on its own, asked of the file itself; holdSets keeps what was
// read for the writing.
void DecideSets(const RunContext& run, const ConvertRequest& request, OutputJob& job, bool holdSets) {
    const std::string& output = job.output;
    const bool filtered = !request.filters.empty();
    if (job.map || job.json) return;
    const bool oneMapFile = job.inputs.size() == 1 && IsMap(job.inputs.front().type);
    if (!oneMapFile && !filtered) return;
    // A map file may hold several sets, and a split makes them: a database or
    // text file takes each on its own.
    std::vector<LoadedPoints> sets = ReadSets(run, request, job);
    job.perSet = sets.size() > 1 && (oneMapFile || request.filters.Splits());
    if (job.perSet && output == "-") {
        FailUsage("'" + job.inputs.front().what + "' holds " + std::to_string(sets.size()) +
                  " sets and standard output takes one; choose with --track or --what");
    }
    for (const LoadedPoints& set : sets) {
        job.titles.push_back(set.set.title);
        if (job.perSet && job.to == FileType::Database)
            RequireDatabaseSize(SetOutputPath(output, set.set.title), set);
    }
    // Filtered sets are held: reading them again would filter (and report) twice.
    if (holdSets || filtered) job.sets = std::move(sets);
}

// Databases and text are written by the library, whose paths hold 1023 characters.
bool ThroughLibrary(const OutputJob& job) { return !job.map && !job.json; }

// Every job's files, told apart from each other and from the inputs: the
// names the user gave first, as they are, then the tool's, numbered.
void PlanOutputs(const ConvertRequest& request,
                 const std::vector<InputFile>& inputs,
                 std::vector<OutputJob>& jobs) {
    OutputPlan plan;
    for (const InputFile& input : inputs) {
        if (input.what == input.path) plan.AddInput(input.path);
    }
    plan.AddInput(request.in.definition);
    plan.AddInput(request.outputDefinition);
    for (OutputJob& job : jobs) {
        if (job.named && !job.perSet) job.paths.push_back(plan.Keep(job.output, ThroughLibrary(job)));
    }
    for (OutputJob& job : jobs) {
        const bool library = ThroughLibrary(job);
        if (job.perSet) {
            for (const std::string& title : job.titles) {
                job.paths.push_back(plan.Number(SetOutputPath(job.output, title), library));
            }
            continue;
        }
        if (!job.named) job.paths.push_back(plan.Number(job.output, library));
        if (request.pointsFile) job.paths.push_back(plan.Number(PointsFilePath(job.paths.front()), false));
    }
}

void RunJob(const RunContext& run, const ConvertRequest& request, OutputJob& job) {
    const std::string& output = job.paths.front();
    MapOptions mapOptions = request.map;
    if (request.pointsFile) mapOptions.pointsFile = job.paths.back();
    if (job.map) {
        // A single text is read again for each walk of the document, never held.
        const InputFile& first = job.inputs.front();
        const bool streamed = job.inputs.size() == 1 && StreamsToMap(request, first, *job.map);
        if (streamed) {
            std::vector<LoadedPoints> documents(1);
            const size_t count = SaveTextDocument(
                run.err, output, *job.map, first.path, request.in, mapOptions, documents.front().set);
            ReportDocument(run, output, documents, {count});
            return;
        }
        std::vector<LoadedPoints> documents =
            job.sets.empty() ? ReadSets(run, request, job) : std::move(job.sets);
        ReportDocument(
            run, output, documents, SaveDocument(run.err, output, *job.map, documents, mapOptions));
        return;
    }
    std::vector<LoadedPoints> sets = job.sets.empty() ? ReadSets(run, request, job) : std::move(job.sets);
    if (job.json) {
        std::vector<PointSet> listed;
        for (LoadedPoints& set : sets) {
            HoldPoints(set);
            listed.push_back(std::move(set.set));
        }
        WriteFileOrFail(output, PointsJsonDocument(run.err, listed));
        std::vector<size_t> counts;
        for (size_t i = 0; i < sets.size(); ++i) {
            counts.push_back(listed[i].points.size());
            sets[i].set = std::move(listed[i]);
        }
        ReportDocument(run, output, sets, counts);
        return;
    }
    if (!job.perSet) {
        LoadedPoints merged = Merge(std::move(sets), output == "-" ? "standard output" : Stem(output));
        WriteSet(run, request, output, job.to, merged);
        Report(run, output, output, merged.set, PointCount(merged));
        return;
    }
    if (sets.size() != job.paths.size())
        FailConversion("'" + job.inputs.front().what + "' changed while it was read");
    for (size_t i = 0; i < sets.size(); ++i) {
        WriteSet(run, request, job.paths[i], job.to, sets[i]);
        job.written = i + 1;
        Report(run, output, job.paths[i], sets[i].set, PointCount(sets[i]));
    }
}

// Runs the jobs in order, each written whole. When one fails after others
// were written, the failure ends with a line naming what was written and
// what was not, so no one takes a half-done run for a whole or a nothing.
void RunJobs(const RunContext& run, const ConvertRequest& request, std::vector<OutputJob>& jobs) {
    for (OutputJob& job : jobs) {
        try {
            RunJob(run, request, job);
            job.written = job.paths.size();
        } catch (const Failure& failure) {
            std::vector<std::string> written, unwritten;
            for (const OutputJob& each : jobs) {
                for (size_t i = 0; i < each.paths.size(); ++i)
                    (i < each.written ? written : unwritten).push_back(each.paths[i]);
            }
            if (written.empty()) throw;
            const auto list = [](const std::vector<std::string>& paths) {
                std::string text;
                for (const std::string& path : paths) text += (text.empty() ? "" : ", ") + path;
                return text;
            };
            throw Failure(failure.status(),
                          std::string(failure.what()) + "\nvezuved: " + std::to_string(written.size()) +
                              " of " + std::to_string(written.size() + unwritten.size()) +
                              " outputs were written (" + list(written) +
                              "); not written: " + list(unwritten));
        }
    }
}

}  // namespace

std::string PointsJsonDocument(std::ostream& err, const std::vector<PointSet>& sets) {
    if (sets.size() == 1) return WritePointsJson(err, sets.front());
    std::string text = "[\n";
    for (size_t i = 0; i < sets.size(); ++i) text += (i ? ",\n" : "") + WritePointsJson(err, sets[i]);
    return text + "]\n";
}

void RunConvert(RunContext& run, const ConvertRequest& request) {
    // The command line first, then the files it names, then the work.
    const std::vector<std::string> paths = EachFileOnce(ExpandInputPaths(request.inputs), run.err);
    std::vector<OutputJob> jobs;
    if (request.outDir.empty()) {
        if (request.output.empty())
            FailUsage("convert needs an output: a file, '-', -o FILE or --out-dir FOLDER");
        jobs.emplace_back();
        jobs.back().output = request.output;
        jobs.back().named = true;
    } else {
        if (!request.output.empty()) FailUsage("--out-dir and an output file exclude each other");
        if (!request.to)
            FailUsage("--out-dir needs --to " + FileTypeNames(true) +
                      " to name what to write (as does an output that ends in '/', a folder)");
        // Each input on its own, into the folder under its own name.
        const std::string extension = *request.to == FileType::Text ? TextExtension(request.outputDefinition)
                                                                    : SavedExtension(*request.to);
        for (const std::string& path : paths) {
            const std::string stem = path == "-" ? "standard-input" : Stem(path);
            jobs.emplace_back();
            jobs.back().output = TextOf(PathOf(request.outDir) / PathOf(stem + extension));
        }
    }
    for (OutputJob& job : jobs) DecideOutput(request, job);
    std::vector<InputFile> inputs;
    for (const std::string& path : paths) inputs.push_back(OpenInput(run, path, request.from, request.in));
    for (size_t i = 0; i < jobs.size(); ++i)
        jobs[i].inputs = request.outDir.empty() ? inputs : std::vector<InputFile>{inputs[i]};
    for (OutputJob& job : jobs) DecideSets(run, request, job, jobs.size() == 1);
    // Every file is named, and known to be no other, before the first is written.
    PlanOutputs(request, inputs, jobs);
    if (!request.outDir.empty()) {
        // Made or already there: what counts is a folder there now.
        std::error_code error;
        std::filesystem::create_directories(PathOf(request.outDir), error);
        if (!std::filesystem::is_directory(PathOf(request.outDir), error)) {
            FailConversion("cannot write into the folder '" + request.outDir + "': it cannot be created");
        }
    }
    RunJobs(run, request, jobs);
}

}  // namespace vezuved_cli
