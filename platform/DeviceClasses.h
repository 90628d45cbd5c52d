#pragma once
// The device interface classes the updater lists with SetupAPI.
#include "platform/Win32.h"

namespace vork {

// USB printer-class interfaces: {28D78FAD-5A12-11D1-AE5B-0000F803A8C2}.
inline constexpr GUID kUsbPrintInterfaceClass = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

// USB host controllers: {3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}.
inline constexpr GUID kUsbHostControllerInterfaceClass = {
    0x3ABF6F2D, 0x71C4, 0x462A, {0x8A, 0x92, 0x1E, 0x68, 0x61, 0xE6, 0xAF, 0x27}};

}  // namespace vork
