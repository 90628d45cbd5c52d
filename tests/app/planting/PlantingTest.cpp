// A gdiplus.dll planted beside the program (say, in a download folder) is never loaded: the program
// narrows its DLL search to the system folder before GDI+ is delay-loaded. The control case shows
// that the planted library would be loaded by a program that imports GDI+ statically.
//
// Wine prefers its built-in gdiplus; for the two programs run here each test tells it to prefer a
// native one, as Windows does (a per-program setting that Windows itself ignores).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ui/ResourceIds.h"

namespace {

constexpr DWORD kSafetyNetMs = 20000;

std::wstring Folder(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring Here() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return Folder(path);
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder holding a copy of `program` and the planted library.
std::wstring PlantBeside(const std::wstring& program, const wchar_t* folderName) {
    const std::wstring folder = Here() + folderName + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::DeleteFileW((folder + L"planted.txt").c_str());
    const std::wstring name = program.substr(program.find_last_of(L'\\') + 1);
    EXPECT_TRUE(::CopyFileW(program.c_str(), (folder + name).c_str(), FALSE));
    EXPECT_TRUE(
        ::CopyFileW((Here() + L"gdiplus.dll").c_str(), (folder + L"gdiplus.dll").c_str(), FALSE));
    return folder + name;
}

// Native libraries first for one program name, while the object lives.
class NativeGdiplusFor {
public:
    explicit NativeGdiplusFor(const std::wstring& exe)
        : key_(L"Software\\Wine\\AppDefaults\\" + exe) {
        const std::wstring overrides = key_ + L"\\DllOverrides";
        const wchar_t value[] = L"native,builtin";
        ::RegSetKeyValueW(HKEY_CURRENT_USER, overrides.c_str(), L"gdiplus", REG_SZ, value,
                          sizeof value);
    }
    ~NativeGdiplusFor() { ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

private:
    std::wstring key_;
};

struct Process {
    PROCESS_INFORMATION info{};
    explicit Process(const std::wstring& path) {
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        const std::wstring folder = Folder(path);
        ok = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &info) != FALSE;
    }
    ~Process() {
        if (!ok) return;
        if (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(info.hProcess, 99);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
    bool ok = false;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM lParam) {
    auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != found->first || !::GetDlgItem(hwnd, IDC_CLOSE)) return TRUE;
    found->second = hwnd;
    return FALSE;
}

TEST(DllPlanting, AStaticImportLoadsThePlantedLibrary) {
    const std::wstring program = PlantBeside(Here() + L"StaticImporter.exe", L"static-import");
    const NativeGdiplusFor nativeFirst(L"StaticImporter.exe");
    Process run(program);
    ASSERT_TRUE(run.ok);
    ASSERT_EQ(::WaitForSingleObject(run.info.hProcess, kSafetyNetMs), WAIT_OBJECT_0);
    EXPECT_TRUE(Exists(Folder(program) + L"planted.txt"))
        << "the planted library was not loaded, so the product's case below proves nothing";
}

TEST(DllPlanting, TheUpdaterNeverLoadsThePlantedLibrary) {
    const std::wstring program =
        PlantBeside(Here() + SG731_PROGRAM_DIR L"\\SG731Updater.exe", L"download");
    const NativeGdiplusFor nativeFirst(L"SG731Updater.exe");
    Process run(program);
    ASSERT_TRUE(run.ok);
    // Idle means the window is up: GDI+ was started (and so loaded) before it was created.
    ::WaitForInputIdle(run.info.hProcess, kSafetyNetMs);
    std::pair<DWORD, HWND> found{run.info.dwProcessId, nullptr};
    ::EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&found));
    ASSERT_NE(found.second, nullptr) << "the updater did not start";
    EXPECT_FALSE(Exists(Folder(program) + L"planted.txt"));
    ::PostMessageW(::GetDlgItem(found.second, IDC_CLOSE), BM_CLICK, 0, 0);
    ASSERT_EQ(::WaitForSingleObject(run.info.hProcess, kSafetyNetMs), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    ::GetExitCodeProcess(run.info.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
