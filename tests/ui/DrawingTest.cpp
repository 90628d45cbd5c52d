// The window's colour answers to its static controls and the footer band it draws, checked on
// memory device contexts, in the system's own colour scheme.
#include <gtest/gtest.h>

#include "platform/Handles.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/ResourceIds.h"
#include "ui/WizardDrawing.h"

namespace vork {
namespace {

using test::ProgramModule;

class DrawingFixture : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureClass(L"SG731WINDOW");
        hwnd_ = window_.Create(L"SG731WINDOW", 0, 0);
        ASSERT_NE(hwnd_, nullptr);
        dc_ = ::CreateCompatibleDC(nullptr);
        ASSERT_NE(dc_, nullptr);
    }
    void TearDown() override {
        ::DeleteDC(dc_);
        if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
        test::PumpPending();
    }

    MainWindow window_{ProgramModule(), ProgramModule()};
    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
};

enum class Mode { Transparent, Unchanged };

struct ColourCase {
    int id;
    bool textColours;  // the system's text and window colours; false: the colours are left alone
    Mode background;
};

class StaticColourAnswers : public DrawingFixture,
                            public ::testing::WithParamInterface<ColourCase> {};

TEST_P(StaticColourAnswers, SetTheDcAndReturnTheBlackBrush) {
    const ColourCase& c = GetParam();
    constexpr COLORREF kMarker = RGB(200, 10, 10);
    ::SetTextColor(dc_, kMarker);
    ::SetBkColor(dc_, kMarker);
    ::SetBkMode(dc_, OPAQUE);
    const LRESULT brush = ::SendMessageW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc_),
                                         reinterpret_cast<LPARAM>(window_.Control(c.id)));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(::GetTextColor(dc_), c.textColours ? ::GetSysColor(COLOR_WINDOWTEXT) : kMarker);
    EXPECT_EQ(::GetBkColor(dc_), c.textColours ? ::GetSysColor(COLOR_WINDOW) : kMarker);
    EXPECT_EQ(::GetBkMode(dc_), c.background == Mode::Transparent ? TRANSPARENT : OPAQUE);
}

INSTANTIATE_TEST_SUITE_P(Controls, StaticColourAnswers,
                         ::testing::Values(ColourCase{IDC_TITLE, true, Mode::Transparent},
                                           ColourCase{IDC_DETAIL1, true, Mode::Transparent},
                                           ColourCase{IDC_DETAIL2, true, Mode::Transparent},
                                           ColourCase{IDC_STEPS_HEADING, true, Mode::Transparent},
                                           ColourCase{IDC_STEP1, true, Mode::Transparent},
                                           ColourCase{IDC_STEP4, true, Mode::Transparent},
                                           ColourCase{IDC_STEP7, true, Mode::Transparent},
                                           // the status line keeps its opaque background
                                           ColourCase{IDC_STATUS_TEXT, true, Mode::Unchanged},
                                           ColourCase{IDC_FOOTER, false, Mode::Unchanged}));

TEST_F(DrawingFixture, OtherStaticsGetTheDefaultAnswer) {
    const HWND icon = window_.Control(IDC_STATUS_ICON);
    const HDC reference = ::CreateCompatibleDC(nullptr);
    const LRESULT expected =
        ::DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(reference),
                         reinterpret_cast<LPARAM>(icon));
    ::SetTextColor(dc_, RGB(1, 2, 3));
    const LRESULT answer = ::SendMessageW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc_),
                                          reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(answer, expected);
    EXPECT_NE(answer, reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(::GetTextColor(dc_), ::GetTextColor(reference));
    ::DeleteDC(reference);
    EXPECT_FALSE(StaticColours(dc_, 4242).has_value());
}

