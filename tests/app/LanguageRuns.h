#pragma once
// The interface languages the per-language runs start in: each run sets LC_ALL to one locale of the
// table (Wine takes the user's interface language from it), and the tests of the run look up what
// that language must show. The texts a run expects are read from the library file itself, never
// written into the test, so a table shows up exactly as it ships.
#include <windows.h>

#include <string>

namespace vork::test {

struct LanguageRun {
    const wchar_t* locale;
    LANGID language;      // the user's interface language in that locale
    const wchar_t* file;  // the library that language must load; null: the built-in English
};

inline constexpr LanguageRun kLanguageRuns[] = {
    {L"en_US.UTF-8", 0x0409, nullptr},
    {L"de_DE.UTF-8", 0x0407, L"SG731Updater7.dll"},
    {L"de_AT.UTF-8", 0x0C07, L"SG731Updater7.dll"},
    {L"fr_FR.UTF-8", 0x040C, L"SG731Updater12.dll"},
    {L"es_ES.UTF-8", 0x0C0A, L"SG731Updater10.dll"},
    {L"it_IT.UTF-8", 0x0410, L"SG731Updater16.dll"},
    {L"pt_BR.UTF-8", 0x0416, L"SG731Updater22.dll"},
    {L"nl_NL.UTF-8", 0x0413, L"SG731Updater19.dll"},
    {L"pl_PL.UTF-8", 0x0415, L"SG731Updater21.dll"},
    {L"ja_JP.UTF-8", 0x0411, L"SG731Updater17.dll"},
    {L"zh_CN.UTF-8", 0x0804, L"SG731Updater2052.dll"},
    // Traditional characters: the simplified table is not theirs, so the built-in English.
    {L"zh_TW.UTF-8", 0x0404, nullptr},
};

// The row of this run's LC_ALL, or null when the run was started in no locale of the table.
inline const LanguageRun* ThisLanguageRun() {
    wchar_t locale[64] = {};
    ::GetEnvironmentVariableW(L"LC_ALL", locale, 64);
    for (const LanguageRun& run : kLanguageRuns) {
        if (std::wstring(locale) == run.locale) return &run;
    }
    return nullptr;
}

}  // namespace vork::test
