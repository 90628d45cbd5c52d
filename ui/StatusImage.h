#pragma once
// The status images (check mark, cross) at the window's DPI. Each is drawn anew for 192 DPI; the
// 96-DPI bitmap is never enlarged. At 96 DPI the image is the one shown ever since; between 96 and
// 192 DPI the 192-DPI drawing is reduced with halftoning, which keeps its edges smooth; above
// 192 DPI it is enlarged the same way. One drawing keeps the program under its size limit.
#include <windows.h>

namespace vork {

// The width and height of a status image at `dpi`: 50 pixels at 96 DPI, scaled.
int StatusImageSize(UINT dpi);

// The image `bitmapId` (IDB_CHECK or IDB_CROSS) of `module` at `dpi`, or null. The caller owns it.
HBITMAP LoadStatusImage(HINSTANCE module, int bitmapId, UINT dpi);

}  // namespace vork
