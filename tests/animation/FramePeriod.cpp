// Measures how often the progress animation changes on the screen itself, as a person sees it: the
// indicator draws the program's picture into a shown window whose thread waits in its message loop
// as the program's does, while a second thread copies the picture's area from the screen every
// 2 ms and notes each change. Prints the figures; it asserts nothing.
//
//   animation_frame_period.exe [seconds]   (default 4)
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/GdiplusSession.h"
#include "tests/animation/AnimationTestSupport.h"
#include "ui/ProgressIndicator.h"

namespace {

constexpr int kSize = 100;  // the picture's natural size
constexpr int kOrigin = 20;

struct Sampling {
    HWND window = nullptr;
    DWORD windowThread = 0;
    double seconds = 4.0;
    std::vector<double> changes;  // milliseconds at which the screen's copy changed
};

std::uint64_t ScreenHash(HDC screen, HDC memory, void* bits, POINT at) {
    ::BitBlt(memory, 0, 0, kSize, kSize, screen, at.x, at.y, SRCCOPY);
    ::GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    std::uint64_t hash = 1469598103934665603ull;
    for (int i = 0; i < kSize * kSize; ++i) hash = (hash ^ (p[i] & 0xFFFFFF)) * 1099511628211ull;
    return hash;
}

DWORD WINAPI Sample(LPVOID parameter) {
    auto* s = static_cast<Sampling*>(parameter);
    POINT at{kOrigin, kOrigin};
    ::ClientToScreen(s->window, &at);
    const HDC screen = ::GetDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    const double start = vork::test::NowMs();
    std::uint64_t last = ScreenHash(screen, memory, bits, at);
    while (vork::test::NowMs() - start < s->seconds * 1000) {
        const std::uint64_t hash = ScreenHash(screen, memory, bits, at);
        if (hash != last) s->changes.push_back(vork::test::NowMs() - start);
        last = hash;
        ::Sleep(2);
    }
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(nullptr, screen);
    ::PostThreadMessageW(s->windowThread, WM_QUIT, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const vork::GdiplusSession gdiplus;
    vork::test::TestWindow window;
    Sampling sampling;
    sampling.window = window.Window();
    sampling.windowThread = ::GetCurrentThreadId();
    if (argc > 1) sampling.seconds = std::atof(argv[1]);
    auto* indicator = new vork::ProgressIndicator(window.Window());
    indicator->LoadAnimation();
    indicator->SetOrigin(kOrigin, kOrigin);
    const HANDLE sampler = ::CreateThread(nullptr, 0, &Sample, &sampling, 0, nullptr);
    indicator->StartAnimation();
    // The window's thread waits in its message loop, as the program's does during a transfer.
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    ::WaitForSingleObject(sampler, INFINITE);
    ::CloseHandle(sampler);
    delete indicator;

    const auto& c = sampling.changes;
    std::printf("visible changes in %.1f s: %zu\n", sampling.seconds, c.size());
    if (c.size() > 2) {
        // The first change is the first frame appearing; periods are measured from it on.
        const double mean = (c.back() - c.front()) / static_cast<double>(c.size() - 1);
        std::printf("mean on-screen frame period: %.1f ms\n", mean);
    }
    return 0;
}
