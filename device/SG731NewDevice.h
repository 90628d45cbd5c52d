#pragma once
// Printers with product id 0x0020 or 0x0021 whose revision code is f0I or f0J. A transfer may start
// only once the printer shows product id 0x0021 with remote wake-up and the expected product string
// (it is then in program mode); the command and the image each go as one write, without progress.
#include "device/SG731DeviceVariant.h"

namespace vork {

class SG731NewDevice final : public SG731DeviceVariant<&NewProfile> {
public:
    bool IsUpdateReady() override { return false; }
    bool CheckConfiguration() override { return CheckNewConfiguration(); }
    bool CheckProductString() override { return CheckNewProductString(); }
};

}  // namespace vork
