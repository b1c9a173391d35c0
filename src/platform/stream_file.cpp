// With the test seam on glibc, a stream is a cookie stream over the
// descriptor whose calls ask the seam first; a descriptor table maps the
// stream back to its descriptor for fsync.
#include "platform/stream_file.h"

#include "platform/io_faults.h"

#if defined(VEZUVED_IO_FAULTS) && defined(__GLIBC__)

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vezuved {

namespace {

struct SeamCookie {
    int fd;
};

// Streams made here and their descriptors: few are open at once.
struct TrackedStream {
    std::FILE* stream;
    int fd;
};
TrackedStream g_streams[64];
std::mutex g_streamsLock;

void Track(std::FILE* file, int fd) {
    std::lock_guard<std::mutex> hold(g_streamsLock);
    for (TrackedStream& slot : g_streams) {
        if (slot.stream == nullptr) {
            slot = TrackedStream{file, fd};
            return;
        }
    }
}

void Untrack(int fd) {
    std::lock_guard<std::mutex> hold(g_streamsLock);
    for (TrackedStream& slot : g_streams)
        if (slot.stream != nullptr && slot.fd == fd) slot.stream = nullptr;
}

ssize_t SeamRead(void* cookie, char* buffer, size_t size) {
    if (IoCallFails(IoCall::Read)) return errno != 0 ? -1 : 0;  // errno 0: the file ends early
    return ::read(static_cast<SeamCookie*>(cookie)->fd, buffer, size);
}

// Writes all it may, as the kernel's writes are retried; fewer than size,
// with errno telling why, is the stream's error. Never -1: glibc takes a
// cookie's write result as a count, and -1 there sends a large fwrite on
// past the end of its caller's buffer.
ssize_t SeamWrite(void* cookie, const char* buffer, size_t size) {
    const size_t allowed = IoWriteAllowance(size);
    int refusal = errno;
    size_t done = 0;
    while (done < allowed) {
        const ssize_t n = ::write(static_cast<SeamCookie*>(cookie)->fd, buffer + done, allowed - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            refusal = errno;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (done < size) errno = refusal;
    return static_cast<ssize_t>(done);
}

int SeamSeek(void* cookie, off64_t* offset, int whence) {
    const off64_t at = ::lseek64(static_cast<SeamCookie*>(cookie)->fd, *offset, whence);
    if (at < 0) return -1;
    *offset = at;
    return 0;
}

int SeamClose(void* cookie) {
    auto* seam = static_cast<SeamCookie*>(cookie);
    Untrack(seam->fd);
    const bool fails = IoCallFails(IoCall::Close);
    const int error = errno;
    const int result = ::close(seam->fd);  // the descriptor goes either way, as close(2) does
    std::free(seam);
    if (fails) errno = error;
    return fails ? -1 : result;
}

// The cookie is malloc'ed: a test program's replaced operator new, counting
// allocations, must not see (or fail) the seam's own bookkeeping.
std::FILE* Wrap(int fd, const char* mode) {
    auto* cookie = static_cast<SeamCookie*>(std::malloc(sizeof(SeamCookie)));
    if (cookie == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    cookie->fd = fd;
    std::FILE* file =
        ::fopencookie(cookie, mode, cookie_io_functions_t{SeamRead, SeamWrite, SeamSeek, SeamClose});
    if (file == nullptr) {
        std::free(cookie);
        return nullptr;
    }
    Track(file, fd);
    return file;
}

int OpenFlags(const char* mode) {
    const bool plus = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
        case 'r':
            return plus ? O_RDWR : O_RDONLY;
        case 'w':
            return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        case 'a':
            return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        default:
            return -1;
    }
}

}  // namespace

std::FILE* PlatformOpenStream(const char* path, const char* mode, PathEncoding /*bytes on POSIX*/) {
    const int flags = mode != nullptr ? OpenFlags(mode) : -1;
    if (path == nullptr || flags < 0) {
        errno = EINVAL;
        return nullptr;
    }
    if (IoCallFails(IoCall::Open)) return nullptr;
    const int fd = ::open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = Wrap(fd, mode);
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

std::FILE* PlatformStreamOfDescriptor(int descriptor, const char* mode) { return Wrap(descriptor, mode); }

int PlatformStreamDescriptor(std::FILE* file) {
    std::lock_guard<std::mutex> hold(g_streamsLock);
    for (const TrackedStream& slot : g_streams)
        if (slot.stream == file) return slot.fd;
    return ::fileno(file);
}

}  // namespace vezuved

#else

#if defined(_WIN32)
#include <cerrno>
#include <string>
#else
#include <stdio.h>
#endif

namespace vezuved {

#if defined(_WIN32)
std::FILE* PlatformOpenStream(const char* path, const char* mode, PathEncoding encoding) {
    if (IoCallFails(IoCall::Open)) return nullptr;
    std::wstring wide;
    try {
        if (path == nullptr || mode == nullptr || !WidePathOf(path, encoding, wide)) {
            errno = EINVAL;
            return nullptr;
        }
    } catch (...) {
        errno = ENOMEM;
        return nullptr;
    }
    std::wstring wideMode;
    for (const char* m = mode; *m != '\0'; ++m) wideMode.push_back(static_cast<wchar_t>(*m));
    return ::_wfopen(wide.c_str(), wideMode.c_str());
}
#else
std::FILE* PlatformOpenStream(const char* path, const char* mode, PathEncoding /*bytes on POSIX*/) {
    if (IoCallFails(IoCall::Open)) return nullptr;
    return std::fopen(path, mode);
}
#endif

#if defined(_WIN32)
std::FILE* PlatformStreamOfDescriptor(int descriptor, const char* mode) {
    return ::_fdopen(descriptor, mode);
}
int PlatformStreamDescriptor(std::FILE* file) { return ::_fileno(file); }
#else
std::FILE* PlatformStreamOfDescriptor(int descriptor, const char* mode) { return ::fdopen(descriptor, mode); }
int PlatformStreamDescriptor(std::FILE* file) { return ::fileno(file); }
#endif

}  // namespace vezuved

#endif
