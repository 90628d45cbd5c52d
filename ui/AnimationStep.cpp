#include "ui/AnimationStep.h"

#include <algorithm>
#include <cstdint>

namespace vork {

namespace {

DWORD PauseFor(UINT frame, std::span<const UINT> delays) noexcept {
    const UINT hundredths = frame < delays.size() ? delays[frame] : kDefaultFrameDelay;
    // A delay of 0 is taken literally: the next pass follows at once. A delay large enough to
    // overflow, or to read as INFINITE, is cut just below it; the stop event ends any wait anyway.
    const std::uint64_t ms = std::uint64_t{hundredths} * 10;
    return static_cast<DWORD>(std::min<std::uint64_t>(ms, INFINITE - 1));
}

}  // namespace

AnimationStep NextAnimationStep(UINT currentFrame, UINT frameCount,
                                std::span<const UINT> delays) noexcept {
    const UINT count = std::max(frameCount, 1u);
    const UINT selected = currentFrame % count;
    const UINT next = selected + 1 == count ? 0 : selected + 1;
    return {selected, next, PauseFor(next, delays)};
}

}  // namespace vork
