#include "simulator/PictureTexts.h"

#include <cstdio>
#include <vector>

#include "platform/Handles.h"
#include "platform/WindowDC.h"

namespace vork::simulator {
namespace {

std::string Utf8(const std::wstring& text) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                            nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                              bytes, nullptr, nullptr);
    }
    return out;
}

std::wstring TextOf(HWND control) {
    std::vector<wchar_t> text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1);
    const int length = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    return std::wstring(text.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

// Only the text lines and the buttons carry letters; the status image and the footer band do not.
bool CarriesText(HWND control, bool* button) {
    wchar_t name[16] = {};
    ::GetClassNameW(control, name, 16);
    const auto style = static_cast<DWORD>(::GetWindowLongW(control, GWL_STYLE));
    *button = ::lstrcmpiW(name, L"Button") == 0;
    if (*button) return true;
    const DWORD kind = style & SS_TYPEMASK;
    return ::lstrcmpiW(name, L"Static") == 0 && kind != SS_BITMAP && kind != SS_OWNERDRAW;
}

struct Facts {
    HWND window;
    RECT windowRect;
    FILE* out;
};

// A text line draws from its top-left corner; a button centres its caption.
void WriteText(const Facts& facts, HWND control, bool button) {
    const std::wstring text = TextOf(control);
    if (text.empty()) return;
    const WindowDC dc(control);
    if (!dc) return;
    auto* const font = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = font != nullptr ? ::SelectObject(dc.Get(), font) : nullptr;
    RECT client{};
    ::GetClientRect(control, &client);
    const int room = client.right - (button ? 2 * ::GetSystemMetrics(SM_CXEDGE) : 0);
    int fit = 0;
    SIZE whole{};
    ::GetTextExtentExPointW(dc.Get(), text.c_str(), static_cast<int>(text.size()), room, &fit,
                            nullptr, &whole);
    if (fit <= 0) return;
    // Trailing spaces (the progress text has some) leave no letters to read.
    const std::wstring visible =
        text.substr(0, text.find_last_not_of(L' ', static_cast<std::size_t>(fit - 1)) + 1);
    if (visible.empty()) return;
    SIZE shown{};
    ::GetTextExtentPoint32W(dc.Get(), visible.c_str(), static_cast<int>(visible.size()), &shown);
    if (previous != nullptr) ::SelectObject(dc.Get(), previous);
    POINT at{button ? (client.right - shown.cx) / 2 : 0,
             button ? (client.bottom - shown.cy) / 2 : 0};
    ::MapWindowPoints(control, nullptr, &at, 1);
    const int left = at.x - facts.windowRect.left;
    const int top = at.y - facts.windowRect.top;
    std::fprintf(facts.out, "text\t%d\t%d\t%d\t%d\t%d\t%d\t%s\n", ::GetDlgCtrlID(control), left,
                 top, left + static_cast<int>(shown.cx), top + static_cast<int>(shown.cy),
                 fit == static_cast<int>(text.size()) ? 1 : 0, Utf8(visible).c_str());
}

BOOL CALLBACK WriteControl(HWND control, LPARAM param) {
    const auto& facts = *reinterpret_cast<const Facts*>(param);
    bool button = false;
    if (::GetParent(control) == facts.window && ::IsWindowVisible(control) &&
        CarriesText(control, &button)) {
        WriteText(facts, control, button);
    }
    return TRUE;
}

}  // namespace

bool SavePictureTexts(HWND window, UINT layoutDpi, const std::wstring& path) {
    Facts facts{window, {}, nullptr};
    ::GetWindowRect(window, &facts.windowRect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    FileStream out(_wfopen(path.c_str(), L"wb"));
    if (!out) return false;
    facts.out = out.Get();
    const RECT& w = facts.windowRect;
    const RECT& work = monitor.rcWork;
    std::fprintf(out.Get(), "window\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%u\n", w.left, w.top,
                 w.right, w.bottom, work.left, work.top, work.right, work.bottom, layoutDpi);
    ::EnumChildWindows(window, &WriteControl, reinterpret_cast<LPARAM>(&facts));
    return CloseFileStream(out);
}

}  // namespace vork::simulator
