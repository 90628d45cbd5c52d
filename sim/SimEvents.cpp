// Events, waits and the clock of the simulated machine.
//
// The clock is virtual unless real-time mode is on: a bounded wait that would run out returns
// WAIT_TIMEOUT at once and moves the clock on by its bound, and a request completes when a wait
// reaches its completion time. An endless wait is answered only where something will signal the
// event: a pending request ends at last (aborted when it was cancelled); an endless wait on an
// event that nothing will signal would hang the caller, and is a violation.
#include <algorithm>
#include <thread>

#include "sim/SimMachine.h"

namespace vork::sim {

SimMachine::Request* SimMachine::PendingRequestFor(HANDLE event) {
    for (Request& request : requests_)
        if (request.pending && request.event == event) return &request;
    return nullptr;
}

HANDLE SimMachine::CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState,
                                LPCWSTR) {
    Lock lock(mutex_);
    Log("CreateEventW");
    if (failEventCreations_ > 0) {
        --failEventCreations_;
        return FailHandle(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    }
    Object object;
    object.kind = ObjectKind::Event;
    object.name = "event";
    object.manualReset = manualReset != FALSE;
    object.signalled = initialState != FALSE;
    return NewHandle(std::move(object));
}

void SimMachine::AdvanceTo(Lock& lock, std::int64_t when) {
    if (!realTime_) {
        now_ = std::max(now_, when);
        return;
    }
    const std::int64_t delay = when - Now();
    if (delay <= 0) return;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    lock.lock();
}

DWORD SimMachine::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    Lock lock(mutex_);
    Log("WaitForSingleObject " + std::to_string(milliseconds));
    waits_.push_back(milliseconds);
    Object* event = Find(handle, ObjectKind::Event);
    if (!event) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    auto take = [&]() -> DWORD {
        if (Object* e = Find(handle, ObjectKind::Event); e && !e->manualReset) e->signalled = false;
        return WAIT_OBJECT_0;
    };
    if (event->signalled) return take();
    Request* request = PendingRequestFor(handle);
    const bool bounded = milliseconds != INFINITE;
    if (request && bounded && request->script.kind == RequestScript::Kind::FailWait) {
        request->script.kind = RequestScript::Kind::NeverComplete;
        ::SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    const std::int64_t deadline = bounded ? Now() + milliseconds : INT64_MAX;
    if (request && request->completeAt >= 0 && request->completeAt <= deadline) {
        AdvanceTo(lock, request->completeAt);
        if (request->pending) Complete(*request);
        return take();
    }
    if (!bounded) {
        if (!request) {
            Violation("endless wait on an event that nothing will signal");
            ::SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        // A driver ends every request at last; a cancelled one ends aborted.
        request->aborted = request->script.kind != RequestScript::Kind::CompleteWhileCancelling &&
                           request->failure == ERROR_SUCCESS;
        Complete(*request);
        return take();
    }
    AdvanceTo(lock, deadline);
    if (Object* e = Find(handle, ObjectKind::Event); e && e->signalled) return take();
    return WAIT_TIMEOUT;
}

}  // namespace vork::sim
