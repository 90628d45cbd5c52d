// The product as a user starts it: launched with a given interface language, it shows its centred
// window with the texts of that language, and ends with exit code 0 when Close is clicked.
//
// Under Wine a child process takes its interface language from the Unix locale the test itself was
// started with (an LC_ALL in the environment block passed to CreateProcessW does not change it), so
// the CTest entry runs this executable once per locale and each run checks the texts of its own.
#include <gtest/gtest.h>

#include <string>

#include "app/LanguageModule.h"
#include "ui/ResourceIds.h"

namespace vork {
namespace {

constexpr DWORD kSafetyNetMs = 60000;  // only reached by a hung program

std::wstring ProgramPath() {
    return ModuleFolder(nullptr) + SG731_PROGRAM_DIR L"\\SG731Updater.exe";
}

struct Found {
    DWORD processId;
    HWND hwnd;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM lParam) {
    auto* found = reinterpret_cast<Found*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    if (owner == found->processId && std::wstring(name) == L"SG731WINDOW") {
        found->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[256] = {};
    ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000,
                          nullptr);
    return text;
}

struct LanguageCase {
    const wchar_t* locale;
    const wchar_t* title;
    const wchar_t* heading;
    const wchar_t* close;
};

const LanguageCase* CaseForThisRun();

TEST(ProgramRun, ShowsTheLanguagesTextsAndEndsWithZeroOnClose) {
    const LanguageCase* run = CaseForThisRun();
    ASSERT_NE(run, nullptr) << "run with LC_ALL set to one of the locales of the table";
    const LanguageCase& c = *run;
    std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process))
        << "cannot start " << ::testing::PrintToString(ProgramPath());

    // Idle once the window is shown and the message loop waits for input.
    ::WaitForInputIdle(process.hProcess, kSafetyNetMs);
    Found found{process.dwProcessId, nullptr};
    ::EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&found));
    ASSERT_NE(found.hwnd, nullptr);

    EXPECT_EQ(TextOf(found.hwnd), c.title);
    EXPECT_EQ(TextOf(::GetDlgItem(found.hwnd, IDC_STEPS_HEADING)), c.heading);
    EXPECT_EQ(TextOf(::GetDlgItem(found.hwnd, IDC_CLOSE)), c.close);
    EXPECT_TRUE(::IsWindowVisible(found.hwnd));
    // This machine has no USB printer (Wine lists no printer interface and no host controller):
    // the No-printer screen, with its cross and its two lines, and nothing to update.
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(found.hwnd, IDC_STEPS_HEADING)));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(found.hwnd, IDC_UPDATE)));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(found.hwnd, IDC_STATUS_ICON)));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(found.hwnd, IDC_DETAIL1)));
    EXPECT_FALSE(TextOf(::GetDlgItem(found.hwnd, IDC_STATUS_TEXT)).empty());
    RECT outer{};
    ::GetWindowRect(found.hwnd, &outer);
    EXPECT_EQ(outer.left, (::GetSystemMetrics(SM_CXSCREEN) - 980) / 2);
    EXPECT_EQ(outer.top, (::GetSystemMetrics(SM_CYSCREEN) - 480) / 2);

    // Close, as a click on the button would: the program must end by itself with exit code 0.
    ::PostMessageW(::GetDlgItem(found.hwnd, IDC_CLOSE), BM_CLICK, 0, 0);
    const DWORD waited = ::WaitForSingleObject(process.hProcess, kSafetyNetMs);
    if (waited != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 99);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    DWORD exitCode = 99;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

constexpr LanguageCase kCases[] = {
    LanguageCase{L"en_US.UTF-8", L"VORK Stickograph 731 Software Updater",
                 L"Follow the instructions below to place the label printer into program mode:",
                 L"Close"},
    LanguageCase{L"de_DE.UTF-8", L"VORK Stickograph 731 Software-Aktualisierung",
                 L"Folgen Sie den Anweisungen unten, um den Etikettendrucker in den "
                 L"Programmiermodus zu versetzen:",
                 L"Schlie\u00DFen"},
    LanguageCase{L"de_AT.UTF-8", L"VORK Stickograph 731 Software-Aktualisierung",
                 L"Folgen Sie den Anweisungen unten, um den Etikettendrucker in den "
                 L"Programmiermodus zu versetzen:",
                 L"Schlie\u00DFen"},
    LanguageCase{L"fr_FR.UTF-8", L"Mise \u00E0 jour du logiciel VORK Stickograph 731",
                 L"Suivez les instructions ci-dessous pour mettre l\u2019imprimante "
                 L"d\u2019\u00E9tiquettes en mode programmation\u00A0:",
                 L"Fermer"},
    // No Italian library: the built-in English texts.
    LanguageCase{L"it_IT.UTF-8", L"VORK Stickograph 731 Software Updater",
                 L"Follow the instructions below to place the label printer into program mode:",
                 L"Close"}};

const LanguageCase* CaseForThisRun() {
    wchar_t locale[64] = {};
    ::GetEnvironmentVariableW(L"LC_ALL", locale, 64);
    for (const LanguageCase& c : kCases) {
        if (std::wstring(locale) == c.locale) return &c;
    }
    return nullptr;
}

}  // namespace
}  // namespace vork
