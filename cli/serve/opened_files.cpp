#include "serve/opened_files.h"

#include <filesystem>

#include "base/ascii.h"
#include "commands/convert_plan.h"
#include "input/read_input.h"
#include "serve/captured_run.h"
#include "support/file_output.h"
#include "support/options.h"

namespace vezuved_cli {

OpenedFiles::OpenedFiles() : folder_(TemporaryFolder::Create()) {}

std::string UploadedFileName(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    std::string last = FileSafeName(slash == std::string::npos ? name : name.substr(slash + 1));
    if (last.empty() || last == "." || last == "..") last = "file";
    if (ReservedOnWindows(last)) last = "_" + last;
    return last;
}

std::vector<LoadedPoints> ReadOpenedFile(const OpenedFile& file) {
    return ReadInput(InputFile{file.path, file.name, FileTypeForPath(file.path)}, TextOptions());
}

namespace {

bool IsDefinition(const std::string& name) {
    return name.size() > 4 && AsciiLowered(name.substr(name.size() - 4)) == ".cal";
}

void ReadSets(OpenedFile& file) {
    const CapturedRun run = RunCaptured([&] {
        int tracks = 0;
        for (const LoadedPoints& loaded : ReadOpenedFile(file)) {
            OpenedSet set;
            set.title = loaded.set.title;
            set.kind = static_cast<int32_t>(loaded.set.kind);
            set.count = loaded.records.count() == 0 ? loaded.set.points.size() : loaded.kept.size();
            if (set.kind != 0) set.track = ++tracks;
            file.sets.push_back(set);
        }
    });
    file.problems = run.err;
    file.failure = run.failure;
}

}  // namespace

std::vector<OpenedFile> OpenedFiles::Add(const std::vector<Upload>& uploads) {
    std::string drop;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        drop = folder_.File("drop-" + std::to_string(++drops_));
    }
    std::filesystem::create_directory(drop);
    std::vector<OpenedFile> added;
    std::vector<std::pair<std::string, std::string>> definitions;
    for (const Upload& upload : uploads) {
        const std::string name = UploadedFileName(upload.name);
        const std::string path = (std::filesystem::path(drop) / name).string();
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
    for (OpenedFile& file : added) ReadSets(file);
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
