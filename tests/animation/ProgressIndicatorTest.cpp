// The indicator with the program's own spinner, drawing into a real window under Wine and Xvfb:
// where and when the frames appear, the stop handshake, and what is left behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "tests/animation/AnimationTestSupport.h"
#include "ui/ProgressIndicator.h"
#include "ui/ResourceIds.h"

namespace vork {
namespace {

using test::CaptureClient;
using test::NowMs;
using test::ProcessThreadIds;
using test::TestWindow;

const bool kGdiplus = (test::KeepGdiplusStarted(), true);

constexpr int kSize = 100;    // the picture's natural size
constexpr int kOriginX = 20;  // where the window puts it
constexpr int kOriginY = 260;
constexpr int kMargin = 10;  // captured around the picture, to see that nothing spills over
constexpr int kCapture = kSize + 2 * kMargin;

using Pixels = std::vector<std::uint32_t>;

// The spinner's frames as GDI+ draws them onto a white 100 x 100 area, decoded apart from the
// indicator from the same resource.
std::vector<Pixels> ReferenceFrames(TestWindow& scratch) {
    std::vector<Pixels> frames;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(IDR_PROGRESS_GIF), L"GIF");
    HGLOBAL resource = info ? LoadResource(module, info) : nullptr;
    const void* bytes = resource ? LockResource(resource) : nullptr;
    if (bytes == nullptr) return frames;
    const DWORD size = SizeofResource(module, info);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) return frames;
    {
        Gdiplus::Bitmap picture(stream);
        const UINT count = picture.GetFrameCount(&Gdiplus::FrameDimensionTime);
        for (UINT f = 0; f < count; ++f) {
            picture.SelectActiveFrame(&Gdiplus::FrameDimensionTime, f);
            scratch.Clear();
            HDC dc = GetDC(scratch.Window());
            {
                Gdiplus::Graphics graphics(dc);
                graphics.DrawImage(&picture, 0, 0, kSize, kSize);
            }
            ReleaseDC(scratch.Window(), dc);
            frames.push_back(CaptureClient(scratch.Window(), 0, 0, kSize, kSize));
        }
    }
    stream->Release();
    return frames;
}

// The picture part of a capture made around it.
Pixels PictureOf(const Pixels& capture) {
    Pixels picture;
    for (int y = kMargin; y < kMargin + kSize; ++y) {
        const auto row = capture.begin() + y * kCapture + kMargin;
        picture.insert(picture.end(), row, row + kSize);
    }
    return picture;
}

// The ring of pixels just outside the picture.
bool RingIsWhite(const Pixels& capture) {
    for (int i = kMargin - 1; i <= kMargin + kSize; ++i) {
        for (int at : {(kMargin - 1) * kCapture + i, (kMargin + kSize) * kCapture + i,
                       i * kCapture + kMargin - 1, i * kCapture + kMargin + kSize}) {
            if (capture[at] != test::kWhite) return false;
        }
    }
    return true;
}

int Mismatches(const Pixels& a, const Pixels& b) {
    int count = 0;
    for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

// The index of the reference frame the picture shows, or -1 (a capture taken mid-drawing, or
// something else entirely).
int IdentifyFrame(const Pixels& picture, const std::vector<Pixels>& frames) {
    int best = -1;
    int bestMismatches = kSize * kSize;
    for (size_t f = 0; f < frames.size(); ++f) {
        const int m = Mismatches(picture, frames[f]);
        if (m < bestMismatches) {
            bestMismatches = m;
            best = static_cast<int>(f);
        }
    }
    return bestMismatches == 0 ? best : -1;
}

// Lets time pass while the window's messages are handled, as the window's thread does.
void PumpFor(double ms) {
    const double end = NowMs() + ms;
    for (double now = NowMs(); now < end; now = NowMs()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min(5.0, end - now)),
                                  QS_ALLINPUT);
        test::PumpPending();
    }
}

struct Sighting {
    int frame;
    double atMs;  // since StartAnimation
};

