#include "ui/MainWindow.h"

#include <algorithm>

#include "ui/Dpi.h"

#include "ui/ResourceIds.h"
#include "ui/Texts.h"
#include "ui/WindowPlacement.h"
#include "ui/WizardDrawing.h"

namespace vork {

MainWindow::MainWindow(HINSTANCE instance, HMODULE language) noexcept
    : instance_(instance), language_(language != nullptr ? language : instance) {}

MainWindow::~MainWindow() {
    // A window still alive would reach a destroyed object through its stored pointer.
    if (hwnd_ != nullptr) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

HWND MainWindow::Create(const wchar_t* className, int x, int y) {
    const std::wstring title = LoadText(IDS_WINDOW_TITLE, kTextChars);
    // The object travels as the creation parameter so the procedure can bind it at WM_NCCREATE.
    return ::CreateWindowExW(kExStyle, className, title.c_str(), kStyle, x, y, kWidth, kHeight,
                             nullptr, nullptr, instance_, this);
}

LRESULT CALLBACK MainWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            auto* self = static_cast<MainWindow*>(create->lpCreateParams);
            if (self != nullptr) {
                self->hwnd_ = hwnd;
                ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            }
        }
        auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's dispatcher; the message counts as handled.
        return 0;
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate();
        case WM_CTLCOLORSTATIC: return OnCtlColorStatic(message, wParam, lParam);
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(ButtonBackground(
                reinterpret_cast<HDC>(wParam), ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)),
                ContrastThemeOn()));
        case WM_DRAWITEM: return OnDrawItem(wParam, lParam);
        case WM_PAINT: return OnPaint();
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam), lParam)) return 0;
            break;
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_QUERYENDSESSION: return CanEndSession() ? TRUE : FALSE;
        case WM_ACTIVATE: return OnActivate(wParam);
        case WM_DPICHANGED:
            return OnDpiChange(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        case WM_GETMINMAXINFO:
            if (OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam))) return 0;
            break;
        case kGetDpiScaledSize:
            if (OnGetDpiScaledSize(static_cast<UINT>(wParam), reinterpret_cast<SIZE*>(lParam)))
                return TRUE;
            break;
        case DM_GETDEFID: return OnGetDefId();
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE: OnColoursChanged(); break;
        default: break;
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

SIZE MainWindow::ClientSize96() {
    const SIZE frame = OuterSizeForDpi(0, 0, kStyle, kExStyle, kBaseDpi);
    return SIZE{kWidth - frame.cx, kHeight - frame.cy};
}

SIZE MainWindow::OuterSize(UINT dpi, UINT frameDpi) {
    const SIZE client = ClientSize96();
    return OuterSizeForDpi(ScaleToDpi(client.cx, dpi), ScaleToDpi(client.cy, dpi), kStyle, kExStyle,
                           frameDpi);
}

UINT MainWindow::FittingDpi(UINT monitorDpi, SIZE room) {
    // The layout is fixed, so a smaller scale is the only way to show all of it on a small screen.
    for (UINT dpi = monitorDpi; dpi > kBaseDpi; --dpi) {
        const SIZE outer = OuterSize(dpi, monitorDpi);
        if (outer.cx <= room.cx && outer.cy <= room.cy) return dpi;
    }
    return std::min(monitorDpi, kBaseDpi);
}

UINT MainWindow::FittingDpiAt(UINT monitorDpi, const RECT* place) const {
    RECT now{};
    if (place == nullptr) ::GetWindowRect(hwnd_, &now);
    return FittingDpi(monitorDpi, SizeOf(WorkAreaNear(place != nullptr ? *place : now)));
}

