// The files a page has opened: kept in a temporary folder of the server's
// own (removed when it stops), each read once as `show` reads it, with
// its sets and the problems the reading printed.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands/command_options.h"
#include "conversion/records.h"
#include "files/temporary_folder.h"

namespace vezuved_cli {

struct OpenedSet {
    std::string title;
    int32_t kind = 0;
    size_t count = 0;
    int track = 0;  // its number among the file's routes and tracks (--track); 0 for waypoints
};

struct OpenedFile {
    int id = 0;
    std::string name;  // as uploaded
    std::string path;  // its copy in the temporary folder
    // How it is read: for a text with no definition beside it, by its
    // header row (as --auto reads it).
    TextOptions options;
    std::vector<OpenedSet> sets;
    std::string problems;  // what the command line prints on standard error
    std::string failure;   // why it could not be read at all
};

struct Upload {
    std::string name;
    std::string bytes;
};

class OpenedFiles {
public:
    OpenedFiles();
    // One drop of files lands in one folder, so a text's .cal dropped with
    // it lies beside it. Definitions are kept, not listed.
    std::vector<OpenedFile> Add(const std::vector<Upload>& uploads);
    std::optional<OpenedFile> Find(int id) const;
    // Forgets the file and removes its copy; false when no such file is open.
    bool Close(int id);
    std::vector<OpenedFile> All() const;
    // The .cal files opened, by name and path.
    std::vector<std::pair<std::string, std::string>> Definitions() const;
    // A new folder of the server's own ("drop-3", "push-4"), gone with it.
    std::string NewFolder(const std::string& what);

private:
    TemporaryFolder folder_;
    mutable std::mutex mutex_;
    std::vector<OpenedFile> files_;  // by id; a closed one keeps its place, its id 0
    std::vector<std::pair<std::string, std::string>> definitions_;
    int folders_ = 0;
};

// The sets of an opened file, read again as `show` reads it.
std::vector<LoadedPoints> ReadOpenedFile(const RunContext& run, const OpenedFile& file);

// An uploaded name as a file name of its own: the last part of the path,
// '_' for what file systems refuse, cut to 200 bytes keeping its
// extension; never empty, "." or "..".
std::string UploadedFileName(const std::string& name);
// "name (n).ext".
std::string NumberedName(const std::string& name, int n);

}  // namespace vezuved_cli
