// A picture whose frames each stay 5 s: once the first passes have drawn, the animation thread sits
// in a long pause, so deleting the indicator shows whether the stop ends that pause at once or only
// when it runs out.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "tests/animation/AnimationTestSupport.h"
#include "ui/ProgressIndicator.h"

namespace vork {
namespace {

using test::NowMs;

const bool kGdiplus = (test::KeepGdiplusStarted(), true);

constexpr std::uint32_t kRed = 0xFF0000;  // frame 0 of the slow picture; frame 1 is blue

class PromptStop : public ::testing::Test {
protected:
    // One window for the suite: Wine takes about 2 s to create and show one.
    static void SetUpTestSuite() { window_ = new test::TestWindow(); }
    static void TearDownTestSuite() { delete window_; }
    void SetUp() override { window_->Clear(); }
    static test::TestWindow* window_;
};

test::TestWindow* PromptStop::window_ = nullptr;

TEST_F(PromptStop, DeletingDuringALongPauseEndsTheThreadAtOnce) {
    test::TestWindow& window = *window_;
    ASSERT_NE(window.Window(), nullptr);
    auto* indicator = new ProgressIndicator(window.Window());
    ASSERT_TRUE(indicator->LoadAnimation());
    indicator->SetOrigin(20, 260);

    const std::set<DWORD> before = test::ProcessThreadIds();
    ASSERT_TRUE(indicator->StartAnimation());
    HANDLE thread = nullptr;
    for (DWORD id : test::ProcessThreadIds()) {
        if (!before.contains(id)) thread = OpenThread(SYNCHRONIZE, FALSE, id);
    }
    ASSERT_NE(thread, nullptr);

    // Frame 0 drawn means the first pass is done; the second follows 5 s later.
    bool drawn = false;
    // Up to 10 s: on a busy machine the first pass may come late; it ends the wait when it comes.
    for (const double end = NowMs() + 10000; !drawn && NowMs() < end;) {
        const auto pixels = test::CaptureClient(window.Window(), 20, 260, 16, 16);
        drawn = !pixels.empty() && pixels.front() == kRed && pixels.back() == kRed;
        if (!drawn) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        test::PumpPending();
    }
    ASSERT_TRUE(drawn) << "the first frame never appeared";
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);  // well inside the pause

    const double start = NowMs();
    delete indicator;
    const double elapsed = NowMs() - start;
    EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_LT(elapsed, 1000.0) << "the destructor waited for the pause to run out";
    std::printf("destructor during a 5 s pause returned after %.1f ms\n", elapsed);
    CloseHandle(thread);
}

}  // namespace
}  // namespace vork
