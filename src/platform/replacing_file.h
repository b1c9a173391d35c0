// Whole or nothing on the PC: a file is written under a temporary name in
// its target's own folder (so the final rename never crosses a volume),
// flushed to the disk, and renamed over the target only when complete. A
// failure at any step leaves the previous file as it was and removes the
// temporary file, so a full disk or a refused record never costs the user
// the version they had.
//
// Paths are the library's 8-bit paths, in the code the opener names
// (platform/path_encoding.h).
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "platform/path_encoding.h"

namespace vezuved {

struct ReplacingFile {
    std::FILE* file = nullptr;  // open for writing (binary) on the temporary file
    std::string target;         // the path as given, for messages
    std::string temporary;      // the file being written; empty once renamed or removed
    std::string destination;    // what the rename replaces (a link's target is replaced, not the link)
    bool direct = false;        // a device or pipe target: written in place, there is nothing to keep
    std::string failure;        // why the last step failed: "cannot write 'x': No space left on device"
    int registration = -1;      // the temporary file's slot in platform/temporary_registry.h
    PathEncoding encoding = PathEncoding::Ansi;  // how the paths above are spelt

    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ReplacingFile(ReplacingFile&& other) noexcept { *this = std::move(other); }
    // A file left open by the one moved over is discarded first.
    ReplacingFile& operator=(ReplacingFile&& other) noexcept;
    ~ReplacingFile();
    explicit operator bool() const { return file != nullptr; }
};

// Creates the temporary file for target. False, with `failure` set, when the
// target cannot be replaced (a folder, a read-only file, no such folder) or
// the temporary file cannot be created; nothing is left behind then.
bool OpenReplacingFile(ReplacingFile& replacing, const char* target, PathEncoding encoding);

// Flushes the data to the disk, closes the file and renames it over the
// target. False, with `failure` set, when any step fails (a write that
// failed earlier included, as the stream records it); the temporary file is
// gone either way and the previous target untouched on failure.
bool CommitReplacingFile(ReplacingFile& replacing);

// Gives up: closes and removes the temporary file. A non-zero error (an
// errno value of a write the caller saw fail) becomes the stated failure.
void DiscardReplacingFile(ReplacingFile& replacing, int error = 0);

// Whether both paths name one existing file (device and inode; on Windows
// volume serial number and file index), however they are spelt.
bool PlatformSameFile(const char* first, const char* second, PathEncoding encoding);

// The failure of a file that cannot be made in its folder (not writable,
// missing): the folder is what failed, and is named. "." for none.
std::string FolderFailure(const std::string& folder, const std::string& reason);

// The C library's text for an errno value ("No space left on device").
std::string PlatformErrorText(int error);

}  // namespace vezuved
