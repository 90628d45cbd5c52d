#pragma once
// Printers with product id 0x0022 whose revision code is v0G, d0A, d0B or d0C. The image goes in
// 2048-byte pieces with progress.
#include "device/SG731DeviceVariant.h"

namespace vork {

class SG731TTDevice final : public SG731DeviceVariant<&TTProfile> {};

}  // namespace vork
