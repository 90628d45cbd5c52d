#pragma once
// Saving what a window shows on the screen as a 24-bit bitmap file.
#include <windows.h>

#include <string>

namespace vork::simulator {

// Copies the window's area of the screen, frame and caption included. False when the picture
// could not be taken or written.
bool SaveWindowPicture(HWND window, const std::wstring& path);

}  // namespace vork::simulator
