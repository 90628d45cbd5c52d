// The window on a system whose default control font is a raster font, as Windows' own "System"
// is: Wine's raster System (vgasys.fon) is loaded into this process before any window exists, so
// the stock font is the raster one and not the outline face Wine otherwise puts in its place.
// At the system's DPI the controls keep that font; at 150 % and 200 % every line fits its control
// in a font drawn from outlines at the scaled size, never the raster font snapped to a size of its
// own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/ui/WindowTestSupport.h"

namespace vork {
namespace {

using test::ProgramModule;

struct Drawn {
    int width = 0;          // of the control's text, in pixels
    int room = 0;           // inside the control; a push button keeps 3 pixels each side
    int height = 0;         // of the font's cell
    bool outlines = false;  // the font is drawn from outlines
    std::wstring missing;   // characters the font has no glyph for
    bool fontSet = false;   // the control was given a font
};

Drawn Measure(HWND control) {
    Drawn d;
    const std::wstring text = test::WindowText(control);
    RECT bounds{};
    ::GetClientRect(control, &bounds);
    d.room = bounds.right - (_wcsicmp(test::ClassOf(control).c_str(), L"Button") == 0 ? 6 : 0);
    const auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
    d.fontSet = font != nullptr;
    const HDC dc = ::GetDC(control);
    const HGDIOBJ previous = ::SelectObject(dc, d.fontSet ? font : ::GetStockObject(SYSTEM_FONT));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    d.width = extent.cx;
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    d.height = metrics.tmHeight;
    d.outlines = (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0;
    std::vector<WORD> glyphs(text.size() + 1);
    ::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                       GGI_MARK_NONEXISTING_GLYPHS);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF) d.missing.push_back(text[i]);
    ::SelectObject(dc, previous);
    ::ReleaseDC(control, dc);
    return d;
}

// The controls that show a text from the start: the title, the steps and the buttons.
std::vector<Drawn> MeasureTexts(HWND hwnd) {
    std::vector<Drawn> drawn;
    for (HWND c = ::GetWindow(hwnd, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT))
        if (!test::WindowText(c).empty()) drawn.push_back(Measure(c));
    return drawn;
}

TEST(RasterSystemFont, EveryLineFitsInAScaledOutlineFontAndTheSystemDpiKeepsTheRasterFont) {
    ASSERT_EQ(::AddFontResourceExW(SG731_RASTER_SYSTEM_FONT, FR_PRIVATE, nullptr), 1)
        << "Wine's raster fonts (Debian's fonts-wine) are needed";
    test::EnsureClass(L"SG731WINDOW");
    test::BareWindow window(ProgramModule(), ProgramModule());
    const HWND hwnd = window.Create(L"SG731WINDOW", 0, 0);
    ASSERT_NE(hwnd, nullptr);
    const std::vector<Drawn> at96 = MeasureTexts(hwnd);
    ASSERT_EQ(at96.size(), 11u);
    for (const Drawn& d : at96) {
        EXPECT_FALSE(d.fontSet);   // drawn exactly as ever
        EXPECT_FALSE(d.outlines);  // the raster System of this process, as on Windows
    }
    for (const UINT dpi : {144u, 192u}) {
        SCOPED_TRACE(testing::Message() << "at " << dpi << " DPI");
        RECT place{0, 0, 0, 0};
        ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
        const std::vector<Drawn> scaled = MeasureTexts(hwnd);
        ASSERT_EQ(scaled.size(), at96.size());
        for (std::size_t i = 0; i < scaled.size(); ++i) {
            const Drawn& d = scaled[i];
            EXPECT_TRUE(d.fontSet && d.outlines) << "line " << i << " is drawn by a raster font";
            EXPECT_LE(d.width, d.room)
                << "line " << i << " is " << d.width << " pixels wide in " << d.room;
            // At most a quarter below the scaled height, where the outline face is wider than the
            // raster one: never the 96-DPI size, never larger than the scaled one.
            const int expected = ::MulDiv(at96[i].height, static_cast<int>(dpi), 96);
            EXPECT_TRUE(d.height > expected * 3 / 4 && d.height <= expected + 1)
                << "line " << i << ": text " << d.height << " px, " << expected << " scaled";
            EXPECT_TRUE(d.missing.empty()) << "line " << i << " lacks glyphs";
        }
    }
    ::DestroyWindow(hwnd);
    test::PumpPending();
}

}  // namespace
}  // namespace vork
