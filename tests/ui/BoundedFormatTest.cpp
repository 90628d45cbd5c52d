// The bounded wide formatter: results that fit, that fill the buffer exactly, and that are cut;
// and the texts the program builds with it.
#include <gtest/gtest.h>

#include <string>

#include "ui/BoundedFormat.h"

namespace vork {
namespace {

TEST(FormatBounded, WritesWhatFits) {
    wchar_t buffer[16];
    EXPECT_EQ(FormatBounded(buffer, 16, L"%s-%d", L"ab", 42), 5);
    EXPECT_STREQ(buffer, L"ab-42");
}

struct CutCase {
    std::size_t chars;
    const wchar_t* expected;
};

class FormatBoundedCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(FormatBoundedCut, KeepsSizeLessOneAndTerminates) {
    const CutCase& c = GetParam();
    wchar_t buffer[32];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    const int stored = FormatBounded(buffer, c.chars, L"%s%d", L"abcdefgh", 12345);
    EXPECT_EQ(std::wstring(buffer), c.expected);
    EXPECT_EQ(stored, static_cast<int>(std::wstring(c.expected).size()));
    EXPECT_EQ(buffer[c.chars], L'#') << "nothing written past the buffer";
}

INSTANTIATE_TEST_SUITE_P(Sizes, FormatBoundedCut,
                         ::testing::Values(CutCase{1, L""}, CutCase{2, L"a"},
                                           CutCase{9, L"abcdefgh"},
                                           CutCase{13, L"abcdefgh1234"},   // one short
                                           CutCase{14, L"abcdefgh12345"},  // exactly fills
                                           CutCase{20, L"abcdefgh12345"}));

TEST(FormatBounded, LeavesAZeroSizedBufferAlone) {
    wchar_t buffer[2] = {L'#', L'#'};
    EXPECT_EQ(FormatBounded(buffer, 0, L"%d", 1), 0);
    EXPECT_EQ(buffer[0], L'#');
}

TEST(FormatBounded, BuildsTheProgressText) {
    wchar_t line[64];
    FormatBounded(line, 64, L"%s (%d%%)                                    ", L"Copying files", 42);
    EXPECT_EQ(std::wstring(line), L"Copying files (42%)" + std::wstring(36, L' '));
    FormatBounded(line, 64, L"%s (%d%%)                                    ", L"Copying files",
                  100);
    EXPECT_EQ(std::wstring(line), L"Copying files (100%)" + std::wstring(36, L' '));
    // A 63-character text leaves no room for the figure: the line is cut to 63.
    const std::wstring longText(63, L'P');
    EXPECT_EQ(FormatBounded(line, 64, L"%s (%d%%)                                    ",
                            longText.c_str(), 5),
              63);
    EXPECT_EQ(std::wstring(line), longText);
}

TEST(FormatBounded, FirmwareLabelShowsBytesAsLatin1Characters) {
    const unsigned char revision[10] = {'V', 'R', 'K', '-', '1', '.', '0', 'f', '0', 0xE9};
    wchar_t label[160];
    FormatBounded(label, 160, L"(FW: %c%c%c%c%c%c%c%c%c%c)", revision[0], revision[1], revision[2],
                  revision[3], revision[4], revision[5], revision[6], revision[7], revision[8],
                  revision[9]);
    EXPECT_EQ(std::wstring(label), L"(FW: VRK-1.0f0\u00E9)");

    const unsigned char withZero[10] = {'A', 'B', 0, 'C', 'D', 'E', 'F', 'G', 'H', 'I'};
    FormatBounded(label, 160, L"(FW: %c%c%c%c%c%c%c%c%c%c)", withZero[0], withZero[1], withZero[2],
                  withZero[3], withZero[4], withZero[5], withZero[6], withZero[7], withZero[8],
                  withZero[9]);
    EXPECT_EQ(std::wstring(label), L"(FW: AB") << "a zero byte ends the shown text";
}

TEST(FormatBounded, PrefixesADetailLine) {
    wchar_t line[160];
    FormatBounded(line, 160, L"- %s", L"Make sure the label printer is connected to the computer.");
    EXPECT_EQ(std::wstring(line), L"- Make sure the label printer is connected to the computer.");
    const std::wstring long159(159, L'x');
    FormatBounded(line, 160, L"- %s", long159.c_str());
    EXPECT_EQ(std::wstring(line), L"- " + std::wstring(157, L'x'));
}

}  // namespace
}  // namespace vork
