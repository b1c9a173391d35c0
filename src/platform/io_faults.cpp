// The counters behind platform/io_faults.h. One kind is armed at a time,
// as one allocation is failed at a time: a loop over N needs no more.
#include "platform/io_faults.h"

#if defined(VEZUVED_IO_FAULTS)

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vezuved {

namespace {

const char* const kNames[kIoCallKinds] = {
    "open", "read", "write", "flush", "sync", "close", "rename", "remove", "settime"};

int g_kind = -1;          // the armed kind, -1 for none
long g_failAt = 0;        // 0: never fail
long g_counted = 0;       // calls of the armed kind since it was armed
int g_error = 0;          // the errno given; 0 on a write: short, then full
bool g_diskFull = false;  // a short write happened: every later write finds no space

bool Counts(IoCall kind) {
    if (static_cast<int>(kind) != g_kind) return false;
    ++g_counted;
    return g_failAt != 0 && g_counted == g_failAt;
}

}  // namespace

long FailIoCallAfter(IoCall kind, long nth, int error) {
    const long counted = g_counted;
    g_kind = nth != 0 ? static_cast<int>(kind) : -1;
    g_failAt = nth;
    g_counted = 0;
    g_error = error;
    g_diskFull = false;
    return counted;
}

bool IoCallFails(IoCall kind) noexcept {
    if (!Counts(kind)) return false;
    errno = g_error != 0 ? g_error : kind == IoCall::Read ? 0 : EIO;
    return true;
}

unsigned long IoWriteAllowance(unsigned long size) noexcept {
    if (g_diskFull) {
        errno = ENOSPC;
        return 0;
    }
    if (!Counts(IoCall::Write)) return size;
    if (g_error != 0) {
        errno = g_error;
        return 0;
    }
    // Half goes through; the rest, and every write after it, finds the disk full.
    g_diskFull = true;
    errno = ENOSPC;
    return size / 2;
}

const char* IoCallName(IoCall kind) { return kNames[static_cast<int>(kind)]; }

bool ArmIoFaultsFromText(const char* text) {
    if (text == nullptr) return false;
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr) return false;
    for (int kind = 0; kind < kIoCallKinds; ++kind) {
        const size_t length = std::strlen(kNames[kind]);
        if (static_cast<size_t>(colon - text) != length || std::strncmp(text, kNames[kind], length) != 0)
            continue;
        char* end = nullptr;
        const long nth = std::strtol(colon + 1, &end, 10);
        if (end == colon + 1 || nth < 0) return false;
        long error = kind == static_cast<int>(IoCall::Write) ? 0 : EIO;
        if (*end == ':') error = std::strtol(end + 1, &end, 10);
        if (*end != '\0') return false;
        FailIoCallAfter(static_cast<IoCall>(kind), nth, static_cast<int>(error));
        return true;
    }
    return false;
}

namespace {

// A program under test arms the seam from its environment as it loads:
// VEZUVED_FAIL_IO="write:3" fails its third write. At its end it says how
// many calls of the kind it made, so a test knows when N has passed the last.
void SayCallsCounted() {
    std::fprintf(stderr, "vezuved: file calls counted: %ld\n", FailIoCallAfter(IoCall::Open, 0, 0));
}

struct ArmedFromEnvironment {
    ArmedFromEnvironment() {
        const char* armed = std::getenv("VEZUVED_FAIL_IO");
        if (armed != nullptr && ArmIoFaultsFromText(armed)) std::atexit(SayCallsCounted);
    }
} g_armedFromEnvironment;

}  // namespace

}  // namespace vezuved

#endif  // VEZUVED_IO_FAULTS
