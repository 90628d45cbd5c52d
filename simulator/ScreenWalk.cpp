#include "simulator/ScreenWalk.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>

#include "platform/Handles.h"
#include "simulator/BitmapFile.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork::simulator {
namespace {

constexpr UINT kTickMs = 100;
constexpr int kSettledTicks = 4;   // a screen counts once it has stood this long
constexpr int kGiveUpTicks = 900;  // 90 s: a walk that has not ended by then closes the window
constexpr int kRetriesAtMost = 1;
constexpr int kPicturesAtMost = 20;  // a button that changes nothing must not loop for ever

struct Walk {
    std::wstring folder;
    std::wstring current;   // the screen seen at the last tick
    std::wstring recorded;  // the last screen saved
    int settled = 0;
    int ticks = 0;
    int pictures = 0;
    int retries = 0;
    bool closing = false;
    int closingTicks = 0;
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

bool Shown(HWND window, int id) {
    const HWND control = ::GetDlgItem(window, id);
    return control && (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE);
}

std::wstring StatusText(HWND window) {
    wchar_t text[256] = {};
    ::GetDlgItemTextW(window, IDC_STATUS_TEXT, text, 256);
    return text;
}

std::wstring FileName(const std::wstring& screen) {
    std::wstring name;
    for (wchar_t c : screen)
        name.push_back(c == L' ' ? L'-' : static_cast<wchar_t>(std::towlower(c)));
    return name;
}

void Record(HWND window, const std::wstring& screen) {
    wchar_t base[64];
    std::swprintf(base, 64, L"%02d-%ls", ++walk.pictures, FileName(screen).c_str());
    SaveWindowPicture(window, walk.folder + L"\\" + base + L".bmp");
    if (const FileStream list{_wfopen((walk.folder + L"\\screens.txt").c_str(), L"a")}) {
        std::fwprintf(list.Get(), L"%ls\n", screen.c_str());
    }
    walk.recorded = screen;
}

// After a press the next settled screen is recorded even when it looks the same (a Retry that
// fails again shows the Failure screen anew).
void Press(HWND window, int id) {
    ::PostMessageW(::GetDlgItem(window, id), BM_CLICK, 0, 0);
    walk.recorded.clear();
    walk.settled = 0;
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

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    const HWND window = FindMainWindow();
    if (!window) return;
    // A Close that did not take (pressed while disabled), or a walk that never ends, ends here.
    if ((walk.closing && ++walk.closingTicks > kSettledTicks * 5) || ++walk.ticks > kGiveUpTicks) {
        ::DestroyWindow(window);
        return;
    }
    if (walk.closing) return;
    const std::wstring screen = ClassifyScreen(window);
    walk.settled = screen == walk.current ? walk.settled + 1 : 0;
    walk.current = screen;
    if (walk.settled != kSettledTicks || screen == walk.recorded) return;
    Record(window, screen);
    Act(window, screen);
}

}  // namespace

std::wstring ClassifyScreen(void* mainWindow) {
    auto* const window = static_cast<HWND>(mainWindow);
    if (!::IsWindowEnabled(::GetDlgItem(window, IDC_CLOSE))) return L"Updating";
    if (Shown(window, IDC_STEPS_HEADING)) return L"Instructions";
    if (Shown(window, IDC_UPDATE)) return L"Ready";
    if (Shown(window, IDC_RETRY)) return L"Failure";
    const HMODULE program = ::GetModuleHandleW(nullptr);
    const std::wstring status = StatusText(window);
    const std::pair<UINT, const wchar_t*> screens[] = {{IDS_UP_TO_DATE, L"Up to date"},
                                                       {IDS_SUCCESS, L"Success"},
                                                       {IDS_NO_PRINTER, L"No printer"},
                                                       {IDS_SEVERAL, L"Several printers"},
                                                       {IDS_WRONG_MODE, L"Wrong mode"}};
    for (const auto& [id, name] : screens)
        if (status == LoadText(program, id, kTextChars)) return name;
    return L"Unknown";
}

void StartScreenWalk(const std::wstring& folder) {
    walk = Walk{};
    walk.folder = folder;
    _wremove((folder + L"\\screens.txt").c_str());
    ::SetTimer(nullptr, 0, kTickMs, &Tick);
}

}  // namespace vork::simulator
