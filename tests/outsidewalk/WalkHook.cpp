// The walk's hook library. The outside walk hooks the product's window thread with WalkHookProc,
// so Windows loads this library into the product's process; its first call there, on that thread
// and between two messages, starts the same walk the simulator build takes in-process. The folder
// comes from the environment the outside walk gave the product.
#include <windows.h>

#include "simulator/ScreenWalk.h"

namespace {

bool started = false;

void StartOnce() {
    if (started) return;
    started = true;
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"SG731_WALK_FOLDER", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    vork::simulator::StartScreenWalk(folder);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    WalkHookProc(int code, WPARAM wParam, LPARAM lParam) {
    try {
        if (code == HC_ACTION) StartOnce();
    } catch (...) {}  // no walk then; the product goes on as a person left it
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
