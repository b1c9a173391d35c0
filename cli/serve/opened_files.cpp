#include "serve/opened_files.h"

#include <algorithm>
#include <filesystem>

#include "commands/convert_plan.h"
#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "files/tool_paths.h"
#include "filetypes/tool_formats.h"
#include "serve/captured_run.h"
#include "values/ascii_text.h"
#include "values/options.h"

namespace vezuved_cli {

OpenedFiles::OpenedFiles() : folder_(TemporaryFolder::Create()) {}

namespace {

// A name of at most kMostNameBytes: the start of its stem, cut at a
// character's edge, and its extension.
constexpr size_t kMostNameBytes = 200;

std::string Shortened(const std::string& name) {
    if (name.size() <= kMostNameBytes) return name;
    const size_t dot = name.rfind('.');
    const std::string extension =
        dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : std::string();
    size_t keep = kMostNameBytes - extension.size();
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return name.substr(0, keep) + extension;
}

}  // namespace

std::string UploadedFileName(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    std::string last = Shortened(FileSafeName(slash == std::string::npos ? name : name.substr(slash + 1)));
    if (last.empty() || last == "." || last == "..") last = "file";
    if (ReservedOnWindows(last)) last = "_" + last;
    return last;
}

std::string NumberedName(const std::string& name, int n) {
    const size_t dot = name.rfind('.');
    const size_t stem = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, stem) + " (" + std::to_string(n) + ")" + name.substr(stem);
}

std::vector<LoadedPoints> ReadOpenedFile(const RunContext& run, const OpenedFile& file) {
    // A database or text is named by its path, which gives its set's title;
    // a map file's messages name it as uploaded.
    const FileType type = InputTypeForPath(file.path);
    const bool named = type == FileType::Database || type == FileType::Text;
    const InputFile input{file.path, named ? file.path : file.name, type};
    RequireInput(input, file.options);
    return ReadInput(run, input, file.options);
}

namespace {

bool IsDefinition(const std::string& name) {
    return name.size() > 4 && LoweredAscii(name.substr(name.size() - 4)) == ".cal";
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
    // The copy is named as it was uploaded: the run says no folder of the server's.
    file.problems = run.err;
    file.failure = run.failure;
}

// A text the tool cannot read without a definition is read by its header
// row, as --auto reads it; when that fails too, the first failure stands.
void ReadByHeaderRow(OpenedFile& file) {
    std::error_code error;
    if (file.failure.empty() || InputTypeForPath(file.path) != FileType::Text ||
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

std::string OpenedFiles::NewFolder(const std::string& what) {
    std::string folder;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        folder = folder_.File(what + "-" + std::to_string(++folders_));
    }
    std::error_code error;
    std::filesystem::create_directory(PathOf(folder), error);
    if (!error) std::filesystem::permissions(PathOf(folder), std::filesystem::perms::owner_all, error);
    if (error) FailConversion("cannot make a folder for the " + what + ": " + error.message());
    return folder;
}

std::vector<OpenedFile> OpenedFiles::Add(const std::vector<Upload>& uploads) {
    const std::string drop = NewFolder("drop");
    std::vector<OpenedFile> added;
    std::vector<std::pair<std::string, std::string>> definitions;
    std::vector<std::string> taken;
    for (const Upload& upload : uploads) {
        // Two files of one name (a/x.gpx, b/x.gpx) are two files: the later
        // is numbered.
        const std::string given = UploadedFileName(upload.name);
        std::string name = given;
        for (int n = 2; std::find(taken.begin(), taken.end(), LoweredAscii(name)) != taken.end(); ++n)
            name = NumberedName(given, n);
        taken.push_back(LoweredAscii(name));
        const std::string path = TextOf(PathOf(drop) / PathOf(name));
        WriteFileOrFail(path, upload.bytes);
        std::error_code error;
        std::filesystem::permissions(
            PathOf(path), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, error);
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
    if (id < 1 || id > static_cast<int>(files_.size()) || files_[id - 1].id == 0) return std::nullopt;
    return files_[id - 1];
}

bool OpenedFiles::Close(int id) {
    std::string path;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (id < 1 || id > static_cast<int>(files_.size()) || files_[id - 1].id == 0) return false;
        path = files_[id - 1].path;
        files_[id - 1] = OpenedFile();
    }
    // A read of it still running has the file open, which POSIX allows;
    // its copy goes with the server in any case.
    std::error_code error;
    std::filesystem::remove(PathOf(path), error);
    return true;
}

std::vector<OpenedFile> OpenedFiles::All() const {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<OpenedFile> open;
    for (const OpenedFile& file : files_) {
        if (file.id != 0) open.push_back(file);
    }
    return open;
}

std::vector<std::pair<std::string, std::string>> OpenedFiles::Definitions() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return definitions_;
}

}  // namespace vezuved_cli
