#include "ui/WindowPlacement.h"

#include <algorithm>

namespace vork {

RECT WorkAreaNear(const RECT& area) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) {
        RECT work{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return work;
    }
    return monitor.rcWork;
}

POINT KeepInWorkArea(POINT wanted, SIZE outer, const RECT& work) {
    // The far edge first, then the near one, which wins where the window is the larger.
    const auto keep = [](LONG at, LONG size, LONG nearEdge, LONG farEdge) {
        return std::max(nearEdge, std::min(at, farEdge - size));
    };
    return POINT{keep(wanted.x, outer.cx, work.left, work.right),
                 keep(wanted.y, outer.cy, work.top, work.bottom)};
}

}  // namespace vork
