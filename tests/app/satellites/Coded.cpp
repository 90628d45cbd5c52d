// A language library that carries code: were its entry point ever run, it would leave a mark in the
// process's environment. The program maps language libraries as data, so the mark must never appear.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ::SetEnvironmentVariableW(L"SG731_SATELLITE_CODE_RAN", L"1");
    return TRUE;
}
