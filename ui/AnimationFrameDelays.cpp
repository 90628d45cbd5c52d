#include "ui/AnimationFrameDelays.h"

#include <cstdint>
#include <cstring>

namespace vork {

std::vector<UINT> ReadFrameDelays(std::span<const BYTE> item) {
    Gdiplus::PropertyItem header;
    if (item.size() < sizeof(header)) return {};
    std::memcpy(&header, item.data(), sizeof(header));
    if (header.id != PropertyTagFrameDelay || header.type != PropertyTagTypeLong) return {};

    // The value pointer comes from the decoder; it is trusted only as far as the buffer reaches.
    const auto begin = reinterpret_cast<std::uintptr_t>(item.data());
    const auto value = reinterpret_cast<std::uintptr_t>(header.value);
    if (value < begin || value - begin > item.size()) return {};
    const std::size_t available = item.size() - (value - begin);
    if (header.length > available) return {};

    std::vector<UINT> delays(header.length / sizeof(UINT));
    if (delays.empty()) return delays;
    std::memcpy(delays.data(), item.data() + (value - begin), delays.size() * sizeof(UINT));
    return delays;
}

}  // namespace vork