class ProgressIndicatorTest : public ::testing::Test {
protected:
    // One window for the suite: Wine takes about 2 s to create and show one.
    static void SetUpTestSuite() {
        window_ = new TestWindow();
        frames_ = new std::vector<Pixels>(ReferenceFrames(*window_));
    }
    static void TearDownTestSuite() {
        delete frames_;
        delete window_;
    }
    void SetUp() override { window_->Clear(); }

    // Watches the picture's area for `ms` and notes each change of the frame shown.
    std::vector<Sighting> Watch(double startMs, double ms, bool& ringStayedWhite) {
        std::vector<Sighting> seen;
        ringStayedWhite = true;
        const double end = NowMs() + ms;
        while (NowMs() < end) {
            const Pixels capture = CaptureClient(window_->Window(), kOriginX - kMargin,
                                                 kOriginY - kMargin, kCapture, kCapture);
            if (capture.size() == static_cast<size_t>(kCapture * kCapture)) {
                ringStayedWhite = ringStayedWhite && RingIsWhite(capture);
                const int frame = IdentifyFrame(PictureOf(capture), *frames_);
                if (frame >= 0 && (seen.empty() || seen.back().frame != frame)) {
                    seen.push_back({frame, NowMs() - startMs});
                }
            }
            PumpFor(3);
        }
        return seen;
    }

    static std::vector<Pixels>* frames_;
    static TestWindow* window_;
};

std::vector<Pixels>* ProgressIndicatorTest::frames_ = nullptr;
TestWindow* ProgressIndicatorTest::window_ = nullptr;

TEST_F(ProgressIndicatorTest, ReferenceFramesAreTwelveDistinctPictures) {
    // The identification below is only as good as the frames are distinct.
    ASSERT_EQ(frames_->size(), 12u);
    for (size_t a = 0; a < frames_->size(); ++a) {
        ASSERT_EQ((*frames_)[a].size(), static_cast<size_t>(kSize * kSize));
        for (size_t b = a + 1; b < frames_->size(); ++b) {
            EXPECT_GT(Mismatches((*frames_)[a], (*frames_)[b]), 0) << a << " and " << b;
        }
    }
}

TEST_F(ProgressIndicatorTest, DrawsTheFramesInOrderAtTheOriginEvery100Ms) {
    ASSERT_EQ(frames_->size(), 12u);
    ASSERT_NE(window_->Window(), nullptr);
    auto* indicator = new ProgressIndicator(window_->Window());
    ASSERT_NE(indicator, nullptr);
    ASSERT_TRUE(indicator->LoadAnimation());
    EXPECT_TRUE(indicator->IsLoaded());
    indicator->SetOrigin(kOriginX, kOriginY);

    const double start = NowMs();
    ASSERT_TRUE(indicator->StartAnimation());
    bool ringStayedWhite = false;
    // 3 s rather than 2: on a busy machine a wake of either thread may come late.
    const std::vector<Sighting> seen = Watch(start, 3000, ringStayedWhite);

    const double beforeDelete = NowMs();
    delete indicator;
    const double deleteMs = NowMs() - beforeDelete;

    ASSERT_FALSE(seen.empty()) << "the picture never appeared at (20, 260)";
    EXPECT_EQ(seen.front().frame, 0);
    EXPECT_LT(seen.front().atMs, 1000.0);
    EXPECT_TRUE(ringStayedWhite) << "drawing reached outside the 100 x 100 area at the origin";

    std::set<int> distinct;
    for (size_t i = 0; i < seen.size(); ++i) {
        distinct.insert(seen[i].frame);
        if (i > 0) {
            const int step = (seen[i].frame - seen[i - 1].frame + 12) % 12;
            EXPECT_TRUE(step >= 1 && step <= 3)
                << "frame " << seen[i - 1].frame << " followed by " << seen[i].frame;
        }
    }
    EXPECT_GE(distinct.size(), 10u) << "in 3 s at 100 ms per frame nearly every frame shows";

    // Frame 1 comes after frame 0's doubled start (200 ms), each later frame 100 ms after the one
    // before; the waits never run short, drawing and scheduling may add a little (on a busy machine
    // up to a few hundred milliseconds).
    const auto first =
        std::find_if(seen.begin(), seen.end(), [](const Sighting& s) { return s.frame == 1; });
    const auto sixth =
        std::find_if(first, seen.end(), [](const Sighting& s) { return s.frame == 6; });
    ASSERT_NE(sixth, seen.end());
    EXPECT_GE(first->atMs - seen.front().atMs, 180.0);
    EXPECT_GE(sixth->atMs - first->atMs, 450.0);
    EXPECT_LE(sixth->atMs - first->atMs, 1500.0);

    // The pauses here are 100 ms; whether the stop ends a pause at once is shown with 5 s pauses
    // (PromptStopTest). This bound only catches a destructor that hangs.
    EXPECT_LT(deleteMs, 1000.0) << "the destructor did not return";
    std::printf(
        "first frame after %.1f ms; frames 1 to 6 in %.1f ms; %zu frames seen; "
        "delete took %.1f ms\n",
        seen.front().atMs, sixth->atMs - first->atMs, distinct.size(), deleteMs);
}

