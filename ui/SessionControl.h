#pragma once
// What the window asks of Windows while firmware is written: keep the computer awake, and hold a
// shutdown, restart or log-off with a reason shown to the user. These requests reach neither the
// printer nor the USB stack, so they are not part of the platform seam; they sit behind this small
// interface so that a test can see each one made and undone.
//
// The methods carry the names and parameters of the Win32 functions they stand for.
#include <windows.h>

namespace vork {

class SessionControl {
public:
    virtual ~SessionControl() = default;

    // Belongs to the calling thread: set and cleared on the same one.
    virtual EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags) = 0;
    virtual BOOL ShutdownBlockReasonCreate(HWND window, LPCWSTR reason) = 0;
    virtual BOOL ShutdownBlockReasonDestroy(HWND window) = 0;
};

// The binding to Windows: one stateless object for the process.
SessionControl& WindowsSessionControl();

}  // namespace vork
