// Fixed slots written before they are marked used, so a signal arriving at
// any moment sees either a whole path or none.
#include "platform/temporary_registry.h"

#include <atomic>
#include <cstring>
#include <cwchar>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>

#include "platform/host_file.h"
#endif

namespace vezuved {

namespace {

// A few files are written at once at most (an output and its work files).
constexpr int kSlots = 16;
// Long enough for any path the exports take and the folders around it.
constexpr size_t kPathUnits = 4096;

#if defined(_WIN32)
using PathUnit = wchar_t;
#else
using PathUnit = char;
#endif

struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 being filled, 2 registered
    PathUnit path[kPathUnits];
};
Slot g_slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the slots");

int Claim() {
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (g_slots[i].state.compare_exchange_strong(expected, 1)) return i;
    }
    return -1;
}

int Publish(int slot, bool filled) {
    g_slots[slot].state.store(filled ? 2 : 0);
    return filled ? slot : -1;
}

}  // namespace

int RegisterTemporary(const std::string& path, PathEncoding encoding) noexcept {
    const int slot = Claim();
    if (slot < 0) return -1;
#if defined(_WIN32)
    const int units = WidePathInto(path.c_str(), encoding, g_slots[slot].path, static_cast<int>(kPathUnits));
    return Publish(slot, units > 0);
#else
    (void)encoding;  // a path is its bytes here
    if (path.size() >= kPathUnits) return Publish(slot, false);
    std::memcpy(g_slots[slot].path, path.c_str(), path.size() + 1);
    return Publish(slot, true);
#endif
}

int RegisterTemporaryWide(LPCWSTR path) noexcept {
#if defined(_WIN32)
    const int slot = Claim();
    if (slot < 0) return -1;
    const size_t length = std::wcslen(path);
    if (length >= kPathUnits) return Publish(slot, false);
    std::memcpy(g_slots[slot].path, path, (length + 1) * sizeof(wchar_t));
    return Publish(slot, true);
#else
    try {
        return RegisterTemporary(PlatformResolvePath(path), PathEncoding::Utf8);  // bytes either way
    } catch (...) {
        return -1;  // no memory for the path: removed once stale instead
    }
#endif
}

void ForgetTemporary(int slot) noexcept {
    if (slot >= 0 && slot < kSlots) g_slots[slot].state.store(0);
}

void RemoveRegisteredTemporaries() noexcept {
    for (Slot& slot : g_slots) {
        if (slot.state.load() != 2) continue;
#if defined(_WIN32)
        DeleteFileW(slot.path);
#else
        ::unlink(slot.path);
#endif
    }
}

}  // namespace vezuved
