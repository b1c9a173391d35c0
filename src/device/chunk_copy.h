// The byte-for-byte copy of a plain file between the PC and the handheld,
// the same in both directions: 1024-byte chunks, a progress step after
// each, the loop ending when a read yields nothing.
#pragma once

#include <cstdint>
#include <cstdio>

#include "base/diag.h"
#include "device/device_text.h"
#include "device/transfer_rules.h"

namespace vezuved {

constexpr uint32_t kCopyChunkSize = 1024;

// Reports the start, then copies. read(buffer, size, &got) and
// write(data, size, &written) return false on failure. Returns 0; -1 when a
// read fails or the source ends before its size (a message names source),
// or when a write fails or takes fewer bytes than given (a message names
// destination); devCancelled when the host stopped the copy. The caller
// reports the end.
template <typename Read, typename Write>
int32_t CopyChunks(Read&& read,
                   Write&& write,
                   CopyProgress& progress,
                   uint64_t size,
                   const WCHAR* source,
                   const WCHAR* destination) {
    const int32_t total = ProgressValue(size);
    if (!progress.Start(total)) return devCancelled;
    char chunk[kCopyChunkSize];
    uint64_t copied = 0;
    for (;;) {
        DWORD got = 0;
        if (!read(chunk, static_cast<DWORD>(sizeof chunk), &got) || got > sizeof chunk) {
            DiagPrint("Error !!! Reading file: %s\n", Narrow(source).c_str());
            return -1;
        }
        if (got == 0) break;
        DWORD written = 0;
        if (!write(chunk, got, &written) || written != got) {
            DiagPrint("Error !!! Writing hostfile: %s\n", Narrow(destination).c_str());
            return -1;
        }
        copied += got;
        if (!progress.Step(ProgressValue(copied), total)) return devCancelled;
    }
    // A source that ends early (or grew) was not copied whole.
    if (copied != size) {
        DiagPrint("Error !!! Reading file: %s\n", Narrow(source).c_str());
        return -1;
    }
    return 0;
}

}  // namespace vezuved
