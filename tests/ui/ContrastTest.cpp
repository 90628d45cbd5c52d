// The window in the user's colour scheme, read from its pixels on screen: every text line in the
// window text colour on the window colour, the band in the theme's colours while a contrast theme
// is on, the visual style's buttons blended into what lies behind them, and a theme change while
// the window is open repainting it.
//
// The cases change the system's colours with SetSysColors, as choosing a theme does, and put them
// back afterwards; ui_tests runs alone (RUN_SERIAL) so that no other window test sees them. Wine
// has no contrast switch to set (docs/wine-notes.md), so the window under test reports the switch
// through its ContrastThemeOn hook.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Handles.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/ResourceIds.h"
#include "ui/WizardDrawing.h"

namespace vork {
namespace {

using test::ProgramModule;

constexpr std::array<int, 4> kElements = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE,
                                          COLOR_BTNSHADOW};

struct Scheme {
    const char* name;
    bool contrast;
    std::array<COLORREF, kElements.size()> colours;  // in the order of kElements; 0 is unused
    bool keep;                                       // the system's own colours, left as they are
};

void PrintTo(const Scheme& s, std::ostream* os) { *os << s.name; }

const Scheme kDefault{"Default", false, {}, true};
const Scheme kBlack{"HighContrastBlack",
                    true,
                    {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(128, 128, 128)},
                    false};
// A dark scheme whose face colour differs from its window colour, so the band shows its source.
const Scheme kDusk{"DarkWithOwnFace",
                   true,
                   {RGB(45, 50, 54), RGB(255, 235, 120), RGB(90, 20, 60), RGB(200, 200, 200)},
                   false};
const Scheme kWhite{"HighContrastWhite",
                    true,
                    {RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255), RGB(128, 128, 128)},
                    false};

class ThemedWindow : public test::BareWindow {
public:
    using BareWindow::BareWindow;
    bool contrast = false;

protected:
    bool ContrastThemeOn() const override { return contrast; }
};

// The window's client area as drawn on screen.
class Picture {
public:
    explicit Picture(HWND hwnd) {
        ::GetClientRect(hwnd, &client_);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = client_.right;
        info.bmiHeader.biHeight = -client_.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        const HDC screen = ::GetDC(hwnd);
        const HDC memory = ::CreateCompatibleDC(screen);
        std::uint32_t* bits = nullptr;
        const GdiObject bitmap(::CreateDIBSection(memory, &info, DIB_RGB_COLORS,
                                                  reinterpret_cast<void**>(&bits), nullptr, 0));
        if (bits != nullptr) {
            const HGDIOBJ previous = ::SelectObject(memory, bitmap.Get());
            ::BitBlt(memory, 0, 0, client_.right, client_.bottom, screen, 0, 0, SRCCOPY);
            ::GdiFlush();
            pixels_.assign(bits, bits + client_.right * client_.bottom);
            ::SelectObject(memory, previous);
        }
        ::DeleteDC(memory);
        ::ReleaseDC(hwnd, screen);
    }
    bool Valid() const { return !pixels_.empty(); }
    COLORREF At(int x, int y) const {
        const std::uint32_t p = pixels_[y * client_.right + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    RECT client_{};
    std::vector<std::uint32_t> pixels_;
};

struct LineCount {
    int text = 0, window = 0, between = 0, other = 0;
};

bool Between(COLORREF c, COLORREF a, COLORREF b) {
    auto in = [](int v, int x, int y) { return v >= std::min(x, y) && v <= std::max(x, y); };
    return in(GetRValue(c), GetRValue(a), GetRValue(b)) &&
           in(GetGValue(c), GetGValue(a), GetGValue(b)) &&
           in(GetBValue(c), GetBValue(a), GetBValue(b));
}

// Counts the pixels of a control's rectangle by colour: the text colour, the window colour, the
// blends of the two that smoothed glyph edges give, and anything else.
LineCount CountLine(const Picture& picture, HWND parent, HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT), window = ::GetSysColor(COLOR_WINDOW);
    LineCount count;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF c = picture.At(x, y);
            if (c == text)
                ++count.text;
            else if (c == window)
                ++count.window;
            else if (Between(c, text, window))
                ++count.between;
            else
                ++count.other;
        }
    }
    return count;
}

