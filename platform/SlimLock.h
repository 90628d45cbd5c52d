#pragma once
// A lock for state that more than one of the program's threads reaches. It is the system's slim
// reader/writer lock, taken exclusively: taking it can neither fail nor throw, so it may be held
// inside a window procedure or a thread's entry, and it is made at compile time and needs nothing
// released at exit, so a lock at namespace scope is ready before any thread runs.
#include <windows.h>

namespace vork {

class SlimLock {
public:
    constexpr SlimLock() = default;
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;

    // Holds the lock from construction to the end of the scope.
    class Hold {
    public:
        explicit Hold(SlimLock& lock) : lock_(lock.lock_) { ::AcquireSRWLockExclusive(&lock_); }
        ~Hold() { ::ReleaseSRWLockExclusive(&lock_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        SRWLOCK& lock_;
    };

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace vork
