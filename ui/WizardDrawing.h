#pragma once
// The main window's own drawing: the colours it gives its static controls and the owner-drawn
// footer band. Every text line draws in the system's window text colour on the window's background
// (the class brush COLOR_WINDOW + 1), so the window reads in any colour scheme; in the default
// scheme that is black on white. The black stock brush the lines are handed never shows, because
// neither a simple static nor the owner-drawn footer paints with it.
//
// The band is light grey with a darker top line in an ordinary scheme. While a contrast theme is
// on, fixed greys could vanish against the theme's colours, so the band takes the system's face
// colour and the text colour for its line. Colours are read at every draw: a theme change only has
// to repaint the window (MainWindow does on WM_SYSCOLORCHANGE and WM_SETTINGCHANGE).
#include <windows.h>

#include <optional>

namespace vork {

inline constexpr COLORREF kFooterFill = RGB(229, 229, 229);
inline constexpr COLORREF kFooterFrame = RGB(171, 171, 171);

struct BandColours {
    COLORREF fill;
    COLORREF frame;
};

// True while the user has a contrast theme on (SPI_GETHIGHCONTRAST, HCF_HIGHCONTRASTON).
bool IsHighContrast();

// The footer band's colours: the fixed greys, or the system's colours while a contrast theme is on.
BandColours FooterColours(bool highContrast);

// The answer to WM_CTLCOLORSTATIC for the control with `id`, after setting up `dc` for it; none
// when the message belongs to default processing (the status icon and any unknown control).
std::optional<HBRUSH> StaticColours(HDC dc, int id);

// The answer to WM_CTLCOLORBTN for the button with `id`: the colour of what lies behind it (the
// band behind Close, the window colour behind Update and Retry), which a visual style's rounded
// button shows at its corners. The brush is the DC brush of `dc`, so nothing is made or freed.
HBRUSH ButtonBackground(HDC dc, int id, bool highContrast);

// Fills the footer band with `colours.fill` and a one-pixel frame of `colours.frame`. Returns false
// when a brush could not be made (nothing, or only the fill, is drawn then).
bool DrawFooter(const DRAWITEMSTRUCT& item, const BandColours& colours);

}  // namespace vork
