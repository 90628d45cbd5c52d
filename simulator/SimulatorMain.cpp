// The simulator build of the updater: the real program, with a simulated machine described by a
// scenario file installed before the window is created.
//
//   SG731UpdaterSim.exe <scenario.json> [--dump <folder>] [--walk <folder>]
//
// --dump writes what each printer received when the program ends; --walk takes the wizard's road
// by itself and saves a picture of every screen it passes (for a machine without a person).
//
// A scenario that cannot be used ends the program with exit code 2 and a short message on standard
// error, shown in a box too when a person is there (without --walk). Whatever the strict machine
// found the program doing against Windows' rules is printed on standard error when it ends.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "platform/MachineRecord.h"
#include "platform/Platform.h"
#include "sim/Scenario.h"
#include "simulator/ScreenWalk.h"

namespace {

constexpr int kExitBadArguments = 2;

struct Options {
    std::wstring scenario;
    std::wstring dump;
    std::wstring walk;
    bool ok = false;
};

Options ParseArguments() {
    Options options;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return options;
    std::vector<std::wstring> args(argv + 1, argv + count);
    ::LocalFree(argv);
    if (args.empty()) return options;
    options.scenario = args[0];
    options.ok = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::wstring* target = args[i] == L"--dump"   ? &options.dump
                               : args[i] == L"--walk" ? &options.walk
                                                      : nullptr;
        if (!target || i + 1 >= args.size()) {
            options.ok = false;
            break;
        }
        *target = args[++i];
    }
    return options;
}

void Complain(const std::string& text, bool personPresent) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    if (!personPresent) return;
    const std::wstring wide(text.begin(), text.end());
    ::MessageBoxW(nullptr, wide.c_str(), L"SG731 Updater simulator", MB_ICONERROR | MB_OK);
}

void ReportViolations(const vork::sim::SimMachine& machine) {
    for (const std::string& violation : machine.Violations())
        std::fprintf(stderr, "VIOLATION: %s\n", violation.c_str());
    std::fflush(stderr);
}

}  // namespace

// The parameters carry the names the SDK declares; the previous instance and the command line are
// not used.
int WINAPI wWinMain(HINSTANCE hInstance, [[maybe_unused]] HINSTANCE hPrevInstance,
                    [[maybe_unused]] PWSTR lpCmdLine, int nShowCmd) {
    const Options options = ParseArguments();
    if (!options.ok) {
        Complain("Usage: SG731UpdaterSim.exe <scenario.json> [--dump <folder>] [--walk <folder>]",
                 true);
        return kExitBadArguments;
    }
    vork::sim::SimMachine machine;  // outlives the window, its device and the device's worker
    const auto loaded = vork::sim::LoadScenarioFile(machine, options.scenario);
    if (!loaded.ok) {
        Complain("The scenario cannot be used: " + loaded.error, options.walk.empty());
        return kExitBadArguments;
    }
    // The record tells a replay which clock the machine ran on; the scenario's name stays out.
    vork::RecordHead();
    vork::Record("simulator clock %s", machine.RealTime() ? "real" : "virtual");
    const vork::ScopedPlatform scope(machine);
    if (!options.walk.empty()) vork::simulator::StartScreenWalk(options.walk);
    int exitCode = vork::kExitNoWindow;
    try {
        exitCode = vork::RunApplication(hInstance, nShowCmd);
    } catch (...) {}
    ReportViolations(machine);
    if (!options.dump.empty() && !vork::sim::DumpPrinters(machine, options.dump)) return 1;
    return exitCode;
}
