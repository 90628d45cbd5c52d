#include "tests/animation/AnimationTestSupport.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>

#include "platform/GdiplusSession.h"

namespace vork::test {

namespace {

class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override { session_ = new GdiplusSession(); }
    void TearDown() override { delete session_; }

private:
    GdiplusSession* session_ = nullptr;
};

constexpr wchar_t kClassName[] = L"SG731AnimationTestWindow";

ATOM RegisterTestClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc);
}

}  // namespace

void KeepGdiplusStarted() { ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment); }

TestWindow::TestWindow() {
    static const ATOM atom = RegisterTestClass();
    (void)atom;
    RECT rect{0, 0, 400, 500};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    hwnd_ = CreateWindowExW(0, kClassName, L"animation test", WS_OVERLAPPEDWINDOW, 0, 0,
                            rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (hwnd_ == nullptr) return;
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    PumpPending();
}

TestWindow::~TestWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    PumpPending();
}

void TestWindow::Clear() {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpPending();
}

std::vector<std::uint32_t> CaptureClient(HWND window, int x, int y, int width, int height) {
    std::vector<std::uint32_t> pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    HDC windowDc = GetDC(window);
    if (windowDc == nullptr) return pixels;
    HDC memoryDc = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memoryDc && bitmap) {
        HGDIOBJ old = SelectObject(memoryDc, bitmap);
        if (BitBlt(memoryDc, 0, 0, width, height, windowDc, x, y, SRCCOPY)) {
            GdiFlush();
            const auto* source = static_cast<const std::uint32_t*>(bits);
            pixels.assign(source, source + static_cast<size_t>(width) * height);
            for (auto& p : pixels) p &= 0xFFFFFF;
        }
        SelectObject(memoryDc, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return pixels;
}

double NowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::set<DWORD> ProcessThreadIds() {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
        entry.dwSize = sizeof(entry);
    }
    CloseHandle(snapshot);
    return ids;
}

namespace {

// The layout of SystemHandleInformation (16) answers: a count, then one record per open handle of
// any process.
struct SystemHandleEntry {
    ULONG processId;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};
constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);

long CountOwnHandlesInSystemList() {
    std::vector<BYTE> buffer(1 << 20);
    for (int attempt = 0; attempt < 4; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(
            kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            ULONG count = 0;
            std::memcpy(&count, buffer.data(), sizeof(count));
            const size_t first = offsetof(SystemHandleList, entries);
            if (first + size_t{count} * sizeof(SystemHandleEntry) > buffer.size()) return -1;
            long own = 0;
            for (ULONG i = 0; i < count; ++i) {
                SystemHandleEntry entry;
                std::memcpy(&entry, buffer.data() + first + i * sizeof(entry), sizeof(entry));
                own += entry.processId == GetCurrentProcessId();
            }
            return own;
        }
        buffer.resize(buffer.size() * 2);
    }
    return -1;
}

}  // namespace

long ProcessHandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) {
        return static_cast<long>(count);
    }
    // Wine answers 0 here; a running process always holds handles, so ask the system's list.
    return CountOwnHandlesInSystemList();
}

}  // namespace vork::test
