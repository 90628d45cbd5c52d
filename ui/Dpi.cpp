#include "ui/Dpi.h"

namespace vork {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// A function of user32 that older Windows lacks, or null.
template <typename Fn>
Fn User32Function(const char* name) {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    // The cast through void(*)() is how a looked-up address becomes a typed function pointer.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

}  // namespace

int ScaleToDpi(int v, UINT dpi) {
    return ::MulDiv(v, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
}

RECT ScaleToDpi(const RECT& r, UINT dpi) {
    return RECT{ScaleToDpi(r.left, dpi), ScaleToDpi(r.top, dpi), ScaleToDpi(r.right, dpi),
                ScaleToDpi(r.bottom, dpi)};
}

UINT SystemDpi() {
    const HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) return kBaseDpi;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

UINT DpiOfWindow(HWND window) {
    static const auto getDpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpi != nullptr && window != nullptr) {
        const UINT dpi = getDpi(window);
        if (dpi != 0) return dpi;
    }
    return SystemDpi();
}

SIZE OuterSizeForDpi(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto adjust = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, clientWidth, clientHeight};
    if (adjust == nullptr || !adjust(&r, style, FALSE, exStyle, dpi)) {
        // Without the per-DPI call the window is at the system's DPI, whose frame this gives.
        ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    }
    return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace vork
