#include "device/FirmwareImages.h"
#include "device/VariantProfile.h"

namespace vork {
namespace {

constexpr std::uint16_t kNewOldProductIds[] = {0x0020, 0x0021};
constexpr std::uint16_t kTTProductIds[] = {0x0022};

constexpr std::string_view kNewRecognised[] = {"f0I", "f0J"};
constexpr std::string_view kNewCurrent[] = {"f0J"};
constexpr std::string_view kOldRecognised[] = {"v0G", "d0A", "d0B"};
constexpr std::string_view kOldCurrent[] = {"v0G", "d0B"};
constexpr std::string_view kTTRecognised[] = {"v0G", "d0A", "d0B", "d0C"};
constexpr std::string_view kTTCurrent[] = {"v0G", "d0C"};

// "flash " followed by the load parameters each variant's boot loader expects.
constexpr std::uint8_t kNewCommand[] = {'f', 'l', 'a', 's', 'h', ' ', 0x00, 0x70, 0x00};
constexpr std::uint8_t kOldCommand[] = {0x1B, 'R', 'f', 'l', 'a', 's', 'h', ' ', 0x00, 0x70, 0x00};
constexpr std::uint8_t kTTCommand[] = {0x1B, 'R', 'f', 'l', 'a', 's', 'h', '0', 0x00, 0x80, 0x00};

}  // namespace

const VariantProfile& NewProfile() {
    static const VariantProfile profile{
        L"SG731NewDevice", kNewOldProductIds,   kNewRecognised, kNewCurrent,
        kNewCommand,       firmware::kNewImage, false};
    return profile;
}

const VariantProfile& OldProfile() {
    static const VariantProfile profile{L"SG731OldDevice",
                                        kNewOldProductIds,
                                        kOldRecognised,
                                        kOldCurrent,
                                        kOldCommand,
                                        firmware::kOldImage,
                                        true};
    return profile;
}

const VariantProfile& TTProfile() {
    static const VariantProfile profile{
        L"SG731TTDevice", kTTProductIds,      kTTRecognised, kTTCurrent,
        kTTCommand,       firmware::kTTImage, true};
    return profile;
}

}  // namespace vork
