// The wizard driven by the keyboard alone: real key messages through the program's own message
// loop function, in a shown and active window. Which button each screen focuses, Tab and Shift+Tab,
// Enter and Space on Update, Retry and Close, the focus rectangle, and Esc and Alt+F4 doing nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Application.h"
#include "device/FirmwareImages.h"
#include "tests/ui/WindowTestSupport.h"
#include "tests/wizard/WizardTestSupport.h"
#include "ui/ResourceIds.h"

namespace vork::test {
namespace {

constexpr int kWindowItself = 0;
constexpr int kNowhere = -1;

class WizardKeyboard : public WizardFixture {
protected:
    HWND OpenShown() {
        if (Open() == nullptr) return nullptr;
        ::ShowWindow(hwnd, SW_SHOW);
        ::SetForegroundWindow(hwnd);
        Pump();
        return hwnd;
    }
    // Runs what is queued through the program's message loop function, up to a quit message.
    void Pump() {
        MSG message{};
        while (!quit && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                exitCode = static_cast<int>(message.wParam);
            } else {
                DispatchLoopMessage(hwnd, message);
            }
        }
    }
    // One key pressed and released, each message to the window with the focus at that moment.
    void Press(UINT key, bool shift = false) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(keys);
        const UINT scan = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
        PostKey(WM_KEYDOWN, key, 1 | (scan << 16));
        PostKey(WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
        keys[VK_SHIFT] = 0;
        ::SetKeyboardState(keys);
    }
    void PostKey(UINT message, UINT key, LPARAM data) {
        const HWND focus = ::GetFocus();
        ::PostMessageW(focus != nullptr ? focus : hwnd, message, key, data);
        Pump();
    }
    // A printer whose first transfer is refused and whose writes take real time, so that a test
    // sees the window while the transfer runs.
    sim::PrinterOnBus SlowOldPrinterFailingOnce() {
        machine.SetRealTime(true);
        auto d = Printer(0x0020, "d0A");
        // Each write takes long enough that the keys pressed during a transfer meet it still
        // running, even on a loaded machine.
        d.printer.latencyMs = 150;
        d.printer.writes[1] = {sim::RequestScript::Kind::RefuseAtOnce};
        d.printer.scriptedOpen = 4;  // two probes and the device's own read come first
        return d;
    }
    int Focused() const {
        const HWND focus = ::GetFocus();
        if (focus == nullptr) return kNowhere;
        return focus == hwnd ? kWindowItself : ::GetDlgCtrlID(focus);
    }

    bool quit = false;
    int exitCode = -1;
};

// --- The focus on each screen --------------------------------------------------------------------

struct FocusRow {
    const char* name;
    std::vector<std::pair<std::uint16_t, const char*>> printers;  // product id, revision code
    int focus;
};

void PrintTo(const FocusRow& row, std::ostream* os) { *os << row.name; }

class ScreenFocus : public WizardKeyboard, public ::testing::WithParamInterface<FocusRow> {};

TEST_P(ScreenFocus, RestsOnTheScreensMainButton) {
    int port = 1;
    for (const auto& [product, code] : GetParam().printers) Attach(Printer(product, code), port++);
    ASSERT_NE(OpenShown(), nullptr);
    EXPECT_EQ(Focused(), GetParam().focus);
}

const FocusRow kFocus[] = {
    {"Instructions", {{0x0021, "f0I"}}, IDC_UPDATE},
    {"Ready", {{0x0020, "d0A"}}, IDC_UPDATE},
    {"UpToDate", {{0x0021, "f0J"}}, IDC_CLOSE},
    {"NoPrinter", {}, IDC_CLOSE},
    {"SeveralPrinters", {{0x0020, "d0A"}, {0x0021, "f0I"}}, IDC_CLOSE},
    {"WrongMode", {{0x0021, nullptr}}, IDC_CLOSE},
};

INSTANTIATE_TEST_SUITE_P(Screens, ScreenFocus, ::testing::ValuesIn(kFocus),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WizardKeyboard, TheFocusRestsOnTheWindowDuringTheWriteAndMovesToTheEndScreensButton) {
    Attach(SlowOldPrinterFailingOnce());
    ASSERT_NE(OpenShown(), nullptr);
    Press(VK_RETURN);
    ASSERT_TRUE(window->IsTransferRunning());
    EXPECT_EQ(Focused(), kWindowItself);
    Press(VK_TAB);  // nothing to move to: Update and Retry hidden, Close disabled
    EXPECT_EQ(Focused(), kWindowItself);
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_FAILURE));
    EXPECT_EQ(Focused(), IDC_RETRY);

    Press(VK_RETURN);
    ASSERT_TRUE(window->IsTransferRunning());
    EXPECT_EQ(Focused(), kWindowItself);
    Press(VK_RETURN);  // Enter with the focus on the window presses nothing
    EXPECT_TRUE(window->IsTransferRunning());
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
    EXPECT_EQ(Focused(), IDC_CLOSE);
}

