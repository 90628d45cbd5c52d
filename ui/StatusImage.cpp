#include "ui/StatusImage.h"

#include <iterator>

#include "platform/Handles.h"
#include "platform/WindowDC.h"
#include "ui/Dpi.h"
#include "ui/ResourceIds.h"

namespace vork {

namespace {

constexpr int kImageSize96 = 50;

struct Drawing {
    UINT dpi;
    int checkId;
    int crossId;
};

constexpr Drawing kDrawings[] = {
    {96, IDB_CHECK, IDB_CROSS},
    {192, IDB_CHECK_192, IDB_CROSS_192},
};

// The smallest drawing at least as large as `dpi` needs, else the largest.
const Drawing& DrawingFor(UINT dpi) {
    for (const Drawing& drawing : kDrawings) {
        if (drawing.dpi >= dpi) return drawing;
    }
    return kDrawings[std::size(kDrawings) - 1];
}

HBITMAP Load(HINSTANCE module, int id) {
    return static_cast<HBITMAP>(
        ::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE));
}

// `source`, `from` pixels square, redrawn at `to` pixels with halftoning.
HBITMAP Resample(HBITMAP source, int from, int to) {
    const WindowDC screen(nullptr);
    if (screen.Get() == nullptr) return nullptr;
    GdiObject target(::CreateCompatibleBitmap(screen.Get(), to, to));
    const MemoryDC sourceDc(::CreateCompatibleDC(screen.Get()));
    const MemoryDC targetDc(::CreateCompatibleDC(screen.Get()));
    if (!target || sourceDc.Get() == nullptr || targetDc.Get() == nullptr) return nullptr;
    const HGDIOBJ oldSource = ::SelectObject(sourceDc.Get(), source);
    const HGDIOBJ oldTarget = ::SelectObject(targetDc.Get(), target.Get());
    ::SetStretchBltMode(targetDc.Get(), HALFTONE);
    ::SetBrushOrgEx(targetDc.Get(), 0, 0, nullptr);
    const BOOL drawn =
        ::StretchBlt(targetDc.Get(), 0, 0, to, to, sourceDc.Get(), 0, 0, from, from, SRCCOPY);
    ::SelectObject(sourceDc.Get(), oldSource);
    ::SelectObject(targetDc.Get(), oldTarget);
    return drawn ? static_cast<HBITMAP>(target.Release()) : nullptr;
}

}  // namespace

int StatusImageSize(UINT dpi) { return ScaleToDpi(kImageSize96, dpi); }

HBITMAP LoadStatusImage(HINSTANCE module, int bitmapId, UINT dpi) {
    const Drawing& drawing = DrawingFor(dpi);
    const HBITMAP loaded = Load(module, bitmapId == IDB_CHECK ? drawing.checkId : drawing.crossId);
    if (loaded == nullptr || drawing.dpi == dpi) return loaded;
    const GdiObject owned(loaded);
    return Resample(loaded, StatusImageSize(drawing.dpi), StatusImageSize(dpi));
}

}  // namespace vork
