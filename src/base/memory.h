// The library's heap for everything it hands to the host or keeps across a
// call (arrays of records, description buffers, container buffers). One
// place, so a test can make the Nth allocation fail and prove that every
// path survives running out of memory.
#pragma once

#include <cstddef>

namespace vezuved {

void* MemAllocate(size_t size);
void* MemAllocateZeroed(size_t count, size_t size);
// count * size bytes left as they are; null when the size overflows.
void* MemAllocateArray(size_t count, size_t size);
void* MemReallocate(void* block, size_t size);
void MemFree(void* block);
// As MemAllocate, but never made to fail by the hook below: for memory a
// caller can do without, so that running out there changes nothing.
void* MemAllocateUnfailed(size_t size);

// Test hook: the nth allocation from now on fails (1 = the next one); 0
// switches failures off. Returns how many allocations were made since the
// last call, so a test can loop until a call succeeds.
long FailAllocationAfter(long nth);
// Test hook: the nth allocation from now on and every one after it fail,
// for code that tries again with less; FailAllocationAfter(0) ends it.
void FailEveryAllocationFrom(long nth);

// Test hook: while on, a test program's replacement operator new asks
// OperatorNewShouldFail before each allocation, so the library's own
// strings and vectors share the count above and run out too. Off by
// default: gtest's own allocations are never counted.
void CountOperatorNew(bool on);

// Test hook: how many blocks of this heap are allocated and not yet freed,
// so a test can see a failed call leave none behind.
long LiveAllocations();
bool OperatorNewShouldFail();

}  // namespace vezuved
