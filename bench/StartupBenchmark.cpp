// Start-up to first paint: from CreateProcess to a visible main window with nothing left to paint,
// for the product exe and for a bare window program built the same way, in pairs whose order
// alternates so that a drift of the machine's load falls on both alike. Prints each program's
// median and quartiles and those of the pairs' ratios; asserts nothing.
//   startup_bench <product.exe> <bare.exe> [pairs]
// Both run without a standard output (as from Explorer) and are ended once painted.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindShown(HWND hwnd, LPARAM parameter) {
    auto* found = reinterpret_cast<Found*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != found->process || !::IsWindowVisible(hwnd)) return TRUE;
    found->window = hwnd;
    return FALSE;
}

struct Start {
    double ms;     // from CreateProcess to the first paint; negative when it did not come in 30 s
    double cpuMs;  // the program's own CPU time (kernel and user) by then
};

// The child's CPU time (kernel and user) from the system's list of processes. GetProcessTimes of
// another process would do on Windows, but Wine answers it with the caller's own times.
double CpuMs(DWORD processId) {
    std::vector<unsigned char> buffer(256 * 1024);
    ULONG needed = 0;
    NTSTATUS status = 0;
    while ((status = ::NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                                static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
    }
    if (status < 0) return -1;
    for (std::size_t at = 0;;) {
        SYSTEM_PROCESS_INFORMATION entry;
        std::memcpy(&entry, buffer.data() + at, sizeof entry);
        if (reinterpret_cast<ULONG_PTR>(entry.UniqueProcessId) == processId)
            return static_cast<double>(entry.KernelTime.QuadPart + entry.UserTime.QuadPart) /
                   10000.0;
        if (entry.NextEntryOffset == 0) return -1;
        at += entry.NextEntryOffset;
    }
}

// From CreateProcess to the first moment the program's visible top-level window has no region left
// to paint.
Start TimeToFirstPaint(const std::wstring& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // no standard handles at all
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    LARGE_INTEGER frequency, begin, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&begin);
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        return {-1, -1};
    }
    double ms = -1;
    for (;;) {
        ::QueryPerformanceCounter(&now);
        const double elapsed = 1000.0 * (now.QuadPart - begin.QuadPart) / frequency.QuadPart;
        Found found{process.dwProcessId, nullptr};
        ::EnumWindows(FindShown, reinterpret_cast<LPARAM>(&found));
        if (found.window && !::GetUpdateRect(found.window, nullptr, FALSE)) {
            ms = elapsed;
            break;
        }
        if (elapsed > 30000 || ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        ::Sleep(1);
    }
    const double cpuMs = CpuMs(process.dwProcessId);
    ::TerminateProcess(process.hProcess, 0);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return {ms, cpuMs};
}

double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const auto low = static_cast<std::size_t>(at);
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (at - static_cast<double>(low)) * (values[high] - values[low]);
}

void PrintRow(const char* what, const std::vector<double>& values, const char* unit) {
    std::printf("| %s | %.2f%s | %.2f%s | %.2f%s | %.2f%s | %.2f%s |\n", what,
                Quantile(values, 0.5), unit, Quantile(values, 0.25), unit, Quantile(values, 0.75),
                unit, Quantile(values, 0.0), unit, Quantile(values, 1.0), unit);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench <product.exe> <bare.exe> [pairs]\n");
        return 2;
    }
    const int pairs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 25;
    // One start of each first, unmeasured: the first start of a program also fills the caches.
    TimeToFirstPaint(argv[1]);
    TimeToFirstPaint(argv[2]);
    std::vector<double> product, bare, ratio, productCpu, bareCpu, cpuRatio;
    for (int i = 0; i < pairs; ++i) {
        const bool productFirst = i % 2 == 0;
        const Start a = TimeToFirstPaint(productFirst ? argv[1] : argv[2]);
        const Start b = TimeToFirstPaint(productFirst ? argv[2] : argv[1]);
        const Start& p = productFirst ? a : b;
        const Start& w = productFirst ? b : a;
        if (p.ms < 0 || w.ms < 0) {
            std::fprintf(stderr, "pair %d: a program did not paint within 30 s\n", i + 1);
            return 1;
        }
        product.push_back(p.ms);
        bare.push_back(w.ms);
        ratio.push_back(p.ms / w.ms);
        productCpu.push_back(p.cpuMs);
        bareCpu.push_back(w.cpuMs);
        if (w.cpuMs > 0) cpuRatio.push_back(p.cpuMs / w.cpuMs);
    }
    std::printf("%d pairs, start-up to first paint (the programs' CPU time by then below)\n\n",
                pairs);
    std::printf("| | median | lower quartile | upper quartile | least | most |\n");
    std::printf("|---|---|---|---|---|---|\n");
    PrintRow("product exe", product, " ms");
    PrintRow("bare window", bare, " ms");
    PrintRow("ratio of a pair", ratio, "");
    PrintRow("product exe, CPU", productCpu, " ms");
    PrintRow("bare window, CPU", bareCpu, " ms");
    if (!cpuRatio.empty()) PrintRow("ratio of a pair, CPU", cpuRatio, "");
    return 0;
}
