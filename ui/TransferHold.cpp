#include "ui/TransferHold.h"

namespace vork {

void TransferHold::Take(HWND window, const wchar_t* reason) noexcept {
    if (held_) return;
    held_ = true;
    window_ = window;
    awake_ = session_.SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
    reasonGiven_ = session_.ShutdownBlockReasonCreate(window, reason) != FALSE;
}

void TransferHold::ReleaseShutdownBlock() noexcept {
    if (reasonGiven_) session_.ShutdownBlockReasonDestroy(window_);
    reasonGiven_ = false;
    window_ = nullptr;
}

void TransferHold::Release() noexcept {
    if (!held_) return;
    held_ = false;
    ReleaseShutdownBlock();
    if (awake_) session_.SetThreadExecutionState(ES_CONTINUOUS);
    awake_ = false;
}

}  // namespace vork
