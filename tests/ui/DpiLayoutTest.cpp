// The window at other DPIs: a change of DPI scales the client area, every control and the controls'
// font from their 96-DPI values (to the largest DPI up to the monitor's at which the window fits
// the screen), and the status images come at the scaled size, drawn for it.
// The tests call the per-monitor functions directly, which the product looks up at run time.
#undef _WIN32_WINNT
#undef WINVER
#define _WIN32_WINNT 0x0A00
#define WINVER 0x0A00
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/ui/WindowTestSupport.h"
#include "ui/ResourceIds.h"
#include "ui/StatusImage.h"
#include "ui/WindowPlacement.h"

namespace vork {
namespace {

using test::ProgramModule;

struct Layout {
    RECT window{};
    std::vector<RECT> boxes;  // the client area, then every control in client coordinates
    std::vector<int> textHeights;
};

int TextHeight(HWND control) {
    auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
    if (font == nullptr) font = ::GetStockObject(SYSTEM_FONT);
    const HDC dc = ::GetDC(control);
    const HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return metrics.tmHeight;
}

Layout Measure(HWND hwnd) {
    Layout layout;
    ::GetWindowRect(hwnd, &layout.window);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    layout.boxes.push_back(client);
    for (HWND c = ::GetWindow(hwnd, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
        RECT box{};
        ::GetWindowRect(c, &box);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&box), 2);
        layout.boxes.push_back(box);
        layout.textHeights.push_back(TextHeight(c));
    }
    return layout;
}

// Within a pixel of `v96` at `dpi`: the rounding of each edge may differ from that of the whole.
bool Near(int got, int v96, UINT dpi) {
    return std::abs(got * 96 - v96 * static_cast<int>(dpi)) <= 96 * 1;
}

void SendDpi(HWND hwnd, UINT dpi, RECT suggested) {
    ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

TEST(DpiChange, ScalesTheClientAreaEveryControlAndTheFontAndComesBackExactly) {
    test::EnsureClass(L"SG731WINDOW");
    test::BareWindow window(ProgramModule(), ProgramModule());
    const HWND hwnd = window.Create(L"SG731WINDOW", 0, 0);
    ASSERT_NE(hwnd, nullptr);
    const Layout at96 = Measure(hwnd);
    ASSERT_EQ(at96.boxes.size(), 18u);
    for (const UINT monitorDpi : {120u, 144u, 192u}) {
        SCOPED_TRACE(monitorDpi);
        SendDpi(hwnd, monitorDpi, RECT{30, 40, 1030, 540});
        const Layout scaled = Measure(hwnd);
        // Where the window at the monitor's DPI would not fit the work area, it is laid out at the
        // largest DPI that does, and lies whole in it, as near the suggested place as it can.
        const UINT dpi = window.Dpi();
        const RECT work = WorkAreaNear(scaled.window);
        const SIZE outer = SizeOf(scaled.window);
        EXPECT_LE(dpi, monitorDpi);
        if (dpi < monitorDpi) {
            const SIZE larger = MainWindow::OuterSize(dpi + 1, monitorDpi);
            EXPECT_TRUE(larger.cx > SizeOf(work).cx || larger.cy > SizeOf(work).cy);
        }
        EXPECT_EQ(scaled.window.left, std::min(30L, work.right - outer.cx));
        EXPECT_EQ(scaled.window.top, std::min(40L, work.bottom - outer.cy));
        EXPECT_GE(scaled.window.left, work.left);
        EXPECT_GE(scaled.window.top, work.top);
        for (std::size_t i = 0; i < at96.boxes.size(); ++i) {
            const RECT& a = at96.boxes[i];
            const RECT& b = scaled.boxes[i];
            EXPECT_TRUE(Near(b.left, a.left, dpi) && Near(b.top, a.top, dpi) &&
                        Near(b.right, a.right, dpi) && Near(b.bottom, a.bottom, dpi))
                << "box " << i << ": " << b.left << "," << b.top << "," << b.right << ","
                << b.bottom;
        }
        for (std::size_t i = 0; i < at96.textHeights.size(); ++i) {
            if (i == 1) continue;  // the status icon shows a picture, never a text
            // The font may be a few pixels smaller than the scaled one where its widths grow
            // faster than its height: within an eighth, never the 96-DPI font.
            const int expected = ::MulDiv(at96.textHeights[i], static_cast<int>(dpi), 96);
            EXPECT_LE(std::abs(scaled.textHeights[i] - expected), expected / 8)
                << "control " << i << ": text " << scaled.textHeights[i] << " px";
        }
    }
    SendDpi(hwnd, 96, at96.window);
    const Layout back = Measure(hwnd);
    for (std::size_t i = 0; i < at96.boxes.size(); ++i) {
        EXPECT_TRUE(::EqualRect(&back.boxes[i], &at96.boxes[i])) << "box " << i;
    }
    EXPECT_EQ(back.textHeights, at96.textHeights);
    ::DestroyWindow(hwnd);
    test::PumpPending();
}

TEST(DpiAnswers, TheManifestAsksForPerMonitorAwarenessAndEveryCallGivesOneDpi) {
    // Wine makes every program per-monitor aware whatever its manifest says, so the manifest is
    // read itself: without these Windows would stretch the window and draw Windows 95 buttons.
    const HRSRC found = ::FindResourceW(ProgramModule(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const auto* bytes =
        static_cast<const char*>(::LockResource(::LoadResource(ProgramModule(), found)));
    const std::string manifest(bytes, ::SizeofResource(ProgramModule(), found));
    for (const char* entry : {">PerMonitorV2<", ">true/pm<",
                              "Microsoft.Windows.Common-Controls\" "
                              "version=\"6.0.0.0\"",
                              "level=\"asInvoker\""}) {
        EXPECT_NE(manifest.find(entry), std::string::npos) << entry;
    }
    test::EnsureClass(L"SG731WINDOW");
    test::BareWindow window(ProgramModule(), ProgramModule());
    const HWND hwnd = window.Create(L"SG731WINDOW", 0, 0);
    ASSERT_NE(hwnd, nullptr);
    const HDC dc = ::GetDC(hwnd);
    EXPECT_EQ(::GetDpiForWindow(hwnd), ::GetDpiForSystem());
    EXPECT_EQ(static_cast<UINT>(::GetDeviceCaps(dc, LOGPIXELSY)), ::GetDpiForSystem());
    ::ReleaseDC(hwnd, dc);
    ::DestroyWindow(hwnd);
    // Windows hands back the thread's context it replaces; Wine 8 refuses per-monitor v2 with
    // NULL and leaves the thread as it was.
    const DPI_AWARENESS_CONTEXT before = ::GetThreadDpiAwarenessContext();
    if (::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) == nullptr) {
        EXPECT_TRUE(::AreDpiAwarenessContextsEqual(::GetThreadDpiAwarenessContext(), before));
    } else {
        ::SetThreadDpiAwarenessContext(before);
    }
}

// The pixels of `bitmap`, top row first, and its size.
std::vector<std::uint32_t> Pixels(HBITMAP bitmap, int& width, int& height) {
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof(info), &info);
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO header{};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    const HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, bitmap, 0, height, pixels.data(), &header, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    for (auto& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

// The drawing made for `dpi`, or 0 for a DPI that has none.
int DrawingFor(int id, UINT dpi) {
    if (dpi != 192) return 0;
    return id == IDB_CHECK ? IDB_CHECK_192 : IDB_CROSS_192;
}

TEST(StatusImages, ComeAtTheScaledSizeDrawnForItNotBlownUp) {
    for (const int id : {IDB_CHECK, IDB_CROSS}) {
        for (const UINT dpi : {120u, 144u, 168u, 192u}) {
            SCOPED_TRACE(testing::Message() << id << " at " << dpi);
            const HBITMAP bitmap = LoadStatusImage(ProgramModule(), id, dpi);
            ASSERT_NE(bitmap, nullptr);
            int w = 0;
            int h = 0;
            const auto pixels = Pixels(bitmap, w, h);
            ::DeleteObject(bitmap);
            EXPECT_EQ(w, ::MulDiv(50, static_cast<int>(dpi), 96));
            EXPECT_EQ(h, w);
            if (const int drawn = DrawingFor(id, dpi)) {
                // Where a drawing for the size exists, it is shown as drawn, untouched.
                const auto original = static_cast<HBITMAP>(
                    ::LoadImageW(ProgramModule(), MAKEINTRESOURCEW(drawn), IMAGE_BITMAP, 0, 0, 0));
                int dw = 0;
                int dh = 0;
                EXPECT_TRUE(Pixels(original, dw, dh) == pixels) << "not the drawing for the size";
                ::DeleteObject(original);
            }
            // A 50-pixel picture enlarged pixel by pixel repeats whole rows; one drawn at or above
            // the size repeats none inside the badge.
            int repeatedRows = 0;
            for (int y = 0; y + 1 < h; ++y) {
                const auto row = pixels.begin() + static_cast<std::ptrdiff_t>(y) * w;
                const bool white = std::all_of(row, row + w, [](auto p) { return p == 0xFFFFFF; });
                if (!white && std::equal(row, row + w, row + w)) ++repeatedRows;
            }
            EXPECT_LE(repeatedRows, 2);
        }
    }
}

}  // namespace
}  // namespace vork