// A 32-bit top-down DIB section selected into the fixture's memory DC.
class Canvas {
public:
    Canvas(HDC dc, int width, int height) : width_(width) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_.Reset(::CreateDIBSection(dc, &info, DIB_RGB_COLORS,
                                         reinterpret_cast<void**>(&bits_), nullptr, 0));
        previous_ = ::SelectObject(dc, bitmap_.Get());
        dc_ = dc;
        for (int i = 0; i < width * height; ++i) bits_[i] = 0x00123456;  // a colour nothing draws
    }
    ~Canvas() { ::SelectObject(dc_, previous_); }
    bool valid() const { return bits_ != nullptr; }
    COLORREF At(int x, int y) const {
        const std::uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    GdiObject bitmap_;
    HGDIOBJ previous_ = nullptr;
    HDC dc_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_;
};

TEST_F(DrawingFixture, FooterIsAGreyBandWithADarkerFrame) {
    const HWND footer = window_.Control(IDC_FOOTER);
    RECT band{};
    ::GetClientRect(footer, &band);
    ASSERT_GT(band.right, 2);
    ASSERT_EQ(band.bottom, 56);
    Canvas canvas(dc_, band.right, band.bottom);
    ASSERT_TRUE(canvas.valid());

    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.CtlID = IDC_FOOTER;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = footer;
    item.hDC = dc_;
    item.rcItem = band;
    EXPECT_EQ(::SendMessageW(hwnd_, WM_DRAWITEM, IDC_FOOTER, reinterpret_cast<LPARAM>(&item)),
              TRUE);

    const int right = band.right - 1, bottom = band.bottom - 1;
    for (int x : {0, 1, right / 2, right - 1, right}) {
        EXPECT_EQ(canvas.At(x, 0), kFooterFrame) << "top edge at " << x;
        EXPECT_EQ(canvas.At(x, bottom), kFooterFrame) << "bottom edge at " << x;
    }
    for (int y : {0, 1, bottom / 2, bottom}) {
        EXPECT_EQ(canvas.At(0, y), kFooterFrame) << "left edge at " << y;
        EXPECT_EQ(canvas.At(right, y), kFooterFrame) << "right edge at " << y;
    }
    for (POINT p : {POINT{1, 1}, POINT{right - 1, bottom - 1}, POINT{right / 2, bottom / 2},
                    POINT{1, bottom - 1}}) {
        EXPECT_EQ(canvas.At(p.x, p.y), RGB(229, 229, 229)) << p.x << "," << p.y;
    }
    EXPECT_EQ(kFooterFill, RGB(229, 229, 229));
    EXPECT_EQ(kFooterFrame, RGB(171, 171, 171));
}

TEST_F(DrawingFixture, OtherOwnerDrawIdsDrawNothing) {
    Canvas canvas(dc_, 20, 20);
    ASSERT_TRUE(canvas.valid());
    DRAWITEMSTRUCT item{};
    item.CtlID = IDC_UPDATE;
    item.hwndItem = window_.Control(IDC_FOOTER);
    item.hDC = dc_;
    item.rcItem = RECT{0, 0, 20, 20};
    EXPECT_EQ(::SendMessageW(hwnd_, WM_DRAWITEM, IDC_UPDATE, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(canvas.At(5, 5), RGB(0x12, 0x34, 0x56));
}

TEST_F(DrawingFixture, TheRealWindowPaintsTheBandsTopEdgeOnScreen) {
    // Drawn through the system: only the band's top edge lies inside the client area.
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(hwnd_);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const HDC windowDc = ::GetDC(hwnd_);
    const int top = client.bottom - 55;
    EXPECT_EQ(::GetPixel(windowDc, client.right / 3, top), kFooterFrame);
    EXPECT_EQ(::GetPixel(windowDc, client.right / 3, top + 10), kFooterFill);
    EXPECT_EQ(::GetPixel(windowDc, 0, top + 10), kFooterFill) << "left frame edge is outside";
    EXPECT_EQ(::GetPixel(windowDc, client.right - 1, top + 5), kFooterFill)
        << "right frame edge is outside";
    EXPECT_EQ(::GetPixel(windowDc, 5, client.bottom - 1), kFooterFill)
        << "bottom frame edge is outside";
    EXPECT_EQ(::GetPixel(windowDc, client.right / 3, top - 5), ::GetSysColor(COLOR_WINDOW));
    ::ReleaseDC(hwnd_, windowDc);
}

}  // namespace
}  // namespace vork
