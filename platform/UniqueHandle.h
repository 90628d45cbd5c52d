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
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type get() const noexcept { return value_; }
    bool valid() const noexcept { return value_ != Traits::Empty(); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(value_, Traits::Empty()); }

    void reset(Type value = Traits::Empty()) noexcept {
        Type old = std::exchange(value_, value);
        if (old != Traits::Empty()) {
            const DWORD lastError = ::GetLastError();
            Traits::Close(old);
            ::SetLastError(lastError);
        }
    }

    // Releases what is held and gives the address to an out-parameter of a creating function.
    Type* put() noexcept {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::Empty();
};

}  // namespace vork
