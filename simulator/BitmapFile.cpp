#include "simulator/BitmapFile.h"

#include <cstdio>
#include <vector>

#include "platform/Handles.h"

namespace vork::simulator {

bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT area{};
    if (!::GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left, height = area.bottom - area.top;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    GdiObject bitmap(::CreateCompatibleBitmap(screen, width, height));
    const HGDIOBJ previous = ::SelectObject(memory, bitmap.get());
    ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::SelectObject(memory, previous);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as bitmap files store it
    header.biPlanes = 1;
    header.biBitCount = 24;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(static_cast<std::size_t>(stride) * height);
    const int rows = ::GetDIBits(memory, static_cast<HBITMAP>(bitmap.get()), 0, height, pixels.data(),
                                 reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (rows != height) return false;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace vork::simulator
