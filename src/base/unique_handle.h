// One owner for every kind of handle the library opens: PC files and
// searches, and the handheld's files, searches, enumerations and
// databases. The owner closes what it holds when it goes out of scope, so
// no path out of a driver (early return or exception) leaves one open.
#pragma once

#include <utility>

namespace vezuved {

// Traits describe one kind of handle:
//   using Handle = ...;               the handle type
//   static Handle Empty();            the value an owner holds when empty
//   static bool IsValid(Handle);      false for every value that is no handle
//   static void Close(Handle);        called once, for valid handles only
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Handle Get() const { return handle_; }
    bool IsValid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return IsValid(); }
    // Hands the handle over without closing it; the owner is then empty.
    Handle Release() { return std::exchange(handle_, Traits::Empty()); }
    // Closes what is held, then holds handle.
    void Reset(Handle handle = Traits::Empty()) {
        Close();
        handle_ = handle;
    }
    void Close() {
        const Handle handle = std::exchange(handle_, Traits::Empty());
        if (Traits::IsValid(handle)) Traits::Close(handle);
    }

private:
    Handle handle_ = Traits::Empty();
};

}  // namespace vezuved
