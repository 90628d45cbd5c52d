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

}  // namespace

std::optional<HBRUSH> StaticColours(HDC dc, int id) {
    if (IsTransparentLine(id)) {
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkMode(dc, TRANSPARENT);
        return BlackBrush();
    }
    if (id == IDC_STATUS_TEXT) {
        // The status line keeps the opaque background, so a shorter text paints over a longer one.
        ::SetTextColor(dc, RGB(0, 0, 0));
        return BlackBrush();
    }
    if (id == IDC_FOOTER) return BlackBrush();
    return std::nullopt;
}

bool DrawFooter(const DRAWITEMSTRUCT& item) {
    RECT band{};
    ::GetClientRect(item.hwndItem, &band);
    const GdiObject fill(::CreateSolidBrush(kFooterFill));
    if (!fill) return false;
    ::FillRect(item.hDC, &band, static_cast<HBRUSH>(fill.Get()));
    const GdiObject frame(::CreateSolidBrush(kFooterFrame));
    if (!frame) return false;
    ::FrameRect(item.hDC, &band, static_cast<HBRUSH>(frame.Get()));
    return true;  // the frame brush goes first, then the fill brush
}

}  // namespace vork
