// The program's entry point. Before any library is loaded, the search for DLLs is narrowed to the
// system folder, so a planted DLL beside the program or in the current folder is never picked up
// by a delay-loaded import. The command line is not used.
#include <windows.h>

#include "app/Application.h"

namespace {

void RestrictDllSearchToSystem() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    // A Windows 7 without the loader update lacks the call: at least drop the current folder.
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

}  // namespace

// The parameters carry the names the SDK declares; the previous instance and the command line are
// not used.
int WINAPI wWinMain(HINSTANCE hInstance, [[maybe_unused]] HINSTANCE hPrevInstance,
                    [[maybe_unused]] PWSTR lpCmdLine, int nShowCmd) {
    RestrictDllSearchToSystem();
    try {
        return vork::RunApplication(hInstance, nShowCmd);
    } catch (...) {
        return vork::kExitNoWindow;  // out of memory while starting: nothing was shown
    }
}
