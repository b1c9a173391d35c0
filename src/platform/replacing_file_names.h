// Helpers the two implementations of platform/replacing_file.h share.
#pragma once

#include <string>

namespace vezuved {

#if defined(_WIN32)
constexpr const char* kFolderSeparators = "\\/";
#else
constexpr const char* kFolderSeparators = "/";
#endif

// A temporary file's name in the destination's folder, unique to the
// process and the attempt ("folder/.vezuved-4711-0.tmp").
std::string TemporaryNameBeside(const std::string& destination, unsigned long process, unsigned attempt);

// The folder part of a path, for messages: "." for a bare name, the root
// as itself.
std::string FolderOfPath(const std::string& path);

// "cannot <step> '<target>': <reason>".
std::string ReplacingFailure(const char* step, const std::string& target, const std::string& reason);

// Sets the failure "cannot write '<target>': <errno text>"; never throws.
struct ReplacingFile;
void NoteFailure(ReplacingFile& replacing, int error) noexcept;

// Attempts at a free temporary name before giving up.
constexpr unsigned kTemporaryNameAttempts = 100;

// This system's part of OpenReplacingFile: creates the temporary file (or
// opens a device or pipe target directly). May throw when memory runs out.
bool OpenReplacing(ReplacingFile& replacing, const char* target);

// This system's steps of CommitReplacingFile. SyncToDisk sends the flushed
// file's data to the disk; RenameOverTarget puts the closed temporary file
// in the target's place (and discards it when that fails). Both state their
// failure.
bool SyncToDisk(ReplacingFile& replacing);
bool RenameOverTarget(ReplacingFile& replacing);
// Deletes a temporary file; never fails loudly (it runs in destructors).
void RemoveTemporaryFile(const std::string& path, PathEncoding encoding) noexcept;

}  // namespace vezuved
