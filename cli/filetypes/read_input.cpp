#include "filetypes/read_input.h"

#include <cstdio>

#include "files/failure.h"
#include "files/file_output.h"
#include "files/temporary_folder.h"
#include "files/tool_platform.h"

namespace vezuved_cli {
namespace {

// A copy of standard input in the run's folder for it, removed when the run ends.
std::string CopyStandardInput(RunContext& run, FileType type) {
    if (!run.standardInput.path().empty()) FailUsage("standard input ('-') can be read only once");
    if (!StandardInputIsOpen()) FailConversion("cannot read standard input: it is closed");
    UseBinaryStandardStreams();
    run.standardInput = TemporaryFolder::Create();
    // Named by its kind, as a file of that kind would be.
    const std::string copy = run.standardInput.File("standard-input" + SavedExtension(type));
    // Written whole or not at all, as every file the tool writes.
    WriteFileOrFail(copy, [](DocumentSink& sink) {
        char buffer[64 * 1024];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
            sink.Write(std::string_view(buffer, got));
        if (std::ferror(stdin) != 0) FailConversion("cannot read standard input: reading it failed");
    });
    return copy;
}

}  // namespace

InputFile OpenInput(RunContext& run,
                    const std::string& path,
                    const std::optional<FileType>& from,
                    const TextOptions& options) {
    if (path == "-") {
        if (!from) FailUsage("reading standard input ('-') needs --from " + FileTypeNames());
        if (*from == FileType::Text && options.definition.empty()) {
            FailUsage("reading text from standard input needs its definition (-d FILE.cal)");
        }
        return {CopyStandardInput(run, *from), "standard input", *from};
    }
    // A KMZ is zipped KML: the KML reader opens it. (It is read only: the
    // tool writes plain KML.)
    return {path, path, from.value_or(InputTypeForPath(path))};
}

void NamingInput(const InputFile& input, const std::function<void()>& work) {
    if (input.what == input.path) {
        work();
        return;
    }
    try {
        work();
    } catch (const Failure& failure) {
        // The library's readers name the temporary copy; people gave "-".
        std::string message = failure.what();
        for (size_t at = message.find(input.path); at != std::string::npos;
             at = message.find(input.path, at)) {
            message.replace(at, input.path.size(), input.what);
        }
        throw Failure(failure.status(), message);
    }
}

std::vector<LoadedPoints> ReadInput(const RunContext& run,
                                    const InputFile& input,
                                    const TextOptions& options) {
    std::vector<LoadedPoints> loaded;
    NamingInput(input,
                [&] { loaded = FormatOf(input.type).reader(run.err, input.path, input.what, options); });
    return loaded;
}

}  // namespace vezuved_cli