// At 200 % each frame fills twice the area and is the frame scaled: each 2 x 2 block of what is
// drawn is near the frame's pixel (the filter softens the edges), and the frames still change.
TEST_F(ProgressIndicatorTest, At192DpiEachPassDrawsTheActiveFrameAtTwiceItsSize) {
    constexpr int kScaled = 2 * kSize;
    constexpr int kAround = kScaled + 2;  // a ring of one pixel around it
    const auto alike = [](std::uint32_t a, std::uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8) {
            if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 64) return false;
        }
        return true;
    };
    std::unique_ptr<ProgressIndicator> indicator(new ProgressIndicator(window_->Window()));
    ASSERT_TRUE(indicator->LoadAnimation());
    indicator->SetOrigin(kOriginX, kOriginY);
    indicator->SetDpi(192);
    ASSERT_TRUE(indicator->StartAnimation());
    std::set<int> shown;
    for (int capture = 0; capture < 15; ++capture) {
        PumpFor(100);
        const Pixels c =
            CaptureClient(window_->Window(), kOriginX - 1, kOriginY - 1, kAround, kAround);
        ASSERT_EQ(c.size(), static_cast<size_t>(kAround * kAround));
        for (int i = 0; i < kAround; ++i) {
            for (int at : {i, (kAround - 1) * kAround + i, i * kAround, i * kAround + kAround - 1})
                ASSERT_EQ(c[at], test::kWhite) << "drawn outside the 200 x 200 area";
        }
        int best = -1;
        int bestNear = 0;
        for (size_t f = 0; f < frames_->size(); ++f) {
            int count = 0;
            for (int y = 0; y < kSize; ++y) {
                for (int x = 0; x < kSize; ++x)
                    count += alike(c[(2 * y + 1 + 1) * kAround + 2 * x + 1 + 1],
                                   (*frames_)[f][y * kSize + x]);
            }
            if (count > bestNear) {
                bestNear = count;
                best = static_cast<int>(f);
            }
        }
        EXPECT_GE(bestNear, kSize * kSize * 95 / 100) << "no frame of the picture, scaled";
        shown.insert(best);
    }
    EXPECT_GE(shown.size(), 5u) << "the scaled frames did not change over 1.5 s";
}

TEST_F(ProgressIndicatorTest, DeleteReturnsOnlyAfterTheThreadHasEnded) {
    std::unique_ptr<ProgressIndicator> indicator(new ProgressIndicator(window_->Window()));
    ASSERT_TRUE(indicator->LoadAnimation());
    indicator->SetOrigin(kOriginX, kOriginY);

    const std::set<DWORD> before = ProcessThreadIds();
    ASSERT_TRUE(indicator->StartAnimation());
    std::vector<DWORD> started;
    for (DWORD id : ProcessThreadIds()) {
        if (!before.contains(id)) started.push_back(id);
    }
    ASSERT_EQ(started.size(), 1u) << "StartAnimation starts exactly one thread";
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, started[0]);
    ASSERT_NE(thread, nullptr);

    PumpFor(250);  // a few passes: the thread is drawing or pausing
    EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    indicator.reset();
    EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_OBJECT_0))
        << "the destructor returned while its thread still ran";
    CloseHandle(thread);
}

