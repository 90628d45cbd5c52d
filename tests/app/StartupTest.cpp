// The window class and the main window as start-up makes them, and the message loop.
#include <gtest/gtest.h>

#include <string>

#include "app/Application.h"
#include "app/LanguageModule.h"
#include "app/WindowClass.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/ResourceIds.h"

namespace vork {
namespace {

using test::ClassOf;
using test::ProgramModule;
using test::WindowText;

std::wstring SatelliteFolder(const wchar_t* name) {
    return ModuleFolder(nullptr) + L"satellites\\" + name + L"\\";
}

struct OriginCase {
    int screenWidth, screenHeight;
    SIZE outer;
    int x, y;
    RECT work{};  // the whole screen when empty
};

class CentredOriginTest : public ::testing::TestWithParam<OriginCase> {};

TEST_P(CentredOriginTest, CentresTheOuterSizeInsideTheWorkArea) {
    const OriginCase& c = GetParam();
    const RECT screen{0, 0, c.screenWidth, c.screenHeight};
    const POINT origin = CentredOrigin(screen, ::IsRectEmpty(&c.work) ? screen : c.work, c.outer);
    EXPECT_EQ(origin.x, c.x);
    EXPECT_EQ(origin.y, c.y);
}

constexpr SIZE k96{980, 480};

INSTANTIATE_TEST_SUITE_P(
    Screens, CentredOriginTest,
    ::testing::Values(OriginCase{1280, 1024, k96, 150, 272}, OriginCase{1920, 1080, k96, 470, 300},
                      OriginCase{981, 481, k96, 0, 0}, OriginCase{979, 479, k96, 0, 0},
                      // narrower than the window: its top-left corner stays on the screen
                      OriginCase{800, 600, k96, 0, 60}, OriginCase{977, 477, k96, 0, 0},
                      // at 200 % the window is 1954 x 953 under Wine
                      OriginCase{2560, 1600, SIZE{1954, 953}, 303, 323},
                      // a taskbar the centred window clears, and one it would reach under
                      OriginCase{1024, 768, k96, 22, 144, RECT{0, 0, 1024, 728}},
                      OriginCase{1366, 768, SIZE{1276, 700}, 45, 28, RECT{0, 0, 1366, 728}},
                      // a taskbar on the left and at the top of a screen the window overfills
                      OriginCase{1280, 1024, SIZE{1300, 1000}, 60, 40, RECT{60, 40, 1280, 1024}}));

TEST(WindowClass, IsRegisteredAsTheWindowNeedsIt) {
    const wchar_t* name = L"SG731STARTUPTEST";
    ASSERT_NE(RegisterMainWindowClass(ProgramModule(), name), 0);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(::GetClassInfoExW(ProgramModule(), name, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW | CS_NOCLOSE));
    EXPECT_EQ(wc.style, 0x0203u);
    EXPECT_EQ(wc.lpfnWndProc, &MainWindow::Procedure);
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_NE(wc.hIconSm, nullptr);
    EXPECT_NE(wc.hCursor, nullptr);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(wc.hbrBackground), 6);
    EXPECT_EQ(wc.lpszMenuName, nullptr);
    ::UnregisterClassW(name, ProgramModule());
}

TEST(WindowClass, NameComesFromTheLanguageModule) {
    EXPECT_EQ(ReadClassName(ProgramModule(), ProgramModule()), L"SG731WINDOW");
    const LanguageModule renamed = LanguageModule::Load(1033, SatelliteFolder(L"renamed"));
    ASSERT_TRUE(renamed.IsLoaded());
    EXPECT_EQ(ReadClassName(renamed.Get(), ProgramModule()), L"SG731RENAMEDCLASS");
}

TEST(WindowClass, AnEmptyNameFallsBackToTheProgramsOwn) {
    const LanguageModule limits = LanguageModule::Load(1033, SatelliteFolder(L"limits"));
    ASSERT_TRUE(limits.IsLoaded());
    EXPECT_EQ(ReadClassName(limits.Get(), ProgramModule()), L"SG731WINDOW");
}

TEST(MainWindowStartup, ARenamedClassIsRegisteredAndCreated) {
    const LanguageModule renamed = LanguageModule::Load(1033, SatelliteFolder(L"renamed"));
    ASSERT_TRUE(renamed.IsLoaded());
    const std::wstring name = ReadClassName(renamed.Get(), ProgramModule());
    ASSERT_NE(RegisterMainWindowClass(ProgramModule(), name.c_str()), 0);
    {
        MainWindow window(ProgramModule(), renamed.Get());
        const HWND hwnd = window.Create(name.c_str(), 10, 20);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(ClassOf(hwnd), L"SG731RENAMEDCLASS");
        EXPECT_EQ(WindowText(hwnd), L"Renamed-class title");
        EXPECT_EQ(WindowText(window.Control(IDC_UPDATE)), L"Go");
        ::DestroyWindow(hwnd);
        test::PumpPending();
    }
    ::UnregisterClassW(name.c_str(), ProgramModule());
}

TEST(MainWindowStartup, CreatesTheCaptionOnlyWindowAtItsOrigin) {
    test::EnsureClass(L"SG731WINDOW");
    MainWindow window(ProgramModule(), ProgramModule());
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const POINT origin = CentredOrigin(screen, screen, SIZE{980, 480});
    const HWND hwnd = window.Create(L"SG731WINDOW", origin.x, origin.y);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(window.Window(), hwnd);
    EXPECT_EQ(WindowText(hwnd), L"VORK Stickograph 731 Software Updater");

    const auto style = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE));
    // The system adds WS_CLIPSIBLINGS to every top-level window; nothing else may be set.
    EXPECT_EQ(style & ~static_cast<DWORD>(WS_CLIPSIBLINGS), static_cast<DWORD>(WS_CAPTION));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_WINDOWEDGE);

    RECT outer{};
    ::GetWindowRect(hwnd, &outer);
    EXPECT_EQ(outer.left, origin.x);
    EXPECT_EQ(outer.top, origin.y);
    EXPECT_EQ(outer.right - outer.left, 980);
    EXPECT_EQ(outer.bottom - outer.top, 480);
    EXPECT_EQ(::GetParent(hwnd), nullptr);
    EXPECT_EQ(::GetMenu(hwnd), nullptr);

    ::DestroyWindow(hwnd);
    EXPECT_EQ(window.Window(), nullptr);
    test::PumpPending();
}

TEST(MainWindowStartup, AnUnregisteredClassFailsCreation) {
    MainWindow window(ProgramModule(), ProgramModule());
    EXPECT_EQ(window.Create(L"SG731NOSUCHCLASS", 0, 0), nullptr);
    EXPECT_EQ(window.Window(), nullptr);
}

TEST(MessageLoop, DispatchesUntilQuitAndReturnsItsCode) {
    test::EnsureClass(L"SG731WINDOW");
    MainWindow window(ProgramModule(), ProgramModule());
    const HWND hwnd = window.Create(L"SG731WINDOW", 0, 0);
    ASSERT_NE(hwnd, nullptr);
    // The Close click travels through the queue: the loop dispatches it, the window is destroyed,
    // and the quit message it posts ends the loop with exit code 0.
    ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
    EXPECT_EQ(RunMessageLoop(hwnd), 0);
    EXPECT_FALSE(::IsWindow(hwnd));

    ::PostQuitMessage(7);
    EXPECT_EQ(RunMessageLoop(hwnd), 7);
}

}  // namespace
}  // namespace vork
