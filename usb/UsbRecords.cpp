// Moving the older connection record into the extended layout.
#include "usb/UsbRecords.h"

#include <cstring>

namespace vork {

void MoveIntoExtendedLayout(const std::uint8_t* legacy, std::uint8_t* extended) noexcept {
    // The two records differ only in the byte that holds LowSpeed in one and Speed in the other,
    // so the whole record (pipe entries included) is copied and that byte is translated.
    std::memcpy(extended, legacy, kConnectionRecordSize);
    constexpr std::size_t speed = offsetof(USB_NODE_CONNECTION_INFORMATION_EX, Speed);
    static_assert(speed == offsetof(USB_NODE_CONNECTION_INFORMATION, LowSpeed),
                  "Speed and LowSpeed share their place");
    const bool lowSpeed = legacy[offsetof(USB_NODE_CONNECTION_INFORMATION, LowSpeed)] != 0;
    extended[speed] = lowSpeed ? UsbLowSpeed : UsbFullSpeed;
}

}  // namespace vork
