#pragma once
// What the animation tests share: GDI+ kept started for the whole test program, a real visible
// window to draw into, reading back what is on its client area, and the process's threads and
// handles for the checks that nothing is left behind.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <set>
#include <vector>

#include "tests/support/MessagePump.h"

namespace vork::test {

// Registers a gtest environment that starts GDI+ before the first test and shuts it down after the
// last one (an indicator needs GDI+ for its whole life).
void KeepGdiplusStarted();

// A top-level window with a white background, shown on the (virtual) screen, 400 x 500 client.
class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Window() const { return hwnd_; }
    // Paints the client area white again and handles what is pending.
    void Clear();

private:
    HWND hwnd_ = nullptr;
};

// The client-area pixels of a rectangle as 0xRRGGBB values, rows from the top.
std::vector<std::uint32_t> CaptureClient(HWND window, int x, int y, int width, int height);

constexpr std::uint32_t kWhite = 0xFFFFFF;

// Milliseconds on a monotonic clock.
double NowMs();

// The ids of the threads of this process.
std::set<DWORD> ProcessThreadIds();

// The number of handles this process holds, or -1 where the system does not tell.
long ProcessHandleCount();

}  // namespace vork::test
