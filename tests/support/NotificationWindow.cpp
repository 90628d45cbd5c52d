#include "tests/support/NotificationWindow.h"

#include "tests/support/MessagePump.h"

namespace vork::test {
namespace {

constexpr wchar_t kClassName[] = L"SG731TestNotifications";

bool IsFinal(WPARAM command) { return command == 150 || command == 153; }

}  // namespace

NotificationWindow::NotificationWindow() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &NotificationWindow::Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);  // fails harmlessly when a previous window registered it
    hwnd_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, this);
}

NotificationWindow::~NotificationWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK NotificationWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<NotificationWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_COMMAND && self) {
        const bool sent = ::InSendMessage() != FALSE;
        self->received_.push_back({wParam, lParam, sent});
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void NotificationWindow::PumpPending() { test::PumpPending(); }

bool NotificationWindow::PumpUntilFinal(DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    auto arrived = [&] {
        for (const auto& n : received_)
            if (IsFinal(n.command)) return true;
        return false;
    };
    while (!arrived()) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) return false;
        // Sent messages are delivered inside the wait; posted ones are pumped after it.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        PumpPending();
    }
    PumpPending();
    return true;
}

std::vector<LPARAM> NotificationWindow::ProgressValues() const {
    std::vector<LPARAM> values;
    for (const auto& n : received_)
        if (n.command == 154) values.push_back(n.value);
    return values;
}

}  // namespace vork::test
