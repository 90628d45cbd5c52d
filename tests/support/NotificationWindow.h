#pragma once
// A real message-only window that records the WM_COMMAND notifications a firmware worker sends or
// posts to it. The test thread owns it and pumps it.
#include <windows.h>

#include <utility>
#include <vector>

namespace vork::test {

struct Notification {
    WPARAM command;
    LPARAM value;
    bool sent;  // delivered with SendMessage (true) or posted (false)
    bool operator==(const Notification&) const = default;
};

class NotificationWindow {
public:
    NotificationWindow();
    ~NotificationWindow();
    NotificationWindow(const NotificationWindow&) = delete;
    NotificationWindow& operator=(const NotificationWindow&) = delete;

    HWND Window() const { return hwnd_; }

    // Pumps messages until a notification with one of the two final commands (150, 153) arrives
    // and every notification posted before it has been handled, or until timeoutMs passes
    // (a safety net against a hung worker, never reached by a passing test). True when it arrived.
    bool PumpUntilFinal(DWORD timeoutMs = 20000);
    void PumpPending();

    const std::vector<Notification>& Received() const { return received_; }
    void Clear() { received_.clear(); }
    std::vector<LPARAM> ProgressValues() const;

private:
    static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = nullptr;
    std::vector<Notification> received_;
};

}  // namespace vork::test
