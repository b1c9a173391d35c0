// The current folder and the listing of a folder: the one place where the
// file system's directory services are called. Everything else asks here.
#pragma once

#include <memory>
#include <string>

#include "platform/path_encoding.h"

namespace vezuved {

#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// True for '\' and '/': a PC path may use either, and POSIX paths use '/'.
bool IsPathSeparator(char c);

// folder and name joined by the platform's separator (none is added when
// folder is empty or already ends with a separator).
std::string JoinPath(const std::string& folder, const char* name);

// The process's current folder in the given code, or the empty text when
// it cannot be had (or, on Windows, be spelt in that code).
std::string CurrentFolder(PathEncoding encoding);

struct FolderEntry {
    std::string name;  // the entry's own name, without the folder
    bool isFolder = false;
};

// Yields the entries of one folder whose names match a wildcard pattern
// (platform/wildcard.h), in the order the file system delivers them. "." and
// ".." are never yielded. Closes the search when it goes out of scope.
class FolderSearch {
public:
    FolderSearch();
    ~FolderSearch();
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;

    // Starts listing folder (the empty text: the current folder), a path in
    // the given code, in which the names found come back; on Windows a name
    // that code cannot spell is passed over (no path of it could open the
    // file). False when it cannot be read, which callers treat as an empty
    // folder.
    bool Open(const std::string& folder, const char* pattern, PathEncoding encoding);
    // The next matching entry; false when there is none left.
    bool Next(FolderEntry& entry);
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vezuved
