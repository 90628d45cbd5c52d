#pragma once
// The single questions the USB walk asks: of a host controller (its driver key and root hub name),
// of a hub about one of its ports (driver key, attached hub's name, configuration and string
// descriptors), and of the configuration manager (a device node's description by driver key).
//
// Each query is synchronous, keeps nothing after it returns but its result, and reports failure
// only by an empty result: a failed or short request, a reported length outside the accepted range,
// a malformed descriptor or a refused allocation. Names are 8-bit text in the ANSI code page with
// their terminating NUL counted in the size, converted only from the bytes the driver returned.
#include <cstdint>

#include "usb/ByteBuffer.h"
#include "usb/ByteVector.h"
#include "usb/UsbRecords.h"

namespace vork {

ByteVector QueryRootHubName(HANDLE controller);
ByteVector QueryControllerKey(HANDLE controller);
ByteVector QueryPortDriverKey(HANDLE hub, ULONG port);
ByteVector QueryPortHubName(HANDLE hub, ULONG port);

// The request header followed by the port's whole configuration set (12 + wTotalLength bytes);
// empty when the set cannot be read consistently.
ByteBuffer FetchConfiguration(HANDLE hub, ULONG port) noexcept;

// An exact copy of the string descriptor (bLength bytes, no NUL), or empty.
ByteBuffer FetchStringDescriptor(HANDLE hub, ULONG port, std::uint8_t index,
                                 std::uint16_t languageId) noexcept;

// The descriptor named by iProduct, in the first language the device lists; empty when the device
// names no product string or lists no language.
ByteBuffer FetchProductString(HANDLE hub, ULONG port, const USB_DEVICE_DESCRIPTOR& device) noexcept;

}  // namespace vork
