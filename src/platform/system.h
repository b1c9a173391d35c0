// Small operating-system services of the device layer: the platform query
// that chooses wide or 8-bit calls, waiting on an event, the debugger
// output line and the release of memory another module allocated.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace vezuved {

// True on the NT platform (and on every POSIX system, whose file layer
// behaves as the wide calls).
bool PlatformHasWideCalls();

// Waits up to milliseconds for an event. WAIT_OBJECT_0 when it was
// signalled, WAIT_TIMEOUT, or WAIT_FAILED. On POSIX the event is the read
// end of a pipe (its descriptor held in the handle): readable = signalled.
DWORD PlatformWaitForEvent(HANDLE event, DWORD milliseconds);

// One line for a debugger: OutputDebugStringW on Windows, standard error
// elsewhere.
void PlatformDebugOutput(const WCHAR* text);

// Frees a buffer the remote API allocated for the caller (CEDB_ALLOWREALLOC):
// LocalFree on Windows, free() on POSIX, where the device emulator allocates
// with malloc/realloc from the same C library.
void PlatformFreeRemoteBuffer(void* buffer);

// True when no process of this machine has the id: a temporary file named
// after it can be written by nobody. False when it lives or cannot be told.
bool PlatformProcessIsGone(unsigned long id);

}  // namespace vezuved