class ContrastFixture : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < kElements.size(); ++i) saved_[i] = ::GetSysColor(kElements[i]);
        test::EnsureClass(L"SG731WINDOW");
    }
    void TearDown() override {
        if (hwnd_ != nullptr && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
        ::SetSysColors(static_cast<int>(kElements.size()), kElements.data(), saved_.data());
        test::PumpPending();
    }
    static void Apply(const Scheme& scheme) {
        if (!scheme.keep) {
            ::SetSysColors(static_cast<int>(kElements.size()), kElements.data(),
                           scheme.colours.data());
        }
    }
    // The window shown with the title, the steps and a status line (whose neighbours are hidden
    // so that each line's rectangle holds that line alone).
    void Open(bool contrast) {
        window_.contrast = contrast;
        hwnd_ = window_.Create(L"SG731WINDOW", 0, 0);
        ASSERT_NE(hwnd_, nullptr);
        for (int id : {IDC_STEP7, IDC_DETAIL1, IDC_DETAIL2, IDC_RETRY, IDC_STATUS_ICON}) {
            window_.ShowControl(id, false);
        }
        window_.SetControlText(IDC_STATUS_TEXT, L"Copying files (42%)");
        ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        Repaint();
    }
    void Repaint() const {
        test::PumpPending();
        ::UpdateWindow(hwnd_);
        test::PumpPending();
    }
    void ExpectDrawnIn(const Scheme& scheme) const {
        const Picture picture(hwnd_);
        ASSERT_TRUE(picture.Valid());
        for (int id : {IDC_TITLE, IDC_STEPS_HEADING, IDC_STEP1, IDC_STEP6, IDC_STATUS_TEXT}) {
            const LineCount n = CountLine(picture, hwnd_, window_.Control(id));
            EXPECT_GT(n.text, 20) << scheme.name << ": line " << id << " has no text-coloured ink";
            EXPECT_GT(n.window, n.text + n.between)
                << scheme.name << ": line " << id << " is mostly ink";
            EXPECT_EQ(n.other, 0) << scheme.name << ": line " << id << " has foreign colours";
        }
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        const int top = client.bottom - 55;
        const BandColours band =
            scheme.contrast
                ? BandColours{::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_WINDOWTEXT)}
                : BandColours{RGB(229, 229, 229), RGB(171, 171, 171)};
        EXPECT_EQ(picture.At(client.right / 3, top), band.frame) << scheme.name;
        EXPECT_EQ(picture.At(client.right / 3, top + 10), band.fill) << scheme.name;
        EXPECT_EQ(picture.At(client.right / 3, top - 5), ::GetSysColor(COLOR_WINDOW))
            << scheme.name;
        // With visual styles a button's face is the style's, with rounded corners blended into
        // what lies behind it, which is the window's own: Update stands on the window colour,
        // Close on the band.
        ExpectButtonOn(picture, IDC_UPDATE, ::GetSysColor(COLOR_WINDOW), scheme);
        ExpectButtonOn(picture, IDC_CLOSE, band.fill, scheme);
    }
    // Each outer corner pixel lies between the background and its neighbour on the button's edge.
    void ExpectButtonOn(const Picture& picture, int id, COLORREF background,
                        const Scheme& scheme) const {
        RECT r{};
        ::GetWindowRect(window_.Control(id), &r);
        ::MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        const COLORREF topLeft = picture.At(r.left, r.top);
        const COLORREF bottomRight = picture.At(r.right - 1, r.bottom - 1);
        EXPECT_TRUE(Between(topLeft, background, picture.At(r.left + 1, r.top)))
            << scheme.name << ": button " << id << " top left " << std::hex << topLeft;
        EXPECT_TRUE(Between(bottomRight, background, picture.At(r.right - 2, r.bottom - 1)))
            << scheme.name << ": button " << id << " bottom right " << std::hex << bottomRight;
    }

    ThemedWindow window_{ProgramModule(), ProgramModule()};
    HWND hwnd_ = nullptr;
    std::array<COLORREF, kElements.size()> saved_{};
};

class SchemeAtStart : public ContrastFixture, public ::testing::WithParamInterface<Scheme> {};

TEST_P(SchemeAtStart, TextAndBandFollowTheSystemColours) {
    Apply(GetParam());
    Open(GetParam().contrast);
    ExpectDrawnIn(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Schemes, SchemeAtStart, ::testing::Values(kDefault, kBlack, kDusk, kWhite),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContrastFixture, AThemeChosenWhileTheWindowIsOpenRepaintsIt) {
    Open(false);
    ExpectDrawnIn(kDefault);
    // Colours first: SetSysColors tells every top-level window with WM_SYSCOLORCHANGE.
    Apply(kDusk);
    ::SendMessageW(hwnd_, WM_SYSCOLORCHANGE, 0, 0);
    Repaint();
    ExpectDrawnIn({"DuskColoursOnly", false, {}, true});
    // Then the contrast switch, which Windows announces with WM_SETTINGCHANGE alone.
    window_.contrast = true;
    ::SendMessageW(hwnd_, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    Repaint();
    ExpectDrawnIn(kDusk);
}

TEST(ContrastSwitch, FollowsTheSystemsAnswer) {
    // Where the system can switch a contrast theme on (Windows), the window's answer follows it;
    // Wine 8 refuses the switch with ERROR_INVALID_SPI_VALUE and always answers off.
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0));
    EXPECT_EQ(IsHighContrast(), (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0);
    const HIGHCONTRASTW saved = contrast;
    contrast.dwFlags |= HCF_HIGHCONTRASTON;
    if (!::SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof(contrast), &contrast, 0)) {
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_SPI_VALUE));
        EXPECT_FALSE(IsHighContrast());
        return;
    }
    EXPECT_TRUE(IsHighContrast());
    HIGHCONTRASTW restore = saved;
    ::SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof(restore), &restore, 0);
}

}  // namespace
}  // namespace vork
