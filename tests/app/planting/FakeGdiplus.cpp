// A gdiplus.dll as an attacker would plant it beside a downloaded program: whatever loads it runs
// its entry point, which leaves a mark (planted.txt) in its own folder.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring mark(path, length);
    mark = mark.substr(0, mark.find_last_of(L'\\') + 1) + L"planted.txt";
    const HANDLE file =
        ::CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    return TRUE;
}

// The names a program importing GDI+ binds to; none of them is meant to work.
extern "C" __declspec(dllexport) int GdiplusStartup(void*, const void*, void*) { return 1; }
extern "C" __declspec(dllexport) void GdiplusShutdown(ULONG_PTR) {}
