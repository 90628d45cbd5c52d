// The program's own resources as the window reads them: the built-in string table, texts cut to
// their buffers, the icon, the two status bitmaps, the progress picture and the manifest.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "tests/ui/WindowTestSupport.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork {
namespace {

using test::ProgramModule;

struct TextCase {
    UINT id;
    const wchar_t* text;
};

class BuiltInTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(BuiltInTable, HoldsTheEnglishText) {
    EXPECT_EQ(LoadText(ProgramModule(), GetParam().id, kTextChars), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, BuiltInTable,
    ::testing::Values(
        TextCase{104, L"SG731WINDOW"}, TextCase{110, L"VORK Stickograph 731 Software Updater"},
        TextCase{111,
                 L"This utility updates the software on the VORK Stickograph 731 and 731 Turbo "
                 L"label printers."},
        TextCase{112, L"Update"}, TextCase{113, L"Close"},
        TextCase{114, L"Your Stickograph printer is running the latest software!"},
        TextCase{115, L"Copying files"},
        TextCase{116, L"Your Stickograph printer has been successfully updated!"},
        TextCase{117,
                 L"Disconnect the power from the label printer, wait 10 seconds, and then "
                 L"reconnect the power to use the label"},
        TextCase{118, L"printer normally."},
        TextCase{119, L"Unable to update software. Check the following and click Retry:"},
        TextCase{120, L"Retry"},
        TextCase{121, L"Make sure the label printer is connected to the computer."},
        TextCase{122,
                 L"Verify the label printer is in program mode (solid blue light with no labels "
                 L"inserted)."},
        TextCase{123,
                 L"Follow the instructions below to place the label printer into program mode:"},
        TextCase{124, L"1. Remove the labels from the label printer."},
        TextCase{125, L"2. Disconnect the USB cable from your computer."},
        TextCase{126, L"3. Disconnect the power adapter."}, TextCase{127, L"4. Wait 10 seconds."},
        TextCase{128,
                 L"5. Press and hold the form feed button on the front of the printer while "
                 L"plugging in the power adapter."},
        TextCase{129,
                 L"6. Release the form feed button. The LED status light on the front of the "
                 L"printer should be solid blue."},
        TextCase{130, L"7. Connect the USB cable to your computer and click Update below."},
        TextCase{162, L"More than one Stickograph printer has been detected. Make sure only one"},
        TextCase{163,
                 L"Stickograph printer is connected to the computer and in program mode (solid "
                 L"blue light with no labels inserted)."},
        TextCase{164, L""},
        TextCase{165,
                 L"Make sure the Stickograph printer is not already in program mode when you start "
                 L"the updater utility. Exit"},
        TextCase{166, L"program mode and restart the updater utility."},
        TextCase{167, L"No Stickograph printer detected."},
        TextCase{
            168,
            L"Printer firmware is being written. Do not switch off the computer or the printer."}));

struct CutCase {
    UINT id;
    int chars;
    std::size_t expectedLength;
    wchar_t first;
};

class TextsCutToTheirBuffers : public ::testing::TestWithParam<CutCase> {};

TEST_P(TextsCutToTheirBuffers, KeepTheFirstCharsLessOne) {
    const CutCase& c = GetParam();
    const HMODULE limits =
        ::LoadLibraryExW((test::SatelliteFolder(L"limits") + L"SG731Updater1033.dll").c_str(),
                         nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(limits, nullptr);
    const std::wstring text = LoadText(limits, c.id, c.chars);
    EXPECT_EQ(text.size(), c.expectedLength);
    if (!text.empty()) {
        EXPECT_EQ(text.front(), c.first);
    }
    // The buffer form stops at the same place and terminates.
    wchar_t buffer[kTextChars];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(LoadText(limits, c.id, buffer, c.chars), static_cast<int>(c.expectedLength));
    EXPECT_EQ(buffer[c.expectedLength], L'\0');
    ::FreeLibrary(limits);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, TextsCutToTheirBuffers,
    ::testing::Values(CutCase{IDS_UP_TO_DATE, kTextChars, 159, L'a'},  // 200 characters
                      CutCase{IDS_UPDATE, kCaptionChars, 15, L'A'},    // 20 characters
                      CutCase{IDS_COPYING, kProgressChars, 63, L'P'},  // 70 characters
                      CutCase{IDS_CLOSE, kCaptionChars, 0, 0},         // held empty
                      CutCase{IDS_TITLE, kTextChars, 0, 0},            // not held at all
                      CutCase{IDS_WINDOW_TITLE, 1, 0, 0}));  // room for the terminator only

TEST(TextReading, BuiltInTextFitsAndTinyBuffersStayTerminated) {
    EXPECT_EQ(LoadText(ProgramModule(), IDS_UPDATE, kCaptionChars), L"Update");
    EXPECT_EQ(LoadText(ProgramModule(), IDS_TITLE, 4), L"Thi");
    EXPECT_EQ(LoadText(ProgramModule(), IDS_TITLE, 0), L"");
    EXPECT_EQ(LoadText(ProgramModule(), 999, kTextChars), L"");
    EXPECT_EQ(LoadText(ProgramModule(), IDS_TITLE, nullptr, 10), 0);
}

std::string_view Resource(const wchar_t* type, UINT id) {
    const HRSRC found = ::FindResourceW(ProgramModule(), MAKEINTRESOURCEW(id), type);
    if (found == nullptr) return {};
    const HGLOBAL loaded = ::LoadResource(ProgramModule(), found);
    return {static_cast<const char*>(::LockResource(loaded)),
            ::SizeofResource(ProgramModule(), found)};
}

#pragma pack(push, 2)
struct IconDirEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(ProgramImages, IconHoldsFourSizesAtTwoDepths) {
    const std::string_view group = Resource(RT_GROUP_ICON, IDI_APP);
    ASSERT_GE(group.size(), 6u);
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof(count));
    ASSERT_EQ(count, 8);
    ASSERT_EQ(group.size(), 6 + count * sizeof(IconDirEntry));
    int seen[4][2] = {};
    for (WORD i = 0; i < count; ++i) {
        IconDirEntry e{};
        std::memcpy(&e, group.data() + 6 + i * sizeof(IconDirEntry), sizeof(e));
        const int size = e.width == 0 ? 256 : e.width;
        const int sizeIndex = size == 256  ? 0
                              : size == 48 ? 1
                              : size == 32 ? 2
                              : size == 16 ? 3
                                           : -1;
        const int depthIndex = e.bitCount == 8 ? 0 : e.bitCount == 32 ? 1 : -1;
        ASSERT_GE(sizeIndex, 0) << size;
        ASSERT_GE(depthIndex, 0) << e.bitCount;
        ++seen[sizeIndex][depthIndex];
    }
    for (auto& size : seen) {
        EXPECT_EQ(size[0], 1);
        EXPECT_EQ(size[1], 1);
    }
    for (int size : {16, 32, 48, 256}) {
        const HANDLE icon =
            ::LoadImageW(ProgramModule(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon) ::DestroyIcon(static_cast<HICON>(icon));
    }
}

struct BadgeCase {
    UINT id;
    bool greenNotRed;
};

class StatusBitmaps : public ::testing::TestWithParam<BadgeCase> {};

TEST_P(StatusBitmaps, AreFiftyPixelUncompressedBadges) {
    const BadgeCase& c = GetParam();
    const HANDLE image =
        ::LoadImageW(ProgramModule(), MAKEINTRESOURCEW(c.id), IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE);
    ASSERT_NE(image, nullptr);
    BITMAP bitmap{};
    ::GetObjectW(image, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 50);
    EXPECT_EQ(bitmap.bmHeight, 50);
    ::DeleteObject(image);

    const std::string_view raw = Resource(RT_BITMAP, c.id);
    BITMAPINFOHEADER header{};
    ASSERT_GE(raw.size(), sizeof(header));
    std::memcpy(&header, raw.data(), sizeof(header));
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    const std::size_t stride = (50 * 3 + 3) & ~3u;
    ASSERT_GE(raw.size(), sizeof(header) + stride * 50);
    auto pixel = [&](int x, int yFromTop) {
        const auto* p = reinterpret_cast<const BYTE*>(raw.data() + sizeof(header) +
                                                      (49 - yFromTop) * stride + x * 3);
        return RGB(p[2], p[1], p[0]);
    };
    EXPECT_EQ(pixel(0, 0), RGB(255, 255, 255)) << "white around the badge";
    EXPECT_EQ(pixel(49, 49), RGB(255, 255, 255));
    const COLORREF badge = pixel(25, 6);
    if (c.greenNotRed) {
        EXPECT_GT(GetGValue(badge), GetRValue(badge) + 60);
    } else {
        EXPECT_GT(GetRValue(badge), GetGValue(badge) + 60);
    }
    const COLORREF mark = c.greenNotRed ? pixel(21, 32) : pixel(25, 25);
    EXPECT_EQ(mark, RGB(255, 255, 255)) << "white mark";
}

INSTANTIATE_TEST_SUITE_P(Badges, StatusBitmaps,
                         ::testing::Values(BadgeCase{IDB_CHECK, true},
                                           BadgeCase{IDB_CROSS, false}));

TEST(ProgramImages, ProgressPictureIsTheGifResource) {
    // Its frames and delays are checked with the animation; here: the type, the id, the format.
    const std::string_view gif = Resource(L"GIF", IDR_PROGRESS_GIF);
    ASSERT_GE(gif.size(), 10u);
    EXPECT_EQ(gif.substr(0, 6), "GIF89a");
    EXPECT_EQ(static_cast<unsigned char>(gif[6]) | (static_cast<unsigned char>(gif[7]) << 8), 100);
    EXPECT_EQ(static_cast<unsigned char>(gif[8]) | (static_cast<unsigned char>(gif[9]) << 8), 100);
}

TEST(ProgramImages, ManifestRunsWithoutElevation) {
    const std::string manifest(Resource(RT_MANIFEST, 1));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_FALSE(Resource(RT_VERSION, 1).empty());
}

}  // namespace
}  // namespace vork
