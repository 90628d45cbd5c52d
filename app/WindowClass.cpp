#include "app/WindowClass.h"

#include "ui/MainWindow.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork {

std::wstring ReadClassName(HMODULE language, HINSTANCE program) {
    std::wstring name = LoadText(language, IDS_CLASS_NAME, kTextChars);
    if (name.empty() && language != program) name = LoadText(program, IDS_CLASS_NAME, kTextChars);
    return name;
}

ATOM RegisterMainWindowClass(HINSTANCE program, const wchar_t* className) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_NOCLOSE;
    windowClass.lpfnWndProc = &MainWindow::Procedure;
    windowClass.hInstance = program;
    windowClass.hIcon = ::LoadIconW(program, MAKEINTRESOURCEW(IDI_APP));
    windowClass.hIconSm = ::LoadIconW(program, MAKEINTRESOURCEW(IDI_APP));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = className;
    return ::RegisterClassExW(&windowClass);
}

}  // namespace vork
