#pragma once
// The program's outermost frame: GDI+, the language library, the window class, the centred main
// window and the message loop. Everything the window does lives in ui/.
#include <windows.h>

#include "ui/Dpi.h"

namespace vork {

// Exit code when the main window cannot be created: the program did not run.
inline constexpr int kExitNoWindow = 1;

// The top-left corner that centres a window of `outer` size on `screen`, moved into the work area
// `work` where the centred window would reach out of it; a window larger than the work area keeps
// its top-left corner in it.
POINT CentredOrigin(const RECT& screen, const RECT& work, SIZE outer);

// Hands one message of the thread's queue on: to the keyboard handling of `window` (Tab, Shift+Tab,
// Enter, Space, Esc) when it is for that window or one of its controls, else to its window.
void DispatchLoopMessage(HWND window, MSG& message);

// Pumps the thread's messages until WM_QUIT and returns its exit code (1 if GetMessageW fails).
// Key messages for `window` go through its keyboard handling.
int RunMessageLoop(HWND window);

// Runs the program and returns its exit code: 0 after the window was closed.
int RunApplication(HINSTANCE instance, int showCommand);

}  // namespace vork
