// operator new replaced for the programs that make allocations fail: while
// the library's hook counts them (CountOperatorNew), strings and vectors
// run out of memory as its own heap does. Every block comes from malloc
// and goes back to free.
#include <cstdlib>
#include <new>

#include "base/memory.h"

using vezuved::OperatorNewShouldFail;

void* operator new(std::size_t size) {
    if (OperatorNewShouldFail()) throw std::bad_alloc();
    for (;;) {
        if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}
void* operator new[](std::size_t size) { return ::operator new(size); }
// The nothrow forms too (the core's handles use them): every block comes from malloc, goes to free.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return ::operator new(size, std::nothrow);
}
// gcc warns of a malloc/delete mismatch that, with both replaced together, is none.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
