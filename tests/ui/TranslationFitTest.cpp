// The shipped language libraries, each found by the names the program tries for its languages:
// complete, every text whole in its buffer, and the program-mode light solid in every table. How
// the lines fit their controls is measured in each language's own locale (tests/app), where the
// default control font is that of a system speaking it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/LanguageModule.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork {
namespace {

using test::ProgramModule;

constexpr UINT kAllIds[] = {104, 110, 111, 112, 113, 114, 115, 116, 117, 118,
                            119, 120, 121, 122, 123, 124, 125, 126, 127, 128,
                            129, 130, 162, 163, 164, 165, 166, 167, 168};

struct Language {
    LANGID id;
    const wchar_t* file;      // null: no library, the built-in English
    const wchar_t* solid[2];  // the table's words for the program-mode light's "solid"
};

void PrintTo(const Language& language, std::ostream* os) { *os << language.id; }

class ShippedLanguage : public ::testing::TestWithParam<Language> {
protected:
    void SetUp() override {
        module_ =
            LanguageModule::Load(GetParam().id, ModuleFolder(nullptr) + SG731_PROGRAM_DIR L"\\");
        if (GetParam().file != nullptr) {
            ASSERT_TRUE(module_.IsLoaded());
            ASSERT_NE(module_.Path().find(GetParam().file), std::wstring::npos);
        } else {
            ASSERT_FALSE(module_.IsLoaded()) << "no library is meant for " << GetParam().id;
        }
    }
    HMODULE texts() const { return module_.TextsOr(ProgramModule()); }
    LanguageModule module_;
};

TEST_P(ShippedLanguage, HoldsEveryText) {
    for (UINT id : kAllIds) {
        const std::wstring text = LoadText(texts(), id, kTextChars);
        // The third line of the Several-printers text is empty in English; a table may leave it so.
        if (id == IDS_SEVERAL_DETAIL2 && (text.empty() || GetParam().file == nullptr)) {
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

// The lines that describe the program-mode light say that it is solid, not blinking, in every
// language: each table's words for "solid".
TEST_P(ShippedLanguage, EveryProgramModeLightIsSolid) {
    for (UINT id : {IDS_CHECK_PROGRAM_MODE, IDS_STEP6, IDS_SEVERAL_DETAIL1}) {
        const std::wstring text = LoadText(texts(), id, kTextChars);
        const bool solid = std::any_of(
            std::begin(GetParam().solid), std::end(GetParam().solid),
            [&](const wchar_t* word) { return word != nullptr && text.find(word) != text.npos; });
        EXPECT_TRUE(solid) << id;
    }
}

// The steps and the Failure line name the buttons by the captions the buttons carry.
TEST_P(ShippedLanguage, NamesEachButtonByItsCaption) {
    const std::wstring update = LoadText(texts(), IDS_UPDATE, kCaptionChars);
    const std::wstring retry = LoadText(texts(), IDS_RETRY, kCaptionChars);
    EXPECT_NE(LoadText(texts(), IDS_STEP7, kTextChars).find(update), std::wstring::npos);
    EXPECT_NE(LoadText(texts(), IDS_FAILURE, kTextChars).find(retry), std::wstring::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, ShippedLanguage,
    ::testing::Values(
        Language{1033, nullptr, {L"solid"}},                    // built-in English
        Language{1031, L"SG731Updater7.dll", {L"Dauerlicht"}},  // German (Germany)
        Language{3079, L"SG731Updater7.dll", {L"Dauerlicht"}},  // German (Austria)
        Language{1036, L"SG731Updater12.dll", {L"fixe"}},       // French (France)
        Language{3084, L"SG731Updater12.dll", {L"fixe"}},       // French (Canada)
        Language{3082, L"SG731Updater10.dll", {L"fija"}},       // Spanish (Spain)
        Language{2058, L"SG731Updater10.dll", {L"fija"}},       // Spanish (Mexico)
        Language{1040, L"SG731Updater16.dll", {L"fissa"}},      // Italian
        Language{1046, L"SG731Updater22.dll", {L"fixa"}},       // Portuguese (Brazil)
        Language{2070, L"SG731Updater22.dll", {L"fixa"}},       // Portuguese (Portugal)
        Language{1043, L"SG731Updater19.dll", {L"continu"}},    // Dutch
        Language{2067, L"SG731Updater19.dll", {L"continu"}},    // Dutch (Belgium)
        Language{1045, L"SG731Updater21.dll", {L"sta\u0142e", L"sta\u0142ym"}},  // Polish
        Language{1041, L"SG731Updater17.dll", {L"\u5E38\u6642\u70B9\u706F"}},    // Japanese
        Language{2052, L"SG731Updater2052.dll", {L"\u5E38\u4EAE"}},              // Chinese (PRC)
        // Traditional characters: no library, the built-in English.
        Language{1028, nullptr, {L"solid"}},    // Chinese (Taiwan)
        Language{3076, nullptr, {L"solid"}}));  // Chinese (Hong Kong)

}  // namespace
}  // namespace vork
