#pragma once
// The growable byte vector of the USB walk: names as 8-bit text with their NUL counted in the size,
// driver keys, the captured product string.
#include <cstdint>
#include <vector>

namespace vork {

using ByteVector = std::vector<std::uint8_t>;

}  // namespace vork
