// The sizes of the records whose layout differs between the two word sizes, as Windows defines
// them. The product sets every cbSize from sizeof and Windows refuses any other value
// (ERROR_INVALID_USER_BUFFER), so headers that packed a record otherwise would make discovery and
// the controller listing fail on one of the two builds only. The driver records, whose sizes the
// control requests carry, are the same in both.
//
// The table is checked when the suite runs and, for the build's own word size, already when it is
// compiled, so a build for either word size stops on a wrong layout even where it is not run.
#include <gtest/gtest.h>

#include <cstddef>

#include "usb/UsbRecords.h"

namespace vork::test {
namespace {

struct RecordSize {
    const char* record;
    std::size_t size;  // sizeof in this build
    std::size_t x86;
    std::size_t x64;
};

#ifdef _WIN64
constexpr bool kIs64Bit = true;
#else
constexpr bool kIs64Bit = false;
#endif

constexpr RecordSize kRecords[] = {
    {"SP_DEVINFO_DATA", sizeof(SP_DEVINFO_DATA), 28, 32},
    {"SP_DEVICE_INTERFACE_DATA", sizeof(SP_DEVICE_INTERFACE_DATA), 28, 32},
    {"SP_DEVICE_INTERFACE_DETAIL_DATA_A", sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A), 5, 8},
    {"SP_DEVICE_INTERFACE_DETAIL_DATA_W", sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W), 6, 8},
    {"USB_ROOT_HUB_NAME", sizeof(USB_ROOT_HUB_NAME), 6, 6},
    {"USB_HCD_DRIVERKEY_NAME", sizeof(USB_HCD_DRIVERKEY_NAME), 6, 6},
    {"USB_NODE_CONNECTION_NAME", sizeof(USB_NODE_CONNECTION_NAME), 10, 10},
    {"USB_NODE_CONNECTION_DRIVERKEY_NAME", sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME), 10, 10},
    {"USB_NODE_CONNECTION_INFORMATION_EX", sizeof(USB_NODE_CONNECTION_INFORMATION_EX), 35, 35},
    {"USB_PIPE_INFO", sizeof(USB_PIPE_INFO), 11, 11},
    {"USB_NODE_INFORMATION", sizeof(USB_NODE_INFORMATION), 76, 76},
    {"USB_DESCRIPTOR_REQUEST", sizeof(USB_DESCRIPTOR_REQUEST), 12, 12},
};

constexpr bool AllAsWindowsLaysThemOut() {
    for (const RecordSize& r : kRecords)
        if (r.size != (kIs64Bit ? r.x64 : r.x86)) return false;
    return true;
}
static_assert(AllAsWindowsLaysThemOut(), "a record is not laid out as Windows lays it out");

TEST(RecordSizes, AreThoseOfThisWordSize) {
    for (const RecordSize& r : kRecords)
        EXPECT_EQ(r.size, kIs64Bit ? r.x64 : r.x86)
            << r.record << (kIs64Bit ? " (64-bit)" : " (32-bit)");
}

}  // namespace
}  // namespace vork::test
