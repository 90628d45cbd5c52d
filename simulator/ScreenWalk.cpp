#include "simulator/ScreenWalk.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>

#include "app/LanguageModule.h"
#include "platform/Handles.h"
#include "simulator/BitmapFile.h"
#include "simulator/PictureTexts.h"
#include "simulator/ScreenNames.h"
#include "ui/Dpi.h"
#include "ui/MainWindow.h"
#include "ui/ResourceIds.h"

namespace vork::simulator {
namespace {

constexpr UINT kWatchMs = 250;
constexpr int kClosingWatches = 8;   // 2 s: a Close that did not take ends the window here
constexpr int kGiveUpWatches = 360;  // 90 s: a walk that has not ended by then closes the window
constexpr int kRetriesAtMost = 1;
constexpr int kPicturesAtMost = 20;  // a button that changes nothing must not loop for ever

struct Walk {
    std::wstring folder;
    LanguageModule language;  // the texts the window speaks, for naming screens by their status
    std::wstring recorded;    // the last screen saved
    std::wstring picture;     // its picture's file, taken again while the screen stands
    HWND pressed = nullptr;   // the button whose click is posted and not yet taken
    bool pressTaken = false;  // its click was handled: the next screen is a new entry
    int depth = 0;            // sent messages being handled, nested
    bool looking = false;     // the walk's own messages (painting for a picture) are not the flow's
    int pictures = 0;
    int retries = 0;
    bool closing = false;
    int closingWatches = 0;
    int watches = 0;
};

Walk walk;

BOOL CALLBACK FindMain(HWND hwnd, LPARAM found) {
    if (::GetWindow(hwnd, GW_OWNER) || !::GetDlgItem(hwnd, IDC_CLOSE)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

HWND FindMainWindow() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindMain, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring FileName(const std::wstring& screen) {
    std::wstring name;
    for (wchar_t c : screen)
        name.push_back(c == L' ' ? L'-' : static_cast<wchar_t>(std::towlower(c)));
    return name;
}

// The DPI the window is laid out at, from its client area and the layout's at 96 DPI.
UINT LayoutDpi(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return static_cast<UINT>(
        ::MulDiv(client.right, static_cast<int>(kBaseDpi), MainWindow::ClientSize96().cx));
}

// The screen may just have changed, and its controls' paints may still be pending: every one of
// them runs now, the window's and all its controls', before the window's own pixels are copied.
// Beside the picture lies what it ought to show, for reading it back.
void TakePicture(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::GdiFlush();
    SaveWindowPicture(window, walk.picture);
    SavePictureTexts(window, LayoutDpi(window),
                     walk.picture.substr(0, walk.picture.size() - 4) + L".txt");
}

void Record(HWND window, const std::wstring& screen) {
    wchar_t base[64];
    std::swprintf(base, 64, L"%02d-%ls", ++walk.pictures, FileName(screen).c_str());
    walk.picture = walk.folder + L"\\" + base + L".bmp";
    TakePicture(window);
    if (const FileStream list{_wfopen((walk.folder + L"\\screens.txt").c_str(), L"a")}) {
        std::fwprintf(list.Get(), L"%ls\n", screen.c_str());
    }
    walk.recorded = screen;
}

// The click is posted as a person's would be queued; the screen it leads to is a new entry even
// when it looks the same (a Retry that fails again shows the Failure screen anew).
void Press(HWND window, int id) {
    walk.pressed = ::GetDlgItem(window, id);
    ::PostMessageW(walk.pressed, BM_CLICK, 0, 0);
}

// What a person does next on a screen they have read.
void Act(HWND window, const std::wstring& screen) {
    const bool mustClose = walk.pictures >= kPicturesAtMost;
    if (!mustClose && (screen == L"Instructions" || screen == L"Ready")) {
        Press(window, IDC_UPDATE);
    } else if (!mustClose && screen == L"Failure" && walk.retries < kRetriesAtMost) {
        ++walk.retries;
        Press(window, IDC_RETRY);
    } else if (mustClose || screen != L"Updating") {
        walk.closing = true;
        Press(window, IDC_CLOSE);
    }
}

// The screen the window shows, named from the texts it speaks.
std::wstring ShownScreen(HWND window) {
    return ClassifyScreen(window, walk.language.TextsOr(::GetModuleHandleW(nullptr)));
}

// Runs `look` on the window with the walk's own messages (painting for a picture) kept apart from
// the flow's. A picture that could not be taken (out of memory) is left out; nothing may unwind
// into the hook or timer that called.
void LookSafely(void (*look)(HWND), HWND window) {
    walk.looking = true;
    try {
        look(window);
    } catch (...) {}
    walk.looking = false;
}

// The window has handled its messages whole: whatever it shows now is a screen a person sees.
void LookAtScreen(HWND window) {
    const std::wstring screen = ShownScreen(window);
    const bool entered = screen != walk.recorded || walk.pressTaken;
    walk.pressTaken = false;
    if (entered) {
        Record(window, screen);
        Act(window, screen);
    }
}

void LookAtWindow() {
    if (walk.looking || walk.closing) return;
    const HWND window = FindMainWindow();
    if (!window || !::IsWindowVisible(window)) return;
    LookSafely(&LookAtScreen, window);
}

LRESULT CALLBACK OnMessageTaken(int code, WPARAM removed, LPARAM message) {
    if (code == HC_ACTION && removed == PM_REMOVE && walk.depth == 0) {
        LookAtWindow();
        const auto* const taken = reinterpret_cast<const MSG*>(message);
        if (walk.pressed && taken->hwnd == walk.pressed && taken->message == BM_CLICK) {
            walk.pressed = nullptr;
            walk.pressTaken = true;
        }
    }
    return ::CallNextHookEx(nullptr, code, removed, message);
}

// A message from another thread arrives only while the window's thread waits for messages, so
// before it and after it the window stands between two messages.
LRESULT CALLBACK OnSent(int code, WPARAM fromThisThread, LPARAM message) {
    if (code == HC_ACTION) {
        if (walk.depth == 0 && ::InSendMessage()) LookAtWindow();
        ++walk.depth;
    }
    return ::CallNextHookEx(nullptr, code, fromThisThread, message);
}

LRESULT CALLBACK OnSentHandled(int code, WPARAM fromThisThread, LPARAM message) {
    if (code == HC_ACTION) {
        if (walk.depth > 0) --walk.depth;
        if (walk.depth == 0 && ::InSendMessage()) LookAtWindow();
    }
    return ::CallNextHookEx(nullptr, code, fromThisThread, message);
}

// A screen's picture is taken as it is entered, and again at each watch while it stands with no
// button pressed, so a screen a person waits on (Updating) is shown as they last saw it, with the
// progress that came after its first moment.
void RetakeStandingScreen(HWND window) {
    if (walk.closing || walk.pressed || walk.pressTaken) return;
    LookSafely(
        [](HWND shown) {
            if (ShownScreen(shown) == walk.recorded) TakePicture(shown);
        },
        window);
}

// A watch over the walk's end, which also retakes a standing screen's picture; screens are never
// found by it.
void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD) {
    const HWND window = FindMainWindow();
    if (!window) return;
    RetakeStandingScreen(window);
    if ((walk.closing && ++walk.closingWatches > kClosingWatches) ||
        ++walk.watches > kGiveUpWatches) {
        ::DestroyWindow(window);
    }
}

}  // namespace

void StartScreenWalk(const std::wstring& folder) {
    walk = Walk{};
    walk.folder = folder;
    walk.language = LanguageModule::ForUser(::GetModuleHandleW(nullptr));
    _wremove((folder + L"\\screens.txt").c_str());
    const DWORD thread = ::GetCurrentThreadId();
    ::SetWindowsHookExW(WH_GETMESSAGE, &OnMessageTaken, nullptr, thread);
    ::SetWindowsHookExW(WH_CALLWNDPROC, &OnSent, nullptr, thread);
    ::SetWindowsHookExW(WH_CALLWNDPROCRET, &OnSentHandled, nullptr, thread);
    ::SetTimer(nullptr, 0, kWatchMs, &Watch);
}

}  // namespace vork::simulator
