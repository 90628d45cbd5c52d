// Interface details whose size is below the fixed part of the detail record. The fixed part is
// 5 bytes (8-bit paths) in the 32-bit build and 8 in the 64-bit one, while SetupAPI sizes a detail
// from the path it holds, so a very short path asks for less than the record the caller must set
// cbSize in. Such an interface is never read (cbSize would be written past the buffer), and the
// interfaces after it are still examined.
#include <gtest/gtest.h>

#include "device/SG731NewDevice.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

sim::PrinterConfig At(std::string path) {
    sim::PrinterConfig config;
    config.interfacePath = std::move(path);
    return config;
}

class InterfaceDetailSize : public test::SimFixture,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(InterfaceDetailSize, ShortPathIsPassedOverAndTheNextInterfaceStillOpens) {
    const auto interfaces =
        machine.AddPrinterDevice({At(GetParam()), At(sim::PrinterInterfacePath(0x0021))});
    SG731NewDevice device;
    device.OpenDeviceInterface();
    EXPECT_NE(device.DeviceHandle(), nullptr);
    EXPECT_NE(device.DeviceHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(interfaces[0]->opens, 0);
    EXPECT_EQ(interfaces[1]->opens, 1);
}

INSTANTIATE_TEST_SUITE_P(Paths, InterfaceDetailSize, ::testing::Values("", "a", "ab", "abc"),
                         [](const auto& info) { return "Length" + std::to_string(info.index); });

}  // namespace
}  // namespace vork
