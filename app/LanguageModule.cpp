#include "app/LanguageModule.h"

#include <vector>

#include "ui/BoundedFormat.h"
#include "ui/Texts.h"

namespace vork {

namespace {

// Mapped as an image-resource data file: the loader neither runs the entry point nor resolves
// imports, and nothing in it is executable.
constexpr DWORD kAsData = LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;

}  // namespace

std::wstring LanguageLibraryName(unsigned languageId) {
    wchar_t name[kFileNameChars];
    FormatBounded(name, kFileNameChars, L"SG731Updater%d.dll", static_cast<int>(languageId));
    return name;
}

std::wstring ModuleFolder(HMODULE module) {
    // Long paths exceed MAX_PATH; grow until the whole name fits.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            std::wstring full(path.data(), length);
            const auto slash = full.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

LanguageModule LanguageModule::Load(LANGID languageId, const std::wstring& folder) {
    LanguageModule result;
    if (folder.empty()) return result;  // a bare name would be searched for: never
    for (unsigned id :
         {static_cast<unsigned>(languageId), static_cast<unsigned>(languageId & 0xFF)}) {
        const std::wstring path = folder + LanguageLibraryName(id);
        result.module_.Reset(::LoadLibraryExW(path.c_str(), nullptr, kAsData));
        if (result.module_) {
            result.path_ = path;
            break;
        }
    }
    return result;
}

LanguageModule LanguageModule::ForUser(HINSTANCE program) {
    return Load(::GetUserDefaultUILanguage(), ModuleFolder(program));
}

}  // namespace vork
