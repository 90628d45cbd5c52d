#pragma once
// A move-only owner of one operating-system handle, parameterised by its close function and its
// empty value. Pick the instance by what the creating function returns on failure: a handle that is
// "empty" at the wrong value would be closed when it was never opened, or leaked when it was.
//
// reset() and the destructor keep the thread's last error, so a failure can be read with
// GetLastError() after the handle owning the failed operation's resources has been released.
#include <utility>

#include "platform/Win32.h"

namespace vork {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type value) noexcept : value_(value) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type Get() const noexcept { return value_; }
    bool IsValid() const noexcept { return !IsEmptyValue(value_); }
    explicit operator bool() const noexcept { return IsValid(); }

    Type Release() noexcept { return std::exchange(value_, Traits::Empty()); }

    void Reset(Type value = Traits::Empty()) noexcept {
        Type old = std::exchange(value_, value);
        if (!IsEmptyValue(old)) {
            const DWORD lastError = ::GetLastError();
            Traits::Close(old);
            ::SetLastError(lastError);
        }
    }

    // Releases what is held and gives the address to an out-parameter of a creating function.
    Type* Put() noexcept {
        Reset();
        return &value_;
    }

private:
    // Traits may name more than one empty value (a HANDLE is empty at null and at
    // INVALID_HANDLE_VALUE); otherwise the one from Empty() is the only one.
    static bool IsEmptyValue(Type value) noexcept {
        if constexpr (requires { Traits::IsEmpty(value); }) {
            return Traits::IsEmpty(value);
        } else {
            return value == Traits::Empty();
        }
    }

    Type value_ = Traits::Empty();
};

}  // namespace vork
