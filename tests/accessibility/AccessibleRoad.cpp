// A screen reader's view of one road through the wizard, from outside the program: starts the
// simulator build on a scenario, reads every visible element of each screen through Active
// Accessibility, presses the buttons as a person would (Update; Retry after a failure; Close at
// the end), and checks what a reader was told:
// - every visible element has a name, but one hidden from assistive technology (where the system
//   keeps no annotations, the footer, which the program hides by annotation alone);
// - the status image is named by the status line beside it, in the window's language;
// - the status line announces each progress step once and then the result, its detail lines
//   announce themselves, and no line announces one text twice in a row.
// The texts expected are read from the language library the program itself chooses.
//
//   AccessibleRoad.exe <SG731UpdaterSim.exe> <scenario.json> success|retry|noprinter [--satellite]
//
// success: Ready, Update, Updating, Success, Close; retry: the same through a failure and Retry;
// noprinter: the No-printer screen, read out as the window opens, and Close.
//
// --satellite: fail unless a language library serves the user's interface language. Exit code 0
// when every check passed, 1 when one failed, 2 for bad arguments, 3 when the road was not taken.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/LanguageModule.h"
#include "tests/accessibility/AccessibleWindow.h"
#include "tests/accessibility/AnnouncementChecks.h"
#include "ui/ResourceIds.h"

namespace vork::test {
namespace {

constexpr DWORD kWaitMs = 120000;

HWND FindMain(DWORD process) {
    for (HWND w = ::GetTopWindow(nullptr); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == process && ::IsWindowVisible(w) && ::GetDlgItem(w, IDC_CLOSE)) return w;
    }
    return nullptr;
}

bool Shown(HWND main, int id) { return ::IsWindowVisible(::GetDlgItem(main, id)) != FALSE; }

std::wstring TextOf(HWND main, int id) {
    wchar_t text[256] = {};
    ::GetWindowTextW(::GetDlgItem(main, id), text, 256);
    return text;
}

// The screen the window shows, by what a person sees; empty between screens.
std::string ScreenOf(HWND main, const WindowTexts& texts) {
    if (!::IsWindowEnabled(::GetDlgItem(main, IDC_CLOSE))) return "Updating";
    if (Shown(main, IDC_UPDATE)) return "Ready";
    if (Shown(main, IDC_RETRY)) return "Failure";
    if (TextOf(main, IDC_STATUS_TEXT) == texts.success) return "Success";
    if (TextOf(main, IDC_STATUS_TEXT) == texts.noPrinter) return "No printer";
    return "";
}

void Print(const std::string& screen, const std::vector<Element>& elements) {
    std::printf("screen %s\n", screen.c_str());
    for (const Element& e : elements) {
        std::printf("  element %d role %ld state 0x%lx name \"%s\"\n", e.id, e.role, e.state,
                    Utf8(e.name).c_str());
    }
}

struct Road {
    std::vector<std::string> screens;  // as entered
    std::vector<Element> lastElements;
    size_t eventsAtClick = 0;
    bool ended = false;
};

// Takes the road: presses `press` on entering a screen that calls for it, until Success is
// entered and Close pressed, or the program ends, or time runs out.
void Walk(HWND main, const WindowTexts& texts, const EventRecorder& recorder, bool annotations,
          Road& road, Checks& checks) {
    std::string current;
    for (ULONGLONG end = ::GetTickCount64() + kWaitMs;
         ::GetTickCount64() < end && ::IsWindow(main);) {
        Pump(10);
        const std::string screen = ScreenOf(main, texts);
        if (screen.empty() || screen == current) continue;
        current = screen;
        road.screens.push_back(screen);
        road.lastElements = ReadElements(main);
        Print(screen, road.lastElements);
        checks.Elements(screen, road.lastElements, TextOf(main, IDC_STATUS_TEXT), annotations);
        int press = 0;
        if (screen == "Ready") press = IDC_UPDATE;
        if (screen == "Failure") press = IDC_RETRY;
        if (screen == "Success" || screen == "No printer") press = IDC_CLOSE;
        if (press == 0) continue;
        Pump(300);  // the announcements of the screen arrive before the next press
        if (screen == "Ready") road.eventsAtClick = recorder.Events().size();
        ::PostMessageW(::GetDlgItem(main, press), BM_CLICK, 0, 0);
        if (press == IDC_CLOSE) {
            road.ended = true;
            return;
        }
    }
}

int Run(const std::vector<std::wstring>& args) {
    const std::wstring& program = args[0];
    const std::string roadName(args[2].begin(), args[2].end());
    const bool satellite = args.size() > 3 && args[3] == L"--satellite";
    const HMODULE builtIn = ::LoadLibraryExW(
        program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    const LanguageModule language = LanguageModule::Load(
        ::GetUserDefaultUILanguage(), program.substr(0, program.find_last_of(L"\\/") + 1));
    std::printf("interface language %u, texts from %s\n", ::GetUserDefaultUILanguage(),
                language.IsLoaded() ? Utf8(language.Path()).c_str() : "the program itself");
    if (builtIn == nullptr || (satellite && !language.IsLoaded())) return 3;
    const WindowTexts texts = WindowTexts::From(language.TextsOr(builtIn));
    const bool annotations = AnnotationsHonoured();
    std::printf("annotations kept by this system: %s\n", annotations ? "yes" : "no");

    std::wstring commandLine = L"\"" + program + L"\" \"" + args[1] + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_SUSPENDED, nullptr, nullptr, &startup, &child))
        return 3;
    EventRecorder recorder;
    const bool hooked = recorder.Start(child.dwProcessId);
    ::ResumeThread(child.hThread);
    HWND main = nullptr;
    for (ULONGLONG end = ::GetTickCount64() + kWaitMs; !main && ::GetTickCount64() < end;) {
        Pump(20);
        main = FindMain(child.dwProcessId);
    }
    recorder.Watch(main);
    Road road;
    Checks checks(texts);
    if (hooked && main != nullptr) Walk(main, texts, recorder, annotations, road, checks);
    if (::WaitForSingleObject(child.hProcess, 30000) != WAIT_OBJECT_0)
        ::TerminateProcess(child.hProcess, 4);
    Pump(200);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    if (!road.ended) return 3;

    const auto& events = recorder.Events();
    for (const Event& e : events)
        std::printf("event %s %d \"%s\"\n", EventName(e.event).c_str(), e.id, Utf8(e.name).c_str());
    checks.Screens(road.screens, roadName);
    checks.Announcements(std::vector<Event>(events.begin() + road.eventsAtClick, events.end()),
                         roadName);
    return checks.Report();
}

}  // namespace
}  // namespace vork::test

int wmain() {
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; argv != nullptr && i < count; ++i) args.emplace_back(argv[i]);
    ::LocalFree(argv);
    if (args.size() < 3 ||
        (args[2] != L"success" && args[2] != L"retry" && args[2] != L"noprinter"))
        return 2;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = vork::test::Run(args);
    ::CoUninitialize();
    return result;
}
