#include "app/Application.h"

#include <string>

#include <objidl.h>  // PROPID, which the GDI+ headers need and WIN32_LEAN_AND_MEAN leaves out

#include "app/LanguageModule.h"
#include "app/WindowClass.h"
#include "platform/GdiplusSession.h"
#include "platform/MachineRecord.h"
#include "ui/Dpi.h"
#include "ui/WindowPlacement.h"
#include "ui/WizardWindow.h"

namespace vork {
namespace {

// The record's head: which program wrote it and which texts it speaks. The library is named by its
// file name alone; the folder it lies in is the user's business.
void RecordStart(const LanguageModule& satellite) {
    if (!IsRecording()) return;
    RecordHead();
    Record("program %s %d-bit", SG731_RECORD_VERSION, static_cast<int>(sizeof(void*) * 8));
    const unsigned language = ::GetUserDefaultUILanguage();
    if (!satellite.IsLoaded()) return Record("language 0x%04X built-in", language);
    const std::wstring& path = satellite.Path();
    const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    Record("language 0x%04X library %ls", language, name.c_str());
}

}  // namespace

POINT CentredOrigin(const RECT& screen, const RECT& work, SIZE outer) {
    // Signed arithmetic that truncates towards zero, as integer division does.
    const POINT centred{screen.left + (screen.right - screen.left - outer.cx) / 2,
                        screen.top + (screen.bottom - screen.top - outer.cy) / 2};
    return KeepInWorkArea(centred, outer, work);
}

void DispatchLoopMessage(HWND window, MSG& message) {
    // IsDialogMessageW takes only messages for the window and its controls, and dispatches
    // whatever of those it does not use itself.
    if (window != nullptr && ::IsDialogMessageW(window, &message)) return;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

int RunMessageLoop(HWND window) {
    MSG message{};
    BOOL got = FALSE;
    // GetMessageW answers -1 on failure; looping on that would spin for ever.
    while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) DispatchLoopMessage(window, message);
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

int RunApplication(HINSTANCE instance, int showCommand) {
    // Declaration order is release order in reverse: the window goes first, then the language
    // library, and GDI+ is shut down last, after every picture drawn by the window is gone.
    const GdiplusSession gdiplus;
    const LanguageModule satellite = LanguageModule::ForUser(instance);
    RecordStart(satellite);
    const HMODULE language = satellite.TextsOr(instance);
    const std::wstring className = ReadClassName(language, instance);
    // A failed registration shows as a failed creation below.
    RegisterMainWindowClass(instance, className.c_str());

    // After a failed start no GDI+ call is made: the window runs, without the animation.
    WizardWindow window(instance, language, WizardOptions{gdiplus.IsStarted()});
    // The window opens on the primary screen at the scale it will be laid out at as it is made:
    // the system's DPI, or the largest below it at which the window fits the work area.
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const RECT work = WorkAreaNear(RECT{});
    const UINT dpi = MainWindow::FittingDpi(SystemDpi(), SizeOf(work));
    const POINT origin = CentredOrigin(screen, work, MainWindow::OuterSize(dpi, SystemDpi()));
    const HWND hwnd = window.Create(className.c_str(), origin.x, origin.y);
    if (hwnd == nullptr) return kExitNoWindow;
    ::ShowWindow(hwnd, showCommand);
    ::UpdateWindow(hwnd);
    window.AnnounceScreen();
    return RunMessageLoop(hwnd);
}

}  // namespace vork
