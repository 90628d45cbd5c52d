#include "simulator/BitmapFile.h"

#include <cstdio>
#include <vector>

#include "platform/Handles.h"

namespace vork::simulator {

namespace {

// The device context of the whole window, frame and caption included, from GetWindowDC until
// ReleaseDC.
class WholeWindowDC {
public:
    explicit WholeWindowDC(HWND window) noexcept : window_(window), dc_(::GetWindowDC(window)) {}
    ~WholeWindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WholeWindowDC(const WholeWindowDC&) = delete;
    WholeWindowDC& operator=(const WholeWindowDC&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace

bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT area{};
    if (!::GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    // The window's own pixels, not the screen's: the system copies a window's drawing to the
    // screen in its own time (Wine when the thread next idles), so the screen may still show
    // part of what the window and its controls have already painted.
    const WholeWindowDC source(window);
    const MemoryDC memory(::CreateCompatibleDC(source.Get()));
    GdiObject bitmap(::CreateCompatibleBitmap(source.Get(), width, height));
    if (!source.Get() || !memory || !bitmap) return false;
    const HGDIOBJ previous = ::SelectObject(memory.Get(), bitmap.Get());
    ::BitBlt(memory.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
    ::SelectObject(memory.Get(), previous);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as bitmap files store it
    header.biPlanes = 1;
    header.biBitCount = 24;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(static_cast<std::size_t>(stride) * height);
    const int rows =
        ::GetDIBits(memory.Get(), static_cast<HBITMAP>(bitmap.Get()), 0, height, pixels.data(),
                    reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    if (rows != height) return false;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FileStream out(_wfopen(path.c_str(), L"wb"));
    if (!out) return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out.Get()) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out.Get()) == 1 &&
                         std::fwrite(pixels.data(), 1, pixels.size(), out.Get()) == pixels.size();
    return CloseFileStream(out) && written;
}

}  // namespace vork::simulator
