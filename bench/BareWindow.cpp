// The yardstick of the start-up benchmark: a bare Win32 program with one window of the main
// window's size, built the way the product is built (static runtime, the same options), that paints
// its client area white once and waits in its message loop. Not a test and not shipped.
#include <windows.h>

namespace {

LRESULT CALLBACK BareProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = ::BeginPaint(hwnd, &paint);
            ::FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            ::EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_DESTROY: ::PostQuitMessage(0); return 0;
        default: return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = BareProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"BareWindow";
    if (!::RegisterClassExW(&windowClass)) return 1;
    const int width = 980, height = 480;
    const HWND hwnd = ::CreateWindowExW(0, L"BareWindow", L"Bare window",
                                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                        (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                        (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
                                        height, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) return 1;
    ::ShowWindow(hwnd, show);
    ::UpdateWindow(hwnd);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