TEST_F(ProgressIndicatorTest, SecondStartReturnsFalseAndStartsNoThread) {
    std::unique_ptr<ProgressIndicator> indicator(new ProgressIndicator(window_->Window()));
    ASSERT_TRUE(indicator->LoadAnimation());
    indicator->SetOrigin(kOriginX, kOriginY);
    ASSERT_TRUE(indicator->StartAnimation());
    const std::set<DWORD> running = ProcessThreadIds();
    EXPECT_FALSE(indicator->StartAnimation());
    EXPECT_FALSE(indicator->StartAnimation());
    EXPECT_EQ(ProcessThreadIds(), running);
}

TEST_F(ProgressIndicatorTest, LoadingAgainWhileRunningChangesNothing) {
    std::unique_ptr<ProgressIndicator> indicator(new ProgressIndicator(window_->Window()));
    ASSERT_TRUE(indicator->LoadAnimation());
    indicator->SetOrigin(kOriginX, kOriginY);
    ASSERT_TRUE(indicator->StartAnimation());
    EXPECT_TRUE(indicator->LoadAnimation());
    bool ringStayedWhite = false;
    const std::vector<Sighting> seen = Watch(NowMs(), 400, ringStayedWhite);
    EXPECT_GE(seen.size(), 2u) << "the animation stopped after a second load";
}

TEST_F(ProgressIndicatorTest, NotLoadedDoesNotStart) {
    std::unique_ptr<ProgressIndicator> indicator(new ProgressIndicator(window_->Window()));
    EXPECT_FALSE(indicator->IsLoaded());
    const std::set<DWORD> before = ProcessThreadIds();
    EXPECT_FALSE(indicator->StartAnimation());
    EXPECT_EQ(ProcessThreadIds(), before);
}

// One indicator's whole life as the window leads it, animating for `ms` when started.
void RunIndicator(HWND window, bool start, double ms) {
    auto* indicator = new ProgressIndicator(window);
    indicator->LoadAnimation();
    indicator->SetOrigin(kOriginX, kOriginY);
    if (start && indicator->IsLoaded()) {
        indicator->StartAnimation();
        PumpFor(ms);
    }
    delete indicator;
}

struct Resources {
    DWORD gdiObjects;
    DWORD userObjects;
    long handles;
    size_t threads;
    bool operator==(const Resources&) const = default;
};

void PrintTo(const Resources& r, std::ostream* os) {
    *os << "{GDI " << r.gdiObjects << ", USER " << r.userObjects << ", handles " << r.handles
        << ", threads " << r.threads << "}";
}

Resources Measure() {
    test::PumpPending();
    return {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
            GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), test::ProcessHandleCount(),
            ProcessThreadIds().size()};
}

TEST_F(ProgressIndicatorTest, LeavesNoHandleGdiObjectOrThreadBehind) {
    struct Case {
        const char* name;
        bool start;
        double ms;
    };
    const Case cases[] = {
        {"started and stopped mid-animation", true, 350},
        {"started and stopped at once", true, 0},
        {"loaded, never started", false, 0},
    };
    RunIndicator(window_->Window(), true, 150);  // GDI+ and the decoder set up what they keep
    const Resources baseline = Measure();
    std::printf("resources around an indicator: GDI %lu, USER %lu, handles %ld, threads %zu\n",
                baseline.gdiObjects, baseline.userObjects, baseline.handles, baseline.threads);
    for (const Case& c : cases) {
        for (int round = 0; round < 3; ++round) RunIndicator(window_->Window(), c.start, c.ms);
        EXPECT_EQ(Measure(), baseline) << c.name;
    }
}

}  // namespace
}  // namespace vork
