// The wizard window's own costs, in-process over the simulated machine: CPU while the Updating
// screen animates at 100 % and 200 %, what a standing screen (Ready, Success) costs and how often
// it wakes, and a long session (100 failed transfers each ended by Retry, then 100 changes of the
// display scale) with the process's private bytes, GDI objects and USER objects after each tenth.
// Prints Markdown tables; asserts nothing.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/WindowClass.h"
#include "platform/GdiplusSession.h"
#include "platform/Platform.h"
#include "sim/PrinterOnBus.h"
#include "sim/SimMachine.h"
#include "ui/ResourceIds.h"
#include "ui/WizardWindow.h"

namespace {

using namespace vork;

constexpr wchar_t kClassName[] = L"SG731BENCH";
constexpr DWORD kMeasureMs = 10000;

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

int ThreadCount() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == ::GetCurrentProcessId();
    }
    ::CloseHandle(snapshot);
    return count;
}

// Handles the window's messages for `ms`, as its message loop would; returns how many times the
// window's thread was woken by something to handle.
int Pump(DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    int wakes = 0;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        const DWORD woke = ::MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                                       static_cast<DWORD>(end - now), QS_ALLINPUT);
        wakes += woke == WAIT_OBJECT_0;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return wakes;
}

// One wizard window over its own simulated machine with one Old printer that needs the update.
class Session {
public:
    Session(DWORD latencyMs, bool everyTransferFails, bool animation = true) {
        machine_.SetRealTime(latencyMs > 0);
        sim::PrinterOnBus d;
        d.product = 0x0020;
        d.printer.name = "printer";
        d.printer.revisionReply = sim::RevisionReply("d0A");
        d.printer.latencyMs = latencyMs;
        // Revision reads write once per open, so every open's second write is the image's.
        if (everyTransferFails) d.printer.writes[1] = {sim::RequestScript::Kind::RefuseAtOnce};
        sim::AttachPrinter(machine_, sim::RootHubOf(machine_).Port(1), d);
        WizardOptions options;
        options.animation = animation;
        window_ = std::make_unique<WizardWindow>(::GetModuleHandleW(nullptr),
                                                 ::GetModuleHandleW(nullptr), options);
        hwnd_ = window_->Create(kClassName, 0, 0);
        ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        Pump(300);
    }
    ~Session() {
        if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
        Pump(50);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool IsOpen() const { return hwnd_ != nullptr; }
    // The DPI the window is laid out at: the largest up to the one asked that its screen holds.
    UINT Dpi() const { return window_->Dpi(); }
    bool IsTransferRunning() const { return window_->IsTransferRunning(); }
    void Click(int id) {
        ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(window_->Control(id)));
    }
    void ScaleTo(UINT dpi) {
        RECT suggested{0, 0, ::MulDiv(980, static_cast<int>(dpi), 96),
                       ::MulDiv(480, static_cast<int>(dpi), 96)};
        ::SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        Pump(20);
    }
    // The simulated machine's own log of calls is emptied: its growth is not the window's.
    bool PumpUntilTransferEnds() {
        for (int i = 0; i < 2000 && IsTransferRunning(); ++i) Pump(10);
        Pump(10);
        machine_.ClearLog();
        return !IsTransferRunning();
    }

private:
    sim::SimMachine machine_;
    ScopedPlatform scope_{machine_};
    std::unique_ptr<WizardWindow> window_;
    HWND hwnd_ = nullptr;
};

struct Standing {
    double cpuShare;  // of one core, in percent
    double wakesPerSecond;
    int threads;
};

Standing Measure() {
    const int threads = ThreadCount();
    const double before = ProcessCpuMs();
    const int wakes = Pump(kMeasureMs);
    return {100.0 * (ProcessCpuMs() - before) / kMeasureMs, wakes * 1000.0 / kMeasureMs, threads};
}

void PrintStanding(const char* screen, UINT dpi, const Standing& s) {
    std::printf("| %s | %u %% | %.2f %% | %.1f | %d |\n", screen, dpi * 100 / 96, s.cpuShare,
                s.wakesPerSecond, s.threads);
}

