#pragma once
// The records the USB host controller and hub drivers answer with, as the Windows headers lay them
// out, and the few fixed sizes the walk builds from them.
//
// Every size comes from sizeof over the Windows structures; the static assertions only document
// that the packed layouts are the ones the drivers use, so a header that packed them otherwise
// would stop the build instead of corrupting a record.
#include <cstddef>
#include <cstdint>

#include "platform/Win32.h"
#include <winioctl.h>  // CTL_CODE, which the USB control codes are built with
#include <usbioctl.h>

namespace vork {

// A port's connection record: the fixed part followed by room for 30 pipe entries.
inline constexpr std::size_t kMaxPipes = 30;
inline constexpr DWORD kConnectionRecordSize =
    sizeof(USB_NODE_CONNECTION_INFORMATION_EX) + kMaxPipes * sizeof(USB_PIPE_INFO);
static_assert(kConnectionRecordSize == 365, "connection record layout");
static_assert(sizeof(USB_NODE_CONNECTION_INFORMATION) == sizeof(USB_NODE_CONNECTION_INFORMATION_EX),
              "the older connection record has the extended one's layout");

// A hub's node record; only the hub descriptor's port count is read from it.
inline constexpr DWORD kNodeRecordSize = sizeof(USB_NODE_INFORMATION);
inline constexpr std::size_t kPortCountOffset =
    offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts);
static_assert(kNodeRecordSize == 76 && kPortCountOffset == 6, "hub node record layout");

// A descriptor request: the header, then the descriptor the device returns.
inline constexpr DWORD kDescriptorRequestHeaderSize = sizeof(USB_DESCRIPTOR_REQUEST);
static_assert(kDescriptorRequestHeaderSize == 12, "descriptor request layout");

// The configuration descriptor's fixed part: what the search hands its caller.
inline constexpr std::size_t kConfigHeaderSize = sizeof(USB_CONFIGURATION_DESCRIPTOR);
static_assert(kConfigHeaderSize == 9, "configuration descriptor layout");

inline constexpr std::uint8_t kConfigurationDescriptorType = USB_CONFIGURATION_DESCRIPTOR_TYPE;
inline constexpr std::uint8_t kStringDescriptorType = USB_STRING_DESCRIPTOR_TYPE;

// Moves an older connection record into the extended layout: every field goes to the same place,
// and the speed byte is derived from the low-speed flag (0 low speed, 1 full speed).
void MoveIntoExtendedLayout(const std::uint8_t* legacy, std::uint8_t* extended) noexcept;

}  // namespace vork
