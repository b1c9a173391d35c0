#include "serve/opened_files.h"

#include <filesystem>

#include "commands/convert_plan.h"
#include "conversion/core_text.h"
#include "files/file_output.h"
#include "files/tool_paths.h"
#include "filetypes/tool_formats.h"
#include "serve/captured_run.h"
#include "values/ascii_text.h"
#include "values/options.h"

namespace vezuved_cli {

OpenedFiles::OpenedFiles() : folder_(TemporaryFolder::Create()) {}

std::string UploadedFileName(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    std::string last = FileSafeName(slash == std::string::npos ? name : name.substr(slash + 1));
    if (last.empty() || last == "." || last == "..") last = "file";
    if (ReservedOnWindows(last)) last = "_" + last;
    return last;
}

std::vector<LoadedPoints> ReadOpenedFile(const RunContext& run, const OpenedFile& file) {
    // A database or text is named by its path, which gives its set's title;
    // a map file's messages name it as uploaded.
    const FileType type = FileTypeForPath(file.path);
    const bool named = type == FileType::Database || type == FileType::Text;
    const InputFile input{file.path, named ? file.path : file.name, type};
    RequireInput(input, file.options);
    return ReadInput(run, input, file.options);
}

namespace {

bool IsDefinition(const std::string& name) {
    return name.size() > 4 && LoweredAscii(name.substr(name.size() - 4)) == ".cal";
}

std::string AsUploaded(std::string text, const OpenedFile& file) {
    // Other files named beside it (its .cal) by their names alone.
    return NamedAs(
        NamedAs(std::move(text), file.path, file.name), TextOf(PathOf(file.path).parent_path() / ""), "");
}

void ReadSets(OpenedFile& file) {
    const CapturedRun run = RunCaptured([&](RunContext& context) {
        int tracks = 0;
        for (const LoadedPoints& loaded : ReadOpenedFile(context, file)) {
            OpenedSet set;
            set.title = loaded.set.title;
            set.kind = static_cast<int32_t>(loaded.set.kind);
            set.count = loaded.set.points.size();
            if (set.kind != 0) set.track = ++tracks;
            file.sets.push_back(set);
        }
    });
    // The page names the file as it was uploaded, not by its copy.
    file.problems = AsUploaded(run.err, file);
    file.failure = AsUploaded(run.failure, file);
}

// A text the tool cannot read without a definition is read by its header
// row, as --auto reads it; when that fails too, the first failure stands.
void ReadByHeaderRow(OpenedFile& file) {
    std::error_code error;
    if (file.failure.empty() || FileTypeForPath(file.path) != FileType::Text ||
        std::filesystem::exists(PathOf(DefinitionPathFor(file.path)), error)) {
        return;
    }
    OpenedFile retried = file;
    retried.sets.clear();
    retried.options = TextOptions();
    retried.options.headerRow = true;
    ReadSets(retried);
    if (retried.failure.empty()) file = retried;
}

}  // namespace

std::vector<OpenedFile> OpenedFiles::Add(const std::vector<Upload>& uploads) {
    std::string drop;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        drop = folder_.File("drop-" + std::to_string(++drops_));
    }
    std::filesystem::create_directory(PathOf(drop));
    std::vector<OpenedFile> added;
    std::vector<std::pair<std::string, std::string>> definitions;
    for (const Upload& upload : uploads) {
        const std::string name = UploadedFileName(upload.name);
        const std::string path = TextOf(PathOf(drop) / PathOf(name));
        WriteFileOrFail(path, upload.bytes);
        if (IsDefinition(name)) {
            definitions.emplace_back(name, path);
            continue;
        }
        OpenedFile file;
        file.name = name;
        file.path = path;
        added.push_back(file);
    }
    // Definitions first: a text file finds the .cal dropped with it.
    for (OpenedFile& file : added) {
        ReadSets(file);
        ReadByHeaderRow(file);
    }
    std::lock_guard<std::mutex> guard(mutex_);
    for (OpenedFile& file : added) {
        file.id = static_cast<int>(files_.size()) + 1;
        files_.push_back(file);
    }
    definitions_.insert(definitions_.end(), definitions.begin(), definitions.end());
    return added;
}

std::optional<OpenedFile> OpenedFiles::Find(int id) const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (id < 1 || id > static_cast<int>(files_.size())) return std::nullopt;
    return files_[id - 1];
}

std::vector<OpenedFile> OpenedFiles::All() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return files_;
}

std::vector<std::pair<std::string, std::string>> OpenedFiles::Definitions() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return definitions_;
}

}  // namespace vezuved_cli
