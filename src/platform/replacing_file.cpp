// The parts of the whole-or-nothing file that are the same on every system.
#include "platform/replacing_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/io_faults.h"
#include "platform/replacing_file_names.h"
#include "platform/temporary_registry.h"

namespace vezuved {

bool OpenReplacingFile(ReplacingFile& replacing, const char* target, PathEncoding encoding) {
    DiscardReplacingFile(replacing);
    replacing.encoding = encoding;
    try {
        return OpenReplacing(replacing, target);
    } catch (...) {
        // Out of memory for a name: whatever was created goes again.
        DiscardReplacingFile(replacing, ENOMEM);
        return false;
    }
}

bool CommitReplacingFile(ReplacingFile& replacing) {
    if (replacing.file == nullptr) {
        if (replacing.failure.empty()) NoteFailure(replacing, EBADF);
        return false;
    }
    int error = 0;
    errno = 0;
    bool synced = true;
    if (IoCallFails(IoCall::Flush) || std::fflush(replacing.file) != 0 || std::ferror(replacing.file)) {
        error = errno != 0 ? errno : EIO;
    } else {
        synced = SyncToDisk(replacing);  // states its own failure
    }
    std::FILE* file = replacing.file;
    replacing.file = nullptr;
    if (std::fclose(file) != 0 && error == 0 && synced) error = errno != 0 ? errno : EIO;
    if (error != 0 || !synced) {
        DiscardReplacingFile(replacing, error);  // a failed sync has stated its cause already
        return false;
    }
    return RenameOverTarget(replacing);
}

void DiscardReplacingFile(ReplacingFile& replacing, int error) {
    if (replacing.file != nullptr) {
        std::fclose(replacing.file);
        replacing.file = nullptr;
    }
    if (!replacing.temporary.empty()) {
        RemoveTemporaryFile(replacing.temporary, replacing.encoding);
        replacing.temporary.clear();
    }
    ForgetTemporary(replacing.registration);
    replacing.registration = -1;
    if (error != 0) NoteFailure(replacing, error);
}

ReplacingFile::~ReplacingFile() { DiscardReplacingFile(*this); }

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
    if (this == &other) return *this;
    DiscardReplacingFile(*this);
    file = other.file;
    other.file = nullptr;
    target = std::move(other.target);
    temporary = std::move(other.temporary);
    other.temporary.clear();
    destination = std::move(other.destination);
    direct = other.direct;
    failure = std::move(other.failure);
    registration = other.registration;
    other.registration = -1;
    encoding = other.encoding;
    return *this;
}

std::string PlatformErrorText(int error) {
    const char* text = std::strerror(error);
    return text != nullptr ? text : "error " + std::to_string(error);
}

std::string TemporaryNameBeside(const std::string& destination, unsigned long process, unsigned attempt) {
    size_t cut = destination.find_last_of(kFolderSeparators);
#if defined(_WIN32)
    // "C:name" lies in the drive's current folder.
    if (cut == std::string::npos && destination.size() >= 2 && destination[1] == ':') cut = 1;
#endif
    const std::string folder = cut == std::string::npos ? std::string() : destination.substr(0, cut + 1);
    // A short name of its own, whatever the target's length: the target's
    // name plus a suffix could pass the file system's name limit.
    return folder + ".vezuved-" + std::to_string(process) + "-" + std::to_string(attempt) + ".tmp";
}

std::string FolderFailure(const std::string& folder, const std::string& reason) {
    return "cannot create a file in '" + (folder.empty() ? std::string(".") : folder) + "': " + reason;
}

std::string FolderOfPath(const std::string& path) {
    const size_t cut = path.find_last_of(kFolderSeparators);
    if (cut == std::string::npos) return ".";
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

std::string ReplacingFailure(const char* step, const std::string& target, const std::string& reason) {
    return std::string("cannot ") + step + " '" + target + "': " + reason;
}

void NoteFailure(ReplacingFile& replacing, int error) noexcept {
    try {
        replacing.failure = ReplacingFailure("write", replacing.target, PlatformErrorText(error));
    } catch (...) {
        replacing.failure.clear();  // no memory even for the sentence
    }
}

}  // namespace vezuved
