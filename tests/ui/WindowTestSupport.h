#pragma once
// Helpers for tests that create the real main window in-process: the program module (the test
// executable, which carries the program's resources), the class registration, message pumping, and
// a window whose creation stops before any screen is chosen.
#include <windows.h>

#include <string>

#include "app/LanguageModule.h"
#include "app/WindowClass.h"
#include "tests/support/MessagePump.h"
#include "ui/MainWindow.h"

namespace vork::test {

inline HINSTANCE ProgramModule() { return ::GetModuleHandleW(nullptr); }

// Registers the main window's class once per process under `className`.
inline void EnsureClass(const wchar_t* className) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (!::GetClassInfoExW(ProgramModule(), className, &existing)) {
        RegisterMainWindowClass(ProgramModule(), className);
    }
}

inline std::wstring WindowText(HWND hwnd) {
    wchar_t text[512] = {};
    ::GetWindowTextW(hwnd, text, 512);
    return text;
}

inline std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    ::GetClassNameW(hwnd, name, 256);
    return name;
}

#ifdef SG731_TEST_SATELLITES
// A folder of the test-only language libraries, with a trailing backslash.
inline std::wstring SatelliteFolder(const wchar_t* name) {
    return ModuleFolder(nullptr) + SG731_TEST_SATELLITES L"\\" + name + L"\\";
}
#endif

// The main window as created, before the wizard picks a screen.
class BareWindow : public MainWindow {
public:
    using MainWindow::MainWindow;

protected:
    void OnCreateFlow() override {}
};

}  // namespace vork::test
