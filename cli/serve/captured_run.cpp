#include "serve/captured_run.h"

#include <filesystem>
#include <sstream>

#include "files/tool_paths.h"

namespace vezuved_cli {

namespace {

// The command line's words where the page has its own.
const std::pair<const char*, const char*> kPageWords[] = {
    {"give a format definition with -d FILE.cal, or --auto when its first line names the columns",
     "open its format definition (.cal) with it, or give it a first line that names the columns"},
    {"(no -d, no '", "(no definition, no '"},
    {"--simplify ", "Simplify to "},
    {"--fit ", "Fit to "},
    {"--split ", "Split "},
    {"--crop ", "Crop "},
    {"--merge", "Merge"},
};

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// A file of the tool's own temporary folders by its name alone: the
// page's user never sees where the server keeps its copies.
void DropTemporaryFolders(std::string& text) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
    const std::string prefix = TextOf(base / "vezuved-");
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at)) {
        // The prefix begins with no quote or line end: end lies past at, never at 0.
        const size_t end = std::min(text.find_first_of("'\"\n", at), text.size());
        const size_t slash = text.find_last_of("/\\", end - 1);
        text.erase(at, slash >= at && slash < end ? slash + 1 - at : end - at);
    }
}

}  // namespace

std::string InPageWords(std::string text) {
    DropTemporaryFolders(text);
    for (const auto& [from, to] : kPageWords) ReplaceAll(text, from, to);
    // Lines the command line begins with its name.
    ReplaceAll(text, "\nvezuved: ", "\n");
    if (text.rfind("vezuved: ", 0) == 0) text.erase(0, 9);
    return text;
}

CapturedRun RunCaptured(const std::function<void(RunContext&)>& work) {
    // The request's own streams: the core prints nothing, so requests run
    // side by side, each writing only to its own.
    std::ostringstream out, err;
    CapturedRun run;
    {
        RunContext context{out, err, ConversionRules(), false, TemporaryFolder()};
        try {
            work(context);
        } catch (const std::exception& error) {
            run.ok = false;
            run.failure = error.what();
        } catch (...) {
            run.ok = false;
            run.failure = "failed for a reason the tool does not know";
        }
    }
    run.out = out.str();
    run.err = InPageWords(err.str());
    run.failure = InPageWords(run.failure);
    return run;
}

}  // namespace vezuved_cli
