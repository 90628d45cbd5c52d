#pragma once
// The choice of the language library: the satellite whose string table replaces the built-in one
// for the user's interface language. Two names are tried, "SG731Updater<id>.dll" with the whole
// language id, then with its low 8 bits (the primary language, so one German library serves every
// German variant).
//
// A library is looked for only in the program's own folder, by its full path, and mapped as data:
// no search path can hand the program a planted file, and no code of the library ever runs. Only
// its resources are read.
#include <windows.h>

#include <string>

#include "platform/Handles.h"

namespace vork {

// The file name tried for `languageId`: "SG731Updater%d.dll" formatted into 260 characters.
std::wstring LanguageLibraryName(unsigned languageId);

// The folder that holds `module`'s file, with a trailing backslash; empty when it cannot be read.
std::wstring ModuleFolder(HMODULE module);

class LanguageModule {
public:
    LanguageModule() = default;

    // Tries the two names for `languageId` in `folder` (which ends in a backslash); holds nothing
    // when neither loads.
    static LanguageModule Load(LANGID languageId, const std::wstring& folder);
    // The same for the user's interface language, in the folder of `program`.
    static LanguageModule ForUser(HINSTANCE program);

    bool IsLoaded() const { return module_.IsValid(); }
    // The loaded library, or null.
    HMODULE Get() const { return module_.Get(); }
    // The module to read texts from: the library, or `program` when none loaded.
    HMODULE TextsOr(HINSTANCE program) const { return IsLoaded() ? module_.Get() : program; }
    // The full path of the loaded library, empty when none loaded.
    const std::wstring& Path() const { return path_; }

private:
    LibraryModule module_;
    std::wstring path_;
};

}  // namespace vork
