// The New variant's two checks before a transfer when the lone 0x0021 printer is counted but the
// search could not capture all of it: each check passes only on what was actually captured.
#include <gtest/gtest.h>

#include "device/SG731NewDevice.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

struct CaptureRow {
    const char* name;
    int status;              // the port's connection status
    bool productUnreadable;  // the product string descriptor request fails
    bool configurationPasses;
    bool productStringPasses;
};

class NewCaptureChecks : public test::SimFixture,
                         public ::testing::WithParamInterface<CaptureRow> {};

TEST_P(NewCaptureChecks, PassOnlyOnWhatWasCaptured) {
    const CaptureRow& row = GetParam();
    sim::UsbPort& port = sim::RootHubOf(machine).Port(2);
    sim::PrinterOnBus description;
    description.status = row.status;
    sim::AttachPrinter(machine, port, description);
    port.device->productFault.fail = row.productUnreadable;
    SG731NewDevice device;
    EXPECT_EQ(device.CheckConfiguration(), row.configurationPasses);
    EXPECT_EQ(device.CheckProductString(), row.productStringPasses);
}

const CaptureRow kCaptures[] = {
    {"Whole", DeviceConnected, false, true, true},
    {"ProductStringUnreadable", DeviceConnected, true, true, false},
    // Counted, as a device that is attached, but nothing is captured from a port in this state.
    {"NotEnoughPower", DeviceNotEnoughPower, false, false, false},
};
INSTANTIATE_TEST_SUITE_P(Rows, NewCaptureChecks, ::testing::ValuesIn(kCaptures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vork
