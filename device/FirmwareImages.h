#pragma once
// The three firmware images compiled into the program, one per printer variant. The build embeds
// them from resources/firmware/ (or the folder given as SG731_FIRMWARE_DIR) and refuses any image
// that is not exactly kFirmwareSize bytes.
#include <cstddef>
#include <cstdint>

namespace vork::firmware {

inline constexpr std::size_t kFirmwareSize = 20480;

extern const std::uint8_t kNewImage[kFirmwareSize];
extern const std::uint8_t kOldImage[kFirmwareSize];
extern const std::uint8_t kTTImage[kFirmwareSize];

}  // namespace vork::firmware
