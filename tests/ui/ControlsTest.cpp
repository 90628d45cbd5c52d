// The seventeen controls of the main window as WM_CREATE makes them: order, ids, classes, exact
// styles, rectangles for the real client size and initial texts; then the window's own commands.
#include <gtest/gtest.h>

#include <cwctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/ui/WindowTestSupport.h"
#include "ui/ResourceIds.h"

namespace vork {
namespace {

using test::ProgramModule;
using test::WindowText;

struct Expected {
    int id;
    const wchar_t* className;
    DWORD style;
    int x, y, width, height;  // with W and H resolved by the test
    const wchar_t* text;
};

constexpr DWORD kLine = WS_CHILD | WS_VISIBLE | SS_SIMPLE;
constexpr DWORD kPush = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

std::vector<Expected> ExpectedControls(int W, int H) {
    return {
        {140, L"static", kLine, 15, 25, W - 20, 25,
         L"This utility updates the software on the VORK Stickograph 731 and 731 Turbo label "
         L"printers."},
        {146, L"static", WS_CHILD | WS_VISIBLE | SS_BITMAP, 25, 270, 50, 50, L""},
        {156, L"static", kLine, 140, 280, W - 160, 25, L""},
        {145, L"button", kPush | WS_DISABLED, 15, H - 100, 100, 25, L"Update"},
        {170, L"static", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, -1, H - 55, W + 2, 56, L""},
        {171, L"button", kPush, W - 95, H - 40, 80, 25, L"Close"},
        {180, L"static", kLine, 15, 75, W - 30, 20,
         L"Follow the instructions below to place the label printer into program mode:"},
        {181, L"static", kLine, 15, 110, W - 30, 20,
         L"1. Remove the labels from the label printer."},
        {182, L"static", kLine, 15, 135, W - 30, 20,
         L"2. Disconnect the USB cable from your computer."},
        {183, L"static", kLine, 15, 160, W - 30, 20, L"3. Disconnect the power adapter."},
        {184, L"static", kLine, 15, 185, W - 30, 20, L"4. Wait 10 seconds."},
        {185, L"static", kLine, 15, 210, W - 30, 20,
         L"5. Press and hold the form feed button on the front of the printer while plugging in "
         L"the power adapter."},
        {186, L"static", kLine, 15, 235, W - 30, 20,
         L"6. Release the form feed button. The LED status light on the front of the printer "
         L"should be solid blue."},
        {187, L"static", kLine, 15, 260, W - 30, 20,
         L"7. Connect the USB cable to your computer and click Update below."},
        {157, L"button", kPush, 15, H - 100, 100, 25, L""},
        {158, L"static", kLine, 140, 297, W - 160, 17, L""},
        {159, L"static", kLine, 140, 314, W - 160, 17, L""},
    };
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

template <typename Window>
class ControlsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureClass(L"SG731WINDOW");
        hwnd_ = window_.Create(L"SG731WINDOW", 0, 0);
        ASSERT_NE(hwnd_, nullptr);
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        W = client.right;
        H = client.bottom;
    }
    void TearDown() override {
        if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
        test::PumpPending();
    }
    std::vector<HWND> Children() const {
        std::vector<HWND> children;
        for (HWND c = ::GetWindow(hwnd_, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
            children.push_back(c);
        }
        return children;
    }

    Window window_{ProgramModule(), ProgramModule()};
    HWND hwnd_ = nullptr;
    int W = 0, H = 0;
};

using CreatedControls = ControlsFixture<test::BareWindow>;
using WindowCommands = ControlsFixture<MainWindow>;

TEST_F(CreatedControls, ClientAreaIsTheOuterSizeLessCaptionAndFrame) {
    EXPECT_GT(W, 900);
    EXPECT_LT(W, 980);
    EXPECT_GT(H, 400);
    EXPECT_LT(H, 480);
}

TEST_F(CreatedControls, MatchTheLayoutInSiblingOrder) {
    const std::vector<HWND> children = Children();
    const std::vector<Expected> expected = ExpectedControls(W, H);
    ASSERT_EQ(children.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Expected& e = expected[i];
        const HWND c = children[i];
        SCOPED_TRACE(::testing::Message() << "control " << i + 1 << ", id " << e.id);
        EXPECT_EQ(::GetDlgCtrlID(c), e.id);
        EXPECT_EQ(window_.Control(e.id), c);
        EXPECT_EQ(Lower(test::ClassOf(c)), e.className);
        EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(c, GWL_STYLE)), e.style);
        EXPECT_EQ(::GetWindowLongW(c, GWL_EXSTYLE), 0);
        EXPECT_EQ(::GetParent(c), hwnd_);
        EXPECT_EQ(reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(c, GWLP_HINSTANCE)),
                  ProgramModule());
        RECT r{};
        ::GetWindowRect(c, &r);
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, e.x);
        EXPECT_EQ(r.top, e.y);
        EXPECT_EQ(r.right - r.left, e.width);
        EXPECT_EQ(r.bottom - r.top, e.height);
        EXPECT_EQ(WindowText(c), e.text);
        EXPECT_EQ(::SendMessageW(c, WM_GETFONT, 0, 0), 0) << "no font is ever assigned";
    }
}

