#pragma once
// A stand-in for Windows' session requests that records each one, in order, with the thread that
// made it, and answers as Windows does (or refuses, when told to).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/SessionControl.h"

namespace vork::test {

class RecordingSessionControl final : public SessionControl {
public:
    struct Call {
        std::string name;
        EXECUTION_STATE flags = 0;
        HWND window = nullptr;
        bool windowAlive = false;  // the window still existed when the call was made
        std::wstring reason;
        DWORD thread = 0;
        bool probed = false;  // what `probe` answered when the call was made
    };

    EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags) override {
        calls.push_back({"SetThreadExecutionState",
                         flags,
                         nullptr,
                         false,
                         {},
                         ::GetCurrentThreadId(),
                         probe && probe()});
        const EXECUTION_STATE previous = state_;
        state_ = flags;
        return previous;
    }
    BOOL ShutdownBlockReasonCreate(HWND window, LPCWSTR reason) override {
        calls.push_back({"ShutdownBlockReasonCreate", 0, window, ::IsWindow(window) != FALSE,
                         reason != nullptr ? reason : L"", ::GetCurrentThreadId()});
        if (refuseReason) return FALSE;
        reasonGiven_ = true;
        return TRUE;
    }
    BOOL ShutdownBlockReasonDestroy(HWND window) override {
        calls.push_back({"ShutdownBlockReasonDestroy",
                         0,
                         window,
                         ::IsWindow(window) != FALSE,
                         {},
                         ::GetCurrentThreadId()});
        const bool had = reasonGiven_;
        reasonGiven_ = false;
        return had ? TRUE : FALSE;
    }

    // The state Windows would now keep for the window's thread.
    bool KeepsAwake() const { return (state_ & ES_SYSTEM_REQUIRED) != 0; }
    bool ReasonGiven() const { return reasonGiven_; }

    std::vector<Call> calls;
    bool refuseReason = false;
    std::function<bool()> probe;  // asked at each execution-state call, when set

private:
    EXECUTION_STATE state_ = ES_CONTINUOUS;
    bool reasonGiven_ = false;
};

}  // namespace vork::test
