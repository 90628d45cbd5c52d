#pragma once
// What tells the three printer variants apart: the USB product ids they count and their interface
// paths name, the revision codes they recognise and consider current, and
// the flash command and image they send, whole or in pieces.
#include <cstdint>
#include <span>
#include <string_view>

namespace vork {

struct VariantProfile {
    const wchar_t* className;                   // names the operation in exception sources
    std::span<const std::uint16_t> productIds;  // counted in this order; named by their paths
    std::span<const std::string_view> recognisedCodes;  // bytes 7 to 9 of the revision reply
    std::span<const std::string_view> currentCodes;     // no update needed for these
    std::span<const std::uint8_t> flashCommand;
    const std::uint8_t* image;  // kFirmwareSize bytes
    bool chunked;               // sent in 2048-byte pieces with progress
};

const VariantProfile& NewProfile();
const VariantProfile& OldProfile();
const VariantProfile& TTProfile();

}  // namespace vork