// Ready, then Updating for two spans of 10 s (a printer that takes 2 s over each of the transfer's
// 11 writes), then Success; without the animation, Updating only, to tell its share from the rest.
// The first span holds the animation's one-time work (each frame scaled once to the DPI as it is
// first shown); the second is what it costs from then on.
void ScreensAt(UINT asked, bool animation) {
    Session session(2000, false, animation);
    if (!session.IsOpen()) return;
    if (asked != 96) session.ScaleTo(asked);
    const UINT dpi = session.Dpi();
    if (animation) PrintStanding("Ready", dpi, Measure());
    session.Click(IDC_UPDATE);
    Pump(200);
    const char* const spans[] = {"first 10 s", "10 to 20 s"};
    for (const char* span : spans) {
        const bool running = session.IsTransferRunning();
        const Standing updating = Measure();
        std::string screen = animation ? "Updating (animated), " : "Updating, no animation, ";
        screen += span;
        if (!running || !session.IsTransferRunning()) {
            std::printf("| %s | %u %% | the transfer did not last | | |\n", screen.c_str(),
                        dpi * 100 / 96);
        } else {
            PrintStanding(screen.c_str(), dpi, updating);
        }
    }
    session.PumpUntilTransferEnds();
    if (!animation) return;
    Pump(200);
    PrintStanding("Success", dpi, Measure());
}

// Wine answers GetGuiResources with 0. There the GDI objects are counted in the process's own GDI
// handle table, which Wine keeps where Windows does (the PEB's GdiSharedHandleTable), in entries of
// 24 bytes whose type byte, at 14, is 0 for a free one; and the USER objects, which Wine keeps in its
// server, are counted as the process's windows, the only ones the program makes more of.
DWORD GdiObjects() {
    if (const DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    PROCESS_BASIC_INFORMATION basic{};
    if (::NtQueryInformationProcess(::GetCurrentProcess(), ProcessBasicInformation, &basic,
                                    sizeof basic, nullptr) != 0) {
        return 0;
    }
    const auto* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const BYTE* table =
        *reinterpret_cast<const BYTE* const*>(peb + (sizeof(void*) == 8 ? 0xF8 : 0x94));
    if (table == nullptr) return 0;
    DWORD count = 0;
    for (std::size_t i = 0; i < 0x10000; ++i) count += table[i * 24 + 14] != 0;
    return count;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM parameter) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != ::GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<DWORD*>(parameter);
    ::EnumChildWindows(hwnd, CountWindow, parameter);
    return TRUE;
}

DWORD UserObjects() {
    if (const DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)) return n;
    DWORD count = 0;
    ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

void PrintResources(const char* what, int n) {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(::GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    // Wine leaves PrivateUsage at 0 and fills PagefileUsage, which Windows gives the same value.
    const SIZE_T privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    const DWORD gdi = GdiObjects();
    std::printf("| %s | %d | %llu | %llu | %s | %lu |\n", what, n,
                static_cast<unsigned long long>(privateBytes / 1024),
                static_cast<unsigned long long>(memory.WorkingSetSize / 1024),
                gdi ? std::to_string(gdi).c_str() : "not counted", UserObjects());
}

void LongSession() {
    std::printf(
        "\n| after | n | private KB | working set KB | GDI objects | USER objects |\n"
        "|---|---|---|---|---|---|\n");
    Session session(0, true);
    if (!session.IsOpen()) return;
    PrintResources("opening", 0);
    session.Click(IDC_UPDATE);
    for (int n = 1; n <= 100; ++n) {
        if (!session.PumpUntilTransferEnds()) {
            std::printf("| a transfer did not end | %d | | | |\n", n);
            return;
        }
        if (n % 10 == 0) PrintResources("failures and Retries", n);
        session.Click(IDC_RETRY);
    }
    session.PumpUntilTransferEnds();
    for (int n = 1; n <= 100; ++n) {
        session.ScaleTo(n % 2 ? 144 : 96);
        if (n % 10 == 0) PrintResources("changes of scale", n);
    }
}

}  // namespace

int wmain() {
    // As from Explorer: the window's machine record goes nowhere; the tables keep the C runtime's
    // standard output, taken at start-up.
    ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    GdiplusSession gdiplus;
    if (!gdiplus.IsStarted() || !RegisterMainWindowClass(::GetModuleHandleW(nullptr), kClassName)) {
        std::fprintf(stderr, "GDI+ or the window class did not start\n");
        return 1;
    }
    std::printf(
        "| screen | scale | CPU, share of one core | wakes of the window's thread per s |"
        " threads |\n|---|---|---|---|---|\n");
    for (const UINT dpi : {96u, 192u}) {
        ScreensAt(dpi, true);
        ScreensAt(dpi, false);
    }
    LongSession();
    return 0;
}