// --- Tab and Shift+Tab ---------------------------------------------------------------------------

TEST_F(WizardKeyboard, TabAndShiftTabCycleThroughTheVisibleEnabledButtons) {
    Attach(Printer(0x0021, "f0I"));  // the Instructions screen: Update and Close
    ASSERT_NE(OpenShown(), nullptr);
    const std::vector<std::pair<bool, int>> steps = {
        {false, IDC_CLOSE}, {false, IDC_UPDATE}, {true, IDC_CLOSE}, {true, IDC_UPDATE}};
    for (const auto& [shift, expected] : steps) {
        Press(VK_TAB, shift);
        EXPECT_EQ(Focused(), expected) << (shift ? "Shift+Tab" : "Tab");
    }
}

TEST_F(WizardKeyboard, TabOnTheFailureScreenMovesBetweenRetryAndClose) {
    auto d = Printer(0x0021, "f0I");
    d.productString = u"VORK Stickograph 732";
    Attach(d);
    ASSERT_NE(OpenShown(), nullptr);
    Press(VK_SPACE);
    ASSERT_EQ(Read().status, Text(IDS_FAILURE));
    EXPECT_EQ(Focused(), IDC_RETRY);
    Press(VK_TAB);
    EXPECT_EQ(Focused(), IDC_CLOSE);
    Press(VK_TAB, true);
    EXPECT_EQ(Focused(), IDC_RETRY);
}

TEST_F(WizardKeyboard, TabWithOneButtonKeepsItFocused) {
    ASSERT_NE(OpenShown(), nullptr);  // the No-printer screen: Close alone
    Press(VK_TAB);
    EXPECT_EQ(Focused(), IDC_CLOSE);
    Press(VK_TAB, true);
    EXPECT_EQ(Focused(), IDC_CLOSE);
}

// --- Enter and Space -----------------------------------------------------------------------------

class PressingKey : public WizardKeyboard, public ::testing::WithParamInterface<UINT> {};

TEST_P(PressingKey, OnUpdateAndOnRetryStartsTheWrite) {
    Attach(SlowOldPrinterFailingOnce());
    ASSERT_NE(OpenShown(), nullptr);
    ASSERT_EQ(Focused(), IDC_UPDATE);
    Press(GetParam());
    EXPECT_TRUE(window->IsTransferRunning());
    ASSERT_TRUE(PumpUntilTransferEnds());
    ASSERT_EQ(Read().status, Text(IDS_FAILURE));
    ASSERT_EQ(Focused(), IDC_RETRY);
    Press(GetParam());
    EXPECT_TRUE(window->IsTransferRunning());
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
}

