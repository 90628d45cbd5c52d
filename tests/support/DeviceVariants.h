#pragma once
// The three printer variants by name, for tests that run one case per variant.
#include <memory>

#include "device/SG731NewDevice.h"
#include "device/SG731OldDevice.h"
#include "device/SG731TTDevice.h"

namespace vork::test {

enum class Variant { New, Old, TT };

inline std::unique_ptr<SG731DeviceBase> MakeDevice(Variant v) {
    switch (v) {
        case Variant::New: return std::make_unique<SG731NewDevice>();
        case Variant::Old: return std::make_unique<SG731OldDevice>();
        case Variant::TT: return std::make_unique<SG731TTDevice>();
    }
    return nullptr;
}

}  // namespace vork::test
