#include "base/memory.h"

#include <cstdint>
#include <cstdlib>

namespace vezuved {

namespace {
long g_failAt = 0;   // 0: never fail
long g_counted = 0;  // allocations since the hook was last set
bool g_countNew = false;

bool ShouldFail() {
    ++g_counted;
    return g_failAt != 0 && g_counted == g_failAt;
}
}  // namespace

void* MemAllocate(size_t size) {
    if (ShouldFail()) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* MemAllocateZeroed(size_t count, size_t size) {
    if (ShouldFail()) return nullptr;
    if (count == 0 || size == 0) return std::calloc(1, 1);
    return std::calloc(count, size);
}

void* MemAllocateArray(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    return MemAllocate(count * size);
}

void* MemReallocate(void* block, size_t size) {
    if (ShouldFail()) return nullptr;
    return std::realloc(block, size == 0 ? 1 : size);
}

void MemFree(void* block) { std::free(block); }

long FailAllocationAfter(long nth) {
    long counted = g_counted;
    g_failAt = nth;
    g_counted = 0;
    return counted;
}

void CountOperatorNew(bool on) { g_countNew = on; }

bool OperatorNewShouldFail() { return g_countNew && ShouldFail(); }

}  // namespace vezuved
