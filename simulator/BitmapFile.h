#pragma once
// Saving what a window has painted as a 24-bit bitmap file.
#include <windows.h>

#include <string>

namespace vork::simulator {

// Copies what the window and its controls have painted, frame and caption included. False when the
// picture could not be taken or written.
bool SaveWindowPicture(HWND window, const std::wstring& path);

}  // namespace vork::simulator
