#include "simulator/BitmapFile.h"

#include <cstdio>
#include <vector>

#include "platform/Handles.h"
#include "platform/WindowDC.h"

namespace vork::simulator {

bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT area{};
    if (!::GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const WindowDC screen(nullptr);
    const MemoryDC memory(::CreateCompatibleDC(screen.Get()));
    GdiObject bitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
    if (!screen || !memory || !bitmap) return false;
    const HGDIOBJ previous = ::SelectObject(memory.Get(), bitmap.Get());
    ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY);
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
