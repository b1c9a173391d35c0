#include "base/memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace vezuved {

namespace {
long g_failAt = 0;      // 0: never fail
bool g_failOn = false;  // every allocation from g_failAt on fails, not that one alone
long g_counted = 0;     // allocations since the hook was last set
bool g_countNew = false;
std::atomic<long> g_live{0};  // blocks handed out and not yet freed

void* Counted(void* block) {
    if (block != nullptr) g_live.fetch_add(1, std::memory_order_relaxed);
    return block;
}

bool ShouldFail() {
    ++g_counted;
    return g_failAt != 0 && (g_failOn ? g_counted >= g_failAt : g_counted == g_failAt);
}
}  // namespace

void* MemAllocate(size_t size) {
    if (ShouldFail()) return nullptr;
    return Counted(std::malloc(size == 0 ? 1 : size));
}

void* MemAllocateUnfailed(size_t size) { return Counted(std::malloc(size == 0 ? 1 : size)); }

void* MemAllocateZeroed(size_t count, size_t size) {
    if (ShouldFail()) return nullptr;
    if (count == 0 || size == 0) return Counted(std::calloc(1, 1));
    return Counted(std::calloc(count, size));
}

void* MemAllocateArray(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    return MemAllocate(count * size);
}

void* MemReallocate(void* block, size_t size) {
    if (ShouldFail()) return nullptr;
    void* moved = std::realloc(block, size == 0 ? 1 : size);
    return block == nullptr ? Counted(moved) : moved;
}

void MemFree(void* block) {
    if (block != nullptr) g_live.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
}

long LiveAllocations() { return g_live.load(std::memory_order_relaxed); }

long FailAllocationAfter(long nth) {
    long counted = g_counted;
    g_failAt = nth;
    g_failOn = false;
    g_counted = 0;
    return counted;
}

void FailEveryAllocationFrom(long nth) {
    FailAllocationAfter(nth);
    g_failOn = true;
}

void CountOperatorNew(bool on) { g_countNew = on; }

bool OperatorNewShouldFail() { return g_countNew && ShouldFail(); }

}  // namespace vezuved