LRESULT MainWindow::OnCreate() {
    // The window was made at its 96-DPI size; on a screen of another DPI its client area grows
    // with the DPI, as far as the monitor's work area allows, so the caption's growth does not eat
    // into the footer.
    frameDpi_ = DpiOfWindow(hwnd_);
    dpi_ = FittingDpiAt(frameDpi_, nullptr);
    if (dpi_ != kBaseDpi || frameDpi_ != kBaseDpi) FitClientArea(nullptr);
    // Without all of its controls the wizard cannot work: fail the window's creation instead.
    if (!controls_.Create(hwnd_, language_, ClientSize96(), dpi_)) return -1;
    // The focused button always shows its focus rectangle: the keyboard drives the wizard as well
    // as the mouse, and each screen puts the focus on the button that goes on.
    ::SendMessageW(hwnd_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    OnCreateFlow();
    return 0;
}

void MainWindow::FitClientArea(const RECT* place) {
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (place == nullptr ? SWP_NOMOVE : 0U);
    const int x = place != nullptr ? place->left : 0;
    const int y = place != nullptr ? place->top : 0;
    SIZE outer = OuterSize(dpi_, frameDpi_);
    ::SetWindowPos(hwnd_, nullptr, x, y, outer.cx, outer.cy, flags);
    // The frame drawn may differ from the one computed (a caption font of the user's choosing, a
    // system that draws the frame at another DPI): what the client area lacks is added once.
    const SIZE client96 = ClientSize96();
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int dx = ScaleToDpi(client96.cx, dpi_) - client.right;
    const int dy = ScaleToDpi(client96.cy, dpi_) - client.bottom;
    if (dx != 0 || dy != 0) {
        outer = SIZE{outer.cx + dx, outer.cy + dy};
        ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, flags | SWP_NOMOVE);
    }
    RECT now{};
    ::GetWindowRect(hwnd_, &now);
    const POINT kept = KeepInWorkArea(POINT{now.left, now.top}, SizeOf(now), WorkAreaNear(now));
    if (kept.x != now.left || kept.y != now.top) {
        ::SetWindowPos(hwnd_, nullptr, kept.x, kept.y, 0, 0,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    }
}

// The layout is fixed: at a high DPI the window may be larger than the screen's size Windows
// allows by default, and must not be cut to it.
bool MainWindow::OnGetMinMaxInfo(MINMAXINFO* limits) const {
    if (limits == nullptr || (dpi_ == kBaseDpi && frameDpi_ == kBaseDpi)) return false;
    const SIZE outer = OuterSize(dpi_, frameDpi_);
    limits->ptMaxTrackSize.x = std::max(limits->ptMaxTrackSize.x, outer.cx + 64);
    limits->ptMaxTrackSize.y = std::max(limits->ptMaxTrackSize.y, outer.cy + 64);
    return true;
}

// The size Windows proposes with WM_DPICHANGED is then exactly the one laid out. The window is
// asked as it crosses to the monitor of `dpi`, so it lies mostly on that monitor already.
bool MainWindow::OnGetDpiScaledSize(UINT dpi, SIZE* size) const {
    if (size == nullptr || dpi == 0) return false;
    *size = OuterSize(FittingDpiAt(dpi, nullptr), dpi);
    return true;
}

LRESULT MainWindow::OnDpiChange(UINT dpi, const RECT* suggested) {
    if (dpi == 0) return 0;
    frameDpi_ = dpi;
    dpi_ = FittingDpiAt(dpi, suggested);
    // The place is the one suggested, inside the work area; the size is the one that scales the
    // client area exactly, which is also the size proposed where Windows asked
    // WM_GETDPISCALEDSIZE first.
    FitClientArea(suggested);
    controls_.Place(ClientSize96(), dpi_);
    OnDpiChanged();
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return 0;
}

LRESULT MainWindow::OnCtlColorStatic(UINT message, WPARAM wParam, LPARAM lParam) {
    const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (const auto brush = StaticColours(reinterpret_cast<HDC>(wParam), id)) {
        return reinterpret_cast<LRESULT>(*brush);
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT MainWindow::OnDrawItem(WPARAM wParam, LPARAM lParam) const {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (wParam != IDC_FOOTER || item == nullptr) return 0;
    DrawFooter(*item, FooterColours(ContrastThemeOn()));
    return TRUE;
}

LRESULT MainWindow::OnPaint() {
    // The background comes from the class brush when the system erases; nothing else is drawn.
    PAINTSTRUCT paint{};
    ::BeginPaint(hwnd_, &paint);
    ::EndPaint(hwnd_, &paint);
    return 0;
}

void MainWindow::OnColoursChanged() const {
    // Every colour is read as it is drawn, so a new scheme or contrast theme needs only a repaint
    // of the window and all its controls, background included.
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT MainWindow::OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        // Coming back, the user finds the focus where they left it, as in a dialog.
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::GetParent(focus) == hwnd_) focusTarget_ = ::GetDlgCtrlID(focus);
    } else if (!::IsIconic(hwnd_)) {
        ApplyFocus();  // instead of the default, which focuses the window itself
    }
    return 0;
}

LRESULT MainWindow::OnGetDefId() const {
    const HWND focus = ::GetFocus();
    if (focus == nullptr || ::GetParent(focus) != hwnd_) return 0;
    if (!(::SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)) return 0;
    return MAKELRESULT(::GetDlgCtrlID(focus), DC_HASDEFID);
}

void MainWindow::SetFocusTarget(int id) {
    focusTarget_ = id;
    if (hwnd_ != nullptr && ::GetActiveWindow() == hwnd_) ApplyFocus();
}

void MainWindow::ApplyFocus() const {
    const HWND target = focusTarget_ != 0 ? Control(focusTarget_) : nullptr;
    const bool usable = target != nullptr && (::GetWindowLongW(target, GWL_STYLE) & WS_VISIBLE) &&
                        ::IsWindowEnabled(target);
    ::SetFocus(usable ? target : hwnd_);
}

void MainWindow::OnCreateFlow() {}

bool MainWindow::ContrastThemeOn() const { return IsHighContrast(); }

bool MainWindow::OnCommand(WORD id, LPARAM) {
    if (id != IDC_CLOSE) return false;
    ::DestroyWindow(hwnd_);
    return true;
}

void MainWindow::OnDestroy() {
    controls_.Forget();
    ::PostQuitMessage(0);
}

std::wstring MainWindow::LoadText(UINT id, int chars) const {
    return vork::LoadText(language_, id, chars);
}

bool MainWindow::SetControlText(int id, const wchar_t* text) const {
    const HWND control = Control(id);
    if (control == nullptr) return false;
    ::SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return true;
}

void MainWindow::ShowControl(int id, bool visible) const {
    if (const HWND control = Control(id)) ::ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::EnableControl(int id, bool enabled) const {
    if (const HWND control = Control(id)) ::EnableWindow(control, enabled ? TRUE : FALSE);
}

}  // namespace vork
