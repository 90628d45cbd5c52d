#pragma once
// What a picture of the window ought to show, for reading it back: where the window lies on its
// monitor, and every visible text of its controls with the rectangle its letters take in the
// picture.
//
// One line per fact, UTF-8, fields separated by tabs:
//   window <left> <top> <right> <bottom> <work left> <top> <right> <bottom> <layout DPI>
//   text <control id> <left> <top> <right> <bottom> <1 if the whole text fits, else 0> <text>
// The window line is in screen coordinates (the work area is the monitor's the window lies on); a
// text's rectangle is in the picture's, and its text is the part that fits the control, which is
// all a picture can show of it.
#include <windows.h>

#include <string>

namespace vork::simulator {

// Writes the facts of `window` as it stands now to `path`; false when the file could not be
// written.
bool SavePictureTexts(HWND window, UINT layoutDpi, const std::wstring& path);

}  // namespace vork::simulator
