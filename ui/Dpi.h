#pragma once
// The window's dots per inch and the scaling of the layout's 96-DPI values to them.
//
// Every position and size of the window is written for 96 DPI and scaled with MulDiv(v, dpi, 96),
// the rounding Windows itself uses, so at 96 DPI nothing moves by a pixel. The per-monitor calls
// exist only from Windows 10 1607 on and are looked up at run time; before that the window is at
// the system's DPI, which the screen's device context gives.
#include <windows.h>

namespace vork {

inline constexpr UINT kBaseDpi = 96;
// Asked before WM_DPICHANGED from Windows 10 1703 on; the headers for older Windows lack it.
inline constexpr UINT kGetDpiScaledSize = 0x02E4;

// `v` at `dpi` for a 96-DPI value.
int ScaleToDpi(int v, UINT dpi);
RECT ScaleToDpi(const RECT& r, UINT dpi);

// The DPI `window` is drawn at: GetDpiForWindow where it exists, else the system's DPI.
UINT DpiOfWindow(HWND window);

// The system's DPI, from the screen's device context.
UINT SystemDpi();

// The outer size of a window of `style`/`exStyle` whose client area is `clientWidth` x
// `clientHeight` at `dpi`: the frame is the one Windows draws at that DPI.
SIZE OuterSizeForDpi(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace vork
