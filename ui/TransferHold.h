#pragma once
// Keeps the computer awake and holds a shutdown, restart or log-off back for the length of one
// firmware transfer: a printer whose write is cut off may not start again.
//
// Take asks for both; Release gives back exactly what Take obtained. Either is harmless when
// repeated, so every end of a transfer (success, failure, a start that failed, the worker joined
// after the window was destroyed) may call Release without knowing whether another path did
// already. The shutdown reason belongs to the window and goes with it (ReleaseShutdownBlock);
// keeping the computer awake needs no window and lasts until the write has ended.
//
// Threads: the window's thread only; the execution state belongs to the thread that sets it.
#include <windows.h>

#include "ui/SessionControl.h"

namespace vork {

class TransferHold {
public:
    explicit TransferHold(SessionControl& session) noexcept : session_(session) {}
    ~TransferHold() { Release(); }
    TransferHold(const TransferHold&) = delete;
    TransferHold& operator=(const TransferHold&) = delete;

    // Keeps the system from sleeping and gives `window`'s reason for holding a shutdown. The hold
    // counts as taken even where Windows refuses a request: the window still refuses to end.
    void Take(HWND window, const wchar_t* reason) noexcept;
    void Release() noexcept;
    // Gives back the window's shutdown reason only: the computer is still kept awake.
    void ReleaseShutdownBlock() noexcept;
    bool IsHeld() const noexcept { return held_; }

private:
    SessionControl& session_;
    HWND window_ = nullptr;
    bool held_ = false;
    bool awake_ = false;        // the execution state was set
    bool reasonGiven_ = false;  // the shutdown reason was registered
};

}  // namespace vork
