#pragma once
// The main window's own drawing: the colours it gives its static controls and the owner-drawn
// footer band. The text lines draw black on the window's background; the black stock brush they are
// handed never shows, because neither a simple static nor the owner-drawn footer paints with it.
#include <windows.h>

#include <optional>

namespace vork {

inline constexpr COLORREF kFooterFill = RGB(229, 229, 229);
inline constexpr COLORREF kFooterFrame = RGB(171, 171, 171);

// The answer to WM_CTLCOLORSTATIC for the control with `id`, after setting up `dc` for it; none
// when the message belongs to default processing (the status icon and any unknown control).
std::optional<HBRUSH> StaticColours(HDC dc, int id);

// Fills the footer band light grey with a darker one-pixel frame. Returns false when a brush could
// not be made (nothing, or only the fill, is drawn then).
bool DrawFooter(const DRAWITEMSTRUCT& item);

}  // namespace vork