TEST_F(CreatedControls, UpdateStartsDisabled) {
    EXPECT_FALSE(::IsWindowEnabled(window_.Control(IDC_UPDATE)));
    EXPECT_TRUE(::IsWindowEnabled(window_.Control(IDC_CLOSE)));
}

TEST_F(CreatedControls, UnknownIdsHaveNoControl) {
    EXPECT_EQ(window_.Control(0), nullptr);
    EXPECT_EQ(window_.Control(150), nullptr);
    EXPECT_FALSE(window_.SetControlText(999, L"x"));
}

TEST_F(WindowCommands, CloseDestroysTheWindowAndPostsQuitZero) {
    test::PumpPending();
    ::SendMessageW(window_.Control(IDC_CLOSE), BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindow(hwnd_));
    EXPECT_EQ(window_.Window(), nullptr);
    EXPECT_EQ(window_.Control(IDC_CLOSE), nullptr);
    MSG quit{};
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(WindowCommands, OtherCommandsChangeNothing) {
    for (WPARAM id : {WPARAM{IDC_TITLE}, WPARAM{IDC_FOOTER}, WPARAM{999}}) {
        EXPECT_EQ(::SendMessageW(hwnd_, WM_COMMAND, id, 0), 0);
    }
    EXPECT_TRUE(::IsWindow(hwnd_));
    EXPECT_TRUE(::GetWindowLongW(window_.Control(IDC_STEP1), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(WindowCommands, TheCloseCommandActsWhateverTheNotificationCode) {
    ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_DOUBLECLICKED), 0);
    EXPECT_FALSE(::IsWindow(hwnd_));
}

TEST_F(WindowCommands, WmPaintValidatesTheWindow) {
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(hwnd_);
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    ASSERT_TRUE(::GetUpdateRect(hwnd_, nullptr, FALSE));
    EXPECT_EQ(::SendMessageW(hwnd_, WM_PAINT, 0, 0), 0);
    EXPECT_FALSE(::GetUpdateRect(hwnd_, nullptr, FALSE));
}

// A hook that throws: the window procedure must swallow it and keep the window alive.
class ThrowingWindow : public MainWindow {
public:
    using MainWindow::MainWindow;

protected:
    bool OnCommand(WORD, LPARAM) override { throw std::runtime_error("device failure"); }
};

using ThrowingHook = ControlsFixture<ThrowingWindow>;

TEST_F(ThrowingHook, NoExceptionLeavesTheWindowProcedure) {
    EXPECT_EQ(::SendMessageW(hwnd_, WM_COMMAND, IDC_UPDATE, 0), 0);
    EXPECT_TRUE(::IsWindow(hwnd_));
}

// A window whose language table leaves the Close caption empty and has over-long captions.
TEST(LanguageTexts, ControlsShowTheLibrarysTextsCutToTheirBuffers) {
    const std::wstring folder = test::SatelliteFolder(L"limits");
    const HMODULE limits =
        ::LoadLibraryExW((folder + L"SG731Updater1033.dll").c_str(), nullptr,
                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(limits, nullptr);
    test::EnsureClass(L"SG731WINDOW");
    {
        MainWindow window(ProgramModule(), limits);
        const HWND hwnd = window.Create(L"SG731WINDOW", 0, 0);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(WindowText(hwnd), L"Limits title");
        EXPECT_EQ(WindowText(window.Control(IDC_CLOSE)), L"")
            << "no fallback to the built-in Close";
        EXPECT_EQ(WindowText(window.Control(IDC_UPDATE)), L"ABCDEFGHIJKLMNO");
        // Texts the library does not hold at all are empty.
        EXPECT_EQ(WindowText(window.Control(IDC_TITLE)), L"");
        EXPECT_EQ(WindowText(window.Control(IDC_STEP1)), L"");
        ::DestroyWindow(hwnd);
        test::PumpPending();
    }
    ::FreeLibrary(limits);
}

}  // namespace
}  // namespace vork
