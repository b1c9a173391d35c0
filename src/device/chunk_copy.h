// The byte-for-byte copy of a plain file between the PC and the handheld,
// the same in both directions: 1024-byte chunks, a progress step after
// each, the loop ending when a read yields nothing or fails.
#pragma once

#include <cstdint>
#include <cstdio>

#include "device/device_text.h"
#include "device/transfer_rules.h"

constexpr uint32_t kCopyChunkSize = 1024;

// Reports the start, then copies. read(buffer, size, &got) and
// write(data, size, &written) return false on failure. Returns 0; -1 after a
// failed write, with a message naming destination; devCancelled when the
// host stopped the copy. The caller reports the end.
template <typename Read, typename Write>
int32_t CopyChunks(Read&& read, Write&& write, CopyProgress& progress, int32_t size,
                   const WCHAR* destination) {
    if (!progress.Start(size)) return devCancelled;
    char chunk[kCopyChunkSize];
    uint64_t copied = 0;
    DWORD got = 0;
    while (read(chunk, static_cast<DWORD>(sizeof chunk), &got) && got > 0) {
        DWORD written = 0;
        if (!write(chunk, got, &written) || written != got) {
            std::printf("Error !!! Writing hostfile: %s\n", Narrow(destination).c_str());
            return -1;
        }
        copied += got;
        if (!progress.Step(ProgressValue(copied), size)) return devCancelled;
    }
    return 0;
}
