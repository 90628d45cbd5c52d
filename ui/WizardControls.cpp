#include "ui/WizardControls.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>

#include "ui/Dpi.h"

#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork {

namespace {

constexpr DWORD kText = WS_CHILD | WS_VISIBLE | SS_SIMPLE;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

constexpr RECT At(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

}  // namespace

std::array<ControlLayout, kControlCount> WizardLayout(int w, int h) {
    // Update and Retry share one rectangle and are never shown together. The footer band reaches
    // one pixel past the client area on the left, right and bottom, so only its top edge shows.
    return {{
        {IDC_TITLE, L"STATIC", kText, At(15, 25, w - 20, 25), IDS_TITLE, kTextChars},
        {IDC_STATUS_ICON, L"STATIC", WS_CHILD | WS_VISIBLE | SS_BITMAP, At(25, 270, 50, 50), 0, 0},
        {IDC_STATUS_TEXT, L"STATIC", kText, At(140, 280, w - 160, 25), 0, 0},
        {IDC_UPDATE, L"BUTTON", kButton | WS_DISABLED, At(15, h - 100, 100, 25), IDS_UPDATE,
         kCaptionChars},
        {IDC_FOOTER, L"STATIC", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, At(-1, h - 55, w + 2, 56), 0,
         0},
        {IDC_CLOSE, L"BUTTON", kButton, At(w - 95, h - 40, 80, 25), IDS_CLOSE, kCaptionChars},
        {IDC_STEPS_HEADING, L"STATIC", kText, At(15, 75, w - 30, 20), IDS_STEPS_HEADING,
         kTextChars},
        {IDC_STEP1, L"STATIC", kText, At(15, 110, w - 30, 20), IDS_STEP1, kTextChars},
        {IDC_STEP2, L"STATIC", kText, At(15, 135, w - 30, 20), IDS_STEP2, kTextChars},
        {IDC_STEP3, L"STATIC", kText, At(15, 160, w - 30, 20), IDS_STEP3, kTextChars},
        {IDC_STEP4, L"STATIC", kText, At(15, 185, w - 30, 20), IDS_STEP4, kTextChars},
        {IDC_STEP5, L"STATIC", kText, At(15, 210, w - 30, 20), IDS_STEP5, kTextChars},
        {IDC_STEP6, L"STATIC", kText, At(15, 235, w - 30, 20), IDS_STEP6, kTextChars},
        {IDC_STEP7, L"STATIC", kText, At(15, 260, w - 30, 20), IDS_STEP7, kTextChars},
        {IDC_RETRY, L"BUTTON", kButton, At(15, h - 100, 100, 25), 0, 0},
        {IDC_DETAIL1, L"STATIC", kText, At(140, 297, w - 160, 17), 0, 0},
        {IDC_DETAIL2, L"STATIC", kText, At(140, 314, w - 160, 17), 0, 0},
    }};
}

bool WizardControls::Create(HWND parent, HMODULE language, SIZE client96, UINT dpi) {
    const auto layout = WizardLayout(client96.cx, client96.cy);
    auto* const instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));

    // Every text is read before the first control exists, each into a buffer of its own size.
    std::array<std::wstring, kControlCount> texts;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (layout[i].textId != 0)
            texts[i] = LoadText(language, layout[i].textId, layout[i].textChars);
    }
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const ControlLayout& c = layout[i];
        const RECT at = ScaleToDpi(c.bounds, dpi);
        ids_[i] = c.id;
        handles_[i] = ::CreateWindowExW(
            0, c.className, c.textId != 0 ? texts[i].c_str() : nullptr, c.style, at.left, at.top,
            at.right - at.left, at.bottom - at.top, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        if (handles_[i] == nullptr) return false;
    }
    ApplyFont(dpi);
    return true;
}

void WizardControls::Place(SIZE client96, UINT dpi) {
    const auto layout = WizardLayout(client96.cx, client96.cy);
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (handles_[i] == nullptr) continue;
        const RECT at = ScaleToDpi(layout[i].bounds, dpi);
        ::SetWindowPos(handles_[i], nullptr, at.left, at.top, at.right - at.left,
                       at.bottom - at.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ApplyFont(dpi);
}

namespace {

// The width of the alphabet in `font`, as Windows measures a dialog's base units; 0 on failure.
int AlphabetWidth(HGDIOBJ font) {
    static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const HDC dc = ::GetDC(nullptr);
    if (dc == nullptr) return 0;
    const HGDIOBJ old = ::SelectObject(dc, font);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, kAlphabet, static_cast<int>(std::size(kAlphabet) - 1), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return extent.cx;
}

// Whether GDI draws `font` from outlines, so that it grows smoothly with its height. Windows' own
// default control font, the stock "System", is a raster font with a few sizes of its own.
bool IsScalable(HGDIOBJ font) {
    const HDC dc = ::GetDC(nullptr);
    if (dc == nullptr) return true;
    const HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW metrics{};
    const bool measured = ::GetTextMetricsW(dc, &metrics) != FALSE;
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return !measured || (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0;
}

// The face that stands in for a raster default font: the scalable design whose letters the
// raster "System" was drawn after, at its weight.
constexpr wchar_t kScalableFace[] = L"Microsoft Sans Serif";

// The default control font made for `dpi`. A font's widths do not grow exactly with its height, and
// an outline face standing in for a raster one has widths of its own: of the heights up to a
// quarter below the scaled one, the largest is taken whose text is no wider than the default font's
// scaled, so that every line fits its scaled control as it does at the system's DPI. A raster
// default font would snap to a size of its own (at 150 % the 96-DPI size, at 200 % its pixels
// doubled), so an outline face takes its place away from the system's DPI.
GdiObject FontForDpi(UINT dpi, UINT systemDpi) {
    const HGDIOBJ base = ::GetStockObject(SYSTEM_FONT);
    LOGFONTW face{};
    if (::GetObjectW(base, sizeof(face), &face) == 0) return GdiObject();
    const int room =
        ::MulDiv(AlphabetWidth(base), static_cast<int>(dpi), static_cast<int>(systemDpi));
    const int height = ::MulDiv(face.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
    face.lfWidth = 0;
    if (!IsScalable(base)) {
        face.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        face.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        std::copy(std::begin(kScalableFace), std::end(kScalableFace), face.lfFaceName);
    }
    GdiObject font;
    const int steps = std::max(4, std::abs(height) / 4);  // never more than a quarter smaller
    for (int shrink = 0; shrink < steps; ++shrink) {
        face.lfHeight = height > 0 ? height - shrink : height + shrink;
        font.Reset(::CreateFontIndirectW(&face));
        if (!font || AlphabetWidth(font.Get()) <= room) break;
    }
    return font;
}

}  // namespace

void WizardControls::ApplyFont(UINT dpi) {
    // At the system's DPI the controls keep the default font, drawn exactly as ever; elsewhere they
    // take the same font at the same point size, made for the window's DPI.
    GdiObject font;
    const UINT systemDpi = SystemDpi();
    if (dpi != systemDpi) {
        font = FontForDpi(dpi, systemDpi);
        if (!font) return;  // the controls keep the font they have
    }
    if (!font && !font_) return;
    for (const HWND control : handles_) {
        if (control != nullptr) {
            ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
        }
    }
    font_ = std::move(font);  // the old font is deleted only once no control uses it
}

HWND WizardControls::Get(int id) const {
    for (std::size_t i = 0; i < ids_.size(); ++i) {
        if (ids_[i] == id) return handles_[i];
    }
    return nullptr;
}

}  // namespace vork
