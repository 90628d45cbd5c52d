// The walk from outside the product: starts a program, waits for its main window, and hooks the
// window's thread with the walk's hook library, which takes the wizard's road as a person would
// (Update, Retry once, Close) and saves screens.txt and a picture of each screen entered into the
// folder. The program itself is run as it ships; its standard output is this program's, so its
// machine record goes where this program's output goes.
//
//   OutsideWalk.exe <walk folder> <program.exe> [its arguments...]
//
// Exit code: the program's own once it ends; 2 for bad arguments; 3 when it could not be started,
// showed no window or was not hooked; 4 when it had to be ended after its time.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "ui/ResourceIds.h"

namespace {

constexpr DWORD kWindowWaitMs = 60000;  // a program start under an emulator takes seconds
constexpr DWORD kWalkWaitMs = 180000;
constexpr DWORD kLookEveryMs = 20;

std::wstring Quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    for (wchar_t c : arg) out += c == L'"' ? std::wstring(L"\\\"") : std::wstring(1, c);
    return out + L"\"";
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindMain(HWND hwnd, LPARAM param) {
    auto* const search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    if (process != search->process || ::GetWindow(hwnd, GW_OWNER) ||
        !::GetDlgItem(hwnd, IDC_CLOSE) || !::IsWindowVisible(hwnd)) {
        return TRUE;
    }
    search->found = hwnd;
    return FALSE;
}

HWND WaitForMainWindow(const PROCESS_INFORMATION& program) {
    for (DWORD waited = 0; waited < kWindowWaitMs; waited += kLookEveryMs) {
        Search search{program.dwProcessId, nullptr};
        ::EnumWindows(&FindMain, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (::WaitForSingleObject(program.hProcess, kLookEveryMs) == WAIT_OBJECT_0) break;
    }
    return nullptr;
}

std::wstring HookLibraryPath() {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"SG731WalkHook.dll";
}

bool Start(const std::vector<std::wstring>& args, PROCESS_INFORMATION& program) {
    std::wstring commandLine;
    for (std::size_t i = 1; i < args.size(); ++i)
        commandLine += (i > 1 ? L" " : L"") + Quoted(args[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    return ::SetEnvironmentVariableW(L"SG731_WALK_FOLDER", args[0].c_str()) &&
           ::CreateProcessW(args[1].c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            nullptr, &startup, &program);
}

int Fail(const char* what) {
    std::fprintf(stderr, "OutsideWalk: %s (error %lu)\n", what, ::GetLastError());
    return 3;
}

// Ends a program the walk cannot go on with: nothing of it may be left running.
int Abandon(HANDLE process, const char* what) {
    const int result = Fail(what);
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, INFINITE);
    return result;
}

int Walk(const std::vector<std::wstring>& args) {
    PROCESS_INFORMATION started{};
    if (!Start(args, started)) return Fail("the program could not be started");
    const vork::KernelHandle process(started.hProcess);
    const vork::KernelHandle thread(started.hThread);
    const HWND window = WaitForMainWindow(started);
    if (!window) return Abandon(process.Get(), "the program showed no window");
    const vork::LibraryModule library(::LoadLibraryW(HookLibraryPath().c_str()));
    const auto proc = reinterpret_cast<HOOKPROC>(
        library ? reinterpret_cast<void*>(::GetProcAddress(library.Get(), "WalkHookProc"))
                : nullptr);
    const DWORD windowThread = ::GetWindowThreadProcessId(window, nullptr);
    HHOOK hook =
        proc ? ::SetWindowsHookExW(WH_GETMESSAGE, proc, library.Get(), windowThread) : nullptr;
    if (!hook) return Abandon(process.Get(), "the program's window could not be hooked");
    ::PostMessageW(window, WM_NULL, 0, 0);  // the hook's first call starts the walk
    int result = 0;
    if (::WaitForSingleObject(process.Get(), kWalkWaitMs) != WAIT_OBJECT_0) {
        Abandon(process.Get(), "the walk did not end; the program is ended");
        result = 4;
    } else {
        DWORD code = 0;
        ::GetExitCodeProcess(process.Get(), &code);
        result = static_cast<int>(code);
    }
    ::UnhookWindowsHookEx(hook);
    return result;
}

}  // namespace

int wmain() {
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return 2;
    const std::vector<std::wstring> args(argv + 1, argv + count);
    ::LocalFree(argv);
    if (args.size() < 2) {
        std::fprintf(stderr, "Usage: OutsideWalk.exe <walk folder> <program.exe> [arguments...]\n");
        return 2;
    }
    try {
        return Walk(args);
    } catch (...) {
        return Fail("out of memory");
    }
}
