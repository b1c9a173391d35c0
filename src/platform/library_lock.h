// The one lock of the library. Every export holds it for its whole call, so
// calls from several threads of a host run one at a time over the library's
// process-wide state. It is recursive: a host callback that calls an export
// again on the same thread goes through.
#pragma once

namespace vezuved {

struct LibraryLock {
    LibraryLock();
    ~LibraryLock();
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;
};

}  // namespace vezuved
