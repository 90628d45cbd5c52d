// An executable whose picture resource is missing or empty: the indicator stays not loaded, never
// starts, and is deleted cleanly; a picture in another module is never taken instead.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "tests/animation/AnimationTestSupport.h"
#include "ui/ProgressIndicator.h"
#include "ui/ResourceIds.h"

namespace vork {
namespace {

const bool kGdiplus = (test::KeepGdiplusStarted(), true);

TEST(NoPicture, ThisExecutablesPictureIsMissingOrEmpty) {
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_PROGRESS_GIF), L"GIF");
    if (info != nullptr) {
        EXPECT_EQ(SizeofResource(nullptr, info), 0u);
        EXPECT_NE(LoadResource(nullptr, info), nullptr) << "found, so the empty case is reached";
    }
}

TEST(NoPicture, LeavesTheIndicatorNotLoadedAndNotStartable) {
    // No window is needed: without a picture nothing is ever drawn.
    const long handlesBefore = test::ProcessHandleCount();
    const std::set<DWORD> threadsBefore = test::ProcessThreadIds();
    for (int round = 0; round < 3; ++round) {
        auto* indicator = new ProgressIndicator(nullptr);
        ASSERT_NE(indicator, nullptr);
        EXPECT_FALSE(indicator->LoadAnimation());
        EXPECT_FALSE(indicator->IsLoaded());
        indicator->SetOrigin(20, 260);
        EXPECT_FALSE(indicator->StartAnimation());
        delete indicator;
    }
    EXPECT_EQ(test::ProcessHandleCount(), handlesBefore);
    EXPECT_EQ(test::ProcessThreadIds(), threadsBefore);
}

TEST(NoPicture, DeletingANeverLoadedIndicatorIsHarmless) {
    const long handlesBefore = test::ProcessHandleCount();
    delete new ProgressIndicator(nullptr);
    EXPECT_EQ(test::ProcessHandleCount(), handlesBefore);
}

TEST(NoPicture, APictureInALanguageModuleIsNotTaken) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::wstring modulePath(path, length);
    modulePath.erase(modulePath.find_last_of(L'\\') + 1);
    modulePath += L"AnimationPictureModule.dll";
    HMODULE language = LoadLibraryExW(modulePath.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(language, nullptr) << "the test's picture module was not built beside the test";
    ASSERT_NE(FindResourceW(language, MAKEINTRESOURCEW(IDR_PROGRESS_GIF), L"GIF"), nullptr);

    std::unique_ptr<ProgressIndicator> indicator(new ProgressIndicator(nullptr));
    EXPECT_FALSE(indicator->LoadAnimation());
    EXPECT_FALSE(indicator->StartAnimation());
    indicator.reset();
    FreeLibrary(language);
}

}  // namespace
}  // namespace vork