TEST_P(PressingKey, OnCloseEndsTheProgram) {
    ASSERT_NE(OpenShown(), nullptr);
    ASSERT_EQ(Focused(), IDC_CLOSE);
    Press(GetParam());
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_TRUE(quit);
    EXPECT_EQ(exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(EnterAndSpace, PressingKey, ::testing::Values(VK_RETURN, VK_SPACE),
                         [](const auto& info) {
                             return info.param == VK_RETURN ? "Enter" : "Space";
                         });

// --- Keys that do nothing ------------------------------------------------------------------------

TEST_F(WizardKeyboard, EscAndAltF4LeaveTheWindowAsItIs) {
    Attach(Printer(0x0021, "f0I"));
    ASSERT_NE(OpenShown(), nullptr);
    const Screen before = Read();
    Press(VK_ESCAPE);
    // Alt+F4: the system key with the Alt context bit, as the keyboard sends it.
    const UINT scan = ::MapVirtualKeyW(VK_F4, MAPVK_VK_TO_VSC);
    PostKey(WM_SYSKEYDOWN, VK_F4, 1 | (scan << 16) | (1u << 29));
    PostKey(WM_SYSKEYUP, VK_F4, 1 | (scan << 16) | (1u << 29) | (1u << 30) | (1u << 31));
    ASSERT_TRUE(::IsWindow(hwnd));
    const Screen after = Read();
    EXPECT_EQ(after.visible, before.visible);
    EXPECT_EQ(after.status, before.status);
    EXPECT_FALSE(window->IsTransferRunning());
    EXPECT_EQ(Focused(), IDC_UPDATE);
}

// --- The focus rectangle and the focus across activation -----------------------------------------

// The button's face as it paints itself, one 0xRRGGBB value per pixel.
std::vector<std::uint32_t> Face(HWND button) {
    RECT r{};
    ::GetClientRect(button, &r);
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC screen = ::GetDC(nullptr);
    const HBITMAP bitmap = ::CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> face(pixels, pixels + r.right * r.bottom);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(bitmap);
    return face;
}

TEST_F(WizardKeyboard, TheFocusedButtonShowsItsFocusRectangle) {
    ASSERT_NE(OpenShown(), nullptr);
    const HWND close = Control(IDC_CLOSE);
    ASSERT_EQ(::GetFocus(), close);
    EXPECT_FALSE(::SendMessageW(close, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    const auto focused = Face(close);
    ::SetFocus(hwnd);
    const auto unfocused = Face(close);
    ASSERT_EQ(focused.size(), unfocused.size());
    EXPECT_NE(focused, unfocused);
}

TEST_F(WizardKeyboard, TheFocusComesBackWhereItWasWhenTheWindowIsActivatedAgain) {
    Attach(Printer(0x0021, "f0I"));
    ASSERT_NE(OpenShown(), nullptr);
    Press(VK_TAB);
    ASSERT_EQ(Focused(), IDC_CLOSE);
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                         nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ::SetForegroundWindow(other);
    ::SetActiveWindow(other);
    Pump();
    EXPECT_NE(::GetActiveWindow(), hwnd);
    ::SetActiveWindow(hwnd);
    Pump();
    EXPECT_EQ(Focused(), IDC_CLOSE);
    ::DestroyWindow(other);
}

// --- A person with a keyboard and no mouse -------------------------------------------------------

// The person at the keyboard, looking at the window every 20 ms while the program's own message
// loop runs: Enter once on Update on the Ready screen, Enter once on Close on the Success screen.
struct Person {
    HWND window = nullptr;
    std::vector<std::string> pressed;
    int looks = 0;
};
Person person;

void PressEnterOn(HWND focus, const char* what) {
    const LPARAM data = 1 | (::MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC) << 16);
    ::PostMessageW(focus, WM_KEYDOWN, VK_RETURN, data);
    ::PostMessageW(focus, WM_KEYUP, VK_RETURN, data | (1u << 30) | (1u << 31));
    person.pressed.push_back(what);
}

void CALLBACK Look(HWND, UINT, UINT_PTR, DWORD) {
    if (!::IsWindow(person.window)) return;
    if (++person.looks > 1500) {  // 30 s: a program that never gets there is ended
        ::DestroyWindow(person.window);
        return;
    }
    const HWND focus = ::GetFocus();
    const bool closeEnabled = ::IsWindowEnabled(::GetDlgItem(person.window, IDC_CLOSE));
    if (person.pressed.empty() && focus == ::GetDlgItem(person.window, IDC_UPDATE)) {
        PressEnterOn(focus, "Update");
    } else if (person.pressed.size() == 1 && closeEnabled &&
               focus == ::GetDlgItem(person.window, IDC_CLOSE) &&
               WindowText(::GetDlgItem(person.window, IDC_STATUS_TEXT)) == Text(IDS_SUCCESS)) {
        PressEnterOn(focus, "Close on Success");
    }
}

TEST_F(WizardKeyboard, TheKeyboardAloneGoesFromReadyToSuccessAndClosesTheProgram) {
    auto printer = Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(OpenShown(), nullptr);
    person = Person{hwnd, {}, 0};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &Look);
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(RunMessageLoop(hwnd), 0);
    ::KillTimer(nullptr, timer);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(person.pressed, (std::vector<std::string>{"Update", "Close on Success"}));
    window.reset();  // the device, after its worker
    EXPECT_TRUE(EndsWithOldImage(printer->received));
}

}  // namespace
}  // namespace vork::test
