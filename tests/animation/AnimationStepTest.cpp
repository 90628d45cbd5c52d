// The order of frames and pauses of the animation, replayed pass by pass without a clock.
#include <gtest/gtest.h>

#include <vector>

#include "ui/AnimationStep.h"

namespace vork {
namespace {

struct Pass {
    UINT drawn;
    DWORD pauseMs;
    bool operator==(const Pass&) const = default;
};

void PrintTo(const Pass& pass, std::ostream* os) {
    *os << "{drawn " << pass.drawn << ", pause " << pass.pauseMs << " ms}";
}

// Plays the animation thread's passes: the decoded picture starts on frame 0, each pass draws the
// active frame, then the step selects the next active frame and names the pause.
std::vector<Pass> Replay(UINT frameCount, const std::vector<UINT>& delays, int passes) {
    std::vector<Pass> result;
    UINT active = 0;
    UINT current = 0;
    for (int i = 0; i < passes; ++i) {
        const AnimationStep step = NextAnimationStep(current, frameCount, delays);
        result.push_back({active, step.pauseMs});
        active = step.selectedFrame;
        current = step.nextFrame;
    }
    return result;
}

TEST(AnimationStep, TwoFramesShowFrameZeroTwiceThenAlternate) {
    const std::vector<Pass> expected = {
        {0, 70}, {0, 30}, {1, 70}, {0, 30}, {1, 70}, {0, 30},
    };
    EXPECT_EQ(Replay(2, {3, 7}, 6), expected);
}

TEST(AnimationStep, SingleFrameRepeatsItselfWithItsOwnDelay) {
    const std::vector<Pass> expected = {{0, 40}, {0, 40}, {0, 40}};
    EXPECT_EQ(Replay(1, {4}, 3), expected);
}

// Pass p (from 1) draws frame 0 for p = 1 and (p - 2) mod N after, then pauses for d[p mod N]: the
// pause after frame f is the delay of frame (f + 2) mod N.
TEST(AnimationStep, TwelveFramesFollowTheDrawThenSelectOrder) {
    std::vector<UINT> delays;
    for (UINT f = 0; f < 12; ++f) delays.push_back(f + 1);  // all different, so a slip shows
    const std::vector<Pass> passes = Replay(12, delays, 40);
    for (int p = 1; p <= 40; ++p) {
        const UINT drawn = p == 1 ? 0 : static_cast<UINT>(p - 2) % 12;
        const Pass expected{drawn, delays[static_cast<UINT>(p) % 12] * 10};
        EXPECT_EQ(passes[p - 1], expected) << "pass " << p;
    }
}

TEST(AnimationStep, TheProgramsPictureChangesFrameEvery100Ms) {
    const std::vector<Pass> passes = Replay(12, std::vector<UINT>(12, 10), 26);
    for (const Pass& pass : passes) EXPECT_EQ(pass.pauseMs, 100u);
    // One cycle after the doubled start: 0 0 1 2 ... 11 0 1 ... 11 0.
    std::vector<UINT> drawn;
    for (const Pass& pass : passes) drawn.push_back(pass.drawn);
    std::vector<UINT> expected = {0, 0};
    for (UINT f = 1; f < 12; ++f) expected.push_back(f);
    for (UINT f = 0; f < 12; ++f) expected.push_back(f);
    expected.push_back(0);
    EXPECT_EQ(drawn, expected);
}

TEST(AnimationStep, DelayOfZeroMeansNoPause) {
    // Frame 2 has no delay, so the pass that draws frame 0 (f + 2 = 2) is followed at once.
    const std::vector<Pass> expected = {{0, 100}, {0, 0}, {1, 100}, {2, 100}, {0, 0}, {1, 100}};
    EXPECT_EQ(Replay(3, {10, 10, 0}, 6), expected);
}

TEST(AnimationStep, FramesWithoutAStoredDelayTake100Ms) {
    struct Case {
        const char* name;
        std::vector<UINT> delays;
        std::vector<DWORD> pauses;  // of passes 1 to 5 of a 3-frame picture
    };
    const Case cases[] = {
        {"no delay property", {}, {100, 100, 100, 100, 100}},
        {"fewer delays than frames", {20, 30}, {300, 100, 200, 300, 100}},
        {"one delay per frame", {20, 30, 40}, {300, 400, 200, 300, 400}},
    };
    for (const Case& c : cases) {
        std::vector<DWORD> pauses;
        for (const Pass& pass : Replay(3, c.delays, 5)) pauses.push_back(pass.pauseMs);
        EXPECT_EQ(pauses, c.pauses) << c.name;
    }
}

TEST(AnimationStep, HugeDelaysNeitherOverflowNorWaitForever) {
    const std::vector<UINT> delays = {0xFFFFFFFFu, 0x1999999Au, 429496729u};
    EXPECT_EQ(NextAnimationStep(2, 3, delays).pauseMs, INFINITE - 1);  // 0xFFFFFFFF hundredths
    EXPECT_EQ(NextAnimationStep(0, 3, delays).pauseMs, INFINITE - 1);  // * 10 wraps in 32 bits
    EXPECT_EQ(NextAnimationStep(1, 3, delays).pauseMs, 4294967290u);   // fits: taken as it is
}

TEST(AnimationStep, OutOfRangeIndexOrNoFramesStaysInside) {
    const std::vector<UINT> delays = {1, 2, 3};
    const AnimationStep wrapped = NextAnimationStep(7, 3, delays);
    EXPECT_EQ(wrapped.selectedFrame, 1u);
    EXPECT_EQ(wrapped.nextFrame, 2u);
    const AnimationStep none = NextAnimationStep(0, 0, {});
    EXPECT_EQ(none.selectedFrame, 0u);
    EXPECT_EQ(none.nextFrame, 0u);
}

}  // namespace
}  // namespace vork
