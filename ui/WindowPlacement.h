#pragma once
// Where a window of a fixed size may lie: inside the work area of the monitor it is on (the
// monitor less the taskbar and other bars docked to its edges), never partly off it.
#include <windows.h>

namespace vork {

// The work area of the monitor nearest `area` (the primary one for an empty rectangle at 0, 0).
RECT WorkAreaNear(const RECT& area);

inline SIZE SizeOf(const RECT& r) { return SIZE{r.right - r.left, r.bottom - r.top}; }

// `wanted`, the top-left corner of a window of `outer` size, moved as little as needed to keep the
// window inside `work`. Where the window is larger than the work area, its top-left corner stays
// in it (the top and left edges of the work area), so the caption and the start of every line
// stay on the screen.
POINT KeepInWorkArea(POINT wanted, SIZE outer, const RECT& work);

}  // namespace vork
