// The control case: a program that imports GDI+ statically, as the updater must not, and so loads a
// gdiplus.dll planted beside it when native libraries come first.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

int main() {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    return 0;
}
