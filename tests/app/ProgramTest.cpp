// The product as a user starts it: launched with a given interface language, it shows its centred
// window with the texts of that language, and ends with exit code 0 when Close is clicked.
//
// Under Wine a child process takes its interface language from the Unix locale the test itself was
// started with (an LC_ALL in the environment block passed to CreateProcessW does not change it), so
// each CTest entry runs this executable in one locale and checks the texts of that language, read
// from its library file (tests/app/LanguageRuns.h).
#include <gtest/gtest.h>

#include <string>

#include "app/LanguageModule.h"
#include "platform/Handles.h"
#include "tests/app/LanguageRuns.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

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

TEST(ProgramRun, ShowsTheLanguagesTextsAndEndsWithZeroOnClose) {
    const test::LanguageRun* run = test::ThisLanguageRun();
    ASSERT_NE(run, nullptr) << "run with LC_ALL set to a locale of tests/app/LanguageRuns.h";
    // The texts this language must show, from its library file (none: the built-in English).
    LibraryModule library;
    if (run->file != nullptr) {
        const std::wstring file = ModuleFolder(nullptr) + SG731_PROGRAM_DIR L"\\" + run->file;
        library.Reset(::LoadLibraryExW(file.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(library.IsValid());
    }
    const HMODULE texts = library.IsValid() ? library.Get() : ::GetModuleHandleW(nullptr);
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

    EXPECT_EQ(TextOf(found.hwnd), LoadText(texts, IDS_WINDOW_TITLE, kTextChars));
    EXPECT_EQ(TextOf(::GetDlgItem(found.hwnd, IDC_STEPS_HEADING)),
              LoadText(texts, IDS_STEPS_HEADING, kTextChars));
    EXPECT_EQ(TextOf(::GetDlgItem(found.hwnd, IDC_CLOSE)),
              LoadText(texts, IDS_CLOSE, kCaptionChars));
    EXPECT_EQ(TextOf(::GetDlgItem(found.hwnd, IDC_STATUS_TEXT)),
              LoadText(texts, IDS_NO_PRINTER, kTextChars));
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

}  // namespace
}  // namespace vork
