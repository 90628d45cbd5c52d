#pragma once
// Printers with product id 0x0020 or 0x0021 whose revision code is v0G, d0A or d0B. The image goes
// in 2048-byte pieces with progress.
#include "device/SG731DeviceVariant.h"

namespace vork {

class SG731OldDevice final : public SG731DeviceVariant<&OldProfile> {};

}  // namespace vork
