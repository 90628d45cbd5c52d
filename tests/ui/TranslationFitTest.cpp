// The shipped language libraries: complete, and every line fits the one-line control that shows it
// in the default control font, as the built-in English lines do.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/LanguageModule.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/BoundedFormat.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork {
namespace {

using test::ProgramModule;

struct Use {
    UINT textId;
    int controlId;
    const wchar_t* format;  // how the text is shown on that control
};

// Each text on the control that shows it; the buttons keep room for their borders.
constexpr Use kUses[] = {
    {IDS_TITLE, IDC_TITLE, L"%s"},
    {IDS_UPDATE, IDC_UPDATE, L"%s"},
    {IDS_CLOSE, IDC_CLOSE, L"%s"},
    {IDS_RETRY, IDC_RETRY, L"%s"},
    {IDS_UP_TO_DATE, IDC_STATUS_TEXT, L"%s"},
    {IDS_COPYING, IDC_STATUS_TEXT, L"%s (100%%)"},
    {IDS_SUCCESS, IDC_STATUS_TEXT, L"%s"},
    {IDS_SUCCESS_DETAIL1, IDC_DETAIL1, L"%s"},
    {IDS_SUCCESS_DETAIL2, IDC_DETAIL2, L"%s"},
    {IDS_FAILURE, IDC_STATUS_TEXT, L"%s"},
    {IDS_CHECK_CONNECTED, IDC_DETAIL1, L"- %s"},
    {IDS_CHECK_PROGRAM_MODE, IDC_DETAIL2, L"- %s"},
    {IDS_STEPS_HEADING, IDC_STEPS_HEADING, L"%s"},
    {IDS_STEP1, IDC_STEP1, L"%s"},
    {IDS_STEP2, IDC_STEP2, L"%s"},
    {IDS_STEP3, IDC_STEP3, L"%s"},
    {IDS_STEP4, IDC_STEP4, L"%s"},
    {IDS_STEP5, IDC_STEP5, L"%s"},
    {IDS_STEP6, IDC_STEP6, L"%s"},
    {IDS_STEP7, IDC_STEP7, L"%s"},
    {IDS_SEVERAL, IDC_STATUS_TEXT, L"%s"},
    {IDS_SEVERAL_DETAIL1, IDC_DETAIL1, L"%s"},
    {IDS_SEVERAL_DETAIL2, IDC_DETAIL2, L"%s"},
    {IDS_WRONG_MODE, IDC_STATUS_TEXT, L"%s"},
    {IDS_WRONG_MODE_DETAIL, IDC_DETAIL1, L"%s"},
    {IDS_NO_PRINTER, IDC_STATUS_TEXT, L"%s"},
};

constexpr UINT kAllIds[] = {104, 110, 111, 112, 113, 114, 115, 116, 117, 118,
                            119, 120, 121, 122, 123, 124, 125, 126, 127, 128,
                            129, 130, 162, 163, 164, 165, 166, 167, 168};

struct Language {
    LANGID id;
    const wchar_t* file;
};

class ShippedLanguage : public ::testing::TestWithParam<Language> {
protected:
    void SetUp() override {
        module_ =
            LanguageModule::Load(GetParam().id, ModuleFolder(nullptr) + SG731_PROGRAM_DIR L"\\");
        if (GetParam().file != nullptr) {
            ASSERT_TRUE(module_.IsLoaded());
            ASSERT_NE(module_.Path().find(GetParam().file), std::wstring::npos);
        }
    }
    HMODULE texts() const { return module_.TextsOr(ProgramModule()); }
    LanguageModule module_;
};

TEST_P(ShippedLanguage, HoldsEveryText) {
    for (UINT id : kAllIds) {
        const std::wstring text = LoadText(texts(), id, kTextChars);
        if (id == IDS_SEVERAL_DETAIL2 && GetParam().file == nullptr) {
            EXPECT_TRUE(text.empty());
            continue;
        }
        EXPECT_FALSE(text.empty()) << id;
        EXPECT_LT(text.size(),
                  static_cast<std::size_t>(id == 112 || id == 113 || id == 120 ? kCaptionChars - 1
                                           : id == 115                         ? kProgressChars - 12
                                                                               : kTextChars - 3))
            << id << " must fit its buffer whole";
    }
    EXPECT_EQ(LoadText(texts(), IDS_CLASS_NAME, kTextChars), L"SG731WINDOW");
}

// Width in pixels of each use's text as its control draws it, for the texts of `module`.
std::vector<int> ShownWidths(HMODULE module, std::vector<int>* rooms) {
    test::EnsureClass(L"SG731WINDOW");
    test::BareWindow window(ProgramModule(), module);
    std::vector<int> widths;
    const HWND hwnd = window.Create(L"SG731WINDOW", 0, 0);
    if (hwnd == nullptr) return widths;
    for (const Use& use : kUses) {
        const HWND control = window.Control(use.controlId);
        const std::wstring text = LoadText(module, use.textId, kTextChars);
        wchar_t shown[kTextChars];
        FormatBounded(shown, kTextChars, use.format, text.c_str());
        RECT bounds{};
        ::GetClientRect(control, &bounds);
        wchar_t className[16] = {};
        ::GetClassNameW(control, className, 16);
        // A push button draws a three-pixel 3-D border on either side of its caption.
        const bool button = _wcsicmp(className, L"Button") == 0;
        if (rooms != nullptr) rooms->push_back(bounds.right - (button ? 6 : 0));

        const HDC dc = ::GetDC(control);
        const auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
        const HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, shown, static_cast<int>(std::wcslen(shown)), &extent);
        if (previous != nullptr) ::SelectObject(dc, previous);
        ::ReleaseDC(control, dc);
        widths.push_back(extent.cx);
    }
    ::DestroyWindow(hwnd);
    test::PumpPending();
    return widths;
}

