// The test seam of the file calls: a test build can make the Nth call of
// one kind fail (open, read, write, flush, sync, close, rename, remove,
// set-time), as base/memory.h fails the Nth allocation, and so prove that
// every write reports the failure, keeps the previous file and leaves no
// temporary behind. Built only with VEZUVED_IO_FAULTS (the test builds);
// otherwise every check is a constant false the compiler removes.
#pragma once

namespace vezuved {

enum class IoCall { Open, Read, Write, Flush, Sync, Close, Rename, Remove, SetTime };
constexpr int kIoCallKinds = 9;

#if defined(VEZUVED_IO_FAULTS)

// Test hook: the nth call of kind from now on fails with error (an errno
// value); 0 switches failures off. For Write, error 0 means a short write:
// that call takes half its bytes and the next write finds the disk full;
// for Read, error 0 means the file ends early: that call reads nothing and
// reports no error (errno is then 0).
// Returns how many calls of the kind armed before were made since then, so
// a test can loop until a call succeeds.
long FailIoCallAfter(IoCall kind, long nth, int error);

// Whether this call must fail; errno is then set to the chosen error.
bool IoCallFails(IoCall kind) noexcept;
// For a write of size bytes: how many to write before failing (size when
// the write goes through; fewer, with errno set, when it fails).
unsigned long IoWriteAllowance(unsigned long size) noexcept;

// Arms the seam from the text "kind:nth[:errno]" (e.g. "write:3:28"), as a
// program under test reads it from its environment. False for bad text.
bool ArmIoFaultsFromText(const char* text);
// The kind's name as ArmIoFaultsFromText reads it ("open", "write"...).
const char* IoCallName(IoCall kind);

#else

inline bool IoCallFails(IoCall) noexcept { return false; }
inline unsigned long IoWriteAllowance(unsigned long size) noexcept { return size; }

#endif

}  // namespace vezuved
