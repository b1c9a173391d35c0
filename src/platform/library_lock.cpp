#include "platform/library_lock.h"

// Made on first use (no order of static initialisers to depend on) and never
// destroyed: a thread still inside an export while the process ends finds
// the lock whole.
#if defined(_WIN32)
#include <windows.h>
namespace vezuved {

namespace {
// A critical section: the 32-bit toolchain's default thread model has no
// std::mutex, and a critical section is recursive by nature.
CRITICAL_SECTION& Section() {
    static CRITICAL_SECTION section;
    static const bool made = (InitializeCriticalSection(&section), true);
    (void)made;
    return section;
}
}  // namespace

LibraryLock::LibraryLock() { EnterCriticalSection(&Section()); }
LibraryLock::~LibraryLock() { LeaveCriticalSection(&Section()); }

}  // namespace vezuved
#else
#include <mutex>
#include <new>
namespace vezuved {

namespace {
std::recursive_mutex& Mutex() {
    alignas(std::recursive_mutex) static unsigned char storage[sizeof(std::recursive_mutex)];
    static std::recursive_mutex* const mutex = new (storage) std::recursive_mutex;
    return *mutex;
}
}  // namespace

LibraryLock::LibraryLock() { Mutex().lock(); }
LibraryLock::~LibraryLock() { Mutex().unlock(); }
}  // namespace vezuved
#endif
