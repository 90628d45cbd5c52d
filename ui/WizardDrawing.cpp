#include "ui/WizardDrawing.h"

#include "platform/Handles.h"
#include "ui/ResourceIds.h"

namespace vork {

namespace {

bool IsTransparentLine(int id) {
    return id == IDC_TITLE || id == IDC_DETAIL1 || id == IDC_DETAIL2 ||
           (id >= IDC_STEPS_HEADING && id <= IDC_STEP7);
}

HBRUSH BlackBrush() { return static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)); }

// The text colour on the window colour. The background colour matters to the opaque status line;
// it is set on the transparent lines too, so that no line can ever paint the device context's
// default white behind its text in a dark scheme.
void TextOnWindow(HDC dc) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
}

}  // namespace

bool IsHighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

BandColours FooterColours(bool highContrast) {
    if (!highContrast) return {kFooterFill, kFooterFrame};
    return {::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_WINDOWTEXT)};
}

std::optional<HBRUSH> StaticColours(HDC dc, int id) {
    if (IsTransparentLine(id)) {
        TextOnWindow(dc);
        ::SetBkMode(dc, TRANSPARENT);
        return BlackBrush();
    }
    if (id == IDC_STATUS_TEXT) {
        // The status line keeps the opaque background, so a shorter text paints over a longer one.
        TextOnWindow(dc);
        return BlackBrush();
    }
    if (id == IDC_FOOTER) return BlackBrush();
    return std::nullopt;
}

HBRUSH ButtonBackground(HDC dc, int id, bool highContrast) {
    const COLORREF behind =
        id == IDC_CLOSE ? FooterColours(highContrast).fill : ::GetSysColor(COLOR_WINDOW);
    ::SetDCBrushColor(dc, behind);
    return static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
}

bool DrawFooter(const DRAWITEMSTRUCT& item, const BandColours& colours) {
    RECT band{};
    ::GetClientRect(item.hwndItem, &band);
    const GdiObject fill(::CreateSolidBrush(colours.fill));
    if (!fill) return false;
    ::FillRect(item.hDC, &band, static_cast<HBRUSH>(fill.Get()));
    const GdiObject frame(::CreateSolidBrush(colours.frame));
    if (!frame) return false;
    ::FrameRect(item.hDC, &band, static_cast<HBRUSH>(frame.Get()));
    return true;  // the frame brush goes first, then the fill brush
}

}  // namespace vork
