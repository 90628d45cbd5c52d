#pragma once
// Owns a window's device context from GetDC until ReleaseDC, which needs the window it came from,
// so it does not fit the one-value handle owner. Null window: the screen's context.
//
// Threads: GetDC may be called from any thread; the context is released on the thread that owns
// this object.
#include <windows.h>

namespace vork {

class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace vork