TEST_P(ShippedLanguage, EveryLineFitsItsControlAsTheEnglishDoes) {
    // A built-in English line that is itself wider than its control (the font differs from system
    // to system) sets the limit for its translations instead.
    std::vector<int> rooms;
    const std::vector<int> english = ShownWidths(ProgramModule(), &rooms);
    const std::vector<int> widths = ShownWidths(texts(), nullptr);
    ASSERT_EQ(english.size(), std::size(kUses));
    ASSERT_EQ(widths.size(), std::size(kUses));
    for (std::size_t i = 0; i < std::size(kUses); ++i) {
        EXPECT_LE(widths[i], std::max(rooms[i], english[i]))
            << "text " << kUses[i].textId << " on control " << kUses[i].controlId << " is "
            << widths[i] << " pixels wide; the control has " << rooms[i] << ", the English line "
            << english[i];
    }
}

// The lines that describe the program-mode light say that it is solid, not blinking, in every
// language: the words of each table for "solid".
TEST_P(ShippedLanguage, EveryProgramModeLightIsSolid) {
    const std::wstring file = GetParam().file != nullptr ? GetParam().file : L"";
    const wchar_t* solid = file.empty()                           ? L"solid"
                           : file.find(L"Updater7.") != file.npos ? L"Dauerlicht"
                                                                  : L"fixe";
    for (UINT id : {IDS_CHECK_PROGRAM_MODE, IDS_STEP6, IDS_SEVERAL_DETAIL1}) {
        EXPECT_NE(LoadText(texts(), id, kTextChars).find(solid), std::wstring::npos) << id;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, ShippedLanguage,
    ::testing::Values(Language{1033, nullptr},                  // built-in English
                      Language{1031, L"SG731Updater7.dll"},     // German (Germany)
                      Language{3079, L"SG731Updater7.dll"},     // German (Austria)
                      Language{1036, L"SG731Updater12.dll"},    // French (France)
                      Language{3084, L"SG731Updater12.dll"}));  // French (Canada)

}  // namespace
}  // namespace vork
