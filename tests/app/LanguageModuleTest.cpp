// The choice of the language library: which of the two names is found, in which folder, and that
// a found library is used only for its texts.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "app/LanguageModule.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork {
namespace {

std::wstring SatelliteFolder(const wchar_t* name) {
    return ModuleFolder(nullptr) + L"satellites\\" + name + L"\\";
}

std::wstring FileOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

TEST(LanguageLibraryName, FormatsTheDecimalId) {
    EXPECT_EQ(LanguageLibraryName(1033), L"SG731Updater1033.dll");
    EXPECT_EQ(LanguageLibraryName(9), L"SG731Updater9.dll");
    EXPECT_EQ(LanguageLibraryName(0xFFFF), L"SG731Updater65535.dll");
}

struct ChoiceCase {
    LANGID language;
    const wchar_t* folder;
    const wchar_t* expectedFile;   // null: no library loads
    const wchar_t* expectedTitle;  // text 111 read from the library
};

class LanguageChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(LanguageChoice, LoadsTheFirstNameThatExists) {
    const ChoiceCase& c = GetParam();
    const LanguageModule module = LanguageModule::Load(c.language, SatelliteFolder(c.folder));
    if (c.expectedFile == nullptr) {
        EXPECT_FALSE(module.IsLoaded());
        EXPECT_EQ(module.Get(), nullptr);
        EXPECT_EQ(module.TextsOr(::GetModuleHandleW(nullptr)), ::GetModuleHandleW(nullptr));
        return;
    }
    ASSERT_TRUE(module.IsLoaded());
    EXPECT_EQ(FileOf(module.Path()), c.expectedFile);
    EXPECT_EQ(module.TextsOr(::GetModuleHandleW(nullptr)), module.Get());
    EXPECT_EQ(LoadText(module.Get(), IDS_TITLE, kTextChars), c.expectedTitle);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LanguageChoice,
    ::testing::Values(
        // British English: the whole id wins over the primary id when both exist.
        ChoiceCase{2057, L"full", L"SG731Updater2057.dll", L"from the full-id library"},
        // Only the primary-language library: found by the second attempt.
        ChoiceCase{2057, L"primary", L"SG731Updater9.dll", L"from the primary-id library"},
        ChoiceCase{1033, L"primary", L"SG731Updater9.dll", L"from the primary-id library"},
        ChoiceCase{3081, L"primary", L"SG731Updater9.dll", L"from the primary-id library"},
        // Another language, or no library at all: the built-in texts stay.
        ChoiceCase{1031, L"full", nullptr, nullptr}, ChoiceCase{2057, L"none", nullptr, nullptr},
        ChoiceCase{2057, L"no-such-folder", nullptr, nullptr}));

TEST(LanguageChoiceFolder, IgnoresALibraryOutsideTheProgramFolder) {
    // With the library in the current folder, a search by bare name would find it.
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(SatelliteFolder(L"primary").c_str()));
    const LanguageModule module = LanguageModule::ForUser(::GetModuleHandleW(nullptr));
    const LanguageModule explicitFolder = LanguageModule::Load(2057, ModuleFolder(nullptr));
    ::SetCurrentDirectoryW(previous);
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_FALSE(explicitFolder.IsLoaded());
}

TEST(LanguageChoiceFolder, AnEmptyFolderNeverFallsBackToTheSearchPath) {
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(SatelliteFolder(L"primary").c_str()));
    const LanguageModule module = LanguageModule::Load(2057, L"");
    ::SetCurrentDirectoryW(previous);
    EXPECT_FALSE(module.IsLoaded());
}

TEST(LanguageChoiceData, NoCodeOfTheLibraryRuns) {
    ::SetEnvironmentVariableW(L"SG731_SATELLITE_CODE_RAN", nullptr);
    const LanguageModule module = LanguageModule::Load(1033, SatelliteFolder(L"coded"));
    ASSERT_TRUE(module.IsLoaded());
    EXPECT_EQ(LoadText(module.Get(), IDS_TITLE, kTextChars), L"from the library with code");
    wchar_t mark[8] = {};
    EXPECT_EQ(::GetEnvironmentVariableW(L"SG731_SATELLITE_CODE_RAN", mark, 8), 0u)
        << "the library's entry point ran";
    // Mapped as data, the library is not a loaded module the process could call into.
    EXPECT_EQ(::GetModuleHandleW(module.Path().c_str()), nullptr);
}

HANDLE OpenForWriting(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
}

TEST(LanguageChoiceData, ReleasingTheLibraryUnmapsIt) {
    std::wstring path;
    {
        const LanguageModule module = LanguageModule::Load(2057, SatelliteFolder(L"primary"));
        ASSERT_TRUE(module.IsLoaded());
        path = module.Path();
        // While mapped, the file cannot be opened for exclusive writing.
        const HANDLE busy = OpenForWriting(path);
        EXPECT_EQ(busy, INVALID_HANDLE_VALUE);
        if (busy != INVALID_HANDLE_VALUE) ::CloseHandle(busy);
    }
    const HANDLE file = OpenForWriting(path);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << "the library is still mapped after its release";
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

TEST(UserInterfaceLanguage, FollowsTheLocaleOfTheRun) {
    // The bench runs with the locale CTest passes on; under Wine LC_ALL decides the language.
    wchar_t locale[64] = {};
    if (::GetEnvironmentVariableW(L"LC_ALL", locale, 64) == 0 ||
        std::wcscmp(locale, L"en_GB.UTF-8") != 0) {
        GTEST_SKIP() << "runs with LC_ALL=en_GB.UTF-8";
    }
    EXPECT_EQ(::GetUserDefaultUILanguage(), 2057);
}

}  // namespace
}  // namespace vork
