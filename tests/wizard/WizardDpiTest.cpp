// The wizard moved to a screen of another DPI while firmware is sent: the window and its controls
// are laid out again, the animation goes on at the new size and the transfer is not disturbed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "device/FirmwareImages.h"
#include "tests/support/MessagePump.h"
#include "tests/wizard/WizardTestSupport.h"
#include "ui/ResourceIds.h"

namespace vork::test {
namespace {

RECT InClient(HWND hwnd, HWND control) {
    RECT box{};
    ::GetWindowRect(control, &box);
    ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

// Whether anything but the window's white shows in the client rectangle `area`.
bool Drawn(HWND hwnd, RECT area) {
    const HDC dc = ::GetDC(hwnd);
    bool drawn = false;
    for (int y = area.top; y < area.bottom && !drawn; y += 2) {
        for (int x = area.left; x < area.right && !drawn; x += 2) {
            drawn = (::GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF;
        }
    }
    ::ReleaseDC(hwnd, dc);
    return drawn;
}

class WizardDpi : public WizardFixture {};

// 125 %: the window fits the test's screen at that scale, so it is laid out at it exactly.
TEST_F(WizardDpi, MovedTo120DpiDuringATransferScalesTheLayoutAndTheTransferEndsOnSuccess) {
    machine.SetRealTime(true);
    auto d = Printer(0x0020, "d0A");
    // Long enough (11 writes, 3.3 s) that the move meets the transfer still running and that the
    // animation draws at the new size before it ends, even on a busy machine.
    d.printer.latencyMs = 300;
    const auto printer = Attach(d);
    ASSERT_NE(Open(), nullptr);
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    RECT client96{};
    ::GetClientRect(hwnd, &client96);
    const RECT close96 = InClient(hwnd, Control(IDC_CLOSE));
    Click(IDC_UPDATE);
    ASSERT_TRUE(window->IsTransferRunning());

    const auto scaled = [](LONG v) { return ::MulDiv(v, 120, 96); };
    RECT suggested{10, 10, 10 + scaled(980), 10 + scaled(480)};
    ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(window->IsTransferRunning());
    RECT client{};
    ::GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, scaled(client96.right));
    EXPECT_EQ(client.bottom, scaled(client96.bottom));
    const RECT close = InClient(hwnd, Control(IDC_CLOSE));
    EXPECT_EQ(close.left, scaled(close96.left));
    EXPECT_EQ(close.bottom, scaled(close96.bottom));

    // The picture, 100 pixels at (20, 260) before, now reaches into the far quarter of the
    // 125-pixel square at (25, 325), where nothing was drawn at 96 DPI.
    const RECT farQuarter{88, 388, 150, 450};
    bool animated = false;
    for (int i = 0; i < 250 && !animated && window->IsTransferRunning(); ++i) {
        PumpPending();
        ::Sleep(20);  // the animation thread draws on its own clock
        animated = Drawn(hwnd, farQuarter);
    }
    EXPECT_TRUE(animated);

    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
    EXPECT_TRUE(EndsWithOldImage(printer->received));
}

}  // namespace
}  // namespace vork::test
