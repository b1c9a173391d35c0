// Whole-or-nothing files on POSIX: open(O_EXCL) beside the target, fsync,
// rename(2) over it, fsync of the folder so the new name survives a crash.
#if !defined(_WIN32)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/io_faults.h"
#include "platform/replacing_file.h"
#include "platform/replacing_file_names.h"
#include "platform/stale_temporaries.h"
#include "platform/stream_file.h"
#include "platform/temporary_registry.h"

namespace vezuved {

namespace {

bool Fail(ReplacingFile& replacing, const char* step, int error) {
    replacing.failure = ReplacingFailure(step, replacing.target, PlatformErrorText(error));
    return false;
}

// The file a rename must replace: a symbolic link's target, so the link
// keeps pointing at the new contents as it did when files were rewritten
// in place.
std::string Destination(const char* target) {
    struct stat st;
    if (::lstat(target, &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(target, nullptr)) {
            std::string resolved = real;
            std::free(real);
            return resolved;
        }
    }
    return target;
}

void SyncFolderOf(const std::string& path) {
    const int fd = ::open(FolderOfPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: some file systems refuse it for folders
    ::close(fd);
}

// The temporary file could not be made: that is the folder's doing (not
// writable, missing), so the folder is named, not the file.
bool FailInFolder(ReplacingFile& replacing, int error) {
    replacing.failure = FolderFailure(FolderOfPath(replacing.destination), PlatformErrorText(error));
    return false;
}

}  // namespace

bool OpenReplacing(ReplacingFile& replacing, const char* target) {
    replacing.failure.clear();
    replacing.direct = false;
    replacing.target = target != nullptr ? target : "";
    if (replacing.target.empty()) return Fail(replacing, "write", ENOENT);
    replacing.destination = Destination(target);

    struct stat st;
    mode_t mode = 0;
    if (::stat(replacing.destination.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Fail(replacing, "write", EISDIR);
        if (!S_ISREG(st.st_mode)) {
            // A device or a pipe ("/dev/null"): no previous contents to keep,
            // and renaming over it would replace the device itself.
            replacing.file = PlatformOpenStream(replacing.destination.c_str(), "wb", replacing.encoding);
            if (replacing.file == nullptr) return Fail(replacing, "write", errno);
            replacing.direct = true;
            return true;
        }
        // A file the user may not write stays as it is, as it did when it
        // was opened for writing in place.
        if (::access(replacing.destination.c_str(), W_OK) != 0) return Fail(replacing, "write", errno);
        mode = st.st_mode & 07777;
    }
    RemoveStaleTemporariesBeside(replacing.destination, replacing.encoding);
    for (unsigned attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        // Named (and registered for a signal to remove) before it exists,
        // so a file once created is always known and removed.
        replacing.temporary =
            TemporaryNameBeside(replacing.destination, static_cast<unsigned long>(::getpid()), attempt);
        replacing.registration = RegisterTemporary(replacing.temporary, replacing.encoding);
        const int fd = IoCallFails(IoCall::Open)
                           ? -1
                           : ::open(replacing.temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            replacing.temporary.clear();
            ForgetTemporary(replacing.registration);
            replacing.registration = -1;
            if (error == EEXIST) continue;
            return FailInFolder(replacing, error);
        }
        if (mode != 0) ::fchmod(fd, mode);  // the replaced file's permissions carry over
        replacing.file = PlatformStreamOfDescriptor(fd, "w+b");
        if (replacing.file == nullptr) {
            const int error = errno;
            ::close(fd);
            DiscardReplacingFile(replacing);
            return Fail(replacing, "write", error);
        }
        return true;
    }
    return Fail(replacing, "write", EEXIST);
}

bool SyncToDisk(ReplacingFile& replacing) {
    if (replacing.direct) return true;
    if (!IoCallFails(IoCall::Sync) && ::fsync(PlatformStreamDescriptor(replacing.file)) == 0) return true;
    return Fail(replacing, "write", errno);
}

bool RenameOverTarget(ReplacingFile& replacing) {
    if (replacing.direct) return true;
    if (IoCallFails(IoCall::Rename) ||
        ::rename(replacing.temporary.c_str(), replacing.destination.c_str()) != 0) {
        const int renameError = errno;
        DiscardReplacingFile(replacing);
        return Fail(replacing, "replace", renameError);
    }
    replacing.temporary.clear();
    ForgetTemporary(replacing.registration);
    replacing.registration = -1;
    SyncFolderOf(replacing.destination);
    return true;
}

void RemoveTemporaryFile(const std::string& path, PathEncoding /*bytes on POSIX*/) noexcept {
    if (IoCallFails(IoCall::Remove)) return;
    ::unlink(path.c_str());
}

bool PlatformSameFile(const char* first, const char* second, PathEncoding /*bytes on POSIX*/) {
    struct stat a, b;
    if (first == nullptr || second == nullptr) return false;
    if (::stat(first, &a) != 0 || ::stat(second, &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace vezuved

#endif  // !_WIN32
