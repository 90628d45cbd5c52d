#pragma once
// The pacing of the progress animation, apart from any waiting.
//
// The animation thread draws the picture's active frame, then selects the frame at the current
// index, advances the index (wrapping at the frame count) and pauses for the delay stored for the
// frame at the advanced index. So frame 0 is drawn twice at the start, then 1, 2, ..., N - 1, 0, ...,
// and the pause after frame f is the delay of frame (f + 2) mod N. One step is one such pass; tests
// replay the sequence without a clock.
#include <windows.h>

#include <span>

namespace vork {

// The delay of a frame that stores none, in hundredths of a second (100 ms).
inline constexpr UINT kDefaultFrameDelay = 10;

struct AnimationStep {
    UINT selectedFrame;  // becomes the active frame once this pass has drawn
    UINT nextFrame;      // the current-frame index of the following pass
    DWORD pauseMs;       // the wait on the stop event that ends this pass
};

// One pass from the current-frame index. delays holds the picture's frame delays in hundredths of a
// second, one per frame; frames beyond its end (all of them when it is empty) take
// kDefaultFrameDelay. A frame count of 0 is treated as 1. The pause never reaches INFINITE.
AnimationStep NextAnimationStep(UINT currentFrame, UINT frameCount,
                                std::span<const UINT> delays) noexcept;

}  // namespace vork
